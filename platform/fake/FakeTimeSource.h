#pragma once
#include "platform/TimeSource.h"

#include <atomic>

namespace orv {

// A counter that moves only when told to (or by a fixed step on every read,
// so that busy waits end). One tick is one microsecond.
class FakeTimeSource final : public ITimeSource {
public:
    explicit FakeTimeSource(double wallClockDays = 46000.5) : fWall(wallClockDays) {}

    int64_t Ticks() override { return fTicks.fetch_add(fStepPerRead.load()) ; }
    int64_t Frequency() override { return 1'000'000; }
    double WallClockNow() override { return fWall.load() + DaysOfTicks(); }

    void AdvanceMs(int64_t ms) { fTicks += ms * 1000; }
    void AdvanceUs(int64_t us) { fTicks += us; }
    // Every read of Ticks moves the counter by this many microseconds.
    void SetStepPerReadUs(int64_t us) { fStepPerRead = us; }
    int64_t NowMs() const { return fTicks.load() / 1000; }
    // Someone sets the system clock: from now on it reads `days` and runs on
    // from there with the counter; the counter itself does not move.
    void SetWallClock(double days) { fWall = days - DaysOfTicks(); }

private:
    double DaysOfTicks() const { return static_cast<double>(fTicks.load()) / 1e6 / 86400.0; }

    std::atomic<int64_t> fTicks{1'000'000'000};
    std::atomic<int64_t> fStepPerRead{0};
    std::atomic<double> fWall;
};

} // namespace orv
