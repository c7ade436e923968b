#include "device/Messages.h"

#include "device/ControllerLink.h"
#include "store/Log.h"

namespace orv {

const TCommandDef kCommands[kCommandCount] = {
    {0x02, "Status Request"},
    {0x05, "Config Cmd"},
    {0x0A, "Config Request"},
    {0x01, "Control Message"},
    {0x06, "Set PWM Parameters"},
    {0x08, "Request PWM Parameters"},
    {0x0B, "Set Highspeed Solenoids"},
    {0x0C, "Request Controller Revision"},
    {0x14, "Set the Controller Board ID"},
    {0x15, "Request Controller Board ID"},
    {0x17, "set Dry Seal Value and Mode"},
    {0x18, "Request Dry Seal Value and Mode"},
    {0x0E, "Set Max PWM Value"},
    {0x0F, "Request Max PWM Value"},
    {0x11, "Set Pump Stop Delay"},
    {0x12, "Request Pump Stop Delay"},
    {0x1A, "Set Feedback Pot Direction"},
    {0x1B, "Get Feedback Pot Direction"},
    {0x60, "Set Controller ID"},
    {0x30, "Set PWM value directly"},
    {0x31, "Set PWM for Feedback Loop"},
    {0x32, "Set 4 - 20 ma"},
    {0x33, "Set Auger active"},
    {0x34, "Set Jam Active"},
    {0x40, "Request Motor Speed"},
    {0x41, "Request Auger Speed"},
    {0x42, "Read Local Switches"},
    {0x43, "Read Pot Value"},
    {0x44, "Read Motor Current"},
    {0x45, "Read Board Status"},
    {0x46, "Do a Com Check"},
};

const TStatusDef kStatuses[kStatusKindCount] = {
    {0x03, "Status: "},
    {0x04, "Config: "},
    {0x07, "PMW Status: "},
    {0x09, "Current: "},
    {0x0D, "Firmware Version: "},
    {0x16, "Board ID: "},
    {0x19, "Sealed Mode"},
    {0x10, "Max PWM Value"},
    {0x13, "Pump Stop Delay"},
    {0x1C, "Feedback Pot Direction Reversed"},
};

const char* const kStatusFlagNames[10] = {
    "Under Can Control", "Armed",         "Timer Mode On",   "Hard Stop Reached", "Foam Out Selected",
    "Pumps Are On",      "Fault Detected", "Multi-Output On", "Pilot Switch On",   "High Speed Solenoids On",
};

int StatusKindOfCode(uint8_t code)
{
    for (int k = 0; k < kStatusKindCount; ++k)
        if (kStatuses[k].code == code)
            return k;
    return -1;
}

TCanRecord BuildCommandRecord(int board, int index, uint32_t dataLow, uint32_t dataHigh)
{
    const uint8_t code = kCommands[index].code;
    const uint32_t id = index == ciSetControllerBoardId ? CanIdentifierNoBoard(code) : CanIdentifier(code, board);
    return MakeCanRecord(id, dataLow, dataHigh);
}

bool TransportCommand(IControllerLink& link, const TCanRecord& record)
{
    const int kind = link.LinkKind();
    if (IsSerialKind(kind)) {
        link.SendSerialFrame(CanMessageCode(record.Identifier), record.DataLow, record.DataHigh);
        return true;
    }
    if (!IsGpioKind(kind) && !IsUsbCanKind(kind))
        return false;
    if (!link.LinkHealthy()) {
        DebugOut("Message Rejected for bad port condition");
        return false;
    }
    if (IsGpioKind(kind)) {
        link.SendGpioCanFrame(1, record);
    } else {
        // The adapter path sends every command twice.
        link.SendAdapterFrame(record);
        link.SendAdapterFrame(record);
    }
    return true;
}

void SetDataByte(uint32_t& lo, uint32_t& hi, int i, uint8_t v)
{
    uint32_t& w = i < 4 ? lo : hi;
    const int shift = 8 * (i & 3);
    w = (w & ~(0xFFu << shift)) | (static_cast<uint32_t>(v) << shift);
}

void SetDataWord(uint32_t& lo, uint32_t& hi, int i, uint16_t v)
{
    SetDataByte(lo, hi, i, static_cast<uint8_t>(v & 0xFF));
    SetDataByte(lo, hi, i + 1, static_cast<uint8_t>(v >> 8));
}

} // namespace orv
