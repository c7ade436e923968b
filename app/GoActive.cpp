#include "app/GoActive.h"

#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "app/PrimaryModeSwitch.h"
#include "app/TimerSettings.h"
#include "ui/PageTable.h"

#include <stdexcept>

namespace orv {

const char* const TGoActive::kNotReadyWarning =
    "The Internal Configuration of the Controller does NOT match the\n"
    "saved calibration positions for the Maximum Opening, the Sealed\n"
    "Closed Position, and the Dry Zero Position.\n"
    "You must reset these under the Configuration tab before continuing.";

TGoActive::TGoActive(TModeState& state, IModeHost& host, const TModeHooks& hooks, TPrimaryModeSwitch& modes,
                     TTimerSettings& timers)
    : fState(state), fHost(host), fHooks(hooks), fModes(modes), fTimers(timers)
{
}

bool TGoActive::TestReadyToGoActive()
{
    const bool ready = fHost.AllControllerSettingsApplied();
    IModeView& view = fHost.View();
    view.SetEnabled(rcGoActive, ready);
    view.SetText(rcNotReadyWarning, ready ? "" : kNotReadyWarning);
    view.SetVisible(rcNotReadyWarning, !ready);
    if (!ready && !(fHost.PageMode() & osService)) {
        fHost.DebugLine("calling DoingService at TestReadyToGoActive");
        fHost.DoingService(static_cast<uint8_t>(fHost.PageMode() | osService));
    }
    return ready;
}

void TGoActive::GoLive()
{
    const uint8_t entry = fHost.PageMode();
    if (fHooks.uncheckGateOpenOverride)
        fHooks.uncheckGateOpenOverride();
    const bool valid = !fState.preset || fState.preset->Valid();
    fHost.View().SetVisible(rcPresetNotValid, !valid);
    if (!(fHost.PageMode() & osNominal)) {
        fHost.ShowControllerFailurePage();
        return;
    }
    if (!valid && fState.primaryMode != pmWetSealed)
        throw std::runtime_error("preset not valid");
    fHost.DoingService(entry);
}

void TGoActive::bsButtonGoActiveClick()
{
    fHost.DoingService(static_cast<uint8_t>(fHost.PageMode() & ~osService));
    fTimers.ApplyTimerSettings();
    fModes.SetPrimaryMode(fState.primaryMode);
}

void TGoActive::GoActiveEvent()
{
    if (TestReadyToGoActive())
        GoLive();
}

} // namespace orv
