// The settings cycle against orvane-sim: the boards start with their own
// settings, the stored ones are loaded and applied over a real link, and the
// boards' reports come to match them.
#include "device/ControllerSettings.h"
#include "device/OrvaneVEDOController.h"
#include "link/MainThreadCall.h"
#include "nav/GPSClock.h"
#include "store/IniFile.h"
#include "tests/device/SettingsTestSupport.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <map>

namespace orv {
namespace {

using test::SimProcess;

struct Case {
    const char* link; // the simulator's name of the link kind
    int target;       // the search target of that kind
    int boards;       // 1: one unaddressed board; 2: left and right
    int mode;         // primary mode
};
const Case kCases[] = {
    {"gpio", 0, 1, 1},   {"serial", 2, 1, 1}, {"usbcan", 4, 1, 0},
    {"gpio", 0, 2, 0},   {"usbcan", 4, 2, 1},
};

std::string Name(const ::testing::TestParamInfo<Case>& info)
{
    return std::string(info.param.link) + "_" + std::to_string(info.param.boards) + "boards_mode"
           + std::to_string(info.param.mode);
}

// Every one differs from what the simulated boards start with.
const std::map<std::string, std::string> kStored = {
    {"ProportionalCurrent", "77"}, {"MaxProportionalCurrent", "99"}, {"SetOuterDeadBand", "44"},
    {"SetInnerDeadBand", "6"},     {"SetMaximumOpening", "850"},     {"SetSealedPosition", "130"},
    {"SetDryZeroOpening", "160"},  {"PWM_Proportion", "45"},         {"PWM_Frequency", "120"},
    {"PWM_Enabled", "0"},          {"MaxSolenoids_Enabled", "1"},
};

class SimSettingsTest : public ::testing::TestWithParam<Case> {
protected:
    ~SimSettingsTest() override { TGPSClock::SetPumpHook(nullptr); }

    // What the main window's timers do while a wait pumps: serve the link's
    // requests and poll the controller (never inside a poll).
    void Pump()
    {
        TMainThreadCalls::ServePending();
        QCoreApplication::processEvents();
        if (!fPolling) {
            fPolling = true;
            model.PollController();
            fPolling = false;
        }
        QThread::usleep(100);
    }
    bool PollUntil(const std::function<bool()>& done, int timeoutMs)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            Pump();
        }
        return true;
    }

    OrvaneVEDOController model;
    bool fPolling = false;
};

TEST_P(SimSettingsTest, AppliedSettingsComeToMatchTheBoards)
{
    const Case& c = GetParam();
    SimProcess sim({"--link", c.link, "--port", "3", "--boards", std::to_string(c.boards)});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    test::TempDir home;
    TMemIniFile ini(home.File("LastSelectedPreset.ini"));

    model.SetCurrentCommTarget(c.target);
    model.SetCanport(model.NewCanport());
    ASSERT_TRUE(model.FindCommTarget());
    model.SetCurrentCommTarget(c.target + 1);
    model.ReplaceCanport();
    ASSERT_TRUE(model.FindCommTarget());

    std::vector<std::string> debug;
    TControllerSettingsHost host;
    host.deviceModel = [this]() -> TDeviceModel* { return &model; };
    host.settingsFile = [&] { return &ini; };
    host.primaryMode = [&] { return c.mode; };
    host.debugLine = [&](const std::string& line) { debug.push_back(line); };
    TControllerSettings settings(host);
    test::RecordingSettingsView view; // keeps the mismatch texts for the failure messages
    settings.SetView(&view);
    settings.InstallStatusHandlers(model);
    model.SetStatusHandler(skStatus, [&](int board) { settings.HighSpeedStatusChanged(board); });
    TGPSClock::SetPumpHook([this] {
        Pump();
        return false;
    });

    const std::vector<int> boards = c.boards == 2 ? std::vector<int>{1, 2} : std::vector<int>{0};
    // Config and PMW Status are asked for one at a time: with two boards the
    // answers to all three requests at once come in one burst of eight frames,
    // more than the link's CAN queue keeps, and the oldest (Config) are lost.
    auto asked = std::chrono::steady_clock::now() - std::chrono::seconds(2);
    bool askConfig = true;
    ASSERT_TRUE(PollUntil(
        [&] {
            if (std::chrono::steady_clock::now() - asked > std::chrono::milliseconds(400)) {
                asked = std::chrono::steady_clock::now();
                model.SendMessageSet(0, {askConfig ? ciConfigRequest : ciRequestPwmParameters});
                askConfig = !askConfig;
            }
            for (int b : boards)
                if (!model.BoardPresent(b) || !model.Board(b).config.received || !model.Board(b).pmw.received
                    || !model.Board(b).status.received)
                    return false;
            return true;
        },
        8000))
        << "present " << int(model.State().boardsPresent) << " config " << model.State().frameCounts[skConfig]
        << " pmw " << model.State().frameCounts[skPmwStatus] << " status " << model.State().frameCounts[skStatus];

    for (int b : boards) {
        SCOPED_TRACE(b);
        for (const auto& [key, value] : kStored)
            ini.WriteString(ControllerSettingsSectionForMode(c.mode, b), key, value);
        ASSERT_TRUE(settings.LoadControllerSettings(b));
        EXPECT_FALSE(settings.CheckControllerSettings(b));
        debug.clear();
        settings.ApplyControllerSettings(b);
        EXPECT_TRUE(settings.SettingsMatch(b)) << view.labels[0] << view.labels[1];
        EXPECT_EQ(1, std::count(debug.begin(), debug.end(), "apply settings PASSED"));
        EXPECT_EQ(44, model.OuterDeadBand(b));
        EXPECT_EQ(120, model.PwmFrequency(b));
        EXPECT_EQ(130, model.MinimumOpen(b));
        EXPECT_TRUE(model.StatusFlags(b) & sfHighSpeedSolenoidsOn);
        // The board itself holds them.
        EXPECT_EQ("OK board " + std::to_string(b) + " max 850", sim.Command("board " + std::to_string(b) + " max"));
        EXPECT_EQ("OK board " + std::to_string(b) + " maxcurrent 99",
                  sim.Command("board " + std::to_string(b) + " maxcurrent"));
    }
    EXPECT_TRUE(settings.AllControllerSettingsApplied());

    // Applied again, nothing needs sending.
    debug.clear();
    settings.ApplyControllerSettings(boards.back());
    EXPECT_EQ(1, std::count(debug.begin(), debug.end(), "settings Unchanged"));
    EXPECT_EQ(1, std::count(debug.begin(), debug.end(), "apply settings PASSED"));

    TGPSClock::SetPumpHook(nullptr);
    model.SetCanport(nullptr);
}

INSTANTIATE_TEST_SUITE_P(LinkKindsAndBoards, SimSettingsTest, ::testing::ValuesIn(kCases), Name);

} // namespace
} // namespace orv
