#include "nav/NmeaChecksum.h"

#include <cstdint>

namespace orv {

namespace {

constexpr unsigned kInvalidChecksum = 4095; // never equal to an 8-bit sum

unsigned HexValue(std::string_view text)
{
    if (text.empty() || text.size() > 8)
        return kInvalidChecksum;
    uint32_t v = 0;
    for (char c : text) {
        unsigned d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return kInvalidChecksum;
        v = v * 16 + d;
    }
    return v;
}

} // namespace

bool NmeaChecksumOk(std::string_view line, size_t checksumPos)
{
    if (checksumPos < 2 || checksumPos > line.size())
        return false;
    unsigned sum = 0;
    for (size_t i = 1; i + 1 < checksumPos; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    return HexValue(line.substr(checksumPos)) == sum;
}

std::string NmeaChecksumText(std::string_view sentence)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const size_t star = sentence.find('*');
    const size_t end = star == std::string_view::npos ? sentence.size() : star;
    unsigned sum = 0;
    for (size_t i = 1; i < end; ++i)
        sum ^= static_cast<unsigned char>(sentence[i]);
    std::string text;
    if (star == std::string_view::npos)
        text += '*';
    text += kDigits[(sum >> 4) & 0xF];
    text += kDigits[sum & 0xF];
    return text;
}

std::string NmeaWithChecksum(std::string_view sentence)
{
    std::string out(sentence);
    out += NmeaChecksumText(sentence);
    out += "\r\n";
    return out;
}

} // namespace orv
