// aarch64: the system-call stub and the process entry of the runtime-free
// build.
#include "driver/posix/linux/linux_syscall.h"
#include "driver/posix/process.h"

// The kernel takes the number in x8 and the arguments in x0 to x4, and
// returns the result in x0.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the kernel's register order.
extern "C" long LinuxSyscall(long number, long a0, long a1, long a2, long a3, long a4) {
  register long x8 __asm__("x8") = number;
  register long x0 __asm__("x0") = a0;
  register long x1 __asm__("x1") = a1;
  register long x2 __asm__("x2") = a2;
  register long x3 __asm__("x3") = a3;
  register long x4 __asm__("x4") = a4;
  __asm__ volatile("svc #0" : "+r"(x0) : "r"(x8), "r"(x1), "r"(x2), "r"(x3), "r"(x4) : "memory");
  return x0;
}

// The kernel enters with the stack 16-byte aligned, as the ABI wants. The
// entry opens with a landing pad, like every function of a build with branch
// protection, whose code pages the kernel guards. Zero frame and link
// registers end any backtrace here. First the thread pointer register is
// pointed at the stack guard, through which guarded code reads it, and the
// guard is set from the entry stack. Subsection 1 keeps the entry behind the
// stub, in the order this file reads. Weak, so that the tests, which link
// these calls into a program the C library starts, get its own _start.
__asm__(
    ".pushsection .text, 1\n"
    ".weak _start\n"
    ".type _start, %function\n"
    "_start:\n"
    "  bti c\n"
    "  mov x29, #0\n"
    "  mov x30, #0\n"
    "  adrp x0, __stack_chk_guard\n"
    "  add x0, x0, :lo12:__stack_chk_guard\n"
    "  msr tpidr_el0, x0\n"
    "  mov x0, sp\n"
    "  bl SetStackGuard\n"
    "  bl StartProgram\n"
    "  brk #0\n"
    ".size _start, . - _start\n"
    ".popsection\n");
