#include "control/CalculatedQuantities.h"

#include "control/AppPreset.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"
#include "tests/control/PresetFiles.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace orv {
namespace {

// Physical maximum 10 cm; digital 0.5 gives physical 0.4, so the
// physical-to-digital table is (0, 0), (0.4, 0.5), (1, 1).
const char* const kDigital = "[CONSTANTS]\nLENGTH UNITS=1\nMAX_OPENING_0=37.5\nMAX_OPENING_1=10\n"
                             "[RELATIVE_DIGITAL_TO_RELATIVE_PHYSICAL_OPENING_0]\n0.00000=0.0000\n1.00000=1.0000\n"
                             "[RELATIVE_DIGITAL_TO_RELATIVE_PHYSICAL_OPENING_1]\n"
                             "0.00000=0.0000\n0.50000=0.4000\n1.00000=1.0000\n";
// Dial value = opening in cm, for the dry modes.
const char* const kDial = "[CONSTANTS]\nLENGTH UNITS=1\n"
                          "[DialToOpening_1]\n0.0=0.0000\n2.0=2.0000\n4.0=4.0000\n6.0=6.0000\n8.0=8.0000\n"
                          "10.0=10.0000\n";

class CalculatedQuantitiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TGPSClock::Install(clockSource);
        dir.Write("DryMaterialPresets.ini", test::kDryPresets);
        dir.Write("FiregatePresets.ini", test::kFiregatePresets);
        dir.Write("RelativeDigitalToPhysical.ini", kDigital);
        dir.Write("DialToOpening.ini", kDial);
        units.length = 1;
        units.speed = 1;
        units.area = 1;
        units.volume = 2;
        units.mass = 1;
    }
    void TearDown() override
    {
        preset.reset();
        q.reset();
        TGPSClock::Uninstall();
    }

    // Urea: 160 kg/ha, 50 m/s, 20 m, 20 kg/s, 0.1 m, straight curve.
    // Flow at the fixed speed 16 kg/s, relative flow 0.8, r0 = 0.8 × 0.1 / 0.1 = 0.8,
    // digital = 0.5 + 0.4 × (0.5 / 0.6) = 0.8333.
    void MakeDry(uint8_t mode = pmDryMaterial, const std::string& name = "Urea")
    {
        q = std::make_unique<TCalculatedQuantities>(mode, dir.Path(), units);
        preset = std::make_unique<TAppPreset>(true, q.get(), units, mode, dir.Path(), name, name);
        q->AttachPreset(preset.get()); // as the mode set-up does
    }

    FakeTimeSource clockSource;
    test::TempDir dir;
    TDisplayUnits units;
    std::unique_ptr<TCalculatedQuantities> q;
    std::unique_ptr<TAppPreset> preset;
};

TEST_F(CalculatedQuantitiesTest, OpeningChainAtTheFixedSpeed)
{
    MakeDry();
    EXPECT_DOUBLE_EQ(q->TargetRateSI(), 160);
    EXPECT_FLOAT_EQ(preset->RelativeFlow(), 0.8f);
    EXPECT_NEAR(q->RelativeOpeningAtFixedSpeed(), 0.8, 1e-6);
    EXPECT_NEAR(q->DigitalOpeningAtFixedSpeed(), 83.3333, 1e-3);
    EXPECT_NEAR(q->CurrentOpening(), 83.3333, 1e-3);
    EXPECT_NEAR(q->LastComputedOpening(), 83.3333, 1e-3);
    EXPECT_FALSE(preset->Changed());
}

TEST_F(CalculatedQuantitiesTest, BumpScalesTheOpening)
{
    MakeDry();
    q->SetBump(1.1f); // 0.88 -> 0.5 + 0.48 × 0.8333 = 0.9
    EXPECT_NEAR(q->CurrentOpening(), 90, 1e-3);
}

TEST_F(CalculatedQuantitiesTest, GpsSpeedScalesTheOpeningAndASlowSpeedIsIgnored)
{
    MakeDry();
    q->SetGpsSpeed(40);
    EXPECT_FLOAT_EQ(q->SpeedRatio(), 1); // not in use yet
    q->SetUseGpsSpeed(true);
    EXPECT_FLOAT_EQ(q->SpeedRatio(), 0.8f);
    EXPECT_NEAR(q->CurrentOpening(), 70, 1e-3); // 0.64 -> 0.5 + 0.24 × 0.8333
    EXPECT_FLOAT_EQ(q->SpeedInUse(), 40);
    EXPECT_NEAR(q->Flow(), 12.8, 1e-5); // 160 × 20 × 40 / 10000
    q->SetGpsSpeed(4.9); // below a tenth of 50 m/s
    EXPECT_FLOAT_EQ(q->SpeedRatio(), 1);
    EXPECT_NEAR(q->CurrentOpening(), 83.3333, 1e-3);
}

