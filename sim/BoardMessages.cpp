#include "sim/BoardMessages.h"

#include "sim/HexText.h"

namespace orv::sim {

namespace {

const TMessageName kCommands[] = {
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

const TMessageName kStatuses[] = {
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

template <size_t N>
const char* Lookup(const TMessageName (&table)[N], uint8_t code)
{
    for (const auto& entry : table)
        if (entry.Code == code)
            return entry.Name;
    return nullptr;
}

std::string Num(int v) { return std::to_string(v); }

std::string Head(const char* name, uint8_t code, const TSimCanFrame& f)
{
    std::string text = name ? name : "unknown code 0x" + HexByte(code);
    // Names of statuses end in ": " already; keep one space before the board.
    while (!text.empty() && (text.back() == ' ' || text.back() == ':'))
        text.pop_back();
    return text + " board " + Num(f.Board());
}

} // namespace

const char* CommandName(uint8_t code) { return Lookup(kCommands, code); }
const char* StatusName(uint8_t code) { return Lookup(kStatuses, code); }

std::string DescribeCommand(const TSimCanFrame& f)
{
    const auto& d = f.Data;
    std::string text = Head(CommandName(f.Code()), f.Code(), f);
    switch (f.Code()) {
    case cmdControlMessage:
        text += " position " + Num(f.Word(0)) + " mode " + Num(d[2]) + " foam " + Num(d[3]) + " timer " + Num(d[4])
            + " delay " + Num(d[5]) + " multi " + Num(d[6]) + " mask " + Num(d[7]);
        break;
    case cmdConfigCmd:
        text += " max " + Num(f.Word(0)) + " min " + Num(f.Word(2)) + " inner " + Num(d[4]) + " outer " + Num(d[5])
            + " item " + Num(d[7]);
        break;
    case cmdSetPwmParameters:
        text += " frequency " + Num(f.Word(0)) + " proportion " + Num(d[2]) + " enabled " + Num(d[3]) + " current "
            + Num(d[4]) + " max current " + Num(d[5]) + " item " + Num(d[6]);
        break;
    case cmdSetHighspeedSolenoids:
    case cmdSetBoardId:
    case cmdSetFeedbackPotDirection:
        text += " value " + Num(d[0]);
        break;
    case cmdSetDrySeal:
        text += " dry seal " + Num(f.Word(0)) + " mode " + Num(d[2]);
        break;
    default:
        break;
    }
    return text;
}

std::string DescribeStatus(const TSimCanFrame& f)
{
    const auto& d = f.Data;
    std::string text = Head(StatusName(f.Code()), f.Code(), f);
    switch (f.Code()) {
    case stStatus:
        text += " position " + Num(f.Word(0)) + " timer " + Num(d[2]) + " delay " + Num(d[3]) + " can " + Num(d[4])
            + " pilot " + Num(d[5]) + " highspeed " + Num(d[6]) + " bits 0x" + HexByte(d[7]);
        break;
    case stCurrent:
        text += " setpoint " + Num(f.Word(0)) + " position " + Num(f.Word(2)) + " pot " + Num(f.Word(4)) + " pilot "
            + Num(d[6]) + " can " + Num(d[7]);
        break;
    case stConfig:
        text += " max " + Num(f.Word(0)) + " min " + Num(f.Word(2)) + " inner " + Num(d[4]) + " outer " + Num(d[5]);
        break;
    case stPwmStatus:
        text += " frequency " + Num(f.Word(0)) + " proportion " + Num(d[2]) + " enabled " + Num(d[3]) + " current "
            + Num(d[4]) + " max current " + Num(d[5]);
        break;
    case stFirmwareVersion: {
        std::string version;
        for (uint8_t c : d)
            if (c)
                version += char(c);
        text += " \"" + version + "\"";
        break;
    }
    case stBoardId:
    case stFeedbackPotDirection:
        text += " value " + Num(d[0]);
        break;
    case stSealedMode:
        text += " dry seal " + Num(f.Word(0)) + " mode " + Num(d[2]) + " min " + Num(d[3] | d[4] << 8);
        break;
    default:
        break;
    }
    return text;
}

} // namespace orv::sim
