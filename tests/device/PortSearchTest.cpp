#include "device/OrvaneVEDOController.h"
#include "link/SerialFrame.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeSerialLibrary.h"
#include "platform/fake/FakeTimeSource.h"
#include "tests/link/LinkTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace orv {
namespace {

using test::ServeUntil;

// A controller on a direct serial line, as little as the serial ping needs:
// every "Status Request" line gets a status line back.
class SerialPeers {
public:
    explicit SerialPeers(FakeSerialLibrary& serial) : fSerial(serial)
    {
        serial.SetPutsHook([this](int port, const std::string& bytes) {
            if (fAnswering.count(port) && bytes == BuildSerialLine(0x02, 0, 0)) {
                std::string line = "#03,00,00,00,00,00,00,00,00,";
                fSerial.Feed(port, line + HexByte(SerialChecksum(line)) + "\r\n");
            }
            return static_cast<int>(bytes.size());
        });
    }
    ~SerialPeers() { fSerial.SetPutsHook(nullptr); }
    void Answer(int port) { fAnswering.insert(port); }

private:
    FakeSerialLibrary& fSerial;
    std::set<int> fAnswering;
};

class PortSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int port : {0, 1, 2, 4, 6})
            serial.AddPort(port);
    }
    FakeSerialLibrary serial;
    SerialPeers peers{serial};
    OrvaneVEDOController model{serial};
};

TEST_F(PortSearchTest, ListsTheOpenablePortsAndLeavesThemClosed)
{
    EXPECT_EQ((std::vector<int>{0, 1, 2, 4, 6}), model.ListPorts());
    // Every port is opened in probe mode, and the mode is off again after:
    // the next port opened for use gets its line set up.
    EXPECT_EQ(255, serial.ProbeResets());
    EXPECT_FALSE(serial.ProbeMode());
    EXPECT_EQ(0, serial.OpenCount());
    EXPECT_TRUE(model.ProbePort(4));
    EXPECT_FALSE(model.ProbePort(5));
    EXPECT_EQ(257, serial.ProbeResets());
    EXPECT_FALSE(serial.ProbeMode());
    EXPECT_EQ(0, serial.OpenCount());
}

TEST_F(PortSearchTest, FindsTheAnsweringPortAmongSilentOnes)
{
    test::LogCapture log;
    peers.Answer(4);
    model.SetCurrentCommTarget(2);
    model.SetCanport(model.NewCanport());
    const int threadsBefore = test::ThreadCount();
    EXPECT_TRUE(model.FindCommTarget());
    EXPECT_EQ(4, model.LastOrvPort());
    EXPECT_TRUE(log.Has("found port: 4"));
    // Every search link is gone: no thread, no open port, logging back off.
    EXPECT_TRUE(model.Search().SearchLinks().empty());
    EXPECT_EQ(threadsBefore, test::ThreadCount());
    EXPECT_EQ(0, serial.OpenCount());
    EXPECT_FALSE(LinkLogFilter().LevelEnabled(1));
    EXPECT_FALSE(model.SearchRunning());

    // "Named Port Found": the odd target re-verifies it on the link in use.
    model.SetCurrentCommTarget(3);
    EXPECT_TRUE(model.FindCommTarget());
    EXPECT_TRUE(model.Canport()->LinkVerified());
    EXPECT_EQ(3, model.Canport()->LinkKind());
    EXPECT_EQ(3, model.LinkKindForLog());
    EXPECT_EQ(0, model.LinkFailureFlags());
    EXPECT_TRUE(serial.IsOpen(4));
}

TEST_F(PortSearchTest, TheEarlierPortWinsWhenTwoAnswer)
{
    peers.Answer(1);
    peers.Answer(6);
    model.SetCurrentCommTarget(2);
    // Let both verify before the search looks, as if they answered together.
    model.Search().SetWaitHook([&](int) {
        ServeUntil(
            [&] {
                int verified = 0;
                for (const auto& [port, link] : model.Search().SearchLinks())
                    verified += link->LinkVerified();
                return model.Search().SearchLinks().empty() || verified >= 2;
            },
            3000);
    });
    EXPECT_TRUE(model.FindCommTarget());
    EXPECT_EQ(1, model.LastOrvPort());
}

