#include "app/DeferredActions.h"

#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

// The waits of the clock count themselves, nested ones too, and only while
// they serve the event loop.
TEST(PumpingWaits, CountTheWaitsThatServeTheEventLoopNestedOnesEach)
{
    FakeTimeSource source;
    TGPSClock& clock = TGPSClock::Install(source);
    std::vector<int> seen;
    bool nested = false;
    TGPSClock::SetPumpHook([&] {
        seen.push_back(TGPSClock::PumpingWaits());
        source.AdvanceMs(10);
        if (!nested) {
            nested = true;
            clock.Delay(10, true);
        }
        return false;
    });
    EXPECT_EQ(0, TGPSClock::PumpingWaits());
    clock.Delay(20, true);
    EXPECT_EQ(0, TGPSClock::PumpingWaits());
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(1, seen[0]);
    EXPECT_EQ(2, seen[1]);
    seen.clear();
    source.SetStepPerReadUs(1000); // a wait that serves nothing ends by the counter alone
    clock.Delay(20, false);
    EXPECT_TRUE(seen.empty());
    TGPSClock::SetPumpHook(nullptr);
    TGPSClock::Uninstall();
}

class DeferredActionsTest : public ::testing::Test {
protected:
    int waits = 0;
    int callsAsked = 0;
    std::vector<std::string> ran;
    TDeferredActions actions{{[this] { return waits; }, [this] { ++callsAsked; }}};

    TDeferredActions::Action Record(const std::string& name)
    {
        return [this, name] { ran.push_back(name); };
    }
};

TEST_F(DeferredActionsTest, WithNoWaitRunningAnActionRunsAtOnce)
{
    EXPECT_TRUE(actions.Request(1, Record("retry")));
    EXPECT_EQ(std::vector<std::string>{"retry"}, ran);
    EXPECT_FALSE(actions.Pending());
    EXPECT_EQ(0, callsAsked);
}

TEST_F(DeferredActionsTest, DuringAWaitActionsAreKeptOncePerKindAndRunInOrderAfterIt)
{
    waits = 1;
    EXPECT_FALSE(actions.Request(1, Record("retry")));
    EXPECT_FALSE(actions.Request(2, Record("try restart")));
    EXPECT_FALSE(actions.Request(1, Record("retry again")));
    EXPECT_TRUE(ran.empty());
    EXPECT_TRUE(actions.Pending(1));
    EXPECT_TRUE(actions.Pending(2));
    EXPECT_FALSE(actions.Pending(3));
    EXPECT_GE(callsAsked, 1);

    // Called back while the wait still runs: nothing yet, and it asks again.
    const int asked = callsAsked;
    actions.RunPending();
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(asked + 1, callsAsked);

    waits = 0;
    actions.RunPending();
    EXPECT_EQ((std::vector<std::string>{"retry", "try restart"}), ran);
    EXPECT_FALSE(actions.Pending());
}

TEST_F(DeferredActionsTest, AnActionAskedForInsideTheWaitsOfARunningOneFollowsIt)
{
    actions.Request(1, [this] {
        ran.push_back("retry starts");
        // The retry's own wait serves a press of "Try Restart".
        waits = 1;
        EXPECT_FALSE(actions.Request(2, Record("try restart")));
        actions.RunPending(); // the call-back fires inside the wait
        waits = 0;
        ran.push_back("retry ends");
    });
    EXPECT_EQ((std::vector<std::string>{"retry starts", "retry ends"}), ran);
    ASSERT_TRUE(actions.Pending(2));
    actions.RunPending();
    EXPECT_EQ((std::vector<std::string>{"retry starts", "retry ends", "try restart"}), ran);
}

TEST_F(DeferredActionsTest, AnActionAskedForWhileOthersAreKeptWaitsItsTurn)
{
    waits = 1;
    actions.Request(1, Record("retry"));
    waits = 0;
    // Asked for outside any wait, it still comes after the one kept before it.
    EXPECT_FALSE(actions.Request(2, Record("quit")));
    actions.RunPending();
    EXPECT_EQ((std::vector<std::string>{"retry", "quit"}), ran);
}

} // namespace
} // namespace orv
