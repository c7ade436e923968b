// The real program with the factory configuration, a simulated controller and
// a simulated GPS receiver: the gate follows the aircraft.
#include "store/IniFile.h"
#include "tests/support/AppProcess.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace orv {
namespace {

using test::AppProcess;
using test::SimProcess;

constexpr int kControllerPort = 2;
constexpr int kNavPort = 3;

void SeedHome(const test::TempDir& home, int primaryMode)
{
    test::SeedFactoryHome(home.Path(), primaryMode, kControllerPort, kNavPort);
}

std::vector<std::string> SimArgs(const std::string& speed)
{
    return {"--link", "usbcan", "--port", std::to_string(kControllerPort), "--status-rate", "10",
            "--run", "board 0 armed on", "--run", "board 0 cancontrol on", "--nav", "nmea", "--nav-port",
            std::to_string(kNavPort), "--nav-baud", "4800", "--speed-profile", "const:" + speed};
}

// The board's commanded set point, as the simulator holds it.
int SetPoint(SimProcess& sim)
{
    const std::string answer = sim.Command("board 0 setpoint");
    const size_t at = answer.rfind(' ');
    return at == std::string::npos ? -1 : std::atoi(answer.c_str() + at + 1);
}

// Waits until the set point is within one count of the wanted one.
bool SetPointReaches(SimProcess& sim, int wanted, int timeoutMs, int& last)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        last = SetPoint(sim);
        if (std::abs(last - wanted) <= 1)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

// Urea of the factory presets (150 kg/ha, 22 m swath, fixed speed 60 m/s)
// through the factory tables, with the factory gate settings (dry zero 150,
// maximum 900): 645 at 60 m/s and 406 at 30 m/s, worked by hand in the rate
// loop's tests.
TEST(RunModesEndToEnd, DryMaterialGateFollowsTheGpsSpeedAndFallsBackToTheFixedSpeed)
{
    SimProcess sim(SimArgs("30"));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    SeedHome(home, 1);
    AppProcess app(home.Path(), sim.PortsDir());
    ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", 30000)) << app.Output();
    ASSERT_TRUE(app.WaitForOutput("apply settings PASSED", 20000)) << app.Output();
    ASSERT_TRUE(app.WaitForOutput("Tab Shown: Run Dry Material", 20000)) << app.Output();

    ASSERT_EQ(0u, sim.Command("board 0 pilot on").rfind("OK", 0));
    int last = 0;
    EXPECT_TRUE(SetPointReaches(sim, 406, 10000, last)) << "at 30 m/s the set point is " << last;
    ASSERT_EQ(0u, sim.Command("nav speed 60").rfind("OK", 0));
    EXPECT_TRUE(SetPointReaches(sim, 645, 10000, last)) << "at 60 m/s the set point is " << last;
    ASSERT_EQ(0u, sim.Command("nav speed 30").rfind("OK", 0));
    EXPECT_TRUE(SetPointReaches(sim, 406, 10000, last)) << "back at 30 m/s the set point is " << last;
    // No sentence for more than 3 s: the preset's fixed speed (60 m/s).
    ASSERT_EQ(0u, sim.Command("nav silence on").rfind("OK", 0));
    EXPECT_TRUE(SetPointReaches(sim, 645, 15000, last)) << "without GPS the set point is " << last;
    EXPECT_EQ(0, app.CountOutput("Entering state: Application Error Raised"));
    EXPECT_EQ(0, app.Stop());
}

struct ModeCase {
    int mode;
    const char* runPage; // nullptr: the mode keeps the page it has
};

class RunModesEndToEndModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(RunModesEndToEndModes, EachModeReachesItsRunPageWithItsSettingsApplied)
{
    const ModeCase c = GetParam();
    SimProcess sim(SimArgs("55"));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    SeedHome(home, c.mode);
    AppProcess app(home.Path(), sim.PortsDir());
    ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", 30000)) << app.Output();
    ASSERT_TRUE(app.WaitForOutput("apply settings PASSED", 20000)) << app.Output();
    if (c.runPage)
        EXPECT_TRUE(app.WaitForOutput(std::string("Tab Shown: ") + c.runPage, 20000)) << app.Output();
    EXPECT_EQ(0, app.CountOutput("not AllControllerSettingsApplied"));
    EXPECT_EQ(0, app.CountOutput("apply settings failed"));
    EXPECT_EQ(0, app.Stop());
    TMemIniFile log(home.File("LastSelectedPreset.ini"));
    EXPECT_EQ(c.mode, log.ReadInteger("PrimaryMode", "PrimaryModeID", -1));
}

INSTANTIATE_TEST_SUITE_P(Modes, RunModesEndToEndModes,
                         ::testing::Values(ModeCase{0, "Run Gate"}, ModeCase{2, "Run Wet Sealed"},
                                           ModeCase{3, nullptr}, ModeCase{4, "Run Dry Material"}),
                         [](const auto& info) { return "mode" + std::to_string(info.param.mode); });

} // namespace
} // namespace orv
