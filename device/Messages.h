#pragma once
#include "link/CanRecord.h"

#include <cstdint>

namespace orv {

class IControllerLink;

// Commands to the boards, by index of the message table.
enum TCommandIndex : int {
    ciStatusRequest = 0,
    ciConfigCmd = 1,
    ciConfigRequest = 2,
    ciControlMessage = 3,
    ciSetPwmParameters = 4,
    ciRequestPwmParameters = 5,
    ciSetHighspeedSolenoids = 6,
    ciRequestControllerRevision = 7,
    ciSetControllerBoardId = 8,
    ciRequestControllerBoardId = 9,
    ciSetDrySealValueAndMode = 10,
    ciRequestDrySealValueAndMode = 11,
    ciSetFeedbackPotDirection = 16,
    ciGetFeedbackPotDirection = 17,
};
constexpr int kCommandCount = 31;

struct TCommandDef {
    uint8_t code;
    const char* name;
};
extern const TCommandDef kCommands[kCommandCount];

// Status kinds reported by the boards.
enum TStatusKind : int {
    skStatus = 0,
    skConfig = 1,
    skPmwStatus = 2,
    skCurrent = 3,
    skFirmwareVersion = 4,
    skBoardId = 5,
    skSealedMode = 6,
    skMaxPwmValue = 7,
    skPumpStopDelay = 8,
    skFeedbackPotDirection = 9,
};
constexpr int kStatusKindCount = 10;

struct TStatusDef {
    uint8_t code;
    const char* name;
};
extern const TStatusDef kStatuses[kStatusKindCount];
// The status kind of a received code; -1 for a code not in the table.
int StatusKindOfCode(uint8_t code);

// Bits of a board's status flag word, with their displayed names.
enum : uint16_t {
    sfUnderCanControl = 1u << 0,
    sfArmed = 1u << 1,
    sfTimerModeOn = 1u << 2,
    sfHardStopReached = 1u << 3,
    sfFoamOutSelected = 1u << 4,
    sfPumpsAreOn = 1u << 5,
    sfFaultDetected = 1u << 6,
    sfMultiOutputOn = 1u << 7,
    sfPilotSwitchOn = 1u << 8,
    sfHighSpeedSolenoidsOn = 1u << 9,
};
extern const char* const kStatusFlagNames[10];
// The bits the status checklist shows.
constexpr int kDisplayedStatusBits[] = {0, 1, 2, 3, 4, 5, 8, 9};

// Status bits of D7 of a "Status: " frame.
enum : uint8_t {
    sbArmed = 0x40,
    sbFault = 0x20,
    sbHardStop = 0x10,
    sbFoamOut = 0x02,
    sbPumpsOn = 0x01,
};

// The record of a command to a board; "Set the Controller Board ID" carries
// no board address.
TCanRecord BuildCommandRecord(int board, int index, uint32_t dataLow, uint32_t dataHigh);

// Hands one command to the link by its kind. The GPIO board and the adapter
// drop it on an unhealthy link (false); the adapter sends it twice; the
// direct serial line carries only the code. True when handed over.
bool TransportCommand(IControllerLink& link, const TCanRecord& record);

// Little-endian fields of the 8 data bytes.
inline uint8_t DataByte(uint32_t lo, uint32_t hi, int i)
{
    return static_cast<uint8_t>(((i < 4 ? lo : hi) >> (8 * (i & 3))) & 0xFF);
}
inline uint16_t DataWord(uint32_t lo, uint32_t hi, int i)
{
    return static_cast<uint16_t>(DataByte(lo, hi, i) | (DataByte(lo, hi, i + 1) << 8));
}
void SetDataByte(uint32_t& lo, uint32_t& hi, int i, uint8_t v);
void SetDataWord(uint32_t& lo, uint32_t& hi, int i, uint16_t v);

} // namespace orv
