#include "control/FiregateModel.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

constexpr int64_t kTicksPerMs = 1000; // one tick per microsecond
constexpr int64_t kNow = 5'000'000'000;

// Tank of 12 L per cm plus 0.04 L per cm²: A(h) = 12000 + 80 h cm²; R = 2.
// Gate 100 cm long, doors 26.5 cm wide, 2 cm apart, two doors.
TFiregateModel Aircraft()
{
    TFiregateModel m;
    m.SetCoefficient(mcVolume0 + 1, 12);
    m.SetCoefficient(mcVolume0 + 2, 0.04f);
    m.SetCoefficient(mcLevel0 + 1, 0.08f);
    m.SetCoefficient(mcR0, 2);
    m.DeriveAreaCoefficients();
    m.SetCoefficient(mcGateLength, 100);
    m.SetCoefficient(mcDoorWidth, 26.5f);
    m.SetCoefficient(mcDoorGap, 2);
    m.SetCoefficient(mcFullTankLevel, 120);
    m.SetNumberOfDoors(2);
    m.BuildEquivalentTables();
    return m;
}

TEST(FiregateModelTest, BuiltInValuesWithoutFiles)
{
    TFiregateModel m;
    m.LoadModelValues("/nonexistent/FiregateModelValues.ini");
    m.LoadTankCoefficients("/nonexistent/Tank_Coefficients.ini");
    EXPECT_EQ(m.Coefficient(mcGateLength), 105);
    EXPECT_FLOAT_EQ(m.Coefficient(mcTimeToFullOpen), 0.6f);
    EXPECT_FLOAT_EQ(m.Coefficient(mcTimeToFullOpenDry), 0.6f);
    EXPECT_EQ(m.Coefficient(mcFullTankLevel), 194);
    EXPECT_EQ(m.Coefficient(mcDoorWidth), 26.5f);
    EXPECT_EQ(m.Coefficient(mcDoorGap), 2);
    EXPECT_EQ(m.NumberOfDoors(), 2);
    for (int i = 0; i <= 21; ++i)
        EXPECT_EQ(m.Coefficient(i), 0) << i;
}

TEST(FiregateModelTest, ModelValuesFileAndItsKeyDefaults)
{
    test::TempDir dir;
    dir.Write("FiregateModelValues.ini", "[FIREGATE_MODEL_PARAMETERS]\nLengthOfGate=98.5\nNumberOfDoors=3\n"
                                         "TimeToFullOpen=bad\n");
    TFiregateModel m;
    m.LoadModelValues(dir.File("FiregateModelValues.ini"));
    EXPECT_FLOAT_EQ(m.Coefficient(mcGateLength), 98.5f);
    EXPECT_FLOAT_EQ(m.Coefficient(mcTimeToFullOpen), 0.6f); // not a number: the key's default
    EXPECT_FLOAT_EQ(m.Coefficient(mcTimeToFullOpenDry), 0.6f);
    EXPECT_EQ(m.Coefficient(mcFullTankLevel), 200);
    EXPECT_FLOAT_EQ(m.Coefficient(mcDoorWidth), 26.5f);
    EXPECT_EQ(m.Coefficient(mcDoorGap), 0);
    EXPECT_EQ(m.NumberOfDoors(), 3);
}

TEST(FiregateModelTest, TankCoefficientsAndTheDerivedArea)
{
    test::TempDir dir;
    dir.Write("Tank_Coefficients.ini", "[Volume Coefficients]\n0=0\n1=12\n2=0.04\n5=0.5\n"
                                       "[Level Coefficients]\n1=0.08\n[R Coefficients]\n0=2\n4=1\n");
    TFiregateModel m;
    m.LoadTankCoefficients(dir.File("Tank_Coefficients.ini"));
    EXPECT_EQ(m.Coefficient(mcArea0), 12000);         // 1 × 12 × 1000
    EXPECT_EQ(m.Coefficient(mcArea0 + 1), 80);        // 2 × 0.04 × 1000
    EXPECT_EQ(m.Coefficient(mcArea0 + 4), 2500);      // 5 × 0.5 × 1000
    EXPECT_EQ(m.Coefficient(mcR0 + 4), 1);
    EXPECT_EQ(m.Coefficient(mcLevel0 + 1), 0.08f);
}

