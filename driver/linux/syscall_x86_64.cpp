#include "driver/linux/syscall.h"

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
