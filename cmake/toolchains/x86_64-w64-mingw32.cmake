# 64-bit x64 Windows with mingw-w64's GCC and GNU ld (packages
# g++-mingw-w64-x86-64 and binutils-mingw-w64-x86-64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUOVEX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_CXX_COMPILER ${QUOVEX_MINGW_TRIPLE}-g++)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