TEST(FiregateModelTest, TankPolynomials)
{
    const TFiregateModel m = Aircraft();
    EXPECT_DOUBLE_EQ(m.TankArea(50), 16000);  // 12000 + 80 × 50
    EXPECT_DOUBLE_EQ(m.TankArea(0), 12000);
    EXPECT_DOUBLE_EQ(m.TankR(50), 2);
    EXPECT_NEAR(m.LevelFromVolume(1000), 80, 1e-5); // 0.08 × 1000
    TFiregateModel bare;
    EXPECT_DOUBLE_EQ(bare.TankR(10), 1); // R is at least 1
    EXPECT_DOUBLE_EQ(bare.TankArea(10), 0);
}

TEST(FiregateModelTest, GateAreaForTwoDoors)
{
    TFiregateModel m = Aircraft();
    // x = 26.5: b = 0.5, θ = π/3, c = 13.25, f = 2 × 13.25 + 2 = 28.5,
    // e = 2 × 26.5 × sin 60° × (13.25 + 28.5) = 1916.2977,
    // area = min(2 × 100 × 26.5 + e, e + 28.5 × 100) = 4766.2977.
    EXPECT_NEAR(m.GateArea(26.5), 4766.297712224017, 1e-9);
    EXPECT_NEAR(m.EndArea(), 1916.2977f, 1e-3);
    // x = 5: the door-edge term is the smaller one.
    EXPECT_NEAR(m.GateArea(5), 582.7644869907879, 1e-9);
    EXPECT_EQ(m.GateArea(0), 0); // closed: the door-edge term is 0
}

TEST(FiregateModelTest, GateAreaForThreeDoors)
{
    TFiregateModel m = Aircraft();
    m.SetNumberOfDoors(3);
    // x = 26.5: θ = π/3, e = (26.5 sin 60°)(26.5 cos 60°) = 304.0832, area = 2650 + e.
    EXPECT_NEAR(m.GateArea(26.5), 2954.083169903811, 1e-9);
    EXPECT_NEAR(m.EndArea(), 304.08317f, 1e-3);
    // Beyond the limit b = 0.70710677: θ ≈ π/2 and the end area vanishes.
    EXPECT_NEAR(m.GateArea(50), 5000, 1e-3);
}

TEST(FiregateModelTest, GateAreaWithoutADoorWidthIsFinite)
{
    TFiregateModel m = Aircraft();
    m.SetCoefficient(mcDoorWidth, 0);
    EXPECT_DOUBLE_EQ(m.GateArea(10), 200); // min(2000, 0 + 2 × 100)
}

TEST(FiregateModelTest, EquivalentOpeningTables)
{
    const TFiregateModel m = Aircraft();
    ASSERT_EQ(m.DoorToEquivalent().Length(), 100u);
    EXPECT_NEAR(m.DoorToEquivalent()[99].X, 37.10189280885815, 1e-9);
    EXPECT_NEAR(m.MaxEquivalentOpening(), 82.8100874296962, 1e-4);
    EXPECT_EQ(m.DoorToEquivalent()[0].Y, 0); // closed doors
    EXPECT_EQ(m.EquivalentToDoor()[50].X, m.DoorToEquivalent()[50].Y);
}

TEST(FiregateModelTest, RequiredEquivalentOpening)
{
    const TFiregateModel m = Aircraft();
    // h 50, 1000 L/s: √(1 / (50 × 1962 / 10¹² + 1 / 16000²)) / 100 = 31.3103 cm.
    EXPECT_NEAR(m.RequiredEquivalentOpening(50, 1000), 31.310255308678638, 1e-9);
    EXPECT_EQ(m.RequiredEquivalentOpening(50, 0), 0);
    EXPECT_FLOAT_EQ(m.RequiredEquivalentOpening(0.05, 1000), m.MaxEquivalentOpening()); // empty tank
    EXPECT_FLOAT_EQ(m.RequiredEquivalentOpening(121.5, 1000), m.MaxEquivalentOpening()); // above full + 1
    EXPECT_FLOAT_EQ(m.RequiredEquivalentOpening(50, 1e6), m.MaxEquivalentOpening());   // capped
    EXPECT_EQ(TFiregateModel().RequiredEquivalentOpening(50, 1000), 0); // no tank coefficients
}