TEST_F(PortSearchTest, SecondSearchWhileOneRunsReturnsFalseAtOnce)
{
    peers.Answer(2);
    model.SetCurrentCommTarget(2);
    int nested = 0;
    bool nestedResult = true;
    model.Search().SetWaitHook([&](int ms) {
        if (nested++ == 0)
            nestedResult = model.FindCommTarget();
        TMainThreadCalls::WaitPumping(ms);
    });
    EXPECT_TRUE(model.FindCommTarget());
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(2, model.LastOrvPort());
}

TEST_F(PortSearchTest, AListedPortThatFailsToOpenIsNotFatal)
{
    test::LogCapture log;
    peers.Answer(6);
    model.SetCurrentCommTarget(2);
    int calls = 0;
    model.Search().SetWaitHook([&](int ms) {
        if (calls++ == 0) // listed already; it fails when opened for use
            serial.FailNextReset(2, kSioCannotOpen);
        TMainThreadCalls::WaitPumping(ms);
    });
    EXPECT_TRUE(model.FindCommTarget());
    EXPECT_EQ(6, model.LastOrvPort());
    EXPECT_TRUE(log.Has("Bad Exit"));
}

class FakeClockSearchTest : public PortSearchTest {
protected:
    void SetUp() override
    {
        PortSearchTest::SetUp();
        TGPSClock::Install(source);
        // Time moves only while the search waits, by the time it waits for.
        model.Search().SetWaitHook([&](int ms) {
            source.AdvanceMs(ms);
            TMainThreadCalls::ServePending();
        });
    }
    void TearDown() override
    {
        model.SetCanport(nullptr);
        TGPSClock::Uninstall();
    }
    FakeTimeSource source;
};

TEST_F(FakeClockSearchTest, NothingAnswersWithinTheSearchTime)
{
    const struct {
        int target;
        int64_t ms;
    } cases[] = {{0, 2000}, {2, 2000}, {4, 5000}};
    for (const auto& c : cases) {
        model.SetCurrentCommTarget(c.target);
        model.SetLastOrvPort(1);
        const int64_t start = source.NowMs();
        EXPECT_FALSE(model.FindCommTarget()) << c.target;
        EXPECT_EQ(255, model.LastOrvPort()) << c.target;
        // The 500 ms after listing, then the search time in 50 ms steps.
        EXPECT_EQ(500 + c.ms + 50, source.NowMs() - start) << c.target;
        EXPECT_EQ(0, serial.OpenCount());
    }
    EXPECT_EQ(2000, TPortSearch::SearchTimeMs(1));
    EXPECT_EQ(2000, TPortSearch::SearchTimeMs(3));
    EXPECT_EQ(5000, TPortSearch::SearchTimeMs(5));
}

TEST_F(FakeClockSearchTest, KnownPortThatDoesNotAnswerFailsAfterTwoSeconds)
{
    model.SetCurrentCommTarget(3);
    model.SetLastOrvPort(1);
    model.SetCanport(model.NewCanport());
    const int64_t start = source.NowMs();
    EXPECT_FALSE(model.FindCommTarget());
    EXPECT_GE(source.NowMs() - start, 2000);
    EXPECT_LE(source.NowMs() - start, 2050);
    EXPECT_FALSE(model.Canport()->LinkVerified());
}

