#include "nav/GPSClock.h"

#include "platform/fake/FakeTimeSource.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class GPSClockTest : public ::testing::Test {
protected:
    FakeTimeSource source;
    TGPSClock clock{source};
};

TEST_F(GPSClockTest, ZeroDeadlineIsExpiredAndSetDeadlineRunsForItsTime)
{
    TDeadline d;
    EXPECT_FALSE(clock.DeadlineRunning(d));
    clock.SetDeadline(500, d);
    EXPECT_TRUE(clock.DeadlineRunning(d));
    source.AdvanceMs(499);
    EXPECT_TRUE(clock.DeadlineRunning(d));
    source.AdvanceMs(1);
    EXPECT_TRUE(clock.DeadlineRunning(d)); // start <= now <= end
    source.AdvanceUs(1);
    EXPECT_FALSE(clock.DeadlineRunning(d));
}

TEST_F(GPSClockTest, ElapsedMsTruncates)
{
    const int64_t start = clock.Ticks();
    source.AdvanceUs(2999);
    EXPECT_EQ(2, clock.ElapsedMs(start));
}

TEST_F(GPSClockTest, DelayRunsTheFullTimeWithoutPump)
{
    source.SetStepPerReadUs(100);
    const int64_t before = source.NowMs();
    EXPECT_FALSE(clock.Delay(20, false));
    EXPECT_GE(source.NowMs() - before, 20);
}

TEST_F(GPSClockTest, DelayWithPumpServesTheLoopAndStopsWhenTerminating)
{
    int pumps = 0;
    bool terminating = false;
    TGPSClock::SetPumpHook([&] {
        ++pumps;
        source.AdvanceMs(10);
        return terminating;
    });
    EXPECT_FALSE(clock.Delay(100, true));
    EXPECT_GE(pumps, 9);
    terminating = true;
    pumps = 0;
    EXPECT_TRUE(clock.Delay(1000, true));
    EXPECT_EQ(1, pumps);
    TGPSClock::SetPumpHook(nullptr);
}

TEST_F(GPSClockTest, StopwatchIdsReuseTheHighest)
{
    EXPECT_EQ(1, clock.StartStopwatch());
    EXPECT_EQ(2, clock.StartStopwatch());
    EXPECT_EQ(3, clock.StartStopwatch());
    source.AdvanceMs(42);
    EXPECT_EQ(42, clock.StopwatchMs(3));
    EXPECT_EQ(42, clock.StopStopwatch(3));
    EXPECT_EQ(0, clock.StopwatchMs(3));
    EXPECT_EQ(3, clock.StartStopwatch());
    EXPECT_EQ(0, clock.StopwatchMs(99));
}

TEST_F(GPSClockTest, NowFollowsTheCounterNotTheWallClock)
{
    const TDateTime t0 = clock.Now();
    EXPECT_NEAR(source.WallClockNow(), t0, 1e-9); // it starts from the system's date-time
    // The system clock is set three days ahead, then an hour back; the counter
    // does not move, and neither does Now.
    source.SetWallClock(t0 + 3.0);
    EXPECT_NEAR(t0, clock.Now(), 1e-9);
    source.SetWallClock(t0 - 1.0 / 24);
    EXPECT_NEAR(t0, clock.Now(), 1e-9);
    // Half a day of counter later, Now is half a day on, whatever the system clock says.
    source.AdvanceMs(86'400'000 / 2);
    EXPECT_NEAR(t0 + 0.5, clock.Now(), 1e-9);
    EXPECT_NEAR(t0 - 1.0 / 24 + 0.5, source.WallClockNow(), 1e-9);
    source.AdvanceMs(1234);
    EXPECT_NEAR(t0 + 0.5 + 1234.0 / 86'400'000, clock.Now(), 1e-10);
}

TEST_F(GPSClockTest, TimeMarkKeepsOneStopwatchAndTwoSlots)
{
    EXPECT_FALSE(clock.TimeMarkOpen());
    clock.OpenTimeMark(0);
    EXPECT_TRUE(clock.TimeMarkOpen());
    source.AdvanceMs(30);
    clock.OpenTimeMark(1);
    EXPECT_EQ(0, clock.TimeMarkSlot(0));
    EXPECT_EQ(30, clock.TimeMarkSlot(1));
    clock.OpenTimeMark(2); // no such slot
    clock.CloseTimeMark();
    EXPECT_FALSE(clock.TimeMarkOpen());
    EXPECT_EQ(1, clock.StartStopwatch()); // the mark's stopwatch is gone
}

TEST_F(GPSClockTest, OverflowIsARangeError)
{
    TDeadline d;
    EXPECT_THROW(clock.SetDeadline(INT64_MAX / 10, d), std::range_error);
}

TEST(GPSClockInstance, InstallReplacesTheProcessWideClock)
{
    FakeTimeSource source;
    TGPSClock& c = TGPSClock::Install(source);
    EXPECT_EQ(&c, &TGPSClock::Instance());
    EXPECT_TRUE(TGPSClock::Exists());
    TGPSClock::Uninstall();
    EXPECT_FALSE(TGPSClock::Exists());
    OpenTimeMark(0); // harmless without a clock
    EXPECT_FALSE(TimeMarkOpen());
}

} // namespace
} // namespace orv
