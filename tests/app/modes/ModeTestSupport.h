#pragma once
// A fake window for the primary modes and the rate control: a recording view,
// a host over a device model on the fake link, the factory configuration in a
// temporary folder and a fake clock.
#include "app/ModeController.h"
#include "device/DeviceModel.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/IniFile.h"
#include "tests/device/FakeControllerLink.h"
#include "tests/support/TempDir.h"

#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orv::test {

class RecordingView : public IModeView {
public:
    void SetText(TRunControl c, const std::string& t) override { text[c] = t; }
    void SetValue(TRunControl c, int v) override
    {
        value[c] = v;
        ++valueSets[c];
    }
    void SetRange(TRunControl c, int lo, int hi, int step) override { range[c] = {lo, hi, step}; }
    void SetChecked(TRunControl c, bool on) override { checked[c] = on; }
    void SetVisible(TRunControl c, bool on) override { visible[c] = on; }
    void SetEnabled(TRunControl c, bool on) override { enabled[c] = on; }
    void SetColour(TRunControl c, TViewColour col) override { colour[c] = col; }
    void SetItems(TRunControl c, const std::vector<std::string>& i, int sel) override
    {
        items[c] = i;
        selected[c] = sel;
    }
    void ShowSheet(TRunControl c, int s) override { sheet[c] = s; }
    int Sheet(TRunControl c) const override
    {
        auto it = sheet.find(c);
        return it == sheet.end() ? 0 : it->second;
    }
    bool Checked(TRunControl c) const override
    {
        auto it = checked.find(c);
        return it != checked.end() && it->second;
    }
    bool Enabled(TRunControl c) const override
    {
        auto it = enabled.find(c);
        return it == enabled.end() || it->second;
    }
    int Value(TRunControl c) const override
    {
        auto it = value.find(c);
        return it == value.end() ? 0 : it->second;
    }
    std::string Text(TRunControl c) const override
    {
        auto it = text.find(c);
        return it == text.end() ? "" : it->second;
    }
    std::vector<std::string> Items(TRunControl c) const override
    {
        auto it = items.find(c);
        return it == items.end() ? std::vector<std::string>{} : it->second;
    }
    bool Visible(TRunControl c) const
    {
        auto it = visible.find(c);
        return it == visible.end() || it->second;
    }

    std::map<int, std::string> text;
    std::map<int, int> value;
    std::map<int, int> valueSets;
    std::map<int, std::array<int, 3>> range;
    std::map<int, bool> checked, visible, enabled;
    std::map<int, TViewColour> colour;
    std::map<int, std::vector<std::string>> items;
    std::map<int, int> selected;
    std::map<int, int> sheet;
};

// Copies the factory configuration (the source tree's config/factory).
inline void CopyFactoryConfig(const std::string& to)
{
    namespace fs = std::filesystem;
    for (const auto& e : fs::directory_iterator(ORVANE_FACTORY_DIR))
        fs::copy_file(e.path(), fs::path(to) / e.path().filename(), fs::copy_options::overwrite_existing);
}

class FakeModeHost : public IModeHost {
public:
    explicit FakeModeHost(const std::string& dir) : iniDir(dir) {}

    uint8_t PageMode() const override { return pageMode; }
    void DoingService(uint8_t mode) override
    {
        serviceCalls.push_back(mode);
        pageMode = mode;
    }
    void StorePageMode(uint8_t mode) override { pageMode = mode; }
    int ShownPage() const override { return shownPage; }
    void ShowPage(int page) override { shownPage = page; }
    IModeView& View() override { return view; }

    TDeviceModel* DeviceModel() override { return model; }
    bool ControllerLinkUp() override { return model && model->ControllerLinkHealthy(); }
    void SetChannelConfig(int channel, int code) override { channels.push_back({channel, code}); }

    bool LoadControllerSettings(int board) override
    {
        loads.push_back(board);
        return loadable[board];
    }
    void ApplyControllerSettings(int board) override
    {
        applies.push_back(board);
        match[board] = applyMatches[board];
    }
    bool AllControllerSettingsApplied() override
    {
        if (!model || model->BoardCount() == 0)
            return false;
        if (modeForReadiness() != 0)
            return match[model->FirstBoard()];
        for (int b = 0; b < 3; ++b)
            if (model->BoardPresent(b) && !match[b])
                return false;
        return true;
    }
    bool SettingsMatch(int board) override { return match[board]; }
    void ClearSettingsMatch(int board) override { match[board] = false; }
    int ConfiguredMaximum(int board) override { return configuredMax[board]; }

    TMemIniFile* SettingsIni() override { return &ini; }
    void SaveSettingsIni() override
    {
        ++saves;
        ini.UpdateFile();
    }
    void BackupSettingsIni() override { ++backups; }
    std::string IniDirectory() override { return iniDir; }
    const TDisplayUnits& DisplayUnits() override { return units; }
    std::string ApplicationVersion() override { return "1.2.3"; }
    bool CalibrationListEmpty() override { return calibrationsEmpty; }

