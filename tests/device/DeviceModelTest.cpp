#include "device/DeviceModel.h"

#include "FakeControllerLink.h"
#include "platform/fake/FakeTimeSource.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::Report;

class DeviceModelTest : public ::testing::Test {
protected:
    DeviceModelTest()
    {
        TGPSClock::Install(clock);
        // Waits without the event loop must end too.
        clock.SetStepPerReadUs(1);
        TGPSClock::SetPumpHook([this] {
            clock.AdvanceMs(1);
            return false;
        });
        model.SetControllerLink(&link);
        for (int k = 0; k < kStatusKindCount; ++k)
            model.SetStatusHandler(k, [this, k](int board) { calls.push_back({k, board}); });
    }
    ~DeviceModelTest() override
    {
        TGPSClock::SetPumpHook(nullptr);
        TGPSClock::Uninstall();
    }

    void Feed(const TCanRecord& r) { model.DecodeControllerFrame(r); }
    // A "Status: " report: position, under CAN, pilot switch, status bits.
    TCanRecord Status(int board, uint16_t pos, uint8_t underCan = 0, uint8_t pilot = 0, uint8_t bits = 0,
                      uint8_t timerMode = 0, uint8_t delay = 0, uint8_t highSpeed = 0)
    {
        return Report(0x03, board,
                      {uint8_t(pos & 0xFF), uint8_t(pos >> 8), timerMode, delay, underCan, pilot, highSpeed, bits});
    }
    void ReportSettings(int board)
    {
        Feed(Report(0x04, board, {0x20, 0x03, 100, 0, 5, 40, 0, 0}));
        Feed(Report(0x07, board, {100, 0, 50, 1, 80, 90}));
    }

    FakeTimeSource clock;
    test::FakeControllerLink link;
    TDeviceModel model;
    std::vector<std::pair<int, int>> calls;
};

TEST_F(DeviceModelTest, InitialValuesOfEveryBoard)
{
    const TBoardState& b = model.Board(1);
    EXPECT_EQ(90, b.status.timeDelay);
    EXPECT_EQ(9000, b.status.position);
    EXPECT_EQ(9000, b.pmw.frequency);
    EXPECT_EQ(90, b.pmw.proportion);
    EXPECT_EQ(90, b.config.d7);
    EXPECT_EQ(25000, b.lastSentPosition);
    EXPECT_EQ(50, b.command[ciSetPwmParameters].Byte(7));
    EXPECT_EQ(1, b.command[ciSetDrySealValueAndMode].Byte(2));
    EXPECT_EQ(1, b.command[ciSetFeedbackPotDirection].Byte(1));
    EXPECT_EQ(0, model.FirstBoard());
    EXPECT_FALSE(model.SettingsReported());
}

TEST_F(DeviceModelTest, AnAddressedBoardRemovesTheBroadcastBoard)
{
    Feed(Status(0, 500));
    EXPECT_TRUE(model.BoardPresent(0));
    Feed(Status(1, 600));
    EXPECT_FALSE(model.BoardPresent(0));
    EXPECT_TRUE(model.BoardPresent(1));
    EXPECT_EQ(1, model.FirstBoard());
    const uint16_t before = model.Position(0);
    Feed(Status(0, 900));
    EXPECT_EQ(before, model.Position(0));
    EXPECT_FALSE(model.BoardPresent(0));
    Feed(Status(7, 900)); // no such board
    EXPECT_EQ(2u, model.State().unknownBoardFrames);
}

TEST_F(DeviceModelTest, StatusDecodesTheFlagWord)
{
    Feed(Status(0, 500, 1, 1, sbArmed | sbFault | sbHardStop | sbFoamOut | sbPumpsOn, 1, 5, 1));
    EXPECT_EQ(0x37F, model.StatusFlags(0));
    Feed(Status(0, 500, 0, 0, 0, 1, 0)); // timer mode needs a delay too
    EXPECT_EQ(0, model.StatusFlags(0));
    Feed(Status(0, 500, 0, 0, 0, 0, 9));
    EXPECT_EQ(0, model.StatusFlags(0));
    Feed(Status(0, 500, 0, 0, 0, 3, 9));
    EXPECT_EQ(sfTimerModeOn, model.StatusFlags(0));
}

