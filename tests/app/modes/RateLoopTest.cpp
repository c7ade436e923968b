#include "tests/app/modes/ModeTestSupport.h"
#include "nav/GpsSource.h"
#include "platform/fake/FakeSerialLibrary.h"
#include "store/Format.h"
#include "ui/PageTable.h"
#include "ui/UnitFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace orv {
namespace {

using test::ModeRig;

class RateLoop : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.Board(0);
        rig.host.pageMode = osNominal;
        rig.controller.Start();
    }
    void Set(uint8_t mode)
    {
        rig.host.shownPage = pgSelectPrimaryMode;
        rig.controller.State().primaryMode = mode;
        rig.controller.Modes().NewQuantities();
        rig.controller.Modes().SetPrimaryMode(mode);
        rig.host.shownPage = mode == pmFireGate ? pgRunGate : pgRunDryMaterial;
    }
    TModeState& S() { return rig.controller.State(); }
    ModeRig rig;
};

TEST_F(RateLoop, DryOpeningIsTheDryZeroPlusTheShareOfTheBoardTravel)
{
    Set(pmDryMaterial);
    S().currentOpening = 50;
    rig.controller.Loop().SendOpening(0);
    EXPECT_EQ(rig.model.CommandedPosition(0), 150 + 375); // dry zero + (900 - 150) × 50 %

    S().currentOpening = 12.3f;
    rig.controller.Loop().SendOpening(0);
    EXPECT_EQ(rig.model.CommandedPosition(0), 150 + std::lround(750 * 0.123));
}

TEST_F(RateLoop, FlowBlockedDrivesTheDryGateToItsDryZero)
{
    Set(pmDryMaterial);
    S().currentOpening = 50;
    rig.controller.SetFlowBlocked(true);
    rig.controller.Loop().SendOpening(0);
    EXPECT_EQ(rig.model.CommandedPosition(0), 150);
}

TEST_F(RateLoop, NothingIsSentOnTheSetUpPagesOrWithoutASpan)
{
    Set(pmDryMaterial);
    rig.model.setPos(0, 300);
    S().currentOpening = 50;
    for (int page : {pgMaxMinOpenings, pgDryZero, pgSelectPrimaryMode, pgCalibrateOpeningDistance, pgConfiguration}) {
        rig.host.shownPage = page;
        rig.controller.Loop().SendOpening(0);
        EXPECT_EQ(rig.model.CommandedPosition(0), 300) << page;
    }
    rig.host.shownPage = pgRunDryMaterial;
    rig.host.configuredMax[0] = 120; // no span above the sealed position
    rig.controller.Loop().SendOpening(0);
    EXPECT_EQ(rig.model.CommandedPosition(0), 300);
}

TEST_F(RateLoop, TargetAboveTheWordRangeIsARangeError)
{
    Set(pmDryMaterial);
    S().currentOpening = 10000; // far beyond the board's travel
    rig.Settings(0, 60000, 120);
    EXPECT_THROW(rig.controller.Loop().SendOpening(0), std::range_error);
}

TEST_F(RateLoop, AModeWithoutPresetKeepsItsGateClosed)
{
    struct Case {
        uint8_t mode;
        int page;
        int closed;
    };
    for (const Case c : {Case{pmMeteringPlate, pgMeteringPlate, 150}, Case{pmWetSealed, pgRunWetSealed, 120}}) {
        Set(c.mode);
        rig.host.shownPage = c.page;
        ASSERT_EQ(rig.controller.Preset(), nullptr);
        rig.model.setPos(0, 600);
        rig.controller.TimerUpdateQuantitiesTimer();
        EXPECT_EQ(rig.model.CommandedPosition(0), c.closed) << int(c.mode);
    }
}

TEST_F(RateLoop, FireGateOpeningFollowsTheModelAndFlowBlockedSeals)
{
    Set(pmFireGate);
    TCalculatedQuantities& q = *rig.controller.Quantities();
    q.Model().SetTankLevel(100);
    rig.controller.Loop().SendOpening(0);
    const double e = q.RequiredEquivalentOpening(100);
    const double door = q.Model().EquivalentToDoor().Interpolate(e);
    const double pct = q.Calibration().PhysicalToDigital().Interpolate(door / (q.MaxPhysicalOpening() * 100)) * 100;
    const int expected = 120 + static_cast<int>(RoundHalfEven((900 - 120) * pct / 100));
    EXPECT_GT(expected, 120);
    EXPECT_EQ(rig.model.CommandedPosition(0), expected);
    EXPECT_NEAR(q.ModelledDoorOpening(), door, 1e-4);

    rig.controller.SetFlowBlocked(true);
    rig.controller.Loop().SendOpening(0);
    EXPECT_EQ(rig.model.CommandedPosition(0), 120);
}

