#include "control/AppPreset.h"
#include "control/CalculatedQuantities.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/IniFile.h"
#include "tests/support/TempDir.h"
#include "ui/UnitSettings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace orv {
namespace {

namespace fs = std::filesystem;

const char* const kProtected[] = {"LastSelectedPreset.ini", "DryMaterialPresets.ini", "FiregatePresets.ini",
                                  "RelativeDigitalToPhysical.ini", "DialToOpening.ini", "Tank_Coefficients.ini",
                                  "FiregateModelValues.ini"};

class FactoryConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TGPSClock::Install(clockSource);
        for (const auto& entry : fs::directory_iterator(ORVANE_FACTORY_DIR))
            fs::copy_file(entry.path(), fs::path(dir.Path()) / entry.path().filename());
        TMemIniFile settings(dir.File("LastSelectedPreset.ini"));
        LoadSelectedUnits(settings, units);
    }
    void TearDown() override { TGPSClock::Uninstall(); }

    std::string CurrentPreset(int mode, const std::string& def) const
    {
        return TMemIniFile(dir.File("LastSelectedPreset.ini"))
            .ReadString("Controller Settings for Mode:" + std::to_string(mode), "Current Preset", def);
    }

    FakeTimeSource clockSource;
    test::TempDir dir;
    TDisplayUnits units;
};

TEST_F(FactoryConfigTest, EveryFileIsThereAndTheProtectedOnesAreTrusted)
{
    for (const char* name : kProtected) {
        ASSERT_TRUE(fs::exists(dir.File(name))) << name;
        EXPECT_EQ(TMemIniFile(dir.File(name)).ReadString("Security", "FileID", ""), "88888888") << name;
    }
    EXPECT_TRUE(fs::exists(dir.File("Calibrations.ini")));
    EXPECT_FALSE(TMemIniFile(dir.File("Calibrations.ini")).ReadSections().empty());
}

TEST_F(FactoryConfigTest, LoadsWithoutErrorsInEveryPrimaryMode)
{
    for (uint8_t mode = 0; mode <= 4; ++mode) {
        SCOPED_TRACE(static_cast<int>(mode));
        auto q = std::make_unique<TCalculatedQuantities>(mode, dir.Path(), units);
        if (mode == pmWetSealed || mode == pmMeteringPlate)
            continue; // no preset in these modes
        std::unique_ptr<TAppPreset> p;
        if (mode == pmFireGate)
            p = std::make_unique<TAppPreset>(false, q.get(), units, mode, dir.Path(), "COMMON",
                                             CurrentPreset(0, "WATER Level 5.0"));
        else if (mode == pmDryMaterial)
            p = std::make_unique<TAppPreset>(true, q.get(), units, mode, dir.Path(), CurrentPreset(1, "Default"),
                                             CurrentPreset(1, "Default"));
        else
            p = std::make_unique<TAppPreset>(true, q.get(), units, mode, dir.Path(), "Simple", "Simple");
        q->AttachPreset(p.get());
        EXPECT_TRUE(p->Valid());
        EXPECT_GT(q->MaxPhysicalOpening(), 0);
        EXPECT_FALSE(q->Calibration().PhysicalToDigital().Empty());
        if (mode == pmSimpleDry)
            q->SetFixedOpening(0.05f);
        const float opening = q->CurrentOpening();
        if (mode != pmFireGate) {
            EXPECT_GT(opening, 10) << p->SectionName();
            EXPECT_LT(opening, 95) << p->SectionName();
        }
    }
}

TEST_F(FactoryConfigTest, EveryListedPresetIsValid)
{
    for (const bool dry : {true, false}) {
        const uint8_t mode = dry ? pmDryMaterial : pmFireGate;
        auto q = std::make_unique<TCalculatedQuantities>(mode, dir.Path(), units);
        const auto names = TMemIniFile(dir.File(TAppPreset::FileNameFor(dry))).ReadSection("PRESETS");
        ASSERT_FALSE(names.empty());
        for (const auto& name : names) {
            TAppPreset p(dry, q.get(), units, mode, dir.Path(), dry ? name : "COMMON", name);
            q->AttachPreset(&p);
            EXPECT_EQ(p.SectionName(), name);
            EXPECT_TRUE(p.Valid()) << name;
            EXPECT_GT(p.FixedAppSpeedSI(), 50) << name;
            EXPECT_LT(p.FixedAppSpeedSI(), 70) << name;
            EXPECT_GT(p.SwathWidthSI(), 10) << name;
            if (dry && name != "Simple") {
                EXPECT_GE(p.AppRateSI(), 50) << name;
                EXPECT_LE(p.AppRateSI(), 300) << name;
                EXPECT_GT(p.MaxOpening(), 0.09f) << name;
                // The operating point lies inside the curve.
                EXPECT_GT(p.RelativeFlow(), 0.2f) << name;
                EXPECT_LT(p.RelativeFlow(), 0.9f) << name;
            }
        }
    }
}

TEST_F(FactoryConfigTest, TheFireGateDescribesA2000LitreTank)
{
    auto q = std::make_unique<TCalculatedQuantities>(pmFireGate, dir.Path(), units);
    auto p = std::make_unique<TAppPreset>(false, q.get(), units, pmFireGate, dir.Path(), "COMMON", "WATER Level 5.0");
    q->AttachPreset(p.get());
    EXPECT_NEAR(p->FullTank(), 2000, 10);
    const TFiregateModel& m = q->Model();
    EXPECT_EQ(m.NumberOfDoors(), 2);
    EXPECT_EQ(m.Coefficient(mcGateLength), 100);
    const double fullLevel = m.Coefficient(mcFullTankLevel);
    // The level polynomial inverts the volume polynomial: 2016 L at 120 cm.
    EXPECT_NEAR(q->LevelFromVolume(2016), fullLevel, 0.1);
    EXPECT_NEAR(q->LevelFromVolume(1000), 67.94, 0.1); // (−12 + √(144 + 0.16 × 1000)) / 0.08
    EXPECT_NEAR(q->LevelFromVolume(0), 0, 0.1);
    const double e = q->RequiredEquivalentOpening(fullLevel);
    EXPECT_GT(e, 1);
    EXPECT_LE(e, m.MaxEquivalentOpening());

    // One second of a drop through a half-open gate releases a plausible share of the load.
    q->Model().SetTankLevel(static_cast<float>(fullLevel));
    q->SetTankState(tks_dropping_SplitZero);
    q->Model().SetModelFlow(1000);
    ASSERT_TRUE(q->SetOpeningFromDigital(50));
    TDropBoardInput board;
    board.pilotSwitchClosed = true;
    board.gateOpeningPercent = 50;
    board.switchUsedSinceFill = true;
    double litres = 0;
    for (int tick = 0; tick < 50; ++tick) {
        clockSource.AdvanceMs(20);
        litres += q->StepDropModel(board);
    }
    EXPECT_GT(litres, 200);
    EXPECT_LT(litres, 2016);
    EXPECT_LT(q->Model().TankLevel(), fullLevel);
}

} // namespace
} // namespace orv
