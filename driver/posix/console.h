// How long the POSIX console layer waits on a write that makes no progress,
// and why; console.cpp does the waiting.
#pragma once

#include <cstdint>

// How long a write may go on being refused at once (EAGAIN while poll says
// ready, or EINTR), with no byte taken, before it gives up: long enough to
// outlast a file system or filter that refuses for a moment, short enough
// that a program whose output can never go anywhere still ends soon. Time
// the system itself spends waiting, in a blocked write or in poll, does not
// count: a slow reader may take as long as it likes.
inline constexpr std::int64_t kGiveUpAfterNs = 5'000'000'000;

// The pauses between writes refused at once: the first, doubling up to the
// longest, so that a long refusal costs a few dozen calls and the end of a
// short one is seen soon.
inline constexpr std::int64_t kFirstPauseNs = 1'000'000;
inline constexpr std::int64_t kLongestPauseNs = 128'000'000;

// How long the title waits for a terminal that takes none of it. The title
// is no part of the output and must not hold it back: a terminal stopped with
// Ctrl-S, or full with its reader stalled, loses the title instead.
inline constexpr int kTitleWaitMs = 500;
