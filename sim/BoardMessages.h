#pragma once
#include <cstdint>
#include <string>

#include "sim/SimCanFrame.h"

// The controller boards' message catalogue as the simulated boards know it.
namespace orv::sim {

// Command codes the boards receive.
enum TCommandCode : uint8_t {
    cmdControlMessage = 0x01,
    cmdStatusRequest = 0x02,
    cmdConfigCmd = 0x05,
    cmdSetPwmParameters = 0x06,
    cmdRequestPwmParameters = 0x08,
    cmdConfigRequest = 0x0A,
    cmdSetHighspeedSolenoids = 0x0B,
    cmdRequestRevision = 0x0C,
    cmdSetMaxPwmValue = 0x0E,
    cmdRequestMaxPwmValue = 0x0F,
    cmdSetPumpStopDelay = 0x11,
    cmdRequestPumpStopDelay = 0x12,
    cmdSetBoardId = 0x14,
    cmdRequestBoardId = 0x15,
    cmdSetDrySeal = 0x17,
    cmdRequestDrySeal = 0x18,
    cmdSetFeedbackPotDirection = 0x1A,
    cmdGetFeedbackPotDirection = 0x1B,
};

// Status codes the boards send.
enum TStatusCode : uint8_t {
    stStatus = 0x03,
    stConfig = 0x04,
    stPwmStatus = 0x07,
    stCurrent = 0x09,
    stFirmwareVersion = 0x0D,
    stMaxPwmValue = 0x10,
    stPumpStopDelay = 0x13,
    stBoardId = 0x16,
    stSealedMode = 0x19,
    stFeedbackPotDirection = 0x1C,
};

// Bits of D7 of the "Status: " frame.
enum TStatusBit : uint8_t {
    sbPumpsOn = 0x01,
    sbFoamOut = 0x02,
    sbHardStop = 0x10,
    sbFault = 0x20,
    sbArmed = 0x40,
};

struct TMessageName {
    uint8_t Code;
    const char* Name;
};

// Name of a command code, or nullptr when the boards do not know it.
const char* CommandName(uint8_t code);
// Name of a status code, or nullptr.
const char* StatusName(uint8_t code);

// One readable line for a frame: the message name, the board and the fields
// that matter ("Status Request board 0", "Status: board 1 position 500 ...").
std::string DescribeCommand(const TSimCanFrame& frame);
std::string DescribeStatus(const TSimCanFrame& frame);

} // namespace orv::sim
