#pragma once
#include "device/BoardState.h"

namespace orv {

// What decoding a report may cause beyond storing it: commands sent back to
// the board and the main window's handlers.
class IDecodeActions {
public:
    virtual ~IDecodeActions() = default;
    virtual void FirstFrameDecoded() = 0;
    virtual void CallStatusHandler(int kind, int board) = 0;
    virtual void SendControl(int board) = 0;
    virtual void OutputCurrentSealModeMessage(int board) = 0;
    virtual void RequestDrySealEcho(int board) = 0;
    virtual void SetConfigMinimum(int board, uint16_t value) = 0;
};

// Turns received CAN records into board state, following the boards' report
// formats, and triggers the actions that a report asks for.
class TStatusDecoder {
public:
    TStatusDecoder(TDeviceState& state, IDecodeActions& actions) : fState(state), fActions(actions) {}

    void DecodeControllerFrame(const TCanRecord& record);

    // Stores a pilot switch report; true when it changed (the board's queue
    // then holds one sample towards the new target).
    bool PilotSwitchChanged(int board, bool on);
    // Re-sends the Control Message when a board under CAN control echoes a set
    // point other than the one it should hold and is not moving to it.
    void CheckPositionFollow(int board);
    // The position a board closes to: the dry zero when it is in use.
    uint16_t ClosedPosition(int board) const;

private:
    void DecodeStatus(int board, const TCanRecord& r, bool first);
    void DecodeConfig(int board, const TCanRecord& r);
    void DecodePmwStatus(int board, const TCanRecord& r);
    void DecodeCurrent(int board, const TCanRecord& r);
    void DecodeSealedMode(int board, const TCanRecord& r);
    void DecodeFeedbackPot(int board, const TCanRecord& r);

    TDeviceState& fState;
    IDecodeActions& fActions;
};

} // namespace orv
