# Cross build of the 64-bit x86 Windows image (packages g++-mingw-w64-x86-64
# and binutils-mingw-w64-x86-64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(QUOVEX_MINGW_TRIPLE x86_64-w64-mingw32)

# x64 C names are undecorated, and its calling convention already keeps the
# stack 16-byte aligned. Windows moves an image only when it carries a base
# relocation table, and code that reaches all data relative to the
# instruction pointer needs no relocation, so ld would write none; the large
# code model addresses data absolutely, which gives the table its entries.
# A 64-bit image can then be placed anywhere in the whole address space.
# Unwind tables stay on (the compiler's default): x64 exception dispatch,
# debuggers and stack walks find every function's frame in them.
set(QUOVEX_WINDOWS_ENTRY ProgramMain)
set(QUOVEX_WINDOWS_COMPILE_OPTIONS -mcmodel=large)
set(QUOVEX_WINDOWS_LINK_OPTIONS "SHELL:-Xlinker --high-entropy-va")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
