#include "stats/min_max.h"

std::int32_t FindMinimum(const std::int32_t* sequence, std::uint32_t count) {
  std::int32_t smallest = INT32_MAX;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (sequence[i] < smallest) {
      smallest = sequence[i];
    }
  }
  return smallest;
}

std::int32_t FindMaximum(const std::int32_t* sequence, std::uint32_t count) {
  std::int32_t largest = INT32_MIN;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (sequence[i] > largest) {
      largest = sequence[i];
    }
  }
  return largest;
}
