// The process entry of the runtime-free build. The kernel enters with the
// stack 16-byte aligned; a call must find it so, and pushes the return
// address, as the ABI wants. A zero frame pointer ends any backtrace here.
#include "driver/posix_calls.h"

__asm__(
    ".text\n"
    ".global _start\n"
    ".type _start, @function\n"
    "_start:\n"
    "  xor %ebp, %ebp\n"
    "  and $-16, %rsp\n"
    "  call StartProgram\n"
    "  hlt\n"
    ".size _start, . - _start\n");
