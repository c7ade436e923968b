#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Hexadecimal and printable renderings for the simulator's own wire code and log.
namespace orv::sim {

// "F9 01 00 FA 9F"
std::string HexBytes(std::string_view bytes);
// Two upper-case digits.
std::string HexByte(uint8_t value);
// Eight upper-case digits.
std::string HexWord(uint32_t value);
// Value of hexadecimal digits (either case); nothing when a character is not a digit.
std::optional<uint32_t> ParseHex(std::string_view digits);
// Whether the text holds lower-case hexadecimal digits (a-f).
bool HasLowerCaseHex(std::string_view text);
// Text with control and non-ASCII bytes escaped ("\r", "\n", "\x07").
std::string Printable(std::string_view bytes);
// "F9 01 00" or "F90100" back to bytes; nothing when malformed.
std::optional<std::string> BytesFromHex(std::string_view text);

} // namespace orv::sim
