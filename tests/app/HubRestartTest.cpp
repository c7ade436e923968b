#include "app/HubRestart.h"
#include "app/UsbWatch.h"

#include "nav/GPSClock.h"
#include "platform/fake/FakeProcessRunner.h"
#include "platform/fake/FakeTimeSource.h"
#include "platform/fake/FakeUsbMonitor.h"
#include "store/Log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace orv {
namespace {

const std::string kAdapter = "USB\\VID_0403&PID_6001 SUBSYSTEM=usb DEVTYPE=usb_device";

// The hub restart with every wait on the fake clock: each turn of the event
// loop moves time on by 10 ms and fires the USB events due by then.
class HubRestartTest : public ::testing::Test {
protected:
    HubRestartTest()
    {
        TGPSClock::Install(clock);
        TGPSClock::SetPumpHook([this] {
            clock.AdvanceMs(10);
            while (!due.empty() && due.begin()->first <= clock.NowMs()) {
                auto fire = due.begin()->second;
                due.erase(due.begin());
                fire();
            }
            return terminating;
        });
        SetLogHook([this](const std::string& line) { logged.push_back(line); });
        watch.Attach(monitor);
        start = clock.NowMs();
    }
    ~HubRestartTest() override
    {
        SetLogHook(nullptr);
        TGPSClock::SetPumpHook(nullptr);
        TGPSClock::Uninstall();
    }

    THubRestart::Hooks Hooks()
    {
        THubRestart::Hooks h;
        h.addDiagnosticsLine = [this](const std::string& l) { diagnostics.push_back(l); };
        h.probePort = [this](int port) {
            probes.push_back(port);
            return probeAnswers;
        };
        h.usbAdapterSeen = [this] { return watch.UsbAdapterSeen(); };
        h.nominalReachedOnce = [this] { return nominalReachedOnce; };
        h.lastNominalPort = [this] { return lastNominalPort; };
        return h;
    }
    bool Restart() { return hub.RestartHub(); }
    int64_t Elapsed() const { return clock.NowMs() - start; }
    void At(int64_t ms, std::function<void()> f) { due.emplace(start + ms, std::move(f)); }
    bool Logged(const std::string& line) const
    {
        return std::find(logged.begin(), logged.end(), line) != logged.end();
    }

