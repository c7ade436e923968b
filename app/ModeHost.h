#pragma once
#include "nav/CoordConvert.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class IModeView;
class TDeviceModel;
class TGpsSource;
class TMemIniFile;

// Figures of the tank page kept when it was opened, for the automatic bump.
struct TTankFigures {
    double fullTank = 0;          // F
    double dispersed = 0;         // N
    double cleanupDispersed = 0;  // C
};

// The window's side of the primary modes and the rate control: everything
// they use that belongs to the window or to another part of it.
class IModeHost {
public:
    virtual ~IModeHost() = default;

    // Page mode (osFailure, osNominal, osService).
    virtual uint8_t PageMode() const = 0;
    // Changes the page mode and rebuilds the tabs when it differs.
    virtual void DoingService(uint8_t mode) = 0;
    // Stores the page mode without rebuilding the tabs (first controller frame).
    virtual void StorePageMode(uint8_t mode) = 0;
    virtual int ShownPage() const = 0;
    virtual void ShowPage(int page) = 0;
    virtual IModeView& View() = 0;

    // The device model (nullptr before it exists) and whether its link is up.
    virtual TDeviceModel* DeviceModel() = 0;
    virtual bool ControllerLinkUp() = 0;
    virtual void SetChannelConfig(int channel, int code) = 0;

    // Controller settings of the mode (applied per board).
    virtual bool LoadControllerSettings(int board) = 0;
    virtual void ApplyControllerSettings(int board) = 0;
    virtual bool AllControllerSettingsApplied() = 0;
    virtual bool SettingsMatch(int board) = 0;
    virtual void ClearSettingsMatch(int board) = 0;
    // The configured maximum position of a board ("SetMaximumOpening").
    virtual int ConfiguredMaximum(int board) = 0;
    // The board whose settings the "Configuration" page shows; a window
    // without that page ignores it.
    virtual void SetDisplayedBoard(int /*board*/) {}

    // "LastSelectedPreset.ini": the open cache (nullptr when none), its save
    // and its backup copy.
    virtual TMemIniFile* SettingsIni() = 0;
    virtual void SaveSettingsIni() = 0;
    virtual void BackupSettingsIni() = 0;
    virtual std::string IniDirectory() = 0;
    virtual const TDisplayUnits& DisplayUnits() = 0;
    virtual std::string ApplicationVersion() = 0;
    // True when the calibration list (Calibrations.ini) has no entry.
    virtual bool CalibrationListEmpty() = 0;

    // The GPS input: its source (nullptr when none) and Start GPS.
    virtual TGpsSource* GpsSource() = 0;
    virtual void StartGps() = 0;
    // Capability mask of the selected GPS input.
    virtual uint8_t GpsCapabilityMask() = 0;

    // Timers of the window.
    virtual void EnableRunEventTimer(bool on) = 0;
    virtual void EnableUpdateQuantities(bool on) = 0;
    virtual void EnableCheckCan(bool on) = 0;

    // Failure pages and reports.
    virtual void ShowControllerFailurePage() = 0;
    virtual void ShowFailureText(const std::vector<std::string>& lines) = 0;
    virtual void ReportError(const std::string& text) = 0;
    virtual void ToggleLight(int light) = 0;
    // Numeric entry; false when cancelled.
    virtual bool EditValue(const std::string& title, double& value) = 0;
    // Debug output (not logged).
    virtual void DebugLine(const std::string& text) = 0;
    // "Shut Down" of the run pages and the screen brightness of their
    // "System" sub-pages.
    virtual void ShutDownClick() = 0;
    virtual void SetScreenBrightness(int value) = 0;
};

// Work of the tank, drop, foaming and job parts that the mode change and the
// quantity loop call at their place; each is optional.
struct TModeHooks {
    std::function<void()> resetLoadSplit;          // "Not Split"
    std::function<void()> refreshAircraftId;
    std::function<void()> updateUnitLabels;
    std::function<void()> refreshDoorImages;
    std::function<void()> refreshFullTank;
    std::function<void()> restoreJobValues;
    std::function<void()> cleanupOff;
    std::function<void()> refreshQuantityDisplays;
    std::function<void()> refreshDispersedState;
    std::function<void()> resetTankForMode;
    std::function<void()> refreshTankDisplays;     // no board armed, every 100 ms
    std::function<void()> handlePilotSwitch;
    std::function<void(int board)> runTankStateMachine; // fire gate
    std::function<void(int board)> accountDispersed;    // dry modes
    std::function<void(double ms)> accountArea;         // automatic bump: area of ms at present speed
    std::function<TTankFigures()> tankFigures;
    std::function<void(bool on)> foamOnInactive;        // "FoamOnInactive" of the fire gate
    std::function<void(double flow)> foamingPumpFlow;   // "FOAMING_PUMP_FLOWRATE"
    std::function<void(int board, uint16_t position)> showSensorPosition; // "Align Position Sensor"
    std::function<void()> uncheckGateOpenOverride;
    // The predicted-opening text on a set-up page ("Calibrate Opening
    // Distance", "Match Manual Dial").
    std::function<void(int page, const std::string& text)> showOpeningText;
    std::function<bool()> scalePoll;
};

} // namespace orv
