#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace orv::sim {

// Bit 19 is set on every identifier the boards and the application exchange.
constexpr uint32_t kControllerIdFlag = 0x00080000;

// One CAN frame as it travels on the bus behind the link (always 8 data bytes).
struct TSimCanFrame {
    uint32_t Id = 0;
    std::array<uint8_t, 8> Data{};

    uint8_t Code() const { return uint8_t(Id & 0xFF); }
    uint8_t Board() const { return uint8_t((Id >> 8) & 0xFF); }
    // 16-bit values are little-endian in the data bytes.
    uint16_t Word(int at) const { return uint16_t(Data[at] | (Data[at + 1] << 8)); }
    void SetWord(int at, uint16_t value)
    {
        Data[at] = uint8_t(value & 0xFF);
        Data[at + 1] = uint8_t(value >> 8);
    }
};

// A frame from (or to) a board: code | board << 8 | bit 19.
TSimCanFrame BoardFrame(uint8_t code, uint8_t board);

// "00 11 22 33 44 55 66 77"
std::string DataBytesText(const TSimCanFrame& frame);

} // namespace orv::sim
