#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// GPIO board message types, by index into the wire-code table.
enum TGpioType : uint8_t {
    gtDip = 0,          // hardware id and DIP switches; the GPIO link's ping
    gtDirections = 1,
    gtSetBits = 2,
    gtClearBits = 3,
    gtSerial1 = 4,      // 4..7: serial channels 1..4
    gtCan1 = 8,         // 8, 9: CAN channels 1, 2
    gtCan2 = 9,
    gtSerialConfig1 = 10, // 10..13
    gtCanConfig1 = 14,  // 14, 15
    gtCanConfig2 = 15,
    gtUnknown = 16,
};
constexpr int kGpioTypeCount = 17;

struct TGpioTypeInfo {
    uint8_t WireCode;
    const char* Name;
};
// Index order; the last entry stands for every code not in the table.
extern const TGpioTypeInfo GpioWireCodes[kGpioTypeCount];

// Index of a received wire code; gtUnknown when it is not in the table.
TGpioType GpioTypeOfCode(uint8_t code);

constexpr uint8_t kGpioStart = 0xF9;
constexpr uint8_t kGpioEnd = 0x9F;
// The receiver accepts at most this many data bytes (a 255-byte frame).
constexpr size_t kGpioMaxReceiveLength = 250;
// The sender puts at most this many data bytes in one frame.
constexpr size_t kGpioMaxSendLength = 255;
constexpr size_t kGpioRxBufferSize = 4096;

uint8_t GpioChecksum(uint8_t code, uint8_t len);

// Frame bytes: F9, code, len, checksum, data…, 9F. Data beyond 255 bytes is
// cut off, since the length byte cannot say more.
std::vector<uint8_t> BuildGpioFrame(TGpioType type, const uint8_t* data, size_t len);
inline std::vector<uint8_t> BuildGpioFrame(TGpioType type, const std::vector<uint8_t>& data)
{
    return BuildGpioFrame(type, data.data(), data.size());
}
// The same into a caller's buffer (the writer's output buffer); returns the
// frame length, 0 when the buffer is too small.
size_t BuildGpioFrameInto(TGpioType type, const uint8_t* data, size_t len, uint8_t* out, size_t outSize);

struct TGpioMessage {
    TGpioType Type;
    std::vector<uint8_t> Data;
};

// Cuts the received bytes into messages. Complete frames with data are
// appended to out; the bytes not consumed are moved to the buffer start and
// their count returned.
size_t ParseGpioBuffer(uint8_t* buffer, size_t count, std::vector<TGpioMessage>& out);

} // namespace orv
