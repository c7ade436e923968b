#include "app/StartupSequence.h"

#include "FakeStartupHost.h"
#include "nav/GPSClock.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class StartupSequenceTest : public ::testing::Test {
protected:
    StartupSequenceTest() { TGPSClock::Install(clock); }
    ~StartupSequenceTest() override { TGPSClock::Uninstall(); }

    void SetUp() override
    {
        machine.InitStateTable([this] { host.tickEnabled = false; });
        seq.InstallHandlers();
    }

    // Steps the machine and returns the states it was in after each step.
    std::vector<int> Steps(int n)
    {
        std::vector<int> states;
        for (int i = 0; i < n; ++i) {
            machine.StepStateMachine();
            states.push_back(machine.CurrentState);
        }
        return states;
    }

    FakeTimeSource clock;
    test::FakeStartupHost host{clock};
    TStartupStateMachine machine;
    TStartupSequence seq{machine, host};
};

TEST_F(StartupSequenceTest, WithNoKnownPortTheSearchCyclesThroughEveryLinkAndTheHub)
{
    // 0 -> 4 -> 6 (search GPIO) -> 7 -> 8 -> 3 (hub restart fails) -> 9 -> 6 ...
    const auto states = Steps(12);
    const std::vector<int> expected = {4, 6, 6, 7, 7, 8, 8, 3, 6, 6, 7, 7};
    EXPECT_EQ(expected, states);
    EXPECT_EQ((std::vector<int>{0, 2, 4, 0, 2}), host.targets);
    // State 9 shows the failure page, restarts the hub again and waits 5 s.
    EXPECT_EQ(1, host.failurePagesShown);
    EXPECT_EQ(2, host.hubRestarts);
    EXPECT_EQ(std::vector<int64_t>{5000}, host.delays);
    EXPECT_TRUE(host.tickEnabled);
}

TEST_F(StartupSequenceTest, AHubRestartThatWorksWaitsForTheAdapterThenSearchesAgain)
{
    host.hubRestartResult = true;
    Steps(8); // ... 8 fails -> 3 entered
    ASSERT_EQ(stRestartingHub, machine.CurrentState);
    EXPECT_EQ("Waiting unit USB Insert event", host.diagnostics.back());
    machine.StepStateMachine(); // still waiting
    EXPECT_EQ(stRestartingHub, machine.NextState);
    host.usbSeen = true;
    machine.StepStateMachine();
    EXPECT_EQ(stSearchingGpioPort, machine.NextState); // "Setting Up" was visited
}

TEST_F(StartupSequenceTest, TheHubWaitEndsAfterFiveSeconds)
{
    host.hubRestartResult = true;
    Steps(8);
    clock.AdvanceMs(4999);
    machine.StepStateMachine();
    EXPECT_EQ(stRestartingHub, machine.NextState);
    clock.AdvanceMs(2);
    machine.StepStateMachine();
    EXPECT_EQ(stSearchingGpioPort, machine.NextState);
}

TEST_F(StartupSequenceTest, AKnownPortIsVerifiedStoredAndAwaitsInitialization)
{
    host.fIni.WriteInteger("Comm Settings", "LastOrvPort", 7);
    host.fIni.WriteInteger("Comm Settings", "CurrentCommTarget", 5);
    host.findResults = {true};
    EXPECT_EQ((std::vector<int>{4, 5, 2}), Steps(3));
    EXPECT_EQ(7, host.lastOrvPort);
    EXPECT_EQ(5, host.currentCommTarget);
    EXPECT_EQ("Found USB to CAN Adapter port: 7", host.diagnostics.back());
    // Written and saved.
    TMemIniFile disk(host.fIni.FileName());
    EXPECT_EQ(7, disk.ReadInteger("Comm Settings", "LastOrvPort", 255));
    EXPECT_EQ(5, disk.ReadInteger("Comm Settings", "CurrentCommTarget", 0));
}

TEST_F(StartupSequenceTest, AStoredSearchTargetIsReadAsTheGpioBoard)
{
    for (int stored : {0, 2, 4, 9}) {
        host.fIni.WriteInteger("Comm Settings", "LastOrvPort", 3);
        host.fIni.WriteInteger("Comm Settings", "CurrentCommTarget", stored);
        seq.EnterSettingUp(stSettingUp);
        EXPECT_EQ(1, host.currentCommTarget) << stored;
        EXPECT_EQ(stNamedPortFound, machine.NextState);
    }
}

TEST_F(StartupSequenceTest, AnOutOfRangePortIsSearchedForAfresh)
{
    host.fIni.WriteInteger("Comm Settings", "LastOrvPort", 4000);
    seq.EnterSettingUp(stSettingUp);
    EXPECT_EQ(255, host.lastOrvPort);
    EXPECT_EQ(stSearchingGpioPort, machine.NextState);
}

TEST_F(StartupSequenceTest, AKnownPortThatDoesNotVerifySearchesWhenNominalWasNeverReached)
{
    host.fIni.WriteInteger("Comm Settings", "LastOrvPort", 2);
    host.findResults = {false};
    EXPECT_EQ((std::vector<int>{4, 5, 10, 6}), Steps(4));
    EXPECT_EQ(1, host.reinits);
}

TEST_F(StartupSequenceTest, SearchSuccessGoesToNamedPortWithTheOddTarget)
{
    host.findResults = {false, true, true};
    host.foundPort = 12;
    const auto states = Steps(6);
    EXPECT_EQ((std::vector<int>{4, 6, 6, 7, 7, 5}), states);
    EXPECT_EQ(3, host.currentCommTarget);
    EXPECT_EQ("Found Direct Serial port: 12", host.diagnostics.back());
}