TEST_F(DeviceModelTest, MovedMeansMoreThanTwoCounts)
{
    Feed(Status(0, 500));
    ASSERT_EQ(1u, calls.size()); // the first report marks everything
    auto& s = model.MutableState().boards[0].status;
    s.moved = s.flagsChanged = s.highSpeedChanged = false;
    calls.clear();
    Feed(Status(0, 502));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(500, model.Position(0));
    Feed(Status(0, 503));
    EXPECT_EQ(1u, calls.size());
    EXPECT_EQ(503, model.Position(0));
}

TEST_F(DeviceModelTest, ConfigAndPwmReportsCallTheirHandlersOnlyOnChange)
{
    ReportSettings(0);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{skConfig, 0}, {skPmwStatus, 0}}), calls);
    EXPECT_EQ(800, model.MaximumOpen(0));
    EXPECT_EQ(100, model.MinimumOpen(0));
    EXPECT_EQ(5, model.InnerDeadBand(0));
    EXPECT_EQ(40, model.OuterDeadBand(0));
    EXPECT_EQ(100, model.PwmFrequency(0));
    EXPECT_TRUE(model.PwmEnabled(0));
    EXPECT_EQ(90, model.MaxProportionalCurrent(0));
    EXPECT_TRUE(model.SettingsReported());
    calls.clear();
    ReportSettings(0);
    EXPECT_TRUE(calls.empty());
}

TEST_F(DeviceModelTest, CurrentReportRecomputesPilotAndCanBitsThenCallsBothHandlers)
{
    Feed(Status(0, 500));
    calls.clear();
    // set point 700, position 500, pot 300, pilot on, under CAN
    Feed(Report(0x09, 0, {0xBC, 0x02, 0xF4, 0x01, 0x2C, 0x01, 1, 1}));
    EXPECT_EQ(sfPilotSwitchOn | sfUnderCanControl, model.StatusFlags(0));
    EXPECT_EQ(700, model.CanSetPointEcho(0));
    EXPECT_EQ(300, model.PotPosition(0));
    EXPECT_TRUE(model.Board(0).current.potChanged);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{skCurrent, 0}, {skStatus, 0}}), calls);
}

TEST_F(DeviceModelTest, FirmwareAndBoardIdReports)
{
    Feed(Report(0x0D, 1, {'V', '2', '.', '1', '0', 'a', 'b', 'c'}));
    EXPECT_EQ("V2.10abc", model.FirmwareVersion(1));
    Feed(Report(0x16, 1, {7}));
    EXPECT_EQ(0, model.Board(1).boardId);
    Feed(Report(0x16, 1, {2}));
    EXPECT_EQ(2, model.Board(1).boardId);
    Feed(Report(0x10, 1, {}));
    EXPECT_EQ(1u, model.State().frameCounts[skMaxPwmValue]);
}

TEST_F(DeviceModelTest, SetPosRefusesAndClampsAsTheZerosRequire)
{
    model.setPos(0, 600);
    EXPECT_EQ(0, model.CommandedPosition(0)); // zeros not set
    model.SetZeroPosition(0, 200);
    model.setPos(0, 600);
    EXPECT_EQ(600, model.CommandedPosition(0));
    model.setPos(0, 0);
    EXPECT_EQ(600, model.CommandedPosition(0));
    model.setPos(0, 150);
    EXPECT_EQ(200, model.CommandedPosition(0));
    model.SetBoardsHeldClosed(BoardBit(0));
    model.setPos(0, 900);
    EXPECT_EQ(200, model.CommandedPosition(0));
    model.SetDryZeroPosition(0, 250);
    model.SetUsingDryZero(true);
    model.setPos(0, 900);
    EXPECT_EQ(250, model.CommandedPosition(0));
}

TEST_F(DeviceModelTest, PollingDecodesWhatWaitsAsksRevisionOnceAndPollsEvery100ms)
{
    link.received = {Status(0, 500), Status(0, 510), Status(0, 520)};
    model.PollController();
    EXPECT_TRUE(link.received.empty());
    EXPECT_EQ(520, model.Position(0));
    // First frame: revision, then the board ID; then the status poll.
    EXPECT_EQ((std::vector<int>{0x0C, 0x0C, 0x15, 0x15, 0x02, 0x02}), link.Codes());
    link.sent.clear();
    model.PollController();
    EXPECT_TRUE(link.sent.empty());
    clock.AdvanceMs(100);
    model.PollController();
    EXPECT_EQ((std::vector<int>{0x02, 0x02}), link.Codes());
    EXPECT_TRUE(link.received.empty());
}