    FakeTimeSource clock;
    FakeProcessRunner runner;
    FakeUsbMonitor monitor;
    TUsbWatch watch{{}};
    THubRestart hub{runner, "/ini/RestartHub.sh", "/ini/", Hooks()};
    std::multimap<int64_t, std::function<void()>> due;
    bool terminating = false;
    bool probeAnswers = false;
    bool nominalReachedOnce = false;
    int lastNominalPort = -1;
    std::vector<int> probes;
    std::vector<std::string> diagnostics;
    std::vector<std::string> logged;
    int64_t start = 0;
};

TEST_F(HubRestartTest, RunsTheScriptHiddenInTheSettingsFolderThenFindsTheKnownPortAtOnce)
{
    nominalReachedOnce = true;
    lastNominalPort = 7;
    probeAnswers = true;
    EXPECT_TRUE(Restart());
    ASSERT_EQ(1u, runner.starts.size());
    EXPECT_EQ("/ini/RestartHub.sh", runner.starts[0].file);
    EXPECT_EQ("/ini/", runner.starts[0].workingFolder);
    EXPECT_EQ(TShowMode::Hidden, runner.starts[0].show);
    EXPECT_EQ(std::vector<int>{7}, probes);
    EXPECT_EQ((std::vector<std::string>{"Now Restarting HUB", "Waiting unit USB Insert or Restart of Can Port"}),
              diagnostics);
    EXPECT_EQ((std::vector<std::string>{"Restarting HUB", "CanPort found.", "Finished Successfully Restarting HUB"}),
              logged);
    // Only the 500 ms settling time after the script.
    EXPECT_GE(Elapsed(), 500);
    EXPECT_LT(Elapsed(), 600);
}

TEST_F(HubRestartTest, TheAdapterUnpluggedByTheRestartAndSeenAgainAfterThreeSecondsSucceeds)
{
    watch.SetUsbAdapterSeen(true); // as Nominal leaves it
    runner.onStart = [this](const TProcessStart&) { monitor.Remove(kAdapter); };
    At(3000, [this] { monitor.Arrive(kAdapter); });
    EXPECT_TRUE(Restart());
    EXPECT_TRUE(Logged("USB Insert event detected"));
    EXPECT_TRUE(Logged("Finished Successfully Restarting HUB"));
    // Seen within one 100 ms step, then one second to settle.
    EXPECT_GE(Elapsed(), 4000);
    EXPECT_LE(Elapsed(), 4100 + 20);
    EXPECT_TRUE(probes.empty()); // Nominal was never reached
}

TEST_F(HubRestartTest, NothingForFifteenSecondsFails)
{
    nominalReachedOnce = true;
    lastNominalPort = 3;
    At(2000, [this] { monitor.Arrive("USB\\VID_046D&PID_C52B SUBSYSTEM=usb DEVTYPE=usb_device"); });
    EXPECT_FALSE(Restart());
    EXPECT_TRUE(Logged("Failed to restart HUB"));
    EXPECT_FALSE(Logged("Finished Successfully Restarting HUB"));
    EXPECT_GE(Elapsed(), 500 + 15000);
    EXPECT_LE(Elapsed(), 500 + 15000 + 120);
    // The known port was probed every 100 ms all along.
    EXPECT_GE(probes.size(), 150u);
    EXPECT_LE(probes.size(), 152u);
}

TEST_F(HubRestartTest, AKnownPortThatStaysClosedStillLetsTheAdapterArrivalCount)
{
    nominalReachedOnce = true;
    lastNominalPort = 4;
    At(1000, [this] { monitor.Arrive(kAdapter); });
    EXPECT_TRUE(Restart());
    EXPECT_FALSE(Logged("CanPort found."));
    EXPECT_TRUE(Logged("USB Insert event detected"));
}

TEST_F(HubRestartTest, AnUnknownLastPortIsNotProbed)
{
    nominalReachedOnce = true;
    lastNominalPort = -1;
    probeAnswers = true;
    At(1500, [this] { terminating = true; }); // the wait for the adapter ran for a second
    EXPECT_FALSE(Restart());
    EXPECT_TRUE(probes.empty());
    EXPECT_EQ(2u, diagnostics.size());
}

TEST_F(HubRestartTest, TheWaitFollowsTheScriptToItsEnd)
{
    runner.finishAtPoll = 0;
    At(2000, [this] { runner.last->finished = true; });
    watch.SetUsbAdapterSeen(true);
    EXPECT_TRUE(Restart());
    EXPECT_GE(Elapsed(), 2000 + 500 + 1000);
    EXPECT_EQ(0, hub.LastExitCode());
}

TEST_F(HubRestartTest, AScriptThatCannotStartLeavesTheDecisionToTheWait)
{
    runner.failStart = true;
    At(700, [this] { monitor.Arrive(kAdapter); });
    EXPECT_TRUE(Restart());
    EXPECT_TRUE(Logged("Could not start /ini/RestartHub.sh"));
    EXPECT_EQ(-1, hub.LastExitCode());
}

TEST_F(HubRestartTest, AScriptThatFailsIsLoggedAndTheWaitGoesOn)
{
    runner.exitCode = 1;
    At(1500, [this] { monitor.Arrive(kAdapter); });
    EXPECT_TRUE(Restart());
    EXPECT_TRUE(Logged("/ini/RestartHub.sh ended with exit code 1"));
    EXPECT_EQ(1, hub.LastExitCode());
}

TEST_F(HubRestartTest, AStuckScriptIsLeftBehindAfterThirtySeconds)
{
    runner.finishAtPoll = 0;
    EXPECT_FALSE(Restart());
    EXPECT_TRUE(Logged("/ini/RestartHub.sh still running after 30000 ms"));
    EXPECT_GE(Elapsed(), 30000 + 500 + 15000);
    EXPECT_FALSE(runner.last->killed);
}

TEST_F(HubRestartTest, TerminatingEndsEveryWaitAtOnce)
{
    runner.finishAtPoll = 0;
    At(200, [this] { terminating = true; });
    EXPECT_FALSE(Restart());
    EXPECT_LT(Elapsed(), 300);
    EXPECT_TRUE(Logged("Failed to restart HUB"));
    // No waiting line: the wait for the adapter never began.
    EXPECT_EQ(std::vector<std::string>{"Now Restarting HUB"}, diagnostics);
}

} // namespace
} // namespace orv
