#include "driver/int_to_decimal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr char kGuard = '#';

// Converts into the middle of a guarded buffer and returns everything the
// conversion changed, checking that no byte before the destination or after
// the text was touched.
std::string Convert(std::int32_t value) {
  char buffer[32];
  std::memset(buffer, kGuard, sizeof buffer);
  char* const destination = buffer + 8;
  IntToDecimal(value, destination);

  for (char* byte = buffer; byte < destination; ++byte) {
    EXPECT_EQ(*byte, kGuard) << "byte written before the destination for " << value;
  }
  const char* end = destination;
  while (end < buffer + sizeof buffer && *end != kGuard) {
    ++end;
  }
  for (const char* byte = end; byte < buffer + sizeof buffer; ++byte) {
    EXPECT_EQ(*byte, kGuard) << "byte written after the text for " << value;
  }
  return std::string(static_cast<const char*>(destination), end);
}

TEST(IntToDecimal, WritesSignAndDigitsWithNothingAround) {
  const struct {
    std::int32_t value;
    const char* text;
  } cases[] = {
      {8, "8"},
      {0, "0"},
      {10, "10"},
      {123, "123"},
      {2147483647, "2147483647"},
      {-5, "-5"},
      {-10, "-10"},
      {INT32_MIN, "-2147483648"},
      {-1, "-1"},
      {9, "9"},
      {1000000000, "1000000000"},
      {-999999999, "-999999999"},
      {-2147483647, "-2147483647"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Convert(c.value), c.text);
  }
}

TEST(IntToDecimal, LeavesTheOldTailBehindAShorterText) {
  char buffer[12] = "-2147483648";
  IntToDecimal(8, buffer);
  EXPECT_STREQ(buffer, "82147483648");
  IntToDecimal(-42, buffer);
  EXPECT_STREQ(buffer, "-4247483648");
}

}  // namespace
