// The search and the link against orvane-sim over real pseudo-terminals.
#include "device/OrvaneVEDOController.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/IniFile.h"
#include "tests/link/LinkTestSupport.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::ServeUntil;
using test::SimProcess;

struct KindCase {
    const char* link; // the simulator's name of the link kind
    int target;       // the search target of that kind
};
const KindCase kKinds[] = {{"gpio", 0}, {"serial", 2}, {"usbcan", 4}};

std::string Name(const ::testing::TestParamInfo<KindCase>& info)
{
    return info.param.link;
}

class SimSearchTest : public ::testing::TestWithParam<KindCase> {
protected:
    // The simulator on port 3 among silent and noisy decoys.
    std::vector<std::string> Args(int port = 3) const
    {
        return {"--link", GetParam().link, "--port", std::to_string(port), "--silent-decoys", "2",
                "--garbage-decoys", "2"};
    }
    // Searches and then re-verifies the port found, as the start-up does.
    void FindAndVerify(OrvaneVEDOController& model, int expectPort)
    {
        const int t = GetParam().target;
        model.SetCurrentCommTarget(t);
        model.SetCanport(model.NewCanport());
        ASSERT_TRUE(model.FindCommTarget());
        ASSERT_EQ(expectPort, model.LastOrvPort());
        model.SetCurrentCommTarget(t + 1);
        model.ReplaceCanport();
        ASSERT_TRUE(model.FindCommTarget());
        ASSERT_TRUE(model.Canport()->LinkVerified());
        ASSERT_EQ(0, model.LinkFailureFlags());
    }
};

TEST_P(SimSearchTest, FindsThePortAmongDecoysRemembersItAndVerifiesItAgain)
{
    SimProcess sim(Args());
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    test::TempDir home;
    const int threadsBefore = test::ThreadCount();
    const int fdsBefore = test::FdCount();
    {
        OrvaneVEDOController model;
        FindAndVerify(model, 3);
        // What the start-up stores, and reads back on the next start.
        TMemIniFile ini(home.File("OrvStartup.ini"));
        ini.WriteInteger("Comm Settings", "LastOrvPort", model.LastOrvPort());
        ini.WriteInteger("Comm Settings", "CurrentCommTarget", model.CurrentCommTarget());
        ini.UpdateFile();

        OrvaneVEDOController next;
        TMemIniFile again(home.File("OrvStartup.ini"));
        next.SetLastOrvPort(static_cast<int>(again.ReadInteger("Comm Settings", "LastOrvPort", 255)));
        next.SetCurrentCommTarget(static_cast<int>(again.ReadInteger("Comm Settings", "CurrentCommTarget", 1)));
        EXPECT_EQ(GetParam().target + 1, next.CurrentCommTarget());
        model.SetCanport(nullptr); // the port is free for the next run
        next.SetCanport(next.NewCanport());
        EXPECT_TRUE(next.FindCommTarget());
        EXPECT_EQ(0, next.LinkFailureFlags());
        // Frames keep arriving while the link is used (the pings' answers).
        next.Canport()->SendSerialFrame(0x02, 0, 0);
    }
    // Nothing of either link is left.
    EXPECT_EQ(threadsBefore, test::ThreadCount());
    EXPECT_EQ(fdsBefore, test::FdCount());
}

TEST_P(SimSearchTest, EarlierPortWinsWhenTwoAnswer)
{
    SimProcess earlier({"--link", GetParam().link, "--port", "1"});
    ASSERT_TRUE(earlier.Ready()) << earlier.StartError();
    SimProcess later(Args(5), earlier.PortsDir());
    ASSERT_TRUE(later.Ready()) << later.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", earlier.PortsDir());
    OrvaneVEDOController model;
    model.SetCurrentCommTarget(GetParam().target);
    // Both answer before the search looks.
    model.Search().SetWaitHook([&](int) {
        ServeUntil(
            [&] {
                int verified = 0;
                for (const auto& [port, link] : model.Search().SearchLinks())
                    verified += link->LinkVerified() && (port == 1 || port == 5);
                return model.Search().SearchLinks().empty() || verified == 2;
            },
            8000);
    });
    EXPECT_TRUE(model.FindCommTarget());
    EXPECT_EQ(1, model.LastOrvPort());
}