TEST_F(StartupSequenceTest, AwaitingInitializationRequestsStatusOncePerSecondAndFailsOnTheEleventh)
{
    machine.CurrentState = machine.NextState = stAwaitingInitialization;
    int failures = 0;
    machine.State(stAwaitingInitialization).onFail = [&] { ++failures; };
    for (int ms = 0; ms < 10'500; ms += 10) {
        machine.StepStateMachine();
        clock.AdvanceMs(10);
    }
    EXPECT_EQ(11, host.statusRequests);
    EXPECT_EQ(1, failures);
    EXPECT_EQ(10, std::count(host.diagnostics.begin(), host.diagnostics.end(), "Requesting Controller Statuses"));
    EXPECT_EQ(stAwaitingInitialization, machine.NextState); // a failure of state 2 stays in state 2
    host.settingsReported = true;
    machine.StepStateMachine();
    EXPECT_EQ(stNominal, machine.NextState);
}

TEST_F(StartupSequenceTest, EnteringNominalLocksThePortAndConfiguresTheChannels)
{
    host.dataVaultPort = 3;
    host.reabePort = 7; // outside 1..4: ignored
    host.failurePage = true;
    host.lastOrvPort = 4;
    seq.FastRecoveryCount = 3;
    machine.VisitedStates = MakeStateSet({1, 2, 5});
    machine.State(stNominal).PassCount = 9;
    machine.State(stNamedPortFound).PassCount = 9;
    seq.EnterNominal(stNominal);
    EXPECT_TRUE(host.portLocked);
    EXPECT_TRUE(host.usbSeen);
    EXPECT_EQ(1, host.gpsStarts);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{3, 3}}), host.channelConfigs);
    EXPECT_EQ(std::vector<int64_t>{200}, host.delays);
    EXPECT_EQ(1, host.failurePagesLeft);
    EXPECT_TRUE(seq.NominalReachedOnce);
    EXPECT_EQ(4, seq.LastNominalPort);
    EXPECT_EQ(0, seq.FastRecoveryCount);
    EXPECT_EQ(0u, machine.VisitedStates);
    EXPECT_EQ(9, machine.State(stNominal).PassCount);
    EXPECT_EQ(0, machine.State(stNamedPortFound).PassCount);
}

TEST_F(StartupSequenceTest, AfterNominalEveryFifthFastRecoveryRestartsTheHubFirst)
{
    host.portLocked = true;
    host.lastOrvPort = 4;
    std::vector<int> next;
    for (int attempt = 1; attempt <= 10; ++attempt) {
        seq.EnterFastRecovery(stAttemptingFastRecovery);
        next.push_back(machine.NextState);
    }
    EXPECT_EQ((std::vector<int>{5, 5, 5, 3, 5, 5, 5, 5, 3, 5}), next);
}

TEST_F(StartupSequenceTest, FastRecoveryWithoutALockedPortGoesStraightToNominal)
{
    host.lastOrvPort = 4;
    machine.CurrentState = stAttemptingFastRecovery;
    machine.State(stNamedPortFound).PassCount = 4;
    seq.EnterFastRecovery(stAttemptingFastRecovery);
    EXPECT_EQ(stNominal, machine.NextState);
    EXPECT_EQ(0, machine.State(stNamedPortFound).PassCount);
}

TEST_F(StartupSequenceTest, ALinkFailureInNominalShowsTheFailurePageAndRecoversFast)
{
    host.portLocked = true;
    host.lastOrvPort = 4;
    machine.CurrentState = machine.NextState = stNominal;
    machine.ReportState(sttype_Failure);
    EXPECT_EQ(1, host.failurePagesShown);
    EXPECT_EQ(stAttemptingFastRecovery, machine.NextState);
    host.findResults = {true};
    EXPECT_EQ((std::vector<int>{14, 5, 2}), Steps(3));
}

// No port known (255): the fast recovery cannot check one again and searches,
// whether or not "Nominal" locked the port, instead of failing into itself.
TEST_F(StartupSequenceTest, FastRecoveryWithNoPortKnownSearches)
{
    for (bool locked : {true, false}) {
        host.portLocked = locked;
        host.lastOrvPort = 255;
        host.tickEnabled = false;
        machine.CurrentState = stAttemptingFastRecovery;
        machine.NextState = stAttemptingFastRecovery;
        seq.EnterFastRecovery(stAttemptingFastRecovery);
        EXPECT_EQ(stSearchingGpioPort, machine.NextState) << locked;
        EXPECT_FALSE(host.portLocked) << locked;
        EXPECT_TRUE(host.tickEnabled) << locked;
    }
    // And from "Nominal" reached on no port, the search finds one and the
    // machine goes on through the check of that port.
    host.portLocked = true;
    machine.CurrentState = machine.NextState = stNominal;
    machine.VisitedStates = 0;
    machine.ReportState(sttype_Failure);
    host.findResults = {true, true};
    host.foundPort = 3;
    EXPECT_EQ((std::vector<int>{14, 6, 6, 5, 2}), Steps(5));
    EXPECT_EQ(3, host.lastOrvPort);
}

TEST_F(StartupSequenceTest, AnApplicationErrorHandsOverToTheErrorPage)
{
    machine.NextState = stApplicationErrorRaised;
    machine.StepStateMachine();
    EXPECT_EQ(1, host.applicationErrors);
}

} // namespace
} // namespace orv
