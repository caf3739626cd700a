# 32-bit x86 Windows with clang and lld for mingw-w64, as llvm-mingw builds.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUOVEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/llvm-mingw.cmake)
