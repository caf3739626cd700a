// The process entry of the runtime-free build. The kernel enters with the
// stack 16-byte aligned, as the ABI wants. Zero frame and link registers end
// any backtrace here.
#include "driver/posix_calls.h"

__asm__(
    ".text\n"
    ".global _start\n"
    ".type _start, %function\n"
    "_start:\n"
    "  mov x29, #0\n"
    "  mov x30, #0\n"
    "  bl StartProgram\n"
    "  brk #0\n"
    ".size _start, . - _start\n");
