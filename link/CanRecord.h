#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

// The unit in which CAN frames travel between the link and the device model:
// 16 bytes, little-endian on every wire that carries it whole.
struct TCanRecord {
    uint32_t Header = 0;
    uint32_t Identifier = 0;
    uint32_t DataLow = 0;  // D0..D3, D0 the lowest byte
    uint32_t DataHigh = 0; // D4..D7

    uint8_t Data(int i) const;    // i = 0..7
    void SetData(int i, uint8_t v);
    std::array<uint8_t, 16> ToBytes() const;
    static TCanRecord FromBytes(const uint8_t* bytes16);

    bool operator==(const TCanRecord&) const = default;
};
static_assert(sizeof(TCanRecord) == 16);

// Extended identifier, data length 8: every frame the link builds or receives.
constexpr uint32_t kCanHeader = 0x80080000u;
// Set in every identifier the application sends.
constexpr uint32_t kCanIdBase = 0x00080000u;
// "Status Request": the code of the pings and the poll.
constexpr uint8_t kStatusRequestCode = 0x02;
// "Control Message": a board's commanded position and control bits.
constexpr uint8_t kControlMessageCode = 0x01;
// The reports a board sends on its own ten times a second ("Status",
// "Current"); a lost one is replaced within 100 ms. Every other report answers
// a request and comes once.
constexpr uint8_t kPeriodicReportCodes[] = {0x03, 0x09};
constexpr bool IsPeriodicReport(uint32_t identifier)
{
    for (uint8_t code : kPeriodicReportCodes)
        if ((identifier & 0xFF) == code)
            return true;
    return false;
}

// Identifier of a command: code | board × 0x100 | 0x00080000.
constexpr uint32_t CanIdentifier(uint8_t code, int board)
{
    return static_cast<uint32_t>(code) | (static_cast<uint32_t>(board & 0xFF) << 8) | kCanIdBase;
}
// "Set the Controller Board ID" never carries board bits.
constexpr uint32_t CanIdentifierNoBoard(uint8_t code) { return static_cast<uint32_t>(code) | kCanIdBase; }
constexpr uint8_t CanMessageCode(uint32_t identifier) { return static_cast<uint8_t>(identifier & 0xFF); }
constexpr int CanBoard(uint32_t identifier) { return static_cast<int>((identifier >> 8) & 0xFF); }

TCanRecord MakeCanRecord(uint32_t identifier, uint32_t dataLow = 0, uint32_t dataHigh = 0);

// Link kinds, the same numbers as the current comm target: even = search all
// ports, odd = the remembered port.
enum : uint8_t {
    lkGpio = 0,
    lkGpioKnown = 1,
    lkSerial = 2,
    lkSerialKnown = 3,
    lkUsbCan = 4,
    lkUsbCanKnown = 5,
};
inline bool IsGpioKind(int kind) { return kind == 0 || kind == 1; }
inline bool IsSerialKind(int kind) { return kind == 2 || kind == 3; }
inline bool IsUsbCanKind(int kind) { return kind == 4 || kind == 5; }
// "GPIO", "GPIO Search", … by kind 0..5 (the log lines' names); empty otherwise.
std::string LinkKindName(int kind);

// Hexadecimal helpers of the text framings: upper-case out, either case in.
std::string HexByte(uint8_t v);
std::string HexId8(uint32_t v);
// D0..D7 as 16 digits, D0 first.
std::string HexData16(uint32_t dataLow, uint32_t dataHigh);
// Decodes hex digits without further validation; a non-digit counts as 0.
uint32_t HexValue(std::string_view digits);
void HexToData16(std::string_view digits, uint32_t& dataLow, uint32_t& dataHigh);

} // namespace orv
