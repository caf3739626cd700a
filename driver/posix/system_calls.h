// The handful of system calls the POSIX console layer makes, named after the
// C library's. Two providers make them: the C library's own functions
// (libc/), or direct Linux system calls (linux/), for an executable that
// links no runtime at all. Each returns what the system call returns: a
// result of 0 or more, or minus the error number.
#pragma once

#include <poll.h>
#include <time.h>

#include <cstddef>

namespace sys {

long openat(int directory, const char* path, int flags);
long write(int descriptor, const void* bytes, std::size_t size);
long close(int descriptor);
// Whether the descriptor is this process's controlling terminal: asking for
// its foreground process group fails on a file, a FIFO and any other
// terminal, but not on the master side of a pseudo-terminal, which answers
// for its other side and has a number.
bool is_controlling_terminal(int descriptor);
// Waits for an event on the given descriptors, for at most timeout_ms
// milliseconds, or with no time limit when it is -1. 0 when the time ran out.
long poll(pollfd* descriptors, nfds_t count, int timeout_ms);
// Sleeps for the given time, or until a signal is handled.
long nanosleep(const timespec* duration);
// Sets the signal's disposition to "ignore".
long ignore_signal(int signal);
// Ends the process with the given exit code.
[[noreturn]] void exit(int code);

}  // namespace sys
