#include "app/TimerSettings.h"

#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "device/DeviceModel.h"

namespace orv {

TTimerSettings::TTimerSettings(TModeState& state, IModeHost& host) : fState(state), fHost(host) {}

void TTimerSettings::ApplyTimerSettings()
{
    TDeviceModel* model = fHost.DeviceModel();
    if (!model || !model->SettingsReported())
        return;
    for (int b = 0; b < kBoardCount; ++b) {
        if (!model->BoardPresent(b))
            continue;
        uint8_t mask = 0;
        if ((model->TimerModeReported(b) != 0) != fState.timerModeWanted)
            mask |= 1;
        if (model->TimeDelay(b) != fState.timeDelayWanted)
            mask |= 2;
        if (((model->StatusFlags(b) & 0x0080) != 0) != fState.multiOutputWanted)
            mask |= 4;
        if (mask == 0)
            continue;
        model->SetControlTimerMode(b, fState.timerModeWanted);
        model->SetControlTimeDelay(b, fState.timeDelayWanted);
        model->SetControlMultiOutput(b, fState.multiOutputWanted);
        model->SetControlBits(b, mask);
    }
}

void TTimerSettings::TestTimerModeClick()
{
    fState.timerModeWanted = !fState.timerModeWanted;
    TDeviceModel* model = fHost.DeviceModel();
    if (!model)
        return;
    const int b = model->FirstBoard();
    model->SetControlTimeDelay(b, fState.timerModeWanted ? 125 : 0);
    model->SetControlMultiOutput(b, false);
    model->SetControlTimerMode(b, fState.timerModeWanted);
    model->SetControlBits(b, 3);
}

} // namespace orv
