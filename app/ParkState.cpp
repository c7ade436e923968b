#include "app/ParkState.h"

#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "device/DeviceModel.h"
#include "ui/PageTable.h"

namespace orv {

namespace {
constexpr uint16_t kAutoArmed = 0x0003;
}

TParkState::TParkState(TModeState& state, IModeHost& host) : fState(state), fHost(host) {}

void TParkState::SetDryZeroInUse(bool on)
{
    fState.dryZeroInUse = on;
    if (TDeviceModel* model = fHost.DeviceModel())
        model->SetUsingDryZero(on);
    const char* caption = on ? "Park" : "UnPark";
    fHost.View().SetText(rcDryParkButton, caption);
    fHost.View().SetText(rcSimpleParkButton, caption);
}

bool TParkState::DryZeroInUse()
{
    if (TDeviceModel* model = fHost.DeviceModel())
        fState.dryZeroInUse = model->UsingDryZero();
    return fState.dryZeroInUse;
}

bool TParkState::AnyBoardAutoAndArmed()
{
    TDeviceModel* model = fHost.DeviceModel();
    if (!model)
        return false;
    for (int b = 0; b < kBoardCount; ++b)
        if (model->BoardPresent(b) && (model->StatusFlags(b) & kAutoArmed) == kAutoArmed)
            return true;
    return false;
}

void TParkState::ParkButtonClick()
{
    if (AnyBoardAutoAndArmed())
        SetDryZeroInUse(!DryZeroInUse());
}

bool TParkState::ParkRule(uint8_t mode, bool want, const TStatusRecord& status, bool modelDryZero)
{
    const bool dryMode = mode == 1 || mode == 3 || mode == 4;
    if (dryMode && status.pilotSwitch && (status.flags & kAutoArmed) == kAutoArmed && !modelDryZero)
        want = true;
    if ((status.flags & 0x0002) && !(status.flags & 0x0001) && modelDryZero)
        want = false;
    return want;
}

void TParkState::RunParkRule(int board)
{
    if (board < 0 || board >= kBoardCount)
        return;
    TDeviceModel* model = fHost.DeviceModel();
    const bool modelDryZero = model ? model->UsingDryZero() : fState.dryZeroInUse;
    const bool want = ParkRule(fState.primaryMode, fState.dryZeroInUse, fState.statusCopy[board], modelDryZero);
    if (fHost.ShownPage() != pgCycleTests)
        SetDryZeroInUse(want);
}

} // namespace orv