TEST_F(RateLoop, FireGateWarningMarkForTheSecondBoardWithoutSpan)
{
    rig.Board(2);
    Set(pmFireGate);
    ASSERT_EQ(rig.model.FirstBoard(), 2);
    rig.Board(1);
    rig.host.configuredMax[2] = 100;
    rig.controller.Loop().SendOpening(2);
    EXPECT_TRUE(rig.host.view.Visible(rcGateWarningMark));
    rig.host.configuredMax[2] = 900;
    rig.controller.Loop().SendOpening(2);
    EXPECT_FALSE(rig.host.view.Visible(rcGateWarningMark));
}

TEST_F(RateLoop, TargetDisplayWhileInAuto)
{
    Set(pmDryMaterial);
    rig.Status(0, 120, true, true);
    S().currentOpening = 50;
    rig.controller.Loop().SendOpening(0);
    // (525 - 120) × 1000 / 780
    EXPECT_EQ(rig.host.view.Value(rcDryTargetGauge), 519);
    EXPECT_EQ(rig.host.view.Text(rcDryTargetText).rfind("Target: ", 0), 0u);
}

TEST_F(RateLoop, QuantityTickSendsTheComputedOpening)
{
    Set(pmDryMaterial);
    rig.Status(0, 120, true, true);
    rig.controller.TimerUpdateQuantitiesTimer();
    const float opening = rig.controller.Quantities()->LastComputedOpening();
    EXPECT_GT(opening, 0);
    EXPECT_EQ(rig.model.CommandedPosition(0), 150 + RoundHalfEven(750 * opening / 100.0));
    // The speed gauge shows the fixed speed without a guidance link.
    EXPECT_EQ(rig.host.view.Value(rcDrySpeedGauge), 100);
    EXPECT_EQ(rig.host.view.Text(rcDrySpeedGauge).rfind("FIXED: ", 0), 0u);
}

TEST_F(RateLoop, NoOpeningsOnTheCycleTestsPage)
{
    Set(pmDryMaterial);
    rig.Status(0, 120, true, true);
    rig.model.setPos(0, 300);
    rig.host.shownPage = pgCycleTests;
    int tank = 0;
    rig.controller.TimerUpdateQuantitiesTimer();
    EXPECT_EQ(rig.model.CommandedPosition(0), 300);
    (void)tank;
}

TEST_F(RateLoop, PredictedOpeningTextOnceAfterTheDelayWithTheLaterPercent)
{
    Set(pmDryMaterial);
    rig.host.view.text.erase(rcDryOpeningGauge);
    rig.controller.ShowPredictedOpening(20);
    rig.clock.AdvanceMs(50);
    rig.controller.ShowPredictedOpening(40);
    auto& calls = rig.controller.Loop().DelayedCalls();
    rig.clock.AdvanceMs(140); // 190 ms after the first call
    calls.RunDueCalls();
    EXPECT_EQ(rig.host.view.Text(rcDryOpeningGauge), "");
    rig.clock.AdvanceMs(11); // past 200 ms
    calls.RunDueCalls();
    TCalculatedQuantities& q = *rig.controller.Quantities();
    q.SetOpeningFromDigital(40);
    EXPECT_EQ(rig.host.view.Text(rcDryOpeningGauge), "Gate: " + FormatGateOpening(q.OpeningDistance(), rig.host.units));
    rig.host.view.text.erase(rcDryOpeningGauge);
    rig.clock.AdvanceMs(300);
    calls.RunDueCalls();
    EXPECT_EQ(rig.host.view.Text(rcDryOpeningGauge), "") << "one refresh only";
}

TEST_F(RateLoop, PredictedOpeningWithoutATableReadsNoneSet)
{
    rig.home.Write("RelativeDigitalToPhysical.ini", "");
    Set(pmDryMaterial);
    rig.controller.Loop().ShowPredictedOpening(30);
    rig.controller.Loop().RefreshPredictedOpeningText();
    EXPECT_EQ(rig.host.view.Text(rcDryOpeningGauge), "Gate: None Set");
}