TEST_F(DeviceModelTest, WithoutALinkPollingDoesNothing)
{
    model.SetControllerLink(nullptr);
    EXPECT_NO_THROW(model.PollController());
    EXPECT_FALSE(model.ControllerLinkHealthy());
    EXPECT_FALSE(model.SettingsReported());
}

TEST_F(DeviceModelTest, PositionFollowingSendsOnlyArmedUnderCanAndOnMovesAboveTwo)
{
    Feed(Status(0, 500, 1, 0, sbArmed));
    model.SetZeroPosition(0, 100);
    link.sent.clear();
    clock.AdvanceMs(1000);
    model.setPos(0, 600);
    model.PollController();
    auto controls = [&] {
        int n = 0;
        for (const auto& s : link.sent)
            n += CanMessageCode(s.record.Identifier) == 0x01;
        return n;
    };
    EXPECT_EQ(2, controls()); // the adapter sends it twice
    const TCanRecord& r = link.sent.front().record;
    EXPECT_EQ(600, DataWord(r.DataLow, r.DataHigh, 0));
    EXPECT_EQ(2, DataByte(r.DataLow, r.DataHigh, 2));
    link.sent.clear();
    clock.AdvanceMs(60);
    model.setPos(0, 602); // moved by 2: not re-sent
    model.PollController();
    EXPECT_EQ(0, controls());
    model.setPos(0, 603);
    model.PollController();
    EXPECT_EQ(2, controls());
    link.sent.clear();
    model.setPos(0, 700); // within 50 ms of the last send
    model.PollController();
    EXPECT_EQ(0, controls());
    clock.AdvanceMs(50);
    Feed(Status(0, 500, 1, 0, sbArmed | sbFault)); // a fault stops following
    link.sent.clear();
    model.PollController();
    EXPECT_EQ(0, controls());
}

TEST_F(DeviceModelTest, ConfigAndPwmCommandsWaitForTheSettingsReport)
{
    model.SetConfigOuterDeadBand(0, 45);
    model.SendConfigCmd(0, 4);
    model.SendPwmParameters(0, 1);
    EXPECT_TRUE(link.sent.empty());
    ReportSettings(0);
    model.SendConfigCmd(0, 4);
    ASSERT_FALSE(link.sent.empty());
    const TCanRecord& c = link.sent.front().record;
    EXPECT_EQ(0x00080005u, c.Identifier);
    EXPECT_EQ(45, DataByte(c.DataLow, c.DataHigh, 5));
    EXPECT_EQ(0, DataByte(c.DataLow, c.DataHigh, 6));
    EXPECT_EQ(4, DataByte(c.DataLow, c.DataHigh, 7));
    link.sent.clear();
    model.SetPwmProportionValue(0, 55);
    model.SendPwmParameters(0, 2);
    const TCanRecord& p = link.sent.front().record;
    EXPECT_EQ(55, DataByte(p.DataLow, p.DataHigh, 2));
    EXPECT_EQ(2, DataByte(p.DataLow, p.DataHigh, 6));
    EXPECT_EQ(50, DataByte(p.DataLow, p.DataHigh, 7));
}

TEST_F(DeviceModelTest, FeedbackPotDirectionIsSentOnlyWhenItChanges)
{
    model.SetFeedbackPotReversed(false);
    EXPECT_TRUE(link.sent.empty());
    model.SetFeedbackPotReversed(true);
    EXPECT_EQ((std::vector<int>{0x1A, 0x1A, 0x1B, 0x1B}), link.Codes());
    EXPECT_EQ(0, DataByte(link.sent[0].record.DataLow, 0, 0));
    EXPECT_EQ(1, DataByte(link.sent[0].record.DataLow, 0, 1));
    calls.clear();
    Feed(Report(0x1C, 0, {0}));
    EXPECT_TRUE(calls.empty()); // reported as set
    Feed(Report(0x1C, 0, {1}));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{skFeedbackPotDirection, 0}}), calls);
}

