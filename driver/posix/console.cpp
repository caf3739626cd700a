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

#include <algorithm>

#include "driver/console_api.h"
#include "driver/posix/console.h"
#include "driver/posix/system_calls.h"

namespace {

// Titles are cut at this length, so the whole sequence fits one fixed buffer.
constexpr std::size_t kTitleLimit = 255;
constexpr char kTitleStart[] = "\033]0;";
constexpr char kTitleEnd = '\a';

// Most systems give EWOULDBLOCK EAGAIN's value; a few give it its own.
constexpr bool kDistinctWouldBlock = EWOULDBLOCK != EAGAIN;

std::int64_t NowNs() {
  timespec now = {};
  sys::clock_gettime(&now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The rounds of one write since it last moved a byte.
struct Stall {
  std::int64_t pause_ns;  // the next pause; 0 before the first round
  std::int64_t round_start_ns;
  std::int64_t paused_ns;  // time spent pausing, which kGiveUpAfterNs bounds
};

// Called after a round that moved nothing, and says whether to try again. A
// round that itself took as long as the next pause waited in the system, not
// in a spin, and is tried again at once; one refused at once is followed by
// the next pause. The clock is read only here, so a write that succeeds at
// once never reads it; out of line, so that such a write does not pay for
// the registers this takes.
[[gnu::noinline]] bool PauseBeforeRetrying(Stall& stall) {
  const std::int64_t now = NowNs();
  if (stall.pause_ns == 0) {
    stall = {kFirstPauseNs, now, 0};
  } else if (now - stall.round_start_ns >= stall.pause_ns) {
    stall.round_start_ns = now;
    return true;
  }
  if (stall.paused_ns >= kGiveUpAfterNs) {
    return false;
  }
  const timespec pause = {0, static_cast<long>(stall.pause_ns)};
  sys::nanosleep(&pause);
  stall.round_start_ns = NowNs();
  stall.paused_ns += stall.round_start_ns - now;
  stall.pause_ns = std::min(stall.pause_ns * 2, kLongestPauseNs);
  return true;
}

// Writes all size bytes, going on after partial writes, interrupted calls and
// a full non-blocking descriptor, which it waits out with poll, for at most
// wait_ms each time (-1: for as long as it takes). Returns how many bytes
// were written, which is short of size only after an error, a poll that ran
// out of time, or kGiveUpAfterNs of refusals. Inlined, so that the program's
// one write makes no call of its own.
// NOLINTBEGIN(bugprone-easily-swappable-parameters): a byte count, then a time.
[[gnu::always_inline]] inline std::size_t WriteAll(int descriptor, const char* bytes,
                                                   std::size_t size, int wait_ms) {
  // NOLINTEND(bugprone-easily-swappable-parameters)
  std::size_t done = 0;
  Stall stall = {};
  while (done < size) {
    const long written = sys::write(descriptor, bytes + done, size - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      stall.pause_ns = 0;
      continue;
    }
    if (written == -EAGAIN || (kDistinctWouldBlock && written == -EWOULDBLOCK)) {
      pollfd ready = {descriptor, POLLOUT, 0};
      const long polled = sys::poll(&ready, 1, wait_ms);
      if (polled == 0 || (polled < 0 && polled != -EINTR)) {
        break;
      }
    } else if (written != -EINTR) {
      break;
    }
    if (!PauseBeforeRetrying(stall)) {
      break;
    }
  }
  return done;
}

// Sends the title to the terminal as an xterm title sequence. A terminal that
// takes none of it for kTitleWaitMs loses it. One that has taken part of it
// is owed the rest, with the longer patience of kGiveUpAfterNs: cut off, the
// sequence would leave the terminal taking whatever it shows next as title
// text.
bool SendTitle(int terminal, LPCSTR title) {
  char sequence[sizeof kTitleStart - 1 + kTitleLimit + 1];
  std::size_t length = 0;
  for (std::size_t i = 0; kTitleStart[i] != '\0'; ++i) {
    sequence[length++] = kTitleStart[i];
  }
  for (std::size_t i = 0; i < kTitleLimit && title[i] != '\0'; ++i) {
    sequence[length++] = title[i];
  }
  sequence[length++] = kTitleEnd;

  std::size_t sent = WriteAll(terminal, sequence, length, kTitleWaitMs);
  if (sent != 0 && sent < length) {
    sent += WriteAll(terminal, sequence + sent, length - sent,
                     static_cast<int>(kGiveUpAfterNs / 1'000'000));
  }
  return sent == length;
}

}  // namespace

// The title belongs to the terminal, not to standard output: it goes to the
// controlling terminal, and a redirected standard output never sees it.
// Without a controlling terminal there is no title, nor when /dev/tty is
// something else (a sandbox may put a file or a FIFO there). The open never
// blocks, as on a FIFO with no reader.
extern "C" BOOL SetConsoleTitleA(LPCSTR lpConsoleTitle) {
  const long terminal =
      sys::openat(AT_FDCWD, "/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (terminal < 0) {
    return FALSE;
  }
  const bool sent = sys::isatty(static_cast<int>(terminal)) == 1 &&
                    SendTitle(static_cast<int>(terminal), lpConsoleTitle);
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
                       nNumberOfCharsToWrite, -1);
  }
  if (lpNumberOfCharsWritten != nullptr) {
    *lpNumberOfCharsWritten = static_cast<DWORD>(written);
  }
  return written == nNumberOfCharsToWrite ? TRUE : FALSE;
}
