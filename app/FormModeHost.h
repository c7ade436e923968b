#pragma once
#include "app/ModeHost.h"

namespace orv {

class TFormCanComport;

// The main window as the primary modes and the rate control see it.
class TFormModeHost final : public IModeHost {
public:
    explicit TFormModeHost(TFormCanComport& form) : fForm(form) {}

    uint8_t PageMode() const override;
    void DoingService(uint8_t mode) override;
    void StorePageMode(uint8_t mode) override;
    int ShownPage() const override;
    void ShowPage(int page) override;
    IModeView& View() override;
    TDeviceModel* DeviceModel() override;
    bool ControllerLinkUp() override;
    void SetChannelConfig(int channel, int code) override;
    bool LoadControllerSettings(int board) override;
    void ApplyControllerSettings(int board) override;
    bool AllControllerSettingsApplied() override;
    bool SettingsMatch(int board) override;
    void ClearSettingsMatch(int board) override;
    int ConfiguredMaximum(int board) override;
    void SetDisplayedBoard(int board) override;
    TMemIniFile* SettingsIni() override;
    void SaveSettingsIni() override;
    void BackupSettingsIni() override;
    std::string IniDirectory() override;
    const TDisplayUnits& DisplayUnits() override;
    std::string ApplicationVersion() override;
    bool CalibrationListEmpty() override;
    TGpsSource* GpsSource() override;
    void StartGps() override;
    uint8_t GpsCapabilityMask() override;
    void EnableRunEventTimer(bool on) override;
    void EnableUpdateQuantities(bool on) override;
    void EnableCheckCan(bool on) override;
    void ShowControllerFailurePage() override;
    void ShowFailureText(const std::vector<std::string>& lines) override;
    void ReportError(const std::string& text) override;
    void ToggleLight(int light) override;
    bool EditValue(const std::string& title, double& value) override;
    void DebugLine(const std::string& text) override;
    void ShutDownClick() override;
    void SetScreenBrightness(int value) override;

    // The window's one numeric entry: title, value in and out, decimals
    // shown; false when cancelled. The keypad entry dialog comes later; until
    // then a plain number box (object name "DlgNumEdit") stands in for it.
    bool EditNumber(const std::string& title, double& value, int decimals);
    // The quantity unit label of the mode state, from the primary mode and
    // the display units: after the units were loaded or a volume unit chosen,
    // and at every mode set.
    void UpdateUnitLabels();

private:
    TFormCanComport& fForm;
};

} // namespace orv