TEST_F(DeviceModelTest, SetBoardIdCarriesNoAddressAndTheNumberTwice)
{
    model.SetBoardID(2);
    ASSERT_EQ(2u, link.sent.size());
    const TCanRecord& r = link.sent[0].record;
    EXPECT_EQ(0x00080014u, r.Identifier);
    EXPECT_EQ(2, DataByte(r.DataLow, r.DataHigh, 0));
    EXPECT_EQ(2, DataByte(r.DataLow, r.DataHigh, 7));
    link.sent.clear();
    model.SetBoardID(3);
    EXPECT_TRUE(link.sent.empty());
}

TEST_F(DeviceModelTest, TheFirstSealedEchoSendsTheSealModeAndLaterOnesAreChecked)
{
    Feed(Status(0, 500));
    ReportSettings(0);
    model.SetZeroPosition(0, 100);
    model.SetDryZeroPosition(0, 120);
    link.sent.clear();
    // value 120, mode 1 (dry zero not in use), minimum 100
    Feed(Report(0x19, 0, {120, 0, 1, 100, 0}));
    EXPECT_TRUE(model.State().drySealEchoReceived);
    ASSERT_GE(link.sent.size(), 2u);
    const TCanRecord& seal = link.sent[0].record;
    EXPECT_EQ(0x00080017u, seal.Identifier);
    EXPECT_EQ(120, DataWord(seal.DataLow, seal.DataHigh, 0));
    EXPECT_EQ(1, DataByte(seal.DataLow, seal.DataHigh, 2));
    link.sent.clear();
    clock.AdvanceMs(600);
    Feed(Report(0x19, 0, {120, 0, 1, 100, 0})); // matches: nothing to do
    EXPECT_TRUE(link.sent.empty());
    Feed(Report(0x19, 0, {120, 0, 1, 90, 0})); // minimum off: set it and ask again
    EXPECT_EQ(100, model.ConfigMinimum(0));
    EXPECT_EQ((std::vector<int>{0x18, 0x18}), link.Codes());
    link.sent.clear();
    Feed(Report(0x19, 0, {110, 0, 1, 100, 0})); // within 500 ms: no second request
    EXPECT_TRUE(link.sent.empty());
}

TEST_F(DeviceModelTest, APilotSwitchChangeResendsTheControlMessageAfterTheNextStatus)
{
    Feed(Status(0, 500));
    model.SetZeroPosition(0, 100);
    model.setPos(0, 400);
    link.sent.clear();
    Feed(Status(0, 500, 1, 1, sbArmed));
    EXPECT_EQ((std::vector<int>{0x01, 0x01}), link.Codes());
    EXPECT_TRUE(model.Board(0).samples.empty());
}

TEST_F(DeviceModelTest, WithoutACommandedPositionNoControlMessageAsksTheGateToFollowOne)
{
    // A pilot switch that is on already at the first report: nothing to resend.
    Feed(Status(0, 500, 1, 1, sbArmed));
    EXPECT_TRUE(link.Codes().empty());
    EXPECT_TRUE(model.Board(0).samples.empty());
    // The timer bits still go out, without asking the gate to follow.
    model.SetControlBits(0, 7);
    ASSERT_EQ((std::vector<int>{0x01, 0x01}), link.Codes());
    const TCanRecord& r = link.sent[0].record;
    EXPECT_EQ(0, DataByte(r.DataLow, r.DataHigh, 0) | DataByte(r.DataLow, r.DataHigh, 1) << 8);
    EXPECT_EQ(0, DataByte(r.DataLow, r.DataHigh, 2)) << "control mode";
    EXPECT_EQ(7, DataByte(r.DataLow, r.DataHigh, 7));
    // Once a position is commanded, the pilot switch asks for it.
    model.SetZeroPosition(0, 100);
    model.setPos(0, 400);
    link.sent.clear();
    model.SetControlBits(0, 0);
    ASSERT_FALSE(link.sent.empty());
    EXPECT_EQ(2, DataByte(link.sent[0].record.DataLow, link.sent[0].record.DataHigh, 2));
}

TEST_F(DeviceModelTest, RequestAllStatusSendsConfigStatusAndPwmRequests)
{
    model.RequestAllOrvStatus();
    EXPECT_EQ((std::vector<int>{0x0A, 0x0A, 0x02, 0x02, 0x08, 0x08}), link.Codes());
}

} // namespace
} // namespace orv
