#pragma once
#include "app/BoardDisplays.h"
#include "app/Confirmation.h"
#include "app/GoActive.h"
#include "app/GpsControl.h"
#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "app/ParkState.h"
#include "app/PrimaryModeSwitch.h"
#include "app/RateAdjust.h"
#include "app/RateLoop.h"
#include "app/RunEvents.h"
#include "app/TimerSettings.h"

#include <memory>

namespace orv {

class TPresetChanger;

// The primary modes and the rate control as one piece for the main window:
// it owns the mode's state and the parts that work on it, and routes the
// window's timers, status handlers, page shows and the pilot's actions to
// them. Main thread only.
class TModeController {
public:
    TModeController(IModeHost& host, TModeHooks hooks = {});
    ~TModeController();
    TModeController(const TModeController&) = delete;
    TModeController& operator=(const TModeController&) = delete;

    // Start-up, once the settings cache is open: the stored mode, its radio
    // button and the banners' first texts.
    void Start();
    // A new device model was made (CreateDeviceModel).
    void DeviceModelCreated();

    // The device model's first-frame callback.
    void OnControllerReady();
    // Timer handlers (the window guards them against re-entrance).
    void TimerRunEventTimer() { fEvents.Dispatch(); }
    void TimerUpdateQuantitiesTimer() { fLoop.TimerUpdateQuantities(); }
    void PostRunEvent(int event) { fEvents.PostRunEvent(event); }

    // Status handlers' parts.
    void StatusFlagsChanged(int board) { fDisplays.StatusFlagsChanged(board); }
    void GatePositionDisplay(int board, int position) { fDisplays.GatePositionDisplay(board, position); }
    void PotSettingDisplay(int board, int pot) { fDisplays.PotSettingDisplay(board, pot); }
    void ShowPredictedOpening(double percent) { fLoop.ShowPredictedOpening(percent); }

    // The mode's part of the page-show preparation.
    void PageShown(int page);
    // What the pilot did on the run pages and "Select Primary Mode".
    void Action(TRunAction action, int value);

    // Guidance link values (connect TGpsSource::OnRemoteAppRate/SwathWidth).
    void OnRemoteAppRate(float kgPerHa) { fGps.OnRemoteAppRate(kgPerHa); }
    void OnRemoteSwathWidth(float metres) { fGps.OnRemoteSwathWidth(metres); }
    // The capability mask of a newly selected GPS input.
    void SetGpsCapabilities(uint8_t mask) { fGps.SetGpsCapabilities(mask); }
    // What Start GPS found (capabilities, the run pages' GPS text).
    void GpsStarted(const TGpsStartResult& result) { fGps.GpsStarted(result); }

    // Shutdown and "Change System Settings": the mode's keys to disk.
    void SaveModeSettings();
    void ChangeSystemSettingsClick();

    // The dry material change of the preset combo (and the preset pages):
    // the changer works on this controller's preset.
    TPresetChanger& PresetChanger();
    // After "Save as Fill" on the tank page.
    bool ProposeAutoBump() { return fAdjust.ProposeAutoBump(); }
    void ApplyTimerSettings() { fTimers.ApplyTimerSettings(); }
    void SetDryZeroInUse(bool on) { fPark.SetDryZeroInUse(on); }
    bool DryZeroInUse() { return fPark.DryZeroInUse(); }
    void SetFlowBlocked(bool blocked) { fLoop.SetFlowBlocked(blocked); }
    void AskConfirmation(const std::string& q, std::function<void()> yes, std::function<void()> no = nullptr)
    {
        fConfirmation.AskConfirmation(q, std::move(yes), std::move(no));
    }

    TModeState& State() { return fState; }
    uint8_t PrimaryMode() const { return fState.primaryMode; }
    TAppPreset* Preset() const { return fState.preset.get(); }
    TCalculatedQuantities* Quantities() const { return fState.quantities.get(); }
    TRunEvents& Events() { return fEvents; }
    TPrimaryModeSwitch& Modes() { return fModes; }
    TGoActive& GoActive() { return fGoActive; }
    TRateLoop& Loop() { return fLoop; }
    TRateAdjust& Adjust() { return fAdjust; }
    TGpsControl& Gps() { return fGps; }
    TParkState& Park() { return fPark; }
    TTimerSettings& Timers() { return fTimers; }
    TBoardDisplays& Displays() { return fDisplays; }
    TConfirmation& Confirmation() { return fConfirmation; }

private:
    void SetPrimaryModeEvent();
    void ControllerReadyEvent();
    void NewQuantitiesEvent();
    void PrepareRunGate();
    void PrepareRunDry();
    void ShowFirmwareLabels();
    std::string FirmwareOf(int board) const;

    IModeHost& fHost;
    TModeHooks fHooks;
    TModeState fState;
    TParkState fPark{fState, fHost};
    TTimerSettings fTimers{fState, fHost};
    TGpsControl fGps{fState, fHost};
    TRateLoop fLoop{fState, fHost, fHooks, fGps};
    TConfirmation fConfirmation{fHost.View()};
    TRateAdjust fAdjust{fState, fHost, fHooks, fGps, fConfirmation};
    TBoardDisplays fDisplays{fState, fHost, fHooks, fPark, fLoop};
    TPrimaryModeSwitch fModes{fState, fHost, fHooks, TModeParts{fPark, fTimers, fGps, fLoop, fAdjust, fDisplays}};
    TGoActive fGoActive{fState, fHost, fHooks, fModes, fTimers};
    TRunEvents fEvents;
    std::unique_ptr<TPresetChanger> fChanger;
    int fRequestedDrySheet = -1;
};

} // namespace orv
