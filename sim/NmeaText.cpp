#include "sim/NmeaText.h"

#include "sim/HexText.h"

#include <cmath>
#include <cstdio>

namespace orv::sim {

const char* ChecksumModeName(TChecksumMode mode)
{
    switch (mode) {
    case TChecksumMode::Good: return "good";
    case TChecksumMode::Bad: return "bad";
    case TChecksumMode::None: return "none";
    }
    return "?";
}

bool ParseChecksumMode(const std::string& text, TChecksumMode& mode)
{
    for (auto m : {TChecksumMode::Good, TChecksumMode::Bad, TChecksumMode::None}) {
        if (text == ChecksumModeName(m)) {
            mode = m;
            return true;
        }
    }
    return false;
}

uint8_t NmeaChecksum(const std::string& body)
{
    uint8_t sum = 0;
    for (unsigned char c : body)
        sum ^= c;
    return sum;
}

std::string NmeaSentence(const std::string& body, TChecksumMode mode)
{
    std::string text = "$" + body;
    if (mode != TChecksumMode::None) {
        const uint8_t sum = NmeaChecksum(body);
        text += "*" + HexByte(mode == TChecksumMode::Good ? sum : uint8_t(~sum));
    }
    return text + "\r\n";
}

std::optional<TNmeaLine> ParseNmeaLine(const std::string& line)
{
    if (line.empty() || line[0] != '$')
        return std::nullopt;
    TNmeaLine parsed;
    const size_t star = line.find('*');
    parsed.Body = line.substr(1, star == std::string::npos ? std::string::npos : star - 1);
    parsed.Expected = NmeaChecksum(parsed.Body);
    if (star != std::string::npos) {
        parsed.HasChecksum = true;
        parsed.ChecksumText = line.substr(star + 1);
        const auto value = parsed.ChecksumText.size() == 2 ? ParseHex(parsed.ChecksumText) : std::nullopt;
        parsed.ChecksumOk = value && *value == parsed.Expected;
    }
    return parsed;
}

std::vector<std::string> NmeaFields(const std::string& body)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t comma = body.find(',', start);
        fields.push_back(body.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

std::string JoinFields(const std::vector<std::string>& fields)
{
    std::string text;
    for (size_t i = 0; i < fields.size(); ++i)
        text += (i ? "," : "") + fields[i];
    return text;
}

std::string Fixed(double value, int decimals)
{
    // Formatted by hand so that no locale can turn the point into a comma.
    const bool negative = value < 0;
    double scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const long long scaled = std::llround(std::fabs(value) * scale);
    const long long whole = scaled / (long long)scale;
    std::string text = (negative && scaled != 0 ? "-" : "") + std::to_string(whole);
    if (decimals > 0) {
        std::string fraction = std::to_string(scaled % (long long)scale);
        text += "." + std::string(size_t(decimals) - fraction.size(), '0') + fraction;
    }
    return text;
}

} // namespace orv::sim