class DropStepTest : public ::testing::Test {
protected:
    TDropBoardInput Open() const
    {
        TDropBoardInput b;
        b.pilotSwitchClosed = true;
        b.gateOpeningPercent = 60;
        b.switchUsedSinceFill = true;
        return b;
    }

    TFiregateModel m = Aircraft();
};

TEST_F(DropStepTest, OneStepAgainstAHandComputation)
{
    // h 50, Q 10⁶ cm³/s, gate area 3000 cm², tweak 1:
    // dh = 0.003 × 10⁶ / 16000 = 0.1875; a = 2 × 16000 × 2 / 10000 = 6.4; k = 16000 / 3000;
    // raw = (16000² × 50 × 1962 / 10¹² + 1 − k²) × 10⁶ × 0.1875 / 6.4 = −68286.458;
    // smoothed = (2 × 0 + raw) / 3 = −22762.153; Q = 977237.847; volume = Q × 0.003 / 1000.
    m.SetTankLevel(50);
    m.SetModelFlow(1e6);
    m.SetSimulatedTime(kNow - 3 * kTicksPerMs);
    const double litres = m.Step(kNow, kTicksPerMs, Open(), 2, 1, 3000);
    EXPECT_NEAR(m.RawChange(), -68286.45833333324, 1e-6);
    EXPECT_NEAR(m.SmoothedChange(), -22762.15277777775, 1e-6);
    EXPECT_NEAR(m.ModelFlow(), 977237.8472222222, 1e-6);
    EXPECT_NEAR(litres, 2.931713541666667, 1e-9);
    EXPECT_NEAR(m.TankLevel(), 49.8125, 1e-4);
    EXPECT_EQ(m.SimulatedTime(), kNow);
}

TEST_F(DropStepTest, StepsUntilTheSimulatedTimeCatchesUp)
{
    m.SetTankLevel(100);
    m.SetModelFlow(1000);
    m.SetSimulatedTime(kNow - 30 * kTicksPerMs);
    const double litres = m.Step(kNow, kTicksPerMs, Open(), 2, 1, 3000);
    EXPECT_EQ(m.SimulatedTime(), kNow);
    EXPECT_GT(litres, 0);
    EXPECT_LT(m.TankLevel(), 100);
    // The smoothed change is limited to 80000 cm³/s per step: ten steps add at most 800000.
    EXPECT_LE(m.ModelFlow(), 1000 + 10 * 80000.0);
}

TEST_F(DropStepTest, SmoothedChangeNeverRemovesMoreThanHalfTheFlow)
{
    // A tiny gate against a large flow gives a large negative raw change.
    m.SetTankLevel(50);
    m.SetModelFlow(100000);
    m.SetSimulatedTime(kNow - 3 * kTicksPerMs);
    m.Step(kNow, kTicksPerMs, Open(), 2, 1, 10);
    EXPECT_LT(m.RawChange(), -3 * 80000.0);
    EXPECT_EQ(m.SmoothedChange(), -80000);
    EXPECT_DOUBLE_EQ(m.ModelFlow(), 50000);
}

TEST_F(DropStepTest, AStaleSimulatedTimeRestartsWithoutFlow)
{
    m.SetTankLevel(50);
    m.SetModelFlow(1e6);
    m.SetSimulatedTime(kNow - 1001 * kTicksPerMs);
    EXPECT_EQ(m.Step(kNow, kTicksPerMs, Open(), 2, 1, 3000), 0);
    EXPECT_EQ(m.SimulatedTime(), kNow);
    EXPECT_EQ(m.TankLevel(), 50);
}

TEST_F(DropStepTest, AClosedGateReleasesNothingAndIsNotCaughtUpLater)
{
    TDropBoardInput closed;
    closed.gateOpeningPercent = 1.5; // below the 2 % leakage
    m.SetTankLevel(50);
    m.SetModelFlow(1e6);
    m.SetSimulatedTime(kNow - 300 * kTicksPerMs);
    EXPECT_EQ(m.Step(kNow, kTicksPerMs, closed, 2, 1, 3000), 0);
    EXPECT_EQ(m.SimulatedTime(), kNow);
}

