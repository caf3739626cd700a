#include "driver/int_to_decimal.h"

void IntToDecimal(std::int32_t value, char* destination) {
  // Division truncates toward zero, so the first remainder has the value's
  // sign. Negating only after that first step keeps INT32_MIN in range.
  std::int32_t quotient = value / 10;
  std::int32_t remainder = value % 10;
  if (value < 0) {
    *destination++ = '-';
    quotient = -quotient;
    remainder = -remainder;
  }

  // Digits go on least significant first and come off most significant
  // first, so the text is written forwards in one pass.
  std::uint8_t digit_stack[10];
  std::uint32_t digit_count = 0;
  digit_stack[digit_count++] = static_cast<std::uint8_t>(remainder);
  while (quotient != 0) {
    digit_stack[digit_count++] = static_cast<std::uint8_t>(quotient % 10);
    quotient /= 10;
  }

  while (digit_count != 0) {
    *destination++ = static_cast<char>('0' + digit_stack[--digit_count]);
  }
}
