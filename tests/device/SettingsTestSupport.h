#pragma once
// A device model over the fake link with a fake clock, a settings file in a
// temporary folder and the controller settings wired to them, for the
// settings tests of the device model and of the pages.
#include "device/ControllerSettings.h"
#include "device/DeviceModel.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/IniFile.h"
#include "tests/device/FakeControllerLink.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orv::test {

// What a board reports of its settings.
struct TBoardReport {
    uint16_t maximumOpen = 900;
    uint16_t minimumOpen = 120;
    uint8_t innerDeadBand = 5;
    uint8_t outerDeadBand = 40;
    uint16_t pwmFrequency = 100;
    uint8_t pwmProportion = 50;
    uint8_t pwmEnabled = 1;
    uint8_t proportionalCurrent = 80;
    uint8_t maxProportionalCurrent = 95;
    bool highSpeed = true;
    bool underCanControl = false;
    bool armed = false;
};

// The settings the stored sections hold unless a test says otherwise; a
// board reporting TBoardReport{} matches them (with the zero in use).
inline std::map<std::string, std::string> StoredSettings()
{
    return {{"ProportionalCurrent", "80"}, {"MaxProportionalCurrent", "95"}, {"SetOuterDeadBand", "40"},
            {"SetInnerDeadBand", "5"},     {"SetMaximumOpening", "900"},     {"SetSealedPosition", "120"},
            {"SetDryZeroOpening", "150"},  {"PWM_Proportion", "50"},         {"PWM_Frequency", "100"},
            {"PWM_Enabled", "1"},          {"MaxSolenoids_Enabled", "1"}};
}

// Records what the settings logic shows.
class RecordingSettingsView : public IControllerSettingsView {
public:
    void ShowSettingValue(int key, int value) override { values[key] = value; }
    void ShowSettingControl(int key, bool visible) override
    {
        if (visible)
            hidden.erase(key);
        else
            hidden.insert(key);
    }
    void ClearSettingMarks() override { marks.clear(); }
    void MarkSetting(int key) override { marks.insert(key); }
    void ShowMismatchText(int label, const std::string& text) override { labels[label == 1 ? 1 : 0] = text; }
    void ShowReadback(const TControllerReadback& r) override
    {
        readback = r;
        ++readbacks;
    }
    void ShowHighSpeedReadback(bool on) override { highSpeedReadback = on; }

    std::map<int, int> values;
    std::set<int> hidden;
    std::set<int> marks;
    std::string labels[2];
    TControllerReadback readback;
    int readbacks = 0;
    bool highSpeedReadback = false;
};

class SettingsRig {
public:
    SettingsRig()
    {
        TGPSClock::Install(clock);
        clock.SetStepPerReadUs(1);
        TGPSClock::SetPumpHook([this] {
            clock.AdvanceMs(1);
            if (onPump)
                onPump();
            return false;
        });
        link.kind = 1; // GPIO board: every command is sent once
        model.SetControllerLink(&link);
        settings.InstallStatusHandlers(model);
    }
    ~SettingsRig()
    {
        TGPSClock::SetPumpHook(nullptr);
        TGPSClock::Uninstall();
    }
    SettingsRig(const SettingsRig&) = delete;
    SettingsRig& operator=(const SettingsRig&) = delete;

    TControllerSettingsHost Host()
    {
        TControllerSettingsHost h;
        h.deviceModel = [this] { return &model; };
        h.settingsFile = [this] { return &ini; };
        h.primaryMode = [this] { return mode; };
        h.setDryZeroInUse = [this](bool on) {
            dryZeroCalls.push_back(on);
            model.SetUsingDryZero(on);
        };
        h.testReadyToGoActive = [this] { ++readyTests; };
        h.debugLine = [this](const std::string& line) { debug.push_back(line); };
        return h;
    }

    void WriteSection(const std::string& section, const std::map<std::string, std::string>& keys)
    {
        for (const auto& [k, v] : keys)
            ini.WriteString(section, k, v);
    }

    // Status, Config and PMW Status reports of one board, in this order.
    void Report(int board, const TBoardReport& r)
    {
        const uint8_t bits = r.armed ? 0x40 : 0;
        Feed(test::Report(0x03, board,
                          {0x10, 0x01, 0, 0, uint8_t(r.underCanControl), 0, uint8_t(r.highSpeed), bits}));
        Feed(test::Report(0x04, board,
                          {uint8_t(r.maximumOpen), uint8_t(r.maximumOpen >> 8), uint8_t(r.minimumOpen),
                           uint8_t(r.minimumOpen >> 8), r.innerDeadBand, r.outerDeadBand, 0, 0}));
        Feed(test::Report(0x07, board,
                          {uint8_t(r.pwmFrequency), uint8_t(r.pwmFrequency >> 8), r.pwmProportion, r.pwmEnabled,
                           r.proportionalCurrent, r.maxProportionalCurrent, 0, 0}));
    }
    void Feed(const TCanRecord& record) { model.DecodeControllerFrame(record); }

    bool Debugged(const std::string& line) const
    {
        for (const auto& d : debug)
            if (d == line)
                return true;
        return false;
    }

    FakeTimeSource clock;
    FakeControllerLink link;
    TDeviceModel model;
    TempDir home;
    TMemIniFile ini{home.File("LastSelectedPreset.ini")};
    int mode = 1;
    std::vector<bool> dryZeroCalls;
    int readyTests = 0;
    std::vector<std::string> debug;
    std::function<void()> onPump;
    TControllerSettings settings{Host()};
};

} // namespace orv::test