TEST_F(CalculatedQuantitiesTest, APresetChangeTakesEffectFromTheNextComputation)
{
    MakeDry();
    EXPECT_NEAR(q->CurrentOpening(), 83.3333, 1e-3);
    preset->SetAppRate(80); // relative flow 0.4 -> r0 0.4 -> digital 0.5
    EXPECT_TRUE(preset->Changed());
    EXPECT_NEAR(q->CurrentOpening(), 83.3333, 1e-3);
    EXPECT_FALSE(preset->Changed());
    EXPECT_NEAR(q->CurrentOpening(), 50, 1e-3);
}

TEST_F(CalculatedQuantitiesTest, CleanupRateAndRateScaling)
{
    MakeDry();
    q->SetCleanupActive(true);
    q->Recompute(); // 40 kg/ha: relative flow 0.2, r0 0.2, digital 0.25
    EXPECT_NEAR(q->CurrentOpening(), 25, 1e-3);
    q->SetCleanupActive(false);
    q->SetRateScaling(0.5f);
    q->Recompute(); // 80 kg/ha
    EXPECT_NEAR(q->CurrentOpening(), 50, 1e-3);
}

TEST_F(CalculatedQuantitiesTest, ZeroMaximumFlowMeansTheFullCurve)
{
    dir.Write("DryMaterialPresets.ini", "[PRESETS]\nZ=\n[Z CONSTANTS]\nLENGTH UNITS=1\nMASS UNITS=1\nSPEED UNITS=1\n"
                                        "MAXIMUM FLOW=0\nMAXIMUM OPENING=0.1\nFixedAppSpeed=50\nLastAppSwathWidth=20\n"
                                        "[Z OPENING_TO_FLOW_RELATIVES]\n0=0\n1=1\n");
    MakeDry(pmDryMaterial, "Z");
    EXPECT_FLOAT_EQ(preset->RelativeFlow(), 1);
    EXPECT_NEAR(q->CurrentOpening(), 100, 1e-3);
}

TEST_F(CalculatedQuantitiesTest, SpeedsAndRatesInDisplayUnits)
{
    units.speed = 0;
    MakeDry();
    EXPECT_FLOAT_EQ(q->SpeedInUse(), 50);
    EXPECT_NEAR(q->DisplaySpeed(), 97.192, 1e-9); // 50 × 1.94384
    units.speed = 2;
    EXPECT_NEAR(q->DisplaySpeed(), 111.847, 1e-9);
    units.speed = 3;
    EXPECT_NEAR(q->DisplaySpeed(), 180, 1e-9);
    EXPECT_NEAR(q->Flow(), 16, 1e-5);
    EXPECT_NEAR(q->TargetRate(), 160, 1e-9); // hectares: factor 1
    units.area = 0;
    units.mass = 0;
    q->UpdateDisplayUnits();
    EXPECT_NEAR(q->TargetRate(), 160 * 2.20462 / 2.4710538, 1e-9); // 142.75 lbs/ac
}

TEST_F(CalculatedQuantitiesTest, AZeroFixedSpeedGivesARatioOfOne)
{
    MakeDry();
    preset->SetFixedAppSpeed(0);
    q->SetGpsSpeed(40);
    q->SetUseGpsSpeed(true);
    EXPECT_FLOAT_EQ(q->SpeedRatio(), 1);
    q->SetGpsSpeed(std::nan(""));
    EXPECT_FLOAT_EQ(q->SpeedRatio(), 1);
}

TEST_F(CalculatedQuantitiesTest, WithoutAPresetNothingOpens)
{
    q = std::make_unique<TCalculatedQuantities>(pmDryMaterial, dir.Path(), units);
    EXPECT_EQ(q->CurrentOpening(), 0);
    EXPECT_EQ(q->SpeedRatio(), 1);
    EXPECT_EQ(q->SpeedInUse(), 0);
    EXPECT_EQ(q->Flow(), 0);
    EXPECT_EQ(q->DialValue(), 0);
}

