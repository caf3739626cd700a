// The POSIX layer's system calls, made directly on Linux, for the build that
// links no runtime. openat and ppoll serve every architecture: aarch64 has
// no open or poll.
#include <asm/ioctls.h>
#include <sys/syscall.h>

#include <csignal>
#include <cstdint>

#include "driver/posix/linux/linux_syscall.h"
#include "driver/posix/system_calls.h"

namespace {

// The kernel's own sigaction, which rt_sigaction takes: the C library's
// differs from it.
struct KernelSigaction {
  void (*handler)(int);
  unsigned long flags;
  void (*restorer)();
  std::uint64_t mask;
};

// A pointer argument as the kernel takes it.
long Pointer(const void* pointer) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): a register holds the address.
  return reinterpret_cast<long>(pointer);
}

}  // namespace

long sys::openat(int directory, const char* path, int flags) {
  return LinuxSyscall(SYS_openat, directory, Pointer(path), flags, 0, 0);
}

long sys::write(int descriptor, const void* bytes, std::size_t size) {
  return LinuxSyscall(SYS_write, descriptor, Pointer(bytes), static_cast<long>(size), 0, 0);
}

long sys::close(int descriptor) {
  return LinuxSyscall(SYS_close, descriptor, 0, 0, 0, 0);
}

bool sys::is_controlling_terminal(int descriptor) {
  int group = 0;
  unsigned number = 0;
  return LinuxSyscall(SYS_ioctl, descriptor, TIOCGPGRP, Pointer(&group), 0, 0) == 0 &&
         LinuxSyscall(SYS_ioctl, descriptor, TIOCGPTN, Pointer(&number), 0, 0) != 0;
}

long sys::poll(pollfd* descriptors, nfds_t count, int timeout_ms) {
  // No signal mask; a null time limit waits for ever.
  const timespec limit = {timeout_ms / 1000, timeout_ms % 1000 * 1'000'000L};
  return LinuxSyscall(SYS_ppoll, Pointer(descriptors), static_cast<long>(count),
                      timeout_ms < 0 ? 0 : Pointer(&limit), 0, 0);
}

long sys::nanosleep(const timespec* duration) {
  return LinuxSyscall(SYS_nanosleep, Pointer(duration), 0, 0, 0, 0);
}

long sys::ignore_signal(int signal) {
  const KernelSigaction ignore = {SIG_IGN, 0, nullptr, 0};
  return LinuxSyscall(SYS_rt_sigaction, signal, Pointer(&ignore), 0, sizeof ignore.mask, 0);
}

void sys::exit(int code) {
  LinuxSyscall(SYS_exit_group, code, 0, 0, 0, 0);
  // Should a filter or a fault injector refuse that call, ending the one
  // thread ends the process just as well. Should that return too, the
  // process stops here rather than running on into whatever follows.
  LinuxSyscall(SYS_exit, code, 0, 0, 0, 0);
  __builtin_trap();
}
