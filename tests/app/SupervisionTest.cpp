#include "app/Supervision.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace orv {
namespace {

TEST(LinkFailureText, NamesEveryFlagInOrder)
{
    EXPECT_EQ("No fCanport Assigned", LinkFailureText(false, 0x7F));
    EXPECT_EQ("", LinkFailureText(true, 0));
    // A verified link whose CAN ping ran out of tries and whose send watchdog expired.
    EXPECT_EQ("Comport is Inactive; CAN Failed; Send Watchdog Timer Failed; ",
              LinkFailureText(true, lfNotHealthy | lfCanPing | lfSendBlocked));
    EXPECT_EQ("Comport is Inactive; Serial Comm Failed; GPIO Failed; CAN Failed; USB to CAN Failed; "
              "Send Watchdog Timer Failed; Receive Watchdog Timer Failed; ",
              LinkFailureText(true, 0x7F));
}

TEST(LinkFailureDecision, OnlyTheLinkStatesReactAndAnUnhealthyLinkFailsOnlyNominal)
{
    struct Case {
        int state;
        uint8_t flags;
        bool fails;
    };
    const Case cases[] = {
        {stNominal, lfNotHealthy, true},
        {stAwaitingInitialization, lfNotHealthy, false},
        {stNamedPortFound, lfNotHealthy, false},
        {stNominal, lfCanPing, true},
        {stAwaitingInitialization, lfReceiveBlocked | lfNotHealthy, true},
        {stNamedPortFound, lfUsbCanPing, true},
        {stSearchingGpioPort, lfCanPing, false},
        {stRestartingHub, 0x7F, false},
    };
    for (const auto& c : cases) {
        TStartupStateMachine m;
        bool failed = false;
        m.State(c.state).onFail = [&] { failed = true; };
        m.CurrentState = static_cast<uint8_t>(c.state);
        m.NextState = 99;
        LinkFailureDecision(m, c.flags);
        EXPECT_EQ(c.fails, failed) << "state " << c.state << " flags " << int(c.flags);
    }
}

TEST(SupervisionTick, StepsOnlyWithADeviceModel)
{
    TStartupStateMachine m;
    bool model = false;
    TSupervisionTick tick(m, {[&] { return model; }, [] { return uint8_t(0); }, nullptr});
    tick.Run();
    EXPECT_EQ(stNotStarted, m.CurrentState);
    model = true;
    tick.Run();
    EXPECT_EQ(stSettingUp, m.CurrentState);
}

TEST(SupervisionTick, AFailureInNominalLeadsToFastRecovery)
{
    TStartupStateMachine m;
    m.CurrentState = m.NextState = stNominal;
    TSupervisionTick tick(m, {[] { return true; }, [] { return uint8_t(lfNotHealthy); }, nullptr});
    tick.Run();
    EXPECT_EQ(stAttemptingFastRecovery, m.CurrentState);
    EXPECT_EQ(lfNotHealthy, tick.LastLinkFailureFlags());
}

TEST(SupervisionTick, AnExceptionSendsTheMachineToApplicationError)
{
    TStartupStateMachine m;
    int errorPages = 0;
    std::string reported;
    m.State(stApplicationErrorRaised).onEnter = [&](int) { ++errorPages; };
    m.State(stSettingUp).onEnter = [](int) { throw std::runtime_error("boom"); };
    TSupervisionTick tick(m, {[] { return true; }, [] { return uint8_t(0); },
                              [&](const std::string& w) { reported = w; }});
    tick.Run();
    EXPECT_EQ(stApplicationErrorRaised, m.CurrentState);
    EXPECT_EQ(1, errorPages);
    EXPECT_EQ("boom", reported);
}

} // namespace
} // namespace orv
