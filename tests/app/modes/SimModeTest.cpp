// The mode controller with a real link to orvane-sim: the dry gate, armed and
// under CAN control in the simulator, is driven to the opening of the speed
// its GPS receiver reports.
#include "device/OrvaneVEDOController.h"
#include "nav/GpsSource.h"
#include "platform/SerialPort.h"
#include "tests/app/modes/ModeTestSupport.h"
#include "tests/link/LinkTestSupport.h"
#include "tests/support/SimProcess.h"
#include "ui/PageTable.h"
#include "ui/UnitFormat.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::ServeUntil;
using test::SimProcess;

int SimSetPoint(SimProcess& sim)
{
    const std::string answer = sim.Command("board 0 setpoint");
    const auto space = answer.rfind(' ');
    return space == std::string::npos ? -1 : std::atoi(answer.c_str() + space + 1);
}

TEST(SimMode, DryGateFollowsTheSpeedOnTheController)
{
    constexpr int kNavPort = 4;
    SimProcess sim({"--link", "usbcan", "--port", "3", "--nav", "nmea", "--nav-port", std::to_string(kNavPort),
                    "--nav-baud", "4800", "--speed-profile", "const:30"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    test::TempDir home;
    test::CopyFactoryConfig(home.Path());

    OrvaneVEDOController model;
    model.SetCurrentCommTarget(5);
    model.SetLastOrvPort(3);
    model.SetCanport(model.NewCanport());
    ASSERT_TRUE(model.FindCommTarget());
    int polls = 0;
    ASSERT_TRUE(ServeUntil([&] {
        // As "Awaiting Initialization" does: ask for every report now and then.
        if (polls++ % 100 == 0)
            model.RequestAllOrvStatus();
        model.PollController();
        return model.SettingsReported();
    }));
    const int b = model.FirstBoard();
    const int maximum = model.MaximumOpen(b);
    const int dryZero = model.MinimumOpen(b) + 30;
    ASSERT_GT(maximum, dryZero + 100) << "the simulated board needs some travel";
    model.SetZeroPosition(b, static_cast<int16_t>(model.MinimumOpen(b)));
    model.SetDryZeroPosition(b, static_cast<int16_t>(dryZero));

    test::FakeModeHost host(home.Path());
    host.model = &model;
    host.configuredMax[b] = maximum;
    host.pageMode = osNominal;
    // The GPS receiver the factory settings use the speed of.
    host.ini.WriteString("GPS", "GPSPort", "COM" + std::to_string(kNavPort + 1));
    TGpsSource gps(DefaultSerialLibrary(), host.ini);
    host.gps = &gps;
    TModeController controller(host);
    controller.Start();
    controller.State().primaryMode = pmDryMaterial;
    controller.Modes().NewQuantities();
    controller.Modes().SetPrimaryMode(pmDryMaterial);
    host.shownPage = pgRunDryMaterial;
    ASSERT_NE(controller.Preset(), nullptr);
    ASSERT_TRUE(gps.Start(static_cast<float>(controller.Preset()->FixedAppSpeedSI())).connected);
    ASSERT_TRUE(controller.Gps().Flags() & kGpsSpeedBit);

    for (const char* c : {"board 0 cancontrol on", "board 0 armed on", "board 0 pilot on"})
        ASSERT_EQ(sim.Command(c).rfind("OK", 0), 0u) << c;

    // Digital openings of the factory Urea preset by hand: 34.154 % at 30 m/s,
    // 65.998 % at 60 m/s (see RateLoopTest).
    struct Step {
        double speed;
        double percent;
    };
    for (const Step s : {Step{30, 34.154}, Step{60, 65.998}}) {
        ASSERT_EQ(sim.Command("nav speed " + std::to_string(static_cast<int>(s.speed))).rfind("OK", 0), 0u);
        const int expected = dryZero + static_cast<int>(RoundHalfEven((maximum - dryZero) * s.percent / 100));
        int setPoint = -1;
        const bool reached = ServeUntil(
            [&] {
                controller.TimerUpdateQuantitiesTimer();
                model.PollController();
                setPoint = SimSetPoint(sim);
                return std::abs(setPoint - expected) <= 1;
            },
            5000);
        EXPECT_TRUE(reached) << "speed " << s.speed << ": board set point " << setPoint << ", expected " << expected;
        EXPECT_TRUE(controller.Quantities()->UseGpsSpeed());
    }
    host.gps = nullptr;
    model.SetCanport(nullptr);
}

} // namespace
} // namespace orv
