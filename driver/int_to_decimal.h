// Decimal text of a signed 32-bit integer.
#pragma once

#include <cstdint>

// Writes "-" for a negative value, then the digits of its magnitude, most
// significant first and without leading zeros: 1 to 11 bytes at destination,
// which must have room for 11. Nothing follows the text, not even a NUL, and
// no byte outside it is touched.
void IntToDecimal(std::int32_t value, char* destination);
