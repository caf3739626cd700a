// x86-64: the system-call stub and the process entry of the runtime-free
// build.
#include "driver/posix/linux/linux_syscall.h"
#include "driver/posix/process.h"

// The kernel takes the number in rax and the arguments in rdi, rsi, rdx,
// r10 and r8; the instruction itself clobbers rcx and r11.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the kernel's register order.
extern "C" long LinuxSyscall(long number, long a0, long a1, long a2, long a3, long a4) {
  register long r10 __asm__("r10") = a3;
  register long r8 __asm__("r8") = a4;
  long result = number;
  __asm__ volatile("syscall"
                   : "+a"(result)
                   : "D"(a0), "S"(a1), "d"(a2), "r"(r10), "r"(r8)
                   : "rcx", "r11", "memory");
  return result;
}

// The kernel enters with the stack 16-byte aligned; a call must find it so,
// and pushes the return address, as the ABI wants. A zero frame pointer ends
// any backtrace here. The stack guard is set from the entry stack first. The
// entry opens with a landing pad, like every function of a build with
// indirect branch tracking. Subsection 1 keeps the entry behind the stub, in
// the order this file reads: the compiler puts top-level asm first
// otherwise. Weak, so that the tests, which link these calls into a program
// the C library starts, get the C library's own _start.
__asm__(
    ".pushsection .text, 1\n"
    ".weak _start\n"
    ".type _start, @function\n"
    "_start:\n"
    "  endbr64\n"
    "  xor %ebp, %ebp\n"
    "  mov %rsp, %rdi\n"
    "  and $-16, %rsp\n"
    "  call SetStackGuard\n"
    "  call StartProgram\n"
    "  hlt\n"
    ".size _start, . - _start\n"
    ".popsection\n");
