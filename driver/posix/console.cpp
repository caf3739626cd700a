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
#include "driver/posix/system_calls.h"

namespace {

// Titles are cut at this length, so the whole sequence fits one fixed buffer.
constexpr std::size_t kTitleLimit = 255;
constexpr char kTitleStart[] = "\033]0;";
constexpr char kTitleEnd = '\a';

// Most systems give EWOULDBLOCK EAGAIN's value; a few give it its own.
constexpr bool kDistinctWouldBlock = EWOULDBLOCK != EAGAIN;

// How long one write may go on with no byte taken, counted with no clock
// (docs/design.md says why): the pauses it asks for and, where it bounds its
// waits, the time it asks poll to wait. A round refused at once (the write
// interrupted, taking nothing, or refused while poll finds room without
// waiting; or poll failing) is followed by a pause that counts. A write
// that finds no room waits for it in poll, and writes again as soon as
// there is room.
struct Patience {
  std::int64_t ns;
  // Whether it bounds the whole write, waits included, rather than the
  // refusals since the last byte.
  bool bounds_waits;
};

// Standard output: a slow reader may take as long as it likes, and a
// refusal that lasts ends after five seconds of pauses, long enough to
// outlast a file system or filter that refuses for a moment, short enough
// that a program whose output can go nowhere still ends soon.
constexpr Patience kOutputPatience = {5'000'000'000, false};
// The title is no part of the output and must not hold it back: whatever
// the terminal and its other writers do, it gets half a second in all, and
// a terminal stopped with Ctrl-S or full with its reader stalled loses the
// rest of it.
constexpr Patience kTitlePatience = {500'000'000, true};

// The pauses: the first, doubling up to the longest, so that a long refusal
// costs a few dozen calls and the end of a short one is seen soon.
constexpr std::int64_t kFirstPauseNs = 1'000'000;
constexpr std::int64_t kLongestPauseNs = 128'000'000;

// Writes all size bytes, going on after partial writes, interrupted calls and
// a full non-blocking descriptor. Returns how many bytes were written, which
// is short of size only after an error or once the patience is spent.
// Inlined, so that the program's one write makes no call of its own.
[[gnu::always_inline]] inline std::size_t WriteAll(int descriptor, const char* bytes,
                                                   std::size_t size, Patience patience) {
  std::size_t done = 0;
  std::int64_t spent_ns = 0;  // of the patience
  std::int64_t next_pause_ns = kFirstPauseNs;
  bool waited = false;  // poll found room after waiting, and no byte went since
  // Pauses, unless the patience is spent. A pause counts where the round
  // was refused, where the write bounds its waits, and where the system
  // refuses the pause, as then nothing else keeps rounds apart.
  const auto pause = [&](bool refused) {
    if (spent_ns >= patience.ns) {
      return false;
    }
    const timespec duration = {0, static_cast<long>(next_pause_ns)};
    if (sys::nanosleep(&duration) != 0 || refused || patience.bounds_waits) {
      spent_ns += next_pause_ns;
    }
    next_pause_ns = std::min(next_pause_ns * 2, kLongestPauseNs);
    return true;
  };
  while (done < size) {
    const long written = sys::write(descriptor, bytes + done, size - done);
    if (written > 0) {
      done += static_cast<std::size_t>(written);
      spent_ns = patience.bounds_waits ? spent_ns : 0;
      next_pause_ns = kFirstPauseNs;
      waited = false;
      continue;
    }
    if (written == -EAGAIN || (kDistinctWouldBlock && written == -EWOULDBLOCK)) {
      pollfd room = {descriptor, POLLOUT, 0};
      if (sys::poll(&room, 1, 0) == 0) {
        // No room: wait for it. Room found by waiting and then refused went
        // to another writer, or poll lies: wait again only after a pause.
        if (waited && !pause(false)) {
          break;
        }
        const std::int64_t left_ms = (patience.ns - spent_ns + 999'999) / 1'000'000;
        if (patience.bounds_waits && left_ms <= 0) {
          break;
        }
        const long ready =
            sys::poll(&room, 1, patience.bounds_waits ? static_cast<int>(left_ms) : -1);
        spent_ns += patience.bounds_waits ? left_ms * 1'000'000 : 0;
        if (ready == 0) {
          break;  // no room within the patience
        }
        waited = ready > 0;
        if (waited) {
          continue;
        }
      }
    } else if (written != 0 && written != -EINTR) {
      break;  // the descriptor will take nothing more
    }
    if (!pause(true)) {
      break;
    }
  }
  return done;
}

// Sends the title to the terminal as an xterm title sequence, with the
// title's patience for the whole of it. One cut off part-way is left so:
// the terminal then takes what it shows next as title text, but a terminal
// too slow to take a few bytes in half a second shows little soon either.
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
  return WriteAll(terminal, sequence, length, kTitlePatience) == length;
}

}  // namespace

// The title belongs to the terminal, not to standard output: it goes to the
// controlling terminal, and a redirected standard output never sees it.
// Without a controlling terminal there is no title, nor when /dev/tty is
// something else (a sandbox may put a file, a FIFO, another terminal or a
// pseudo-terminal's master there). The open never blocks, as on a FIFO
// with no reader.
extern "C" BOOL SetConsoleTitleA(LPCSTR lpConsoleTitle) {
  const long terminal =
      sys::openat(AT_FDCWD, "/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (terminal < 0) {
    return FALSE;
  }
  const bool sent = sys::is_controlling_terminal(static_cast<int>(terminal)) &&
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
                       nNumberOfCharsToWrite, kOutputPatience);
  }
  if (lpNumberOfCharsWritten != nullptr) {
    *lpNumberOfCharsWritten = static_cast<DWORD>(written);
  }
  return written == nNumberOfCharsToWrite ? TRUE : FALSE;
}
