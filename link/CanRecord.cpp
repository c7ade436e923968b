#include "link/CanRecord.h"

#include <cstring>

namespace orv {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";

uint32_t LoadLe(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16
        | static_cast<uint32_t>(p[3]) << 24;
}

void StoreLe(uint32_t v, uint8_t* p)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}
} // namespace

uint8_t TCanRecord::Data(int i) const
{
    const uint32_t word = i < 4 ? DataLow : DataHigh;
    return static_cast<uint8_t>(word >> (8 * (i & 3)));
}

void TCanRecord::SetData(int i, uint8_t v)
{
    uint32_t& word = i < 4 ? DataLow : DataHigh;
    const int shift = 8 * (i & 3);
    word = (word & ~(0xFFu << shift)) | (static_cast<uint32_t>(v) << shift);
}

std::array<uint8_t, 16> TCanRecord::ToBytes() const
{
    std::array<uint8_t, 16> b{};
    StoreLe(Header, &b[0]);
    StoreLe(Identifier, &b[4]);
    StoreLe(DataLow, &b[8]);
    StoreLe(DataHigh, &b[12]);
    return b;
}

TCanRecord TCanRecord::FromBytes(const uint8_t* bytes16)
{
    return {LoadLe(bytes16), LoadLe(bytes16 + 4), LoadLe(bytes16 + 8), LoadLe(bytes16 + 12)};
}

TCanRecord MakeCanRecord(uint32_t identifier, uint32_t dataLow, uint32_t dataHigh)
{
    return {kCanHeader, identifier, dataLow, dataHigh};
}

std::string LinkKindName(int kind)
{
    static const char* const kNames[] = {"GPIO", "GPIO Search", "Simple Serial", "Simple Serial Search",
                                         "USB to CAN", "USB to CAN Search"};
    return kind >= 0 && kind <= 5 ? kNames[kind] : "";
}

std::string HexByte(uint8_t v)
{
    return {kDigits[v >> 4], kDigits[v & 15]};
}

std::string HexId8(uint32_t v)
{
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4)
        s[i] = kDigits[v & 15];
    return s;
}

std::string HexData16(uint32_t dataLow, uint32_t dataHigh)
{
    std::string s;
    s.reserve(16);
    const TCanRecord r{0, 0, dataLow, dataHigh};
    for (int i = 0; i < 8; ++i)
        s += HexByte(r.Data(i));
    return s;
}

uint32_t HexValue(std::string_view digits)
{
    uint32_t v = 0;
    for (char c : digits)
        v = (v << 4) | static_cast<uint32_t>(DigitValue(c));
    return v;
}

void HexToData16(std::string_view digits, uint32_t& dataLow, uint32_t& dataHigh)
{
    TCanRecord r;
    for (int i = 0; i < 8 && 2 * i + 1 < static_cast<int>(digits.size()); ++i)
        r.SetData(i, static_cast<uint8_t>(HexValue(digits.substr(2 * i, 2))));
    dataLow = r.DataLow;
    dataHigh = r.DataHigh;
}

} // namespace orv
