#include "app/StateMachine.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class StateMachineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m.InitStateTable([this] { ++tickDisabled; });
        m.SetShowText([this](const std::vector<std::string>& l) { shown = l; });
        m.SetDebug([this](const std::string& l) { debug.push_back(l); });
    }
    TStartupStateMachine m;
    int tickDisabled = 0;
    std::vector<std::string> shown;
    std::vector<std::string> debug;
};

TEST_F(StateMachineTest, TableHoldsNamesTextsAndLimits)
{
    EXPECT_STREQ("Searching For USB to CAN Port", TStartupStateMachine::StateName(8));
    EXPECT_EQ(std::vector<std::string>{"Find Bamed Port Failed Failed"}, m.State(10).FailureText);
    EXPECT_TRUE(m.State(stAwaitingInitialization).EnteredText.empty());
    const int limits[kStateCount] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 3, 1, 0, 0, 0, 10, 2};
    for (int i = 0; i < kStateCount; ++i)
        EXPECT_EQ(limits[i], m.State(i).MaxPasses) << i;
    EXPECT_EQ(stNotStarted, m.CurrentState);
    EXPECT_EQ(stSettingUp, m.NextState);
}

TEST_F(StateMachineTest, StepEntersTheNextStateAndShowsItsText)
{
    int entered = -1;
    m.State(stSettingUp).onEnter = [&](int s) { entered = s; };
    m.StepStateMachine();
    EXPECT_EQ(stSettingUp, m.CurrentState);
    EXPECT_EQ(stNotStarted, m.PreviousState);
    EXPECT_EQ(stSettingUp, entered);
    EXPECT_EQ(std::vector<std::string>{"Start Up Entered"}, shown);
    EXPECT_TRUE(m.Visited(stNotStarted));
    EXPECT_FALSE(m.Visited(stSettingUp)); // visited is recorded at the next step
}

TEST_F(StateMachineTest, AnEmptyEnteredTextKeepsTheBox)
{
    shown = {"kept"};
    m.NextState = stAwaitingInitialization;
    m.StepStateMachine();
    EXPECT_EQ(std::vector<std::string>{"kept"}, shown);
}

TEST_F(StateMachineTest, StayingCountsPassesAndRunsExecuteOrDebugs)
{
    int runs = 0;
    m.State(stNotStarted).onExecute = [&] { ++runs; };
    m.NextState = stNotStarted;
    m.StepStateMachine();
    m.StepStateMachine();
    EXPECT_EQ(2, runs);
    EXPECT_EQ(2, m.State(stNotStarted).PassCount);
    m.State(stNotStarted).onExecute = nullptr;
    m.StepStateMachine();
    ASSERT_FALSE(debug.empty());
    EXPECT_EQ("fOnGeneralContinue: Not Started", debug.back());
}

TEST_F(StateMachineTest, AStateWithThreePassesRunsThreeTimesThenFailsReEntry)
{
    int runs = 0;
    int reEntry = -1;
    m.NextState = m.CurrentState = stFindNamedPortFailed;
    m.State(stFindNamedPortFailed).onExecute = [&] { ++runs; };
    m.State(stFindNamedPortFailed).onReEntryFail = [&](int s) { reEntry = s; };
    for (int i = 0; i < 3; ++i)
        m.StepStateMachine();
    EXPECT_EQ(3, runs);
    EXPECT_EQ(-1, reEntry);
    m.StepStateMachine();
    EXPECT_EQ(3, runs);
    EXPECT_EQ(stFindNamedPortFailed, reEntry);
}

TEST_F(StateMachineTest, TheDefaultReEntryFailureStopsTheTick)
{
    m.NextState = m.CurrentState = stFindPortFailed; // one pass allowed
    m.State(stFindPortFailed).onExecute = [] {};
    m.StepStateMachine();
    EXPECT_EQ(0, tickDisabled);
    m.StepStateMachine();
    EXPECT_EQ(1, tickDisabled);
}

TEST_F(StateMachineTest, SuccessTransitions)
{
    const std::pair<int, int> cases[] = {
        {0, 4}, {2, 1}, {14, 1}, {16, 1}, {5, 2}, {6, 5}, {7, 5}, {8, 5}, {3, 99}, {9, 99}, {1, 99},
    };
    for (auto [from, to] : cases) {
        m.CurrentState = static_cast<uint8_t>(from);
        m.NextState = 99;
        m.ReportState(sttype_success);
        EXPECT_EQ(to, m.NextState) << "from " << from;
        EXPECT_TRUE(m.State(from).Succeeded);
    }
}

TEST_F(StateMachineTest, FailureTransitions)
{
    const std::pair<int, int> cases[] = {
        {0, 13}, {5, 10}, {6, 7}, {7, 8}, {8, 3}, {1, 14}, {16, 14}, {14, 15}, {2, 99}, {3, 99}, {13, 99},
    };
    for (auto [from, to] : cases) {
        m.CurrentState = static_cast<uint8_t>(from);
        m.NextState = 99;
        m.ReportState(sttype_Failure);
        EXPECT_EQ(to, m.NextState) << "from " << from;
    }
}

TEST_F(StateMachineTest, NamedPortFailureSearchesUntilNominalWasVisited)
{
    m.SearchStartState = stSearchingGpioPort;
    m.CurrentState = stFindNamedPortFailed;
    m.ReportState(sttype_Failure);
    EXPECT_EQ(stSearchingGpioPort, m.NextState);
    m.VisitedStates |= StateBit(stNominal);
    m.ReportState(sttype_Failure);
    EXPECT_EQ(stAttemptingFastRecovery, m.NextState);
}

TEST_F(StateMachineTest, FailureRunsOnFailAndShowsTheFailureText)
{
    bool failed = false;
    m.State(stNominal).onFail = [&] { failed = true; };
    m.CurrentState = stNominal;
    m.ReportState(sttype_Failure);
    EXPECT_TRUE(failed);
    EXPECT_EQ(std::vector<std::string>{"Normal Failed"}, shown);
}

TEST_F(StateMachineTest, SuccessShowsTheEnteredTextLast)
{
    m.CurrentState = stNamedPortFound;
    m.ReportState(sttype_success);
    EXPECT_EQ(std::vector<std::string>{"Named Port Found Entered"}, shown);
    m.CurrentState = stAwaitingInitialization;
    m.ReportState(sttype_success);
    EXPECT_EQ(std::vector<std::string>{"Awaiting Initialization Success"}, shown);
}

TEST_F(StateMachineTest, TooManyPassesWithoutHandlerOnlyMattersInNotStarted)
{
    m.State(stNotStarted).onReEntryFail = nullptr;
    m.CurrentState = stNotStarted;
    m.ReportState(sttype_TooManyPasses);
    EXPECT_EQ(stApplicationErrorRaised, m.NextState);
    m.State(stNominal).onReEntryFail = nullptr;
    m.CurrentState = stNominal;
    m.NextState = stNominal;
    m.ReportState(sttype_TooManyPasses);
    EXPECT_EQ(stNominal, m.NextState);
}

TEST_F(StateMachineTest, ResetPassCountersKeepsTheGivenStates)
{
    for (int i = 0; i < kStateCount; ++i)
        m.State(i).PassCount = 5;
    m.ResetPassCounters(MakeStateSet({14, 16}));
    for (int i = 0; i < kStateCount; ++i)
        EXPECT_EQ(i == 14 || i == 16 ? 5 : 0, m.State(i).PassCount) << i;
}

} // namespace
} // namespace orv
