#include "link/GpioFrame.h"

#include <algorithm>
#include <cstring>

namespace orv {

const TGpioTypeInfo GpioWireCodes[kGpioTypeCount] = {
    {0x01, "Returns Hardward ID and DIP"},
    {0x02, "Sets Direction of GPIO Bits"},
    {0x03, "Sets GPIO Bits, 1 for set 0 no action"},
    {0x04, "Clears GPIO Bits, 1 for set 0 no action"},
    {0x11, "Serial Port 1 Data In/Out"},
    {0x12, "Serial Port 2 Data In/Out"},
    {0x13, "Serial Port 3 Data In/Out"},
    {0x14, "Serial Port 4 Data In/Out"},
    {0x21, "Canport 1 Data In/Out"},
    {0x22, "Canport 2 Data In/Out"},
    {0x91, "Serial Port 1 Configuration"},
    {0x92, "Serial Port 2 Configuration"},
    {0x93, "Serial Port 3 Configuration"},
    {0x94, "Serial Port 4 Configuration"},
    {0xA1, "CanPort 1 Configuration"},
    {0xA2, "CanPort 2 Configuration"},
    {0xFF, "Unknown"},
};

TGpioType GpioTypeOfCode(uint8_t code)
{
    for (int i = 0; i < kGpioTypeCount - 1; ++i)
        if (GpioWireCodes[i].WireCode == code)
            return static_cast<TGpioType>(i);
    return gtUnknown;
}

uint8_t GpioChecksum(uint8_t code, uint8_t len)
{
    return static_cast<uint8_t>(kGpioStart + code + len);
}

size_t BuildGpioFrameInto(TGpioType type, const uint8_t* data, size_t len, uint8_t* out, size_t outSize)
{
    len = std::min(len, kGpioMaxSendLength);
    if (outSize < len + 5 || type >= kGpioTypeCount)
        return 0;
    const uint8_t code = GpioWireCodes[type].WireCode;
    out[0] = kGpioStart;
    out[1] = code;
    out[2] = static_cast<uint8_t>(len);
    out[3] = GpioChecksum(code, static_cast<uint8_t>(len));
    if (len)
        std::memcpy(out + 4, data, len);
    out[4 + len] = kGpioEnd;
    return len + 5;
}

std::vector<uint8_t> BuildGpioFrame(TGpioType type, const uint8_t* data, size_t len)
{
    std::vector<uint8_t> frame(std::min(len, kGpioMaxSendLength) + 5);
    frame.resize(BuildGpioFrameInto(type, data, len, frame.data(), frame.size()));
    return frame;
}

size_t ParseGpioBuffer(uint8_t* buffer, size_t count, std::vector<TGpioMessage>& out)
{
    size_t p = 0;
    while (count - p >= 5) {
        if (buffer[p] != kGpioStart) {
            ++p;
            continue;
        }
        const uint8_t code = buffer[p + 1];
        const size_t len = buffer[p + 2];
        const bool sumOk = buffer[p + 3] == GpioChecksum(code, static_cast<uint8_t>(len));
        // A length the board never sends is a false start, not a frame to wait for.
        if (!sumOk || len > kGpioMaxReceiveLength) {
            ++p;
            continue;
        }
        if (p + 4 + len >= count)
            break; // the rest of this frame has not arrived yet
        if (buffer[p + 4 + len] != kGpioEnd) {
            ++p;
            continue;
        }
        if (len >= 1)
            out.push_back({GpioTypeOfCode(code), std::vector<uint8_t>(buffer + p + 4, buffer + p + 4 + len)});
        p += len + 5;
    }
    const size_t rest = count - p;
    if (rest && p)
        std::memmove(buffer, buffer + p, rest);
    return rest;
}

} // namespace orv