TEST_F(CalculatedQuantitiesTest, WithoutACalibrationFileThereIsNoOpening)
{
    dir.Write("RelativeDigitalToPhysical.ini", "");
    MakeDry();
    EXPECT_EQ(q->MaxPhysicalOpening(), 0);
    EXPECT_EQ(q->RelativeOpeningAtFixedSpeed(), 0);
    EXPECT_EQ(q->CurrentOpening(), 0);
    EXPECT_FALSE(q->SetOpeningFromDigital(50));
    q->SetRelativeOpening(0.5f);
    EXPECT_FLOAT_EQ(q->OpeningDistance(), 0.05f); // r × 0.1 without a maximum
}

TEST_F(CalculatedQuantitiesTest, OpeningFromDigitalPercent)
{
    MakeDry();
    ASSERT_TRUE(q->SetOpeningFromDigital(50)); // physical 0.4 of 10 cm
    EXPECT_FLOAT_EQ(q->CurrentRelativeOpening(), 0.4f);
    EXPECT_NEAR(q->OpeningDistance(), 0.04, 1e-7);
}

TEST_F(CalculatedQuantitiesTest, DialValueFollowsTheOpeningInCentimetres)
{
    MakeDry();
    EXPECT_NEAR(q->DialValue(), 8, 1e-5); // r0 0.8 of 10 cm = 8 cm
    q->SetBump(0.5f);
    EXPECT_NEAR(q->DialValue(), 4, 1e-5);
}

TEST_F(CalculatedQuantitiesTest, SimpleDryFliesTheFixedOpeningAndIgnoresTheBump)
{
    MakeDry(pmSimpleDry);
    q->SetFixedOpening(0.05f); // relative 0.5 -> 0.5 + 0.1 × 0.8333
    EXPECT_FLOAT_EQ(q->FixedOpening(), 0.05f);
    EXPECT_NEAR(q->OpeningDistance(), 0.05, 1e-7);
    EXPECT_FLOAT_EQ(q->Bump(), 1);
    EXPECT_NEAR(q->CurrentOpening(), 58.3333, 1e-3);
    q->SetBump(1.5f);
    EXPECT_NEAR(q->CurrentOpening(), 58.3333, 1e-3);
    q->SetFixedSpeed(60);
    q->SetGpsSpeed(30);
    q->SetUseGpsSpeed(true);
    EXPECT_FLOAT_EQ(q->SpeedRatio(), 0.5f);
    EXPECT_NEAR(q->CurrentOpening(), 31.25, 1e-3); // 0.25 × 1.25
    q->SetFixedSpeed(0);
    EXPECT_FLOAT_EQ(q->SpeedRatio(), 1);
    q->SetUseGpsSpeed(false);
    EXPECT_FLOAT_EQ(q->SpeedInUse(), 0);
}

TEST_F(CalculatedQuantitiesTest, SimpleDryWithoutAMaximumHasNoOpening)
{
    dir.Write("RelativeDigitalToPhysical.ini", "");
    MakeDry(pmSimpleDry);
    q->SetFixedOpening(0.05f);
    EXPECT_EQ(q->CurrentRelativeOpening(), 0);
    EXPECT_EQ(q->CurrentOpening(), 0);
}

TEST_F(CalculatedQuantitiesTest, SavingANewCurveRecomputes)
{
    MakeDry();
    TArrayOfXYPair pairs;
    for (double p : {0, 50, 95})
        pairs.Add(p, p * 0.2); // 20 cm at 100 %
    ASSERT_TRUE(q->SaveDigitalToPhysical(pairs, 2));
    EXPECT_FLOAT_EQ(q->MaxPhysicalOpening(), 0.2f);
    EXPECT_NEAR(q->RelativeOpeningAtFixedSpeed(), 0.4, 1e-6); // 0.8 × 0.1 / 0.2
    EXPECT_NEAR(q->CurrentOpening(), 40, 1e-3);
}

TEST_F(CalculatedQuantitiesTest, DisplayFactorsAreFixedWhenAsked)
{
    MakeDry();
    EXPECT_EQ(q->Factors().massLabel, "kg");
    units.mass = 0;
    EXPECT_EQ(q->Factors().massLabel, "kg");
    q->UpdateDisplayUnits();
    EXPECT_EQ(q->Factors().massLabel, "lb");
}