TEST_F(RateLoop, GenericReceiverSuppliesSpeedOnly)
{
    Set(pmDryMaterial);
    TGpsControl& gps = rig.controller.Gps();
    gps.SetGpsCapabilities(0x20);
    const int saves = rig.host.saves;
    gps.SetGpsControl(kGpsSwathBit, true);
    gps.SetGpsControl(kGpsRateBit, true);
    EXPECT_EQ(S().gpsFlags & (kGpsSwathBit | kGpsRateBit), 0);
    EXPECT_FALSE(rig.host.view.checked[rcDryGpsSwath]);
    EXPECT_FALSE(rig.host.view.enabled[rcDryGpsSwath]);
    EXPECT_EQ(rig.host.view.Text(rcDryGpsSwath), "Local Swath Width");
    EXPECT_EQ(rig.host.saves, saves) << "a refused request writes nothing";

    gps.SetGpsControl(kGpsSpeedBit, true);
    EXPECT_EQ(S().gpsFlags, kGpsSpeedBit);
    EXPECT_EQ(rig.host.view.Text(rcDryGpsSpeed), "GPS Speed");
    EXPECT_EQ(rig.host.view.Text(rcGateGpsSpeed), "GPS Speed");
    TMemIniFile disk(rig.home.File("LastSelectedPreset.ini"));
    EXPECT_TRUE(disk.ReadBool("Controller Settings for Mode:1", "GPS_SPEED_CONTROL", false));
    EXPECT_EQ(TGpsControl::RemoteDisabledMask(kGpsSpeedBit), 0x5F);

    rig.controller.Quantities()->SetUseGpsSpeed(true);
    gps.SetGpsControl(kGpsSpeedBit, false);
    EXPECT_FALSE(rig.controller.Quantities()->UseGpsSpeed());
    EXPECT_EQ(rig.host.view.Text(rcDryGpsSpeed), "Local Speed");
}

