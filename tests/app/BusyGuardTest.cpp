#include "app/BusyGuard.h"

#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(BusyList, AHandlerCannotEnterItself)
{
    TBusyList busy;
    int timer = 0;
    int runs = 0;
    std::function<void()> handler = [&] {
        TBusyScope scope(busy, &timer);
        if (scope.WasBusy())
            return;
        ++runs;
        handler(); // a timer event delivered during a wait inside the handler
    };
    handler();
    EXPECT_EQ(1, runs);
    EXPECT_FALSE(busy.IsBusy(&timer));
    handler();
    EXPECT_EQ(2, runs);
}

class RateLimiterTest : public ::testing::Test {
protected:
    RateLimiterTest() { TGPSClock::Install(clock); }
    ~RateLimiterTest() override { TGPSClock::Uninstall(); }
    FakeTimeSource clock;
    TRateLimiter limiter;
};

TEST_F(RateLimiterTest, CalledEveryTenMsItRunsOncePerPeriod)
{
    int runs = 0;
    for (int ms = 0; ms < 5000; ms += 10) {
        limiter.RateLimitedCall("p", [&] { ++runs; }, 1000, 0);
        clock.AdvanceMs(10);
    }
    EXPECT_EQ(5, runs);
}

TEST_F(RateLimiterTest, ReportsFailureOnTheCallAfterTheLimitAndCountsAgain)
{
    std::vector<bool> oks;
    for (int i = 0; i < 13; ++i) {
        clock.AdvanceMs(100);
        const auto r = limiter.RateLimitedCall("p", nullptr, 100, 10);
        EXPECT_TRUE(r.called);
        oks.push_back(r.ok);
    }
    const std::vector<bool> expected = {true, true, true, true, true, true, true, true, true, true, false, true, true};
    EXPECT_EQ(expected, oks);
    clock.AdvanceMs(99);
    const auto skipped = limiter.RateLimitedCall("p", nullptr, 100, 10);
    EXPECT_FALSE(skipped.called);
    EXPECT_TRUE(skipped.ok);
}

TEST_F(RateLimiterTest, ResetStartsTheCountAgainButKeepsThePeriod)
{
    for (int i = 0; i < 10; ++i) {
        limiter.RateLimitedCall("p", nullptr, 100, 10);
        clock.AdvanceMs(100);
    }
    limiter.ResetRateLimitedCall("p");
    EXPECT_TRUE(limiter.RateLimitedCall("p", nullptr, 100, 10).ok);
    EXPECT_FALSE(limiter.RateLimitedCall("p", nullptr, 100, 10).called);
    // Each procedure has its own entry.
    EXPECT_TRUE(limiter.RateLimitedCall("q", nullptr, 100, 10).called);
}

} // namespace
} // namespace orv
