// Smallest and largest value of a sequence of signed 32-bit integers.
#pragma once

#include <cstdint>

// Both take the first element and a count of at least 1, read the sequence
// once, and change nothing. A count of 0 returns the starting value:
// INT32_MAX from FindMinimum, INT32_MIN from FindMaximum.
std::int32_t FindMinimum(const std::int32_t* sequence, std::uint32_t count);
std::int32_t FindMaximum(const std::int32_t* sequence, std::uint32_t count);