TEST(AutoBump, LimitsAreExclusive)
{
    EXPECT_DOUBLE_EQ(TRateAdjust::AutoBumpProposal(100, 150, 0, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(TRateAdjust::AutoBumpProposal(100, 66, 0, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(TRateAdjust::AutoBumpProposal(100, 120, 10, 1.0), 1.3);
    EXPECT_DOUBLE_EQ(TRateAdjust::AutoBumpProposal(100, 67, 0, 1.0), 0.67);
    EXPECT_DOUBLE_EQ(TRateAdjust::AutoBumpProposal(0, 67, 0, 1.2), 1.2);
}

TEST_F(RateLoop, AutoBumpAsksAndAppliesOnConfirmation)
{
    Set(pmDryMaterial);
    TCalculatedQuantities& q = *rig.controller.Quantities();
    q.SetBump(1.0f);
    rig.host.view.sheet[rcDryPages] = dsCurrent;
    // Not enabled: nothing.
    S().autoBumpEnabled = false;
    EXPECT_FALSE(rig.controller.ProposeAutoBump());
    S().autoBumpEnabled = true;
    // Without a full tank worth the name nothing is proposed.
    rig.tank = {50, 60, 0};
    EXPECT_FALSE(rig.controller.ProposeAutoBump());

    // 1200 of 1000 used (the last 200 ms of flow taken back): 20 % more.
    const double flow200 = q.Flow() * 0.2;
    rig.tank = {1000, 1200 + flow200, 0};
    EXPECT_TRUE(rig.controller.ProposeAutoBump());
    EXPECT_EQ(rig.areaAccounted, 1);
    EXPECT_EQ(rig.host.view.Sheet(rcDryPages), dsConfirm);
    EXPECT_EQ(rig.host.view.Text(rcConfirmQuestion), "Are you SURE you want to AUTO BUMP from 0% to 20%?");
    rig.controller.Action(raConfirmYes, 0);
    EXPECT_NEAR(q.Bump(), 1.2f, 1e-5);
    EXPECT_EQ(rig.host.view.Value(rcDryBumpSlider), 120);
    EXPECT_EQ(rig.host.view.Sheet(rcDryPages), dsCurrent);

    // Exactly 1.5 times: refused, nothing asked.
    q.SetBump(1.0f);
    rig.tank = {1000, 1500 + flow200, 0};
    EXPECT_FALSE(rig.controller.ProposeAutoBump());
}

TEST_F(RateLoop, BumpButtonsStepTheSliderAndBackUp)
{
    Set(pmDryMaterial);
    EXPECT_EQ(rig.host.view.Value(rcDryBumpSlider), 100);
    rig.controller.Action(raBumpUp, 0);
    EXPECT_EQ(rig.host.view.Value(rcDryBumpSlider), 101);
    EXPECT_FLOAT_EQ(rig.controller.Quantities()->Bump(), 1.01f);
    EXPECT_EQ(rig.host.view.Text(rcDryBumpLabel), "Bump: 1%");
    EXPECT_EQ(rig.host.backups, 1);
    rig.host.view.value[rcDryBumpSlider] = 150; // the pilot moved the slider
    rig.controller.Action(raBumpSlider, 150);
    rig.controller.Action(raBumpUp, 0);
    EXPECT_FLOAT_EQ(rig.controller.Quantities()->Bump(), 1.5f) << "the slider's end holds";
    EXPECT_EQ(rig.host.view.Text(rcDryBumpLabel), "Bump: 50%");
}

TEST_F(RateLoop, SimpleStepsMoveTheFixedOpening)
{
    Set(pmSimpleDry);
    const float before = rig.controller.Quantities()->FixedOpening();
    rig.controller.Action(raSimpleStep, 0); // "+ 2" cm
    EXPECT_NEAR(rig.controller.Quantities()->FixedOpening(), before + 0.02f, 1e-6);
    rig.controller.Action(raSimpleStep, 5); // "- 0.1" cm
    EXPECT_NEAR(rig.controller.Quantities()->FixedOpening(), before + 0.019f, 1e-6);
    TMemIniFile disk(rig.home.File("LastSelectedPreset.ini"));
    EXPECT_NEAR(disk.ReadFloat("Simple", "FixedOpening", 0), before + 0.019, 1e-6);
    EXPECT_DOUBLE_EQ(TRateAdjust::StepOfCaption("+ 1/4", false), 0.25 * 0.0254);
    EXPECT_DOUBLE_EQ(TRateAdjust::StepOfCaption("- 1/32", false), -0.0254 / 32);
    EXPECT_DOUBLE_EQ(TRateAdjust::StepOfCaption("Fixed", true), 0);
}

} // namespace
} // namespace orv

namespace orv {
namespace {

// A VTG sentence for a ground speed in m/s.
std::string Vtg(double metresPerSecond)
{
    const std::string body = Format("GPVTG,054.7,T,034.4,M,%.1f,N,%.1f,K", metresPerSecond * 3.6 / 1.852,
                                    metresPerSecond * 3.6);
    uint8_t sum = 0;
    for (char c : body)
        sum ^= static_cast<uint8_t>(c);
    return "$" + body + Format("*%.2X\r\n", static_cast<int>(sum));
}

class GpsSpeedLoop : public RateLoop {
protected:
    void SetUp() override
    {
        RateLoop::SetUp();
        serial.AddPort(0);
        // The receiver on COM1, whatever port the factory settings name.
        rig.host.ini.WriteString("GPS", "GPSPort", "COM1");
        gps = std::make_unique<TGpsSource>(serial, rig.host.ini);
        gps->Pause = [](int64_t) {};
        rig.host.gps = gps.get();
        Set(pmDryMaterial);
        gps->Start(static_cast<float>(rig.controller.Preset()->FixedAppSpeedSI()));
        rig.controller.Gps().SetGpsControl(kGpsSpeedBit, true);
    }
    void TearDown() override { rig.host.gps = nullptr; }
    // The navigation port delivers a speed; one quantity tick after the speed interval.
    void Tick(std::optional<double> speed)
    {
        if (speed)
            serial.Feed(0, Vtg(*speed));
        rig.clock.AdvanceMs(201);
        rig.controller.TimerUpdateQuantitiesTimer();
    }
    FakeSerialLibrary serial;
    std::unique_ptr<TGpsSource> gps;
};

// Urea from the factory files: 150 kg/ha, 22 m, fixed speed 60 m/s, maximum
// flow 35 kg/s, maximum opening 10 cm, physical maximum 10 cm. At 60 m/s the
// relative flow is 19.8 / 35 = 0.565714, the relative opening 0.638095
// (between flows 0.52/0.64 at openings 0.6/0.7) and the digital opening
// 65.998 % (between 0.576/0.6 and 0.7313/0.75): 150 + 0.65998 × 750 = 645.
// At 30 m/s the relative opening halves to 0.319048, digital 34.154 %
// (between 0.279/0.3 and 0.3272/0.35): 150 + 0.34154 × 750 = 406.
TEST_F(GpsSpeedLoop, CommandedPositionFollowsTheGpsSpeed)
{
    Tick(30.0);
    TCalculatedQuantities& q = *rig.controller.Quantities();
    ASSERT_TRUE(q.UseGpsSpeed());
    EXPECT_NEAR(q.GpsSpeed(), 30.0, 0.05);
    const double flowAt30 = q.Flow();
    EXPECT_NEAR(rig.model.CommandedPosition(0), 406, 1);
    EXPECT_EQ(rig.host.view.Value(rcDrySpeedGauge), 50);
    EXPECT_EQ(rig.host.view.Text(rcDrySpeedGauge).rfind("GPS: ", 0), 0u);

    Tick(60.0);
    EXPECT_NEAR(q.Flow(), 2 * flowAt30, 0.01 * flowAt30) << "double the speed, double the flow";
    EXPECT_NEAR(rig.model.CommandedPosition(0), 645, 1);
    EXPECT_GT(rig.host.lightToggles[1], 0) << "the GPS activity light blinks";
}

TEST_F(GpsSpeedLoop, LosingTheGpsFallsBackToTheFixedSpeed)
{
    Tick(30.0);
    EXPECT_NEAR(rig.model.CommandedPosition(0), 406, 1);
    for (int i = 0; i < 15; ++i) // 3 s without a sentence
        Tick(std::nullopt);
    Tick(std::nullopt);
    EXPECT_FALSE(rig.controller.Quantities()->UseGpsSpeed());
    EXPECT_NEAR(rig.model.CommandedPosition(0), 645, 1) << "the fixed speed of the preset";
    EXPECT_EQ(rig.host.view.Text(rcDrySpeedGauge).rfind("FIXED: ", 0), 0u);
}

TEST_F(GpsSpeedLoop, AGpsLinkThatIsGoneGivesTheFixedSpeedAtTheNextSpeedStep)
{
    Tick(30.0);
    EXPECT_NEAR(rig.model.CommandedPosition(0), 406, 1);
    // Closed (the failure page) and not opened again.
    gps->Close();
    const int64_t gone = rig.clock.NowMs();
    Tick(std::nullopt);
    EXPECT_LE(rig.clock.NowMs() - gone, TGpsSource::kRemoteTimeoutMs);
    EXPECT_FALSE(rig.controller.Quantities()->UseGpsSpeed());
    EXPECT_NEAR(rig.model.CommandedPosition(0), 645, 1) << "the fixed speed of the preset";
    EXPECT_EQ(rig.host.view.Text(rcDrySpeedGauge).rfind("FIXED: ", 0), 0u);
}

TEST_F(GpsSpeedLoop, AStartWhosePortDidNotOpenIsShownAndRetriedByTheLoop)
{
    serial.RemovePort(0);
    const TGpsStartResult r = gps->Start(static_cast<float>(rig.controller.Preset()->FixedAppSpeedSI()));
    ASSERT_FALSE(r.connected);
    rig.controller.GpsStarted(r);
    EXPECT_EQ(rig.host.view.Text(rcDryGpsStatus), "Generic GPS Port Not Connecting");
    EXPECT_EQ(rig.host.view.Text(rcGateGpsStatus), "Generic GPS Port Not Connecting");
    const int starts = rig.host.gpsStarts;
    const int64_t failed = rig.clock.NowMs();
    while (rig.clock.NowMs() - failed < TGpsSource::kRetryIntervalMs - 250) {
        Tick(std::nullopt);
        ASSERT_EQ(starts, rig.host.gpsStarts) << "after " << rig.clock.NowMs() - failed << " ms";
    }
    while (rig.clock.NowMs() - failed <= TGpsSource::kRetryIntervalMs)
        Tick(std::nullopt);
    EXPECT_EQ(starts + 1, rig.host.gpsStarts);
}

TEST_F(GpsSpeedLoop, TheModesWithoutGpsValuesKeepNoCapabilityAfterAStart)
{
    rig.host.shownPage = pgSelectPrimaryMode;
    S().primaryMode = pmMeteringPlate;
    rig.controller.Modes().SetPrimaryMode(pmMeteringPlate);
    TGpsStartResult r;
    r.capabilityMask = 0x20;
    rig.controller.GpsStarted(r);
    EXPECT_EQ(S().gpsCapabilities, 0);
    EXPECT_FALSE(rig.host.view.Enabled(rcDryGpsSpeed));
}

TEST_F(GpsSpeedLoop, LocalSpeedIgnoresTheGps)
{
    rig.controller.Gps().SetGpsControl(kGpsSpeedBit, false);
    Tick(30.0);
    EXPECT_FALSE(rig.controller.Quantities()->UseGpsSpeed());
    EXPECT_NEAR(rig.model.CommandedPosition(0), 645, 1);
}

} // namespace
} // namespace orv
