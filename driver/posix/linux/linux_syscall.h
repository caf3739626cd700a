// One Linux system call, made with the processor's own instruction: no C
// library, no errno. Returns the kernel's result, or minus the error number.
#pragma once

extern "C" long LinuxSyscall(long number, long a0, long a1, long a2, long a3, long a4);
