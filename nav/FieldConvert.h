#pragma once
#include <cstdint>
#include <string_view>

namespace orv {

// Strict, locale-free conversions of sentence fields. Each returns false
// (leaving out alone) when the whole text is not a value of its kind.

// Decimal integer with an optional sign, within 32 bits.
bool ParseFieldInt32(std::string_view text, int32_t& out);
// One to eight hexadecimal digits, either case; eight digits wrap into the sign bit.
bool ParseFieldHex32(std::string_view text, int32_t& out);
// Decimal number with "." as decimal point, optional sign and exponent; finite only.
bool ParseFieldReal(std::string_view text, double& out);

} // namespace orv
