#include "device/BoardState.h"

namespace orv {

TBoardState::TBoardState()
{
    command[ciSetPwmParameters].SetByte(7, 50);
    command[ciSetDrySealValueAndMode].SetByte(2, 1);
    command[ciSetFeedbackPotDirection].SetByte(1, 1);
    feedbackPot.dataLow = 0x100; // D1 = 1
}

int TDeviceState::FirstBoard() const
{
    for (int b = 0; b < kBoardCount; ++b)
        if (Present(b))
            return b;
    return 0;
}

int TDeviceState::BoardCount() const
{
    int n = 0;
    for (int b = 0; b < kBoardCount; ++b)
        n += Present(b) ? 1 : 0;
    return n;
}

} // namespace orv