TEST_P(SimSearchTest, SilenceSetsThePingFailureAndClosesTheVerifiedLink)
{
    SimProcess sim(Args());
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    OrvaneVEDOController model;
    FindAndVerify(model, 3);
    ASSERT_EQ("OK silence on", sim.Command("silence on"));
    const uint8_t expected = GetParam().target == 0 ? lfGpioPing : GetParam().target == 2 ? lfSerialPing : lfUsbCanPing;
    ASSERT_TRUE(ServeUntil([&] { return (model.LinkFailureFlags() & expected) != 0; }, 10000));
    EXPECT_TRUE(model.Canport()->LinkClosed());
    EXPECT_FALSE(model.Canport()->LinkUp());
    EXPECT_TRUE(model.LinkFailureFlags() & lfNotHealthy);
}

TEST_P(SimSearchTest, StalledPortTakesTheLinkDown)
{
    SimProcess sim(Args());
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    OrvaneVEDOController model;
    FindAndVerify(model, 3);
    ASSERT_EQ("OK stall on", sim.Command("stall on"));
    // The writes stop getting through: a write fails or a watchdog trips.
    ASSERT_TRUE(ServeUntil([&] { return !model.Canport()->LinkUp(); }, 15000));
    EXPECT_NE(0, model.LinkFailureFlags());
    const int threadsBefore = test::ThreadCount();
    model.SetCanport(nullptr);
    EXPECT_EQ(threadsBefore - 5, test::ThreadCount());
}

TEST_P(SimSearchTest, UnplugWhileRunningIsReportedAndCloseLeavesNothing)
{
    SimProcess sim(Args());
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    const int threadsBefore = test::ThreadCount();
    const int fdsBefore = test::FdCount();
    {
        OrvaneVEDOController model;
        FindAndVerify(model, 3);
        EXPECT_EQ("OK unplugged", sim.Command("unplug"));
        ASSERT_TRUE(ServeUntil([&] { return !model.Canport()->LinkUp(); }, 5000));
        EXPECT_NE(0, model.LinkFailureFlags() & ~lfNotHealthy);
        EXPECT_FALSE(model.ProbePort(3));
        // Back again: the remembered port verifies on a fresh link.
        EXPECT_EQ("OK plugged", sim.Command("plug"));
        model.ReplaceCanport();
        EXPECT_TRUE(model.FindCommTarget());
    }
    EXPECT_EQ(threadsBefore, test::ThreadCount());
    EXPECT_EQ(fdsBefore, test::FdCount());
}

TEST_P(SimSearchTest, ReceiveWatchdogTripsWhenNothingComesBack)
{
    // A counterpart that never answers: the link is never verified, so the
    // failed ping does not close it, and only the watchdog can take it down.
    auto args = Args();
    args.insert(args.end(), {"--silence-after", "0"});
    SimProcess sim(args);
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    FakeTimeSource source;
    TGPSClock::Install(source);
    {
        TDVIOController link(DefaultSerialLibrary(), static_cast<uint8_t>(GetParam().target));
        link.SetCanPingRecord(TPortSearch::CanPingRecord());
        link.SetPortNumber(3);
        link.OpenLink(9);
        ASSERT_TRUE(link.LinkUp());
        int64_t ms = 0;
        for (; ms <= 12000 && !link.ReceiveBlocked(); ms += 300) {
            source.AdvanceMs(300); // the pings go out meanwhile, so the send side stays fresh
            ServeUntil([&] { return link.ReceiveBlocked(); }, 40);
        }
        EXPECT_TRUE(link.ReceiveBlocked());
        EXPECT_FALSE(link.SendBlocked());
        EXPECT_GT(ms, 9600);
        EXPECT_FALSE(link.LinkUp());
        EXPECT_FALSE(link.LinkVerified());
        link.CloseLink();
    }
    TGPSClock::Uninstall();
}

INSTANTIATE_TEST_SUITE_P(LinkKinds, SimSearchTest, ::testing::ValuesIn(kKinds), Name);

TEST(SimLinkTest, CloseLinkOnALinkThatNeverStartedLeavesNothing)
{
    SimProcess sim({"--link", "serial", "--port", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    const int threadsBefore = test::ThreadCount();
    const int fdsBefore = test::FdCount();
    for (int i = 0; i < 3; ++i) {
        TDVIOController link;
        link.SetLinkKind(2);
        link.SetPortNumber(0);
        EXPECT_TRUE(link.CloseLink());
    }
    EXPECT_EQ(threadsBefore, test::ThreadCount());
    EXPECT_EQ(fdsBefore, test::FdCount());
}

} // namespace
} // namespace orv