TEST_F(PortSearchTest, ASearchEndsAtOnceWhenTheApplicationStops)
{
    peers.Answer(4);
    for (int target : {2, 3}) {
        model.SetCurrentCommTarget(target);
        model.SetLastOrvPort(4);
        model.ReplaceCanport();
        int pumps = 0;
        TGPSClock::SetPumpHook([&] { return ++pumps > 0; }); // terminating from the first turn
        EXPECT_FALSE(model.FindCommTarget()) << target;
        TGPSClock::SetPumpHook(nullptr);
        EXPECT_EQ(1, pumps) << target; // no further wait after the first
        EXPECT_TRUE(model.Search().SearchLinks().empty());
    }
}

// The owner asks the search to stop (a recovery action waits for it): the
// search and the check of the known port end at their next wait, as if
// nothing had answered, and leave no search link behind.
TEST_F(PortSearchTest, ASearchEndsAtOnceWhenItsOwnerAsksItToStop)
{
    for (int target : {2, 3}) {
        model.SetCurrentCommTarget(target);
        model.SetLastOrvPort(1); // silent: only the stop can end it early
        model.ReplaceCanport();
        int waits = 0;
        model.Search().SetWaitHook([&](int ms) {
            ++waits;
            TMainThreadCalls::WaitPumping(ms);
        });
        model.Search().SetStopHook([&] { return waits > 0; });
        EXPECT_FALSE(model.FindCommTarget()) << target;
        EXPECT_EQ(1, waits) << target;
        EXPECT_TRUE(model.Search().SearchLinks().empty());
        EXPECT_FALSE(model.SearchRunning());
    }
}

// A link replaced while the known port is checked on it (something run from
// inside the check's wait) is closed at once and the check stops; the link
// is freed only once the check has returned.
TEST_F(PortSearchTest, ALinkReplacedDuringTheCheckOfItsPortOutlivesTheCheck)
{
    model.SetCurrentCommTarget(3);
    model.SetLastOrvPort(1); // silent: the check would take its two seconds
    model.ReplaceCanport();
    const TDVIOController* checked = model.Canport();
    int waits = 0;
    model.Search().SetWaitHook([&](int ms) {
        if (waits++ == 0)
            model.ReplaceCanport();
        TMainThreadCalls::WaitPumping(ms);
    });
    EXPECT_FALSE(model.FindCommTarget());
    EXPECT_EQ(1, waits);
    EXPECT_NE(checked, model.Canport());
    EXPECT_EQ(0, serial.OpenCount()); // the replaced link's port is closed
    // The next check runs in full on the new link.
    waits = 2;
    peers.Answer(1);
    EXPECT_TRUE(model.FindCommTarget());
}

TEST_F(PortSearchTest, OddTargetWithoutALinkOrWithABadTargetFails)
{
    model.SetCurrentCommTarget(1);
    model.SetLastOrvPort(2);
    EXPECT_FALSE(model.FindCommTarget()); // no link in use
    model.SetCurrentCommTarget(6);
    EXPECT_FALSE(model.FindCommTarget());
}

TEST_F(PortSearchTest, LinkFailureFlagsAndThePortLock)
{
    EXPECT_EQ(0, model.LinkFailureFlags()); // no link
    EXPECT_EQ(-1, model.LinkKindForLog());
    model.SetCurrentCommTarget(5);
    model.SetCanport(model.NewCanport());
    EXPECT_EQ(5, model.LinkKindForLog());
    EXPECT_EQ(lfNotHealthy, model.LinkFailureFlags()); // never opened
    model.Canport()->SetLinkUp(true);
    EXPECT_EQ(0, model.LinkFailureFlags());
    model.Canport()->SetLinkUp(false);
    EXPECT_EQ(lfUsbCanPing | lfNotHealthy, model.LinkFailureFlags());

    model.SetPortLocked(true);
    model.SetCurrentCommTarget(0);
    EXPECT_EQ(5, model.CurrentCommTarget());
    model.SetPortLocked(false);
    model.SetCurrentCommTarget(0);
    EXPECT_EQ(0, model.CurrentCommTarget());
    model.SetCanport(nullptr);
    EXPECT_EQ(0, model.LinkFailureFlags());
}

} // namespace
} // namespace orv
