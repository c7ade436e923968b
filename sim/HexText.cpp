#include "sim/HexText.h"

#include <cctype>

namespace orv::sim {

namespace {
const char kDigits[] = "0123456789ABCDEF";

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

std::string HexByte(uint8_t value)
{
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string HexWord(uint32_t value)
{
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8)
        out += HexByte(uint8_t(value >> shift));
    return out;
}

std::string HexBytes(std::string_view bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty())
            out += ' ';
        out += HexByte(c);
    }
    return out;
}

std::optional<uint32_t> ParseHex(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : digits) {
        int d = DigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value << 4 | uint32_t(d);
    }
    return value;
}

bool HasLowerCaseHex(std::string_view text)
{
    for (char c : text)
        if (c >= 'a' && c <= 'f')
            return true;
    return false;
}

std::string Printable(std::string_view bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c >= 0x7F)
            out += "\\x" + HexByte(c);
        else
            out += char(c);
    }
    return out;
}

std::optional<std::string> BytesFromHex(std::string_view text)
{
    std::string digits;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            digits += c;
    if (digits.size() % 2 != 0)
        return std::nullopt;
    std::string out;
    for (size_t i = 0; i < digits.size(); i += 2) {
        int hi = DigitValue(digits[i]), lo = DigitValue(digits[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += char(hi << 4 | lo);
    }
    return out;
}

} // namespace orv::sim
