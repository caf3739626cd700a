// POSIX stand-ins for the three Windows console operations. They reach the
// system only through system_calls.h, which the C library or direct Linux
// system calls provide.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>

#include "driver/console_api.h"
#include "driver/posix/system_calls.h"

namespace {

// Titles are cut at this length, so the whole sequence fits one fixed buffer
// and goes out in one write.
constexpr std::size_t kTitleLimit = 255;
constexpr char kTitleStart[] = "\033]0;";
constexpr char kTitleEnd = '\a';

// How many writes in a row may move nothing before the write gives up. A
// descriptor that is really blocked costs one round per wake-up (a signal, or
// poll reporting room that another writer took), so a slow reader under a
// storm of signals gets through; a file system or filter that answers EAGAIN
// or EINTR at once, forever, ends after a few milliseconds.
constexpr std::uint32_t kIdleRoundLimit = 1000;

// Most systems give EWOULDBLOCK EAGAIN's value; a few give it its own.
constexpr bool kDistinctWouldBlock = EWOULDBLOCK != EAGAIN;

// Writes all size bytes, going on after partial writes, interrupted calls and
// a full non-blocking descriptor, which it waits out with poll. Returns how
// many bytes were written, which is short of size only after an error or
// kIdleRoundLimit fruitless rounds.
std::size_t WriteAll(int descriptor, const char* bytes, std::size_t size) {
  std::size_t done = 0;
  std::uint32_t idle_rounds = 0;
  while (done < size) {
    const long written = sys::write(descriptor, bytes + done, size - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      idle_rounds = 0;
      continue;
    }
    if (++idle_rounds > kIdleRoundLimit) {
      break;
    }
    if (written == -EAGAIN || (kDistinctWouldBlock && written == -EWOULDBLOCK)) {
      pollfd ready = {descriptor, POLLOUT, 0};
      const long polled = sys::poll(&ready, 1);
      if (polled < 0 && polled != -EINTR) {
        break;
      }
    } else if (written != -EINTR) {
      break;
    }
  }
  return done;
}

}  // namespace

// The title belongs to the terminal, not to standard output: it goes to the
// controlling terminal as an xterm title sequence, and a redirected standard
// output never sees it. Without a controlling terminal there is no title, nor
// when /dev/tty is something else (a sandbox may put a file or a FIFO there).
// The open never blocks, as on a FIFO with no reader; WriteAll waits out a
// full terminal.
extern "C" BOOL SetConsoleTitleA(LPCSTR lpConsoleTitle) {
  char sequence[sizeof kTitleStart - 1 + kTitleLimit + 1];
  std::size_t length = 0;
  for (std::size_t i = 0; kTitleStart[i] != '\0'; ++i) {
    sequence[length++] = kTitleStart[i];
  }
  for (std::size_t i = 0; i < kTitleLimit && lpConsoleTitle[i] != '\0'; ++i) {
    sequence[length++] = lpConsoleTitle[i];
  }
  sequence[length++] = kTitleEnd;

  const long terminal =
      sys::openat(AT_FDCWD, "/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (terminal < 0) {
    return FALSE;
  }
  const bool sent = sys::isatty(static_cast<int>(terminal)) == 1 &&
                    WriteAll(static_cast<int>(terminal), sequence, length) == length;
  sys::close(static_cast<int>(terminal));
  return sent ? TRUE : FALSE;
}

// The only standard handle the program asks for is standard output; the
// handle carries its descriptor.
extern "C" HANDLE GetStdHandle(DWORD nStdHandle) {
  if (nStdHandle != STD_OUTPUT_HANDLE) {
    return INVALID_HANDLE_VALUE;
  }
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast,performance-no-int-to-ptr)
  return reinterpret_cast<HANDLE>(std::intptr_t{STDOUT_FILENO});
}

// Every byte has reached the descriptor when this returns TRUE, so nothing is
// left to flush at exit. A handle that carries no valid descriptor (0, as a
// null handle, or a value beyond int) writes nothing.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the Windows signature.
extern "C" BOOL WriteConsoleA(HANDLE hConsoleOutput, const VOID* lpBuffer,
                              DWORD nNumberOfCharsToWrite, LPDWORD lpNumberOfCharsWritten,
                              LPVOID /*lpReserved*/) {
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the handle carries a descriptor.
  const auto descriptor = reinterpret_cast<std::intptr_t>(hConsoleOutput);
  std::size_t written = 0;
  if (descriptor > 0 && descriptor <= INT_MAX) {
    written = WriteAll(static_cast<int>(descriptor), static_cast<const char*>(lpBuffer),
                       nNumberOfCharsToWrite);
  }
  if (lpNumberOfCharsWritten != nullptr) {
    *lpNumberOfCharsWritten = static_cast<DWORD>(written);
  }
  return written == nNumberOfCharsToWrite ? TRUE : FALSE;
}
