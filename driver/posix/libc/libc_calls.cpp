// The POSIX layer's system calls, made through the C library.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "driver/posix/system_calls.h"

namespace {
long Result(long result) {
  return result < 0 ? -errno : result;
}
}  // namespace

long sys::openat(int directory, const char* path, int flags) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): openat has only a variadic form.
  return Result(::openat(directory, path, flags));
}

long sys::write(int descriptor, const void* bytes, std::size_t size) {
  return Result(::write(descriptor, bytes, size));
}

long sys::close(int descriptor) {
  return Result(::close(descriptor));
}

bool sys::is_controlling_terminal(int descriptor) {
  // NOLINTNEXTLINE(concurrency-mt-unsafe): one thread; the name is not used.
  return ::tcgetpgrp(descriptor) >= 0 && ::ptsname(descriptor) == nullptr;
}

long sys::poll(pollfd* descriptors, nfds_t count, int timeout_ms) {
  return Result(::poll(descriptors, count, timeout_ms));
}

long sys::nanosleep(const timespec* duration) {
  return Result(::nanosleep(duration, nullptr));
}

long sys::ignore_signal(int signal) {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  return Result(::sigaction(signal, &ignore, nullptr));
}

// exit rather than _exit, so that sanitizer and coverage runtimes finish.
void sys::exit(int code) {
  std::exit(code);
}
