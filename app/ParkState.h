#pragma once
#include "device/BoardState.h"

#include <cstdint>

namespace orv {

class IModeHost;
struct TModeState;

// The park state of the dry modes: parked, the gate closes on the sealed
// position; unparked, on the dry zero.
class TParkState {
public:
    TParkState(TModeState& state, IModeHost& host);

    // Stores the choice, hands it to the device model and sets the captions
    // of both park buttons ("Park" while unparked, "UnPark" while parked).
    void SetDryZeroInUse(bool on);
    // The device model's choice (copied), or the copy without a model.
    bool DryZeroInUse();

    // Either park button: toggles only while some present board is under CAN
    // control and armed.
    void ParkButtonClick();

    // The park rule for a board whose flags changed: the wanted dry-zero
    // choice from the present one and the board's copied status.
    static bool ParkRule(uint8_t primaryMode, bool want, const TStatusRecord& status, bool modelDryZeroInUse);
    // Runs the rule for the board and applies it, except on "Cycle Tests".
    void RunParkRule(int board);

    // Some present board reports both Under Can Control and Armed.
    bool AnyBoardAutoAndArmed();

private:
    TModeState& fState;
    IModeHost& fHost;
};

} // namespace orv
