#pragma once
#include "device/ControllerSettingsTable.h"
#include "device/ControllerSettingsView.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class TDeviceModel;
class TMemIniFile;

// What the settings logic takes from the main window.
struct TControllerSettingsHost {
    // The device model; nullptr before it is created.
    std::function<TDeviceModel*()> deviceModel;
    // The open "LastSelectedPreset.ini" cache; nullptr when none is open.
    std::function<TMemIniFile*()> settingsFile;
    // Writes the cache to disk; when empty, the cache's own UpdateFile.
    std::function<void()> saveSettingsFile;
    std::function<int()> primaryMode;
    // The park state: when empty, the device model's dry-zero choice.
    std::function<bool()> dryZeroInUse;
    std::function<void(bool)> setDryZeroInUse;
    // TestReadyToGoActive, run when a board's settings come to match.
    std::function<void()> testReadyToGoActive;
    // Trace lines; when empty, DebugOut.
    std::function<void(const std::string&)> debugLine;
};

// The controller settings of every board for the current primary mode: kept
// in "LastSelectedPreset.ini", pushed to the boards where they differ, and
// checked against the boards' reports. Main thread only; every wait pumps.
class TControllerSettings {
public:
    static constexpr int kBoards = 3;
    static constexpr int kMatchWaitMs = 2000;
    static constexpr int kMatchStepMs = 100;
    static constexpr int kCommandWaitMs = 200;
    // While the match wait goes on, the board's reports are asked for again.
    static constexpr int kReRequestMs = 300;

    explicit TControllerSettings(TControllerSettingsHost host);

    // The page that shows the displayed board; nullptr for none.
    void SetView(IControllerSettingsView* view) { fView = view; }

    // True when every key the mode uses was present (and valid) in the
    // board's section. A board without a complete section inherits the one
    // of the highest-numbered board that has one, written under its name.
    bool LoadControllerSettings(int board);
    void StoreControllerSettings(int fromBoard, int toBoard);
    // Sends what differs from the board's reports, then waits up to 2 s for
    // the reports to match (asking again every 300 ms for a report that
    // still differs).
    void ApplyControllerSettings(int board);
    bool CheckControllerSettings(int board);
    void SetSettingsMatch(int board, bool match);
    bool SettingsMatch(int board) const { return Valid(board) && fMatch[board]; }
    bool AllControllerSettingsApplied() const;
    void ShowSettingsMismatch(int board);
    void ShowControllerReadback(int board);

    // Status handlers: kind 1 ("Config: ") and kind 2 ("PMW Status: "), and
    // the kind-0 handler's part when the board's high-speed bit changed
    // (returns whether its mark was set; the mark is cleared).
    void ConfigStatusChanged(int board);
    void PmwStatusChanged(int board);
    bool HighSpeedStatusChanged(int board);
    // Registers the two handlers above with the model (kinds 1 and 2).
    void InstallStatusHandlers(TDeviceModel& model);

    bool ConfigSettingsApplied() const { return fConfigApplied; }
    bool PwmSettingsApplied() const { return fPwmApplied; }
    // CreateDeviceModel: both applied flags cleared.
    void ResetAppliedFlags() { fConfigApplied = fPwmApplied = false; }

    int DisplayedBoard() const { return fDisplayedBoard; }
    void SetDisplayedBoard(int board);
    // 0 becomes the model's first board.
    void EnsureDisplayedBoard();
    // "Left" (true) or "Right" of the "Configuration" page.
    void SelectDisplayedBoard(bool left);
    // The page is shown: displayed board settled, its settings (loaded once
    // if they never were), read-backs and mismatch colours shown.
    void ShowDisplayedBoard();

    const TBoardSettings& Values(int board) const { return fValues[Valid(board) ? board : 0]; }
    bool Loaded(int board) const { return Valid(board) && fLoaded[board]; }
    int PrimaryMode() const;
    TDeviceModel* Model() const { return fHost.deviceModel ? fHost.deviceModel() : nullptr; }

    // The second half of ReadSettingsEdits: the validated values of the
    // keys the mode uses become the displayed board's settings.
    void TakeSettingsEdits(const TBoardSettings& values);
    // The rest of SaveConfigChanges once the edits were taken: store, load
    // again, apply and show the read-backs of the displayed board.
    void SaveDisplayedBoard();

private:
    static bool Valid(int board) { return board >= 0 && board < kBoards; }
    TMemIniFile* File() const { return fHost.settingsFile ? fHost.settingsFile() : nullptr; }
    bool DryZeroInUse() const;
    void SetDryZeroInUse(bool on);
    void Debug(const std::string& text) const;
    void Wait(int ms) const;
    void SaveFile(TMemIniFile& ini);
    bool SectionComplete(const TMemIniFile& ini, int mode, int board) const;
    bool ReadSection(TDeviceModel& model, const TMemIniFile& ini, int mode, int board);
    void TakeValue(TDeviceModel& model, int board, int key, int value);
    void ShowValues(int board);
    bool SendDifference(TDeviceModel& model, int board, int key);
    // Keys whose report differs from the setting, in the check order.
    std::vector<int> Mismatches(const TDeviceModel& model, int board) const;
    // Requests one differing report (Config or PMW Status, in turn).
    void AskAgain(TDeviceModel& model, int board, bool& configNext);
    bool Displayed(int board) const { return fView && board == fDisplayedBoard; }

    TControllerSettingsHost fHost;
    IControllerSettingsView* fView = nullptr;
    std::array<TBoardSettings, kBoards> fValues;
    std::array<bool, kBoards> fLoaded{};
    std::array<bool, kBoards> fMatch{};
    bool fConfigApplied = false;
    bool fPwmApplied = false;
    int fDisplayedBoard = 0;
};

} // namespace orv