TEST_F(DropStepTest, AnEmptyTankEndsTheDrop)
{
    m.SetTankState(tks_dropping_SplitZero, kNow - 100);
    m.SetTankLevel(0.05f);
    m.SetSimulatedTime(kNow - 3 * kTicksPerMs);
    EXPECT_EQ(m.Step(kNow, kTicksPerMs, Open(), 2, 1, 3000), 0);
    EXPECT_EQ(m.TankState(), tks_empty);
    EXPECT_FALSE(m.Running());
    EXPECT_EQ(m.SmoothedChange(), 0);
}

TEST_F(DropStepTest, NegativeFlowRestartsOnlyForAnOpenGateAfterAPress)
{
    m.SetTankLevel(50);
    m.SetModelFlow(-5);
    m.SetSimulatedTime(kNow - 3 * kTicksPerMs);
    EXPECT_EQ(m.Step(kNow, kTicksPerMs, Open(), 2, 1, 3000), 0);
    EXPECT_EQ(m.ModelFlow(), 1000);

    TDropBoardInput notUsed = Open();
    notUsed.switchUsedSinceFill = false;
    m.SetModelFlow(-5);
    m.SetSimulatedTime(kNow - 3 * kTicksPerMs);
    m.Step(kNow, kTicksPerMs, notUsed, 2, 1, 3000);
    EXPECT_EQ(m.ModelFlow(), 0);

    m.SetTankLevel(8); // 10 cm or less: no restart
    m.SetModelFlow(-5);
    m.SetSimulatedTime(kNow - 3 * kTicksPerMs);
    m.Step(kNow, kTicksPerMs, Open(), 2, 1, 3000);
    EXPECT_EQ(m.ModelFlow(), 0);
}

TEST_F(DropStepTest, NoGateAreaReleasesNothing)
{
    m.SetTankLevel(50);
    m.SetModelFlow(1e6);
    m.SetSmoothedChange(500);
    m.SetSimulatedTime(kNow - 3 * kTicksPerMs);
    EXPECT_EQ(m.Step(kNow, kTicksPerMs, Open(), 2, 1, 0), 0);
    EXPECT_EQ(m.SmoothedChange(), 0);
    EXPECT_EQ(m.SimulatedTime(), kNow);
}

TEST_F(DropStepTest, WithoutTankCoefficientsThereIsNoModelledDispersal)
{
    TFiregateModel bare;
    bare.BuildEquivalentTables();
    bare.SetTankLevel(50);
    bare.SetModelFlow(1e6);
    bare.SetSimulatedTime(kNow - 300 * kTicksPerMs);
    const double litres = bare.Step(kNow, kTicksPerMs, Open(), 2, 1, 3000);
    EXPECT_EQ(litres, 0);
    EXPECT_TRUE(std::isfinite(bare.ModelFlow()));
    EXPECT_EQ(bare.ModelFlow(), 1000); // ready to restart once the tank is known
    EXPECT_EQ(bare.TankLevel(), 50);
    EXPECT_EQ(bare.SimulatedTime(), kNow);
}

TEST(FiregateModelStateTest, TheModelRunsInDroppingAndStoppingStates)
{
    for (int s = 0; s <= 19; ++s) {
        const bool runs = s != 0 && s != 19 && s % 3 != 0;
        EXPECT_EQ(ModelRunsIn(static_cast<uint8_t>(s)), runs) << s;
    }
    TFiregateModel m;
    m.SetModelFlow(1234);
    m.SetSmoothedChange(7);
    m.SetTankState(tks_dropping_SplitOne, 42);
    EXPECT_TRUE(m.Running());
    EXPECT_EQ(m.ModelFlow(), 0);
    EXPECT_EQ(m.SmoothedChange(), 0);
    EXPECT_EQ(m.SimulatedTime(), 42);
    m.SetModelFlow(1000);
    m.SetTankState(tks_stopping_SplitOne, 50); // still running: nothing is reset
    EXPECT_EQ(m.ModelFlow(), 1000);
    m.SetTankState(tks_Stopped_SplitOne, 60);
    EXPECT_FALSE(m.Running());
    EXPECT_EQ(m.ModelFlow(), 0);
}

} // namespace
} // namespace orv
