# Cross build of the 32-bit x86 Windows image (packages g++-mingw-w64-i686
# and binutils-mingw-w64-i686).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QUOVEX_MINGW_TRIPLE i686-w64-mingw32)

# 32-bit C names carry a leading underscore. The loader enters with the stack
# aligned to 4 bytes only, and nothing here needs more, so no function
# realigns it. x86 exception handling walks frames on the stack and needs no
# tables. The image installs no exception handler, so it says so (NO_SEH):
# without that mark and without a SafeSEH table, the dispatcher would take
# any address inside the image as a handler, should a stack record be
# overwritten.
set(QUOVEX_WINDOWS_ENTRY _ProgramMain)
set(QUOVEX_WINDOWS_COMPILE_OPTIONS -mpreferred-stack-boundary=2 -fno-asynchronous-unwind-tables)
set(QUOVEX_WINDOWS_LINK_OPTIONS "SHELL:-Xlinker --no-seh")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