TEST_F(CalculatedQuantitiesTest, ConstructionZeroesTheFigures)
{
    MakeDry();
    EXPECT_EQ(q->Figures().presentFullTank, 0);
    EXPECT_EQ(q->Figures().loadCount, 0);
    EXPECT_EQ(q->ProbeQuantity(), 9999);
    EXPECT_EQ(q->Bump(), 1);
    EXPECT_EQ(q->RateScaling(), 1);
    EXPECT_EQ(q->ModelStepTicks(), 3000); // 3 ms of the fake microsecond clock
}

class FiregateQuantitiesTest : public CalculatedQuantitiesTest {
protected:
    void MakeFire()
    {
        dir.Write("Tank_Coefficients.ini", "[Volume Coefficients]\n1=12\n2=0.04\n[Level Coefficients]\n1=0.08\n"
                                           "[R Coefficients]\n0=2\n");
        dir.Write("FiregateModelValues.ini", "[FIREGATE_MODEL_PARAMETERS]\nLengthOfGate=100\nFullTankLevel=120\n"
                                             "GateDoorWidth=26.5\nDistanceBetweenClosedDoors=2\nNumberOfDoors=2\n");
        q = std::make_unique<TCalculatedQuantities>(pmFireGate, dir.Path(), units);
        preset = std::make_unique<TAppPreset>(false, q.get(), units, pmFireGate, dir.Path(), "COMMON",
                                              "WATER Level 5.0");
        q->AttachPreset(preset.get());
    }
};

TEST_F(FiregateQuantitiesTest, CoverageLevelAndTargetRate)
{
    MakeFire();
    q->SetCoverageLevel(5);
    EXPECT_DOUBLE_EQ(q->TargetRateSI(), 20370);
    units.area = 0;
    units.volume = 0;
    q->UpdateDisplayUnits();
    EXPECT_NEAR(q->TargetRate(), 20370 * 0.26417205 / 2.4710538, 1e-9);
}

TEST_F(FiregateQuantitiesTest, RequiredEquivalentOpeningUsesTheFlowAndTheTweak)
{
    MakeFire();
    EXPECT_FLOAT_EQ(q->Model().Coefficient(mcGateLength), 100);
    EXPECT_EQ(q->Model().DoorToEquivalent().Length(), 100u);
    // Flow = rate × swath × speed / 10000 (L/s); the tweak 1.1 scales it.
    const double flow = q->Flow();
    EXPECT_NEAR(flow, preset->AppRateSI() * preset->SwathWidthSI() * preset->FixedAppSpeedSI() / 10000, 1e-2);
    const double qt = flow * 1.1;
    const double expected = std::sqrt(1 / (50 * 1962 / (qt * qt * 1e6) + 1 / (16000.0 * 16000.0))) / 100;
    EXPECT_NEAR(q->RequiredEquivalentOpening(50), std::min<double>(expected, q->Model().MaxEquivalentOpening()),
                1e-4);
}

TEST_F(FiregateQuantitiesTest, StepDropModelUsesTheOpeningDistanceAndTheClock)
{
    MakeFire();
    q->SetTankState(tks_dropping_SplitZero);
    ASSERT_TRUE(q->Model().Running());
    q->Model().SetTankLevel(50);
    q->Model().SetModelFlow(1000);
    ASSERT_TRUE(q->SetOpeningFromDigital(50)); // 18.75 cm door opening
    TDropBoardInput board;
    board.pilotSwitchClosed = true;
    board.gateOpeningPercent = 50;
    board.switchUsedSinceFill = true;
    clockSource.AdvanceMs(30);
    const double litres = q->StepDropModel(board);
    EXPECT_GT(litres, 0);
    EXPECT_NEAR(q->Model().GateAreaValue(), q->Model().GateArea(18.75), 1e-2);
    EXPECT_EQ(q->Model().SimulatedTime(), TGPSClock::Instance().Ticks());
}

TEST_F(FiregateQuantitiesTest, TankRemainingAndTheTraceLine)
{
    MakeFire();
    q->Figures().presentFullTank = 2000;
    q->Figures().presentTankDispersed = 500;
    q->Figures().presentTankCleanupDispersed = 100;
    EXPECT_DOUBLE_EQ(q->TankRemaining(), 1400);
    q->SetModelledDoorOpening(10);
    const std::string line = q->ModelTraceLine("50%");
    EXPECT_EQ(line.rfind("Q:1400.0; A: 50% I: 10.0 cm; B: 0.00; F: 0; C/E: 0.000", 0), 0u) << line;
}

} // namespace
} // namespace orv
