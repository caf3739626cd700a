// The POSIX console's writes over every sequence of system-call answers up to
// a length, scripted here; the last answer of a sequence repeats for ever,
// and every pause sleeps or every pause is refused. Pauses are added up as
// asked, so an outage of seconds costs no real time.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <set>
#include <string>

#include "driver/console_api.h"
#include "driver/posix/system_calls.h"

namespace {

// The answers a write can get: what the write returns (kAll: every byte it
// was asked for; one byte, none, interrupted, a hard error, full), and what
// poll then returns (ready, timed out, failing, interrupted).
struct Answer {
  long write;
  long poll;
};
constexpr long kAll = LONG_MAX;
constexpr Answer kAnswers[] = {{kAll, 1},        {1, 1},       {0, 1},       {-EINTR, 1},
                               {-EPIPE, 1},      {-EAGAIN, 1}, {-EAGAIN, 0}, {-EAGAIN, -ENOMEM},
                               {-EAGAIN, -EINTR}};

// One run over a script, and what its calls saw.
constexpr std::size_t kLongest = 6;
struct Run {
  Answer script[kLongest] = {};
  std::size_t length = 0;
  bool pauses_refused = false;
  int poll_limit_ms = 0;  // the limit every poll must ask for
  Answer answer = {};     // the last write's
  std::string taken;
  std::size_t writes = 0;
  int calls = 0;  // of every kind
  int writes_since_progress = 0;
  std::int64_t paused_since_progress_ns = 0;
  bool poll_due = false;
  std::set<std::string> faults;
} run;

}  // namespace

long sys::write(int /*descriptor*/, const void* bytes, std::size_t size) {
  ++run.calls;
  if (run.answer.write == -EPIPE) {
    run.faults.insert("wrote after a hard error");
  }
  if (run.poll_due) {
    run.faults.insert("retried a full descriptor without waiting in poll");
  }
  if (++run.writes_since_progress > 1000) {
    run.faults.insert("runs away");
    return -EBADF;
  }
  run.answer = run.script[std::min(run.writes++, run.length - 1)];
  run.poll_due = run.answer.write == -EAGAIN;
  const long result = run.answer.write == kAll ? static_cast<long>(size) : run.answer.write;
  if (result > 0) {
    run.taken.append(static_cast<const char*>(bytes), static_cast<std::size_t>(result));
    run.writes_since_progress = 0;
    run.paused_since_progress_ns = 0;
  }
  return result;
}

long sys::poll(pollfd* /*descriptors*/, nfds_t /*count*/, int timeout_ms) {
  ++run.calls;
  run.poll_due = false;
  if (timeout_ms != run.poll_limit_ms) {
    run.faults.insert("poll waits " + std::to_string(timeout_ms) + " ms");
  }
  return run.answer.poll;
}

long sys::nanosleep(const timespec* duration) {
  ++run.calls;
  run.paused_since_progress_ns += duration->tv_sec * 1'000'000'000 + duration->tv_nsec;
  return run.pauses_refused ? -EPERM : 0;
}

// The controlling terminal the title goes to.
long sys::openat(int /*directory*/, const char* /*path*/, int /*flags*/) {
  return 3;
}
bool sys::is_controlling_terminal(int /*descriptor*/) {
  return true;
}
long sys::close(int /*descriptor*/) {
  return 0;
}

namespace {

// Runs write() over every script of up to six answers, and checks each run:
// every byte taken once and in order, TRUE exactly when all were, no write
// after a hard error, an end within a few dozen rounds of the last byte
// taken, and a write taken at once making no other call. A write that gives
// up on a refusal has paused for the patience users are told, and for less
// than a second more.
template <typename Write>
void ForEveryScript(std::int64_t patience_ns, const std::string& wanted, int poll_limit_ms,
                    Write write) {
  int failures = 0;
  constexpr std::size_t kKinds = std::size(kAnswers);
  std::size_t scripts = kKinds;
  for (std::size_t length = 1; length <= kLongest; ++length, scripts *= kKinds) {
    for (std::size_t number = 0; number < scripts && failures < 5; ++number) {
      for (const bool pauses_refused : {false, true}) {
        run = {};
        run.length = length;
        run.pauses_refused = pauses_refused;
        run.poll_limit_ms = poll_limit_ms;
        for (std::size_t rest = number, i = 0; i < length; ++i, rest /= kKinds) {
          run.script[i] = kAnswers[rest % kKinds];
        }
        const BOOL result = write();
        const bool system_ended =
            run.answer.write == -EPIPE || (run.answer.write == -EAGAIN && run.answer.poll == 0);
        const std::int64_t paused = run.paused_since_progress_ns;
        if (wanted.compare(0, run.taken.size(), run.taken) != 0) {
          run.faults.insert("took \"" + run.taken + "\"");
        }
        if ((result == TRUE) != (run.taken == wanted)) {
          run.faults.insert("says TRUE wrongly, or FALSE");
        }
        if (run.writes_since_progress > 60) {
          run.faults.insert(std::to_string(run.writes_since_progress) + " rounds since a byte");
        }
        if (result == FALSE && !system_ended &&
            (paused < patience_ns || paused >= patience_ns + 1'000'000'000)) {
          run.faults.insert("gave up after " + std::to_string(paused) + " ns of pauses");
        }
        if (run.script[0].write == kAll && run.calls != 1) {
          run.faults.insert("a write taken at once made " + std::to_string(run.calls) + " calls");
        }
        if (!run.faults.empty()) {
          ++failures;
          std::string shown;
          for (std::size_t rest = number, i = 0; i < length; ++i, rest /= kKinds) {
            shown += std::to_string(rest % kKinds) + " ";
          }
          ADD_FAILURE() << "script " << shown << (pauses_refused ? "(pauses refused)" : "") << ": "
                        << testing::PrintToString(run.faults);
        }
      }
    }
  }
}

TEST(PosixPacing, TheOutputHoldsUpUnderEveryScriptOfAnswers) {
  // A slow reader may take as long as it likes.
  const std::string output("8\0\0", 3);
  ForEveryScript(5'000'000'000, output, -1, [&] {
    DWORD written = 99;
    const BOOL result =
        WriteConsoleA(GetStdHandle(STD_OUTPUT_HANDLE), output.data(), 3, &written, nullptr);
    if (written != run.taken.size()) {
      run.faults.insert("reports " + std::to_string(written) + " bytes written");
    }
    return result;
  });
}

TEST(PosixPacing, TheTitleHoldsUpUnderEveryScriptOfAnswers) {
  // A terminal full or stopped for less than half a second still gets it.
  ForEveryScript(500'000'000, "\033]0;QUOVEX---\a", 500,
                 [] { return SetConsoleTitleA("QUOVEX---"); });
}

}  // namespace
