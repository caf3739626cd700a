# 32-bit x86 Windows with mingw-w64's GCC and GNU ld (packages
# g++-mingw-w64-i686 and binutils-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUOVEX_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_CXX_COMPILER ${QUOVEX_MINGW_TRIPLE}-g++)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
