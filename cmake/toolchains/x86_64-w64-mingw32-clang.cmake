# 64-bit x64 Windows with clang and lld for mingw-w64, as llvm-mingw builds.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUOVEX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/llvm-mingw.cmake)
