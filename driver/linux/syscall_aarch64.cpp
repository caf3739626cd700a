#include "driver/linux/syscall.h"

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
