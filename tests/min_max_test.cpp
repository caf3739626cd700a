#include "stats/min_max.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

TEST(FindMinimumAndMaximum, EdgeSequences) {
  const std::int32_t single[] = {42};
  EXPECT_EQ(FindMinimum(single, 1), 42);
  EXPECT_EQ(FindMaximum(single, 1), 42);

  // Values equal to each function's starting value.
  const std::int32_t largest[] = {INT32_MAX};
  const std::int32_t smallest[] = {INT32_MIN};
  EXPECT_EQ(FindMinimum(largest, 1), INT32_MAX);
  EXPECT_EQ(FindMaximum(smallest, 1), INT32_MIN);

  // Signed, not unsigned, comparison.
  const std::int32_t extremes[] = {INT32_MIN, INT32_MAX};
  EXPECT_EQ(FindMinimum(extremes, 2), INT32_MIN);
  EXPECT_EQ(FindMaximum(extremes, 2), INT32_MAX);

  const std::int32_t data_set[] = {-4, -3, -2, -1, -1, -5, -6, -7, -9, -5};
  EXPECT_EQ(FindMinimum(data_set, 10), -9);
  EXPECT_EQ(FindMaximum(data_set, 10), -1);
}

TEST(FindMinimumAndMaximum, ReadOnlyTheCountedElements) {
  const std::int32_t values[] = {5, 7, 6, INT32_MIN, INT32_MAX};
  EXPECT_EQ(FindMinimum(values, 3), 5);
  EXPECT_EQ(FindMaximum(values, 3), 7);
  EXPECT_EQ(FindMinimum(values + 2, 1), 6);
  EXPECT_EQ(FindMaximum(values + 2, 1), 6);
}

TEST(FindMinimumAndMaximum, EmptySequenceGivesTheStartingValues) {
  const std::int32_t unused[] = {0};
  EXPECT_EQ(FindMinimum(unused, 0), INT32_MAX);
  EXPECT_EQ(FindMaximum(unused, 0), INT32_MIN);
}

TEST(FindMinimumAndMaximum, AgreeWithTheStandardLibraryOnRandomSequences) {
  // A fixed seed, so that a failure repeats.
  std::mt19937 random(20261208);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  std::uniform_int_distribution<std::uint32_t> length(1, 64);
  std::uniform_int_distribution<std::int32_t> full_range(INT32_MIN, INT32_MAX);
  std::uniform_int_distribution<std::int32_t> narrow_range(-3, 3);  // many repeats
  for (int round = 0; round < 2000; ++round) {
    std::vector<std::int32_t> values(length(random));
    for (auto& value : values) {
      value = round % 2 == 0 ? full_range(random) : narrow_range(random);
    }
    const auto count = static_cast<std::uint32_t>(values.size());
    ASSERT_EQ(FindMinimum(values.data(), count), *std::min_element(values.begin(), values.end()));
    ASSERT_EQ(FindMaximum(values.data(), count), *std::max_element(values.begin(), values.end()));
  }
}

}  // namespace
