#pragma once
#include <array>
#include <cstdint>

namespace orv {

// One ping: tries since the last answer, the limit, the repeat interval and
// the counter value when the next try is due (0 = at once).
struct TPingRecord {
    uint8_t Count = 0;
    uint8_t MaxTries = 0;
    int32_t IntervalMs = 0;
    int64_t Deadline = 0;
};

enum TPingKind : int { pkSerial = 0, pkDip = 1, pkCan = 2, pkUsbCan = 3, pkSpare1 = 4, pkSpare2 = 5 };

// Verified bits, one per ping kind that has answered.
enum : uint8_t { vbSerial = 1, vbDip = 2, vbCan = 4, vbUsbCan = 8 };

struct TPingSetting {
    uint8_t MaxTries;
    int32_t IntervalMs;
};
// Serial, DIP, CAN, USB-to-CAN, and two unused records.
constexpr std::array<TPingSetting, 6> kPingSettings = {{{5, 300}, {5, 200}, {8, 250}, {8, 300}, {0, 0}, {0, 0}}};

// The pinger runs at half the shortest interval of the records in use.
constexpr int PingIntervalMs()
{
    int32_t shortest = 0;
    for (const auto& s : kPingSettings)
        if (s.IntervalMs > 0 && (shortest == 0 || s.IntervalMs < shortest))
            shortest = s.IntervalMs;
    return shortest / 2;
}
static_assert(PingIntervalMs() == 100);

// Which verified bits a link kind needs: GPIO DIP and CAN, serial, adapter.
constexpr uint8_t RequiredBitsOfKind(int kind)
{
    return kind == 0 || kind == 1 ? (vbDip | vbCan) : kind == 2 || kind == 3 ? vbSerial : kind == 4 || kind == 5 ? vbUsbCan : 0;
}

} // namespace orv