    TGpsSource* GpsSource() override { return gps; }
    void StartGps() override { ++gpsStarts; }
    uint8_t GpsCapabilityMask() override { return capability; }

    void EnableRunEventTimer(bool on) override { runEventTimer = on; }
    void EnableUpdateQuantities(bool on) override { updateQuantities = on; }
    void EnableCheckCan(bool on) override { checkCan = on; }

    void ShowControllerFailurePage() override { ++failurePages; }
    void ShowFailureText(const std::vector<std::string>& lines) override { failureText = lines; }
    void ReportError(const std::string& text) override { errors.push_back(text); }
    void ToggleLight(int light) override { ++lightToggles[light]; }
    bool EditValue(const std::string& title, double& v) override
    {
        editTitles.push_back(title);
        if (!editAnswer)
            return false;
        v = *editAnswer;
        return true;
    }
    void DebugLine(const std::string& text) override { debug.push_back(text); }
    void ShutDownClick() override { ++shutDowns; }
    void SetScreenBrightness(int v) override { brightness = v; }

    bool Debugged(const std::string& line) const
    {
        for (const auto& d : debug)
            if (d == line)
                return true;
        return false;
    }

    std::function<int()> modeForReadiness = [] { return 1; };
    std::string iniDir;
    TMemIniFile ini{iniDir + "/LastSelectedPreset.ini"};
    RecordingView view;
    TDeviceModel* model = nullptr;
    TGpsSource* gps = nullptr;
    TDisplayUnits units{1, 1, 1, 2, 1};
    uint8_t pageMode = 0;
    int shownPage = 4;
    uint8_t capability = 0x20;
    bool calibrationsEmpty = false;
    std::array<bool, 3> loadable{true, true, true};
    std::array<bool, 3> applyMatches{true, true, true};
    std::array<bool, 3> match{};
    std::array<int, 3> configuredMax{900, 900, 900};
    std::vector<int> loads, applies;
    std::vector<std::pair<int, int>> channels;
    std::vector<uint8_t> serviceCalls;
    std::vector<std::string> debug, errors, editTitles;
    std::vector<std::string> failureText;
    std::optional<double> editAnswer;
    std::map<int, int> lightToggles;
    int saves = 0, backups = 0, gpsStarts = 0, failurePages = 0, shutDowns = 0, brightness = 255;
    bool runEventTimer = false, updateQuantities = false, checkCan = true;
};

// The window's pieces around one controller.
class ModeRig {
public:
    ModeRig()
    {
        TGPSClock::Install(clock);
        clock.SetStepPerReadUs(1);
        TGPSClock::SetPumpHook([this] {
            clock.AdvanceMs(1);
            return false;
        });
        link.kind = 1;
        model.SetControllerLink(&link);
        host.model = &model;
        host.modeForReadiness = [this] { return controller.PrimaryMode(); };
    }
    ~ModeRig()
    {
        TGPSClock::SetPumpHook(nullptr);
        TGPSClock::Uninstall();
    }
    ModeRig(const ModeRig&) = delete;
    ModeRig& operator=(const ModeRig&) = delete;

    // "Status: " of a board.
    void Status(int board, uint16_t position, bool underCanControl, bool armed, bool pilot = false,
                uint8_t timerMode = 0, uint8_t timeDelay = 0)
    {
        model.DecodeControllerFrame(Report(0x03, board,
                                           {uint8_t(position), uint8_t(position >> 8), timerMode, timeDelay,
                                            uint8_t(underCanControl), uint8_t(pilot), 0,
                                            uint8_t(armed ? 0x40 : 0)}));
    }
    // "Config: " and "PMW Status: " so that the settings count as reported.
    void Settings(int board, uint16_t maximum, uint16_t minimum)
    {
        model.DecodeControllerFrame(Report(
            0x04, board, {uint8_t(maximum), uint8_t(maximum >> 8), uint8_t(minimum), uint8_t(minimum >> 8), 5, 40, 0, 0}));
        model.DecodeControllerFrame(Report(0x07, board, {100, 0, 50, 1, 80, 95, 0, 0}));
    }
    // A board with its closed positions: sealed 120, dry zero 150, maximum 900.
    void Board(int board, uint16_t maximum = 900)
    {
        Status(board, 120, false, false);
        Settings(board, maximum, 120);
        model.SetZeroPosition(board, 120);
        model.SetDryZeroPosition(board, 150);
    }

    FakeTimeSource clock;
    TempDir home;
    bool factoryCopied = (CopyFactoryConfig(home.Path()), true);
    FakeControllerLink link;
    TDeviceModel model;
    FakeModeHost host{home.Path()};
    TTankFigures tank;
    int areaAccounted = 0;
    TModeController controller{host, Hooks()};

private:
    TModeHooks Hooks()
    {
        TModeHooks h;
        h.tankFigures = [this] { return tank; };
        h.accountArea = [this](double) { ++areaAccounted; };
        return h;
    }
};

} // namespace orv::test
