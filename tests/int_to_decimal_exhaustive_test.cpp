// Every one of the 2^32 values against std::to_chars, split across all cores.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <thread>
#include <vector>

#include "driver/int_to_decimal.h"

namespace {

struct Mismatches {
  std::uint64_t count = 0;
  std::int64_t first = 0;
};

// Checks the values first, first + stride, ... up to INT32_MAX.
Mismatches CheckEvery(std::int64_t first, std::int64_t stride) {
  Mismatches found;
  for (std::int64_t wide = first; wide <= INT32_MAX; wide += stride) {
    const auto value = static_cast<std::int32_t>(wide);
    char expected[16];
    const char* expected_end = std::to_chars(expected, expected + sizeof expected, value).ptr;
    const auto length = static_cast<std::size_t>(expected_end - expected);

    char actual[16];
    std::memset(actual, 0x7f, sizeof actual);
    IntToDecimal(value, actual);
    if (std::memcmp(actual, expected, length) != 0 || actual[length] != 0x7f) {
      if (found.count++ == 0) {
        found.first = wide;
      }
    }
  }
  return found;
}

TEST(IntToDecimalExhaustive, MatchesToCharsForAllValues) {
  const auto workers = std::max(1u, std::thread::hardware_concurrency());
  std::vector<Mismatches> results(workers);
  std::vector<std::thread> threads;
  for (unsigned i = 0; i < workers; ++i) {
    threads.emplace_back(
        [&results, i, workers] { results[i] = CheckEvery(std::int64_t{INT32_MIN} + i, workers); });
  }
  for (auto& thread : threads) {
    thread.join();
  }
  for (const auto& result : results) {
    EXPECT_EQ(result.count, 0u) << "first wrong text for " << result.first;
  }
}

}  // namespace
