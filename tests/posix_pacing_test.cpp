// The POSIX console's writes over every sequence of system-call answers up to
// a length, scripted here; the last answer of a sequence repeats for ever,
// and every pause sleeps or every pause is refused. Pauses and waits are
// added up as asked, so an outage of seconds costs no real time.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <set>
#include <string>

#include "driver/console_api.h"
#include "driver/posix/system_calls.h"

namespace {

// The answers a write can get: what it returns (kAll: every byte asked; one,
// none, interrupted, a hard error, full), and when full what poll says, asked
// without waiting and then, if no room, asked to wait: room at once, room
// only after waiting (which another writer, or a lying poll, may take), no
// room within the wait, or a failing poll.
struct Answer {
  long write;
  long now;
  long wait;
};
constexpr long kAll = LONG_MAX;
constexpr Answer kAnswers[] = {{kAll, 0, 0},    {1, 0, 0},       {0, 0, 0},
                               {-EINTR, 0, 0},  {-EPIPE, 0, 0},  {-EAGAIN, 1, 0},
                               {-EAGAIN, 0, 1}, {-EAGAIN, 0, 0}, {-EAGAIN, -EINTR, 0}};
// A write still going this many rounds after its last byte is ended with a
// hard error, as a descriptor that keeps saying "wait" would keep it waiting.
constexpr int kRoundsCap = 200;

// One run over a script, and what its calls saw.
constexpr std::size_t kLongest = 6;
struct Run {
  Answer script[kLongest] = {};
  std::size_t length = 0;
  bool pauses_refused = false;
  bool bounds_waits = false;  // the title's patience covers its waits too
  Answer answer = {};         // the last write's
  std::string taken;
  std::size_t writes = 0;
  int calls = 0;  // of every kind
  int rounds_since_progress = 0;
  int polls_since_write = 0;
  bool room_found = false;  // by a waiting poll, with no write since
  int pauses_since_progress = 0;
  std::int64_t first_pause_ns = 0;
  std::int64_t paused_since_progress_ns = 0;
  std::int64_t refused_since_progress_ns = 0;  // pauses after refusals, or refused
  std::int64_t held_ns = 0;                    // every pause and wait asked for
  std::set<std::string> faults;
} run;

}  // namespace

long sys::write(int /*descriptor*/, const void* bytes, std::size_t size) {
  ++run.calls;
  if (run.answer.write == -EPIPE) {
    run.faults.insert("wrote after a hard error");
  }
  if (run.answer.write == -EAGAIN && run.polls_since_write == 0) {
    run.faults.insert("retried a full descriptor without asking poll");
  }
  run.polls_since_write = 0;
  run.room_found = false;
  if (++run.rounds_since_progress > kRoundsCap) {
    return -EBADF;
  }
  run.answer = run.script[std::min(run.writes++, run.length - 1)];
  const long result = run.answer.write == kAll ? static_cast<long>(size) : run.answer.write;
  if (result > 0) {
    run.taken.append(static_cast<const char*>(bytes), static_cast<std::size_t>(result));
    run.rounds_since_progress = run.pauses_since_progress = 0;
    run.paused_since_progress_ns = run.refused_since_progress_ns = 0;
  }
  return result;
}

long sys::poll(pollfd* /*descriptors*/, nfds_t /*count*/, int timeout_ms) {
  ++run.calls;
  const bool waits = run.polls_since_write++ > 0;
  if (timeout_ms != (waits ? (run.bounds_waits ? std::max(timeout_ms, 1) : -1) : 0)) {
    run.faults.insert(std::string(waits ? "a wait" : "a first poll") + " asks for " +
                      std::to_string(timeout_ms) + " ms");
  }
  run.held_ns += std::max(timeout_ms, 0) * std::int64_t{1'000'000};
  run.room_found = waits && run.answer.wait > 0;
  return waits ? run.answer.wait : run.answer.now;
}

long sys::nanosleep(const timespec* duration) {
  ++run.calls;
  const std::int64_t pause = duration->tv_sec * 1'000'000'000 + duration->tv_nsec;
  if (run.room_found) {
    run.faults.insert("paused before writing into the room poll waited for");
  }
  if (run.pauses_since_progress++ == 0 && run.first_pause_ns != 0 && pause != run.first_pause_ns) {
    run.faults.insert("a refusal after a byte is first retried after " + std::to_string(pause) +
                      " ns");
  }
  run.first_pause_ns = run.first_pause_ns == 0 ? pause : run.first_pause_ns;
  run.paused_since_progress_ns += pause;
  run.held_ns += pause;
  const bool lost_room = run.answer.write == -EAGAIN && run.answer.now == 0;
  if (!lost_room || run.pauses_refused) {
    run.refused_since_progress_ns += pause;
  }
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

// Runs write() over every script of up to six answers and checks each run:
// every byte taken once and in order, TRUE exactly when all were, no write
// after a hard error, at most ten rounds a second of pauses, no pause before
// writing into room poll waited for, each refusal first retried as soon, and
// a write taken at once making one call. One that gives up has spent the
// patience users are told, and less than a second more: standard output on
// refusals since its last byte, the title on all it waited (under a quarter
// second more).
template <typename Write>
void ForEveryScript(std::int64_t patience_ns, const std::string& wanted, bool bounds_waits,
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
        run.bounds_waits = bounds_waits;
        std::string shown;
        for (std::size_t rest = number, i = 0; i < length; ++i, rest /= kKinds) {
          run.script[i] = kAnswers[rest % kKinds];
          shown += std::to_string(rest % kKinds) + " ";
        }
        const BOOL result = write();
        const bool system_ended = run.answer.write == -EPIPE ||
                                  run.rounds_since_progress > kRoundsCap ||
                                  (!bounds_waits && run.answer.write == -EAGAIN &&
                                   run.answer.now == 0 && run.answer.wait == 0);
        const std::int64_t spent = bounds_waits ? run.held_ns : run.refused_since_progress_ns;
        if (wanted.compare(0, run.taken.size(), run.taken) != 0) {
          run.faults.insert("took \"" + run.taken + "\"");
        }
        if ((result == TRUE) != (run.taken == wanted)) {
          run.faults.insert("says TRUE wrongly, or FALSE");
        }
        if (run.rounds_since_progress > 10 + run.paused_since_progress_ns / 100'000'000) {
          run.faults.insert(std::to_string(run.rounds_since_progress) + " rounds in " +
                            std::to_string(run.paused_since_progress_ns) + " ns of pauses");
        }
        if ((result == FALSE && !system_ended && spent < patience_ns) ||
            spent >= patience_ns + (bounds_waits ? 250'000'000 : 1'000'000'000)) {
          run.faults.insert("gave up after " + std::to_string(spent) + " ns");
        }
        if (run.script[0].write == kAll && run.calls != 1) {
          run.faults.insert("a write taken at once made " + std::to_string(run.calls) + " calls");
        }
        if (!run.faults.empty()) {
          ++failures;
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
  ForEveryScript(5'000'000'000, output, false, [&] {
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
  ForEveryScript(500'000'000, "\033]0;QUOVEX---\a", true,
                 [] { return SetConsoleTitleA("QUOVEX---"); });
}

}  // namespace
