#include "control/AppPreset.h"

#include "control/CalculatedQuantities.h"
#include "store/IniFile.h"
#include "tests/control/PresetFiles.h"
#include "tests/support/TempDir.h"
#include "ui/UnitFormat.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace orv {
namespace {

class AppPresetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.Write("DryMaterialPresets.ini", test::kDryPresets);
        dir.Write("FiregatePresets.ini", test::kFiregatePresets);
        metric.length = 1;
        metric.speed = 1;
        metric.area = 1;
        metric.volume = 2;
        metric.mass = 1;
    }

    std::unique_ptr<TCalculatedQuantities> Quantities(uint8_t mode)
    {
        return std::make_unique<TCalculatedQuantities>(mode, dir.Path(), units);
    }

    std::unique_ptr<TAppPreset> Dry(TCalculatedQuantities& q, const std::string& name, uint8_t mode = pmDryMaterial)
    {
        return std::make_unique<TAppPreset>(true, &q, units, mode, dir.Path(), name, name);
    }

    std::unique_ptr<TAppPreset> Wet(TCalculatedQuantities& q, const std::string& name)
    {
        return std::make_unique<TAppPreset>(false, &q, units, pmFireGate, dir.Path(), "COMMON", name);
    }

    test::TempDir dir;
    TDisplayUnits units; // feet, knots, acres, US gallons, pounds
    TDisplayUnits metric;
};

TEST_F(AppPresetTest, LoadsAMetricDryPreset)
{
    units = metric;
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    EXPECT_EQ(p->SectionName(), "Urea");
    EXPECT_TRUE(p->Valid());
    EXPECT_FLOAT_EQ(p->AppRateSI(), 160);
    EXPECT_FLOAT_EQ(p->CleanupRateSI(), 40);
    EXPECT_FLOAT_EQ(p->FullTank(), 900);
    EXPECT_DOUBLE_EQ(p->FixedAppSpeedSI(), 50);
    EXPECT_FLOAT_EQ(p->SwathWidthSI(), 20);
    EXPECT_DOUBLE_EQ(p->MaxFlow(), 20);
    EXPECT_FLOAT_EQ(p->MaxOpening(), 0.1f);
    EXPECT_DOUBLE_EQ(p->MaxOpeningDerivative(), 1.5);
    EXPECT_DOUBLE_EQ(p->RateTweak(), 1.0);
    EXPECT_FLOAT_EQ(p->MaxLeakage(), 2.0f);
    ASSERT_EQ(p->OpeningToFlow().Length(), 6u);
    EXPECT_EQ(p->FlowToOpening()[4].X, 0.82);
    EXPECT_EQ(p->FlowToOpening()[4].Y, 0.82);
    EXPECT_TRUE(p->Changed());
    EXPECT_EQ(q->Preset(), p.get());
}

TEST_F(AppPresetTest, ImperialFileUnitsAreConvertedToSI)
{
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Wheat");
    EXPECT_NEAR(p->AppRateSI(), 112.085249, 1e-4);        // 100 lb/ac
    EXPECT_NEAR(p->FullTank(), 907.18582, 1e-3);          // 2000 lb
    EXPECT_NEAR(p->FixedAppSpeedSI(), 61.733333, 1e-5);   // 120 kts
    EXPECT_NEAR(p->SwathWidthSI(), 15.24, 1e-5);          // 50 ft
    EXPECT_NEAR(p->MaxFlow(), 20.0, 1e-4);                // 44.0924 lb/s
    EXPECT_NEAR(p->MaxOpening(), 0.1016, 1e-7);           // 4 in
    // Shown in the display units (pounds, knots, feet): the file's own numbers.
    EXPECT_NEAR(p->AppRate(), 100, 1e-4);
    EXPECT_NEAR(p->FixedAppSpeed(), 120, 1e-4);
    EXPECT_NEAR(p->SwathWidth(), 50, 1e-4);
}

TEST_F(AppPresetTest, MaximumOpeningIsKeptOnlyForDryMaterial)
{
    auto q = Quantities(pmSimpleDry);
    auto p = Dry(*q, "Urea", pmSimpleDry);
    EXPECT_EQ(p->MaxOpening(), 0);
}

TEST_F(AppPresetTest, UnknownNameLoadsTheFirstListedPreset)
{
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Default");
    EXPECT_EQ(p->SectionName(), "Urea");
}

TEST_F(AppPresetTest, MissingPresetListRaisesAndLeavesNoPresetAttached)
{
    dir.Write("DryMaterialPresets.ini", "[Other]\nx=1\n");
    dir.Write("FiregatePresets.ini", "");
    auto q = Quantities(pmDryMaterial);
    try {
        Dry(*q, "Urea");
        FAIL() << "no error";
    } catch (const EPresetError& e) {
        EXPECT_STREQ(e.what(), "Presets are missing from dry materials presets");
    }
    EXPECT_EQ(q->Preset(), nullptr);
    try {
        Wet(*q, "WATER Level 5.0");
        FAIL() << "no error";
    } catch (const EPresetError& e) {
        EXPECT_STREQ(e.what(), "Presets are missing from firegate presets");
    }
}

TEST_F(AppPresetTest, NoQuantitiesRaises)
{
    try {
        TAppPreset p(true, nullptr, units, pmDryMaterial, dir.Path(), "Urea", "Urea");
        FAIL() << "no error";
    } catch (const EPresetError& e) {
        EXPECT_STREQ(e.what(), "No calculated quanities defined before loading preset");
    }
}

TEST_F(AppPresetTest, ValidityNeedsTwoCalibrationPairsExceptInSimpleDry)
{
    auto q = Quantities(pmFireGate);
    EXPECT_TRUE(Wet(*q, "WATER Level 5.0")->Valid()); // two pairs
    auto one = Wet(*q, "RETARDANT Level 2.0");        // one pair
    EXPECT_FALSE(one->Valid());
    EXPECT_EQ(one->OpeningToFlow().Length(), 0u);
    EXPECT_EQ(one->FlowToOpening().Length(), 0u);

    dir.Write("DryMaterialPresets.ini", "[PRESETS]\nSimple=\n[Simple CONSTANTS]\nLastAppRate=100\n");
    auto qs = Quantities(pmSimpleDry);
    EXPECT_TRUE(Dry(*qs, "Simple", pmSimpleDry)->Valid());
    auto qd = Quantities(pmDryMaterial);
    EXPECT_FALSE(Dry(*qd, "Simple")->Valid());
}

TEST_F(AppPresetTest, ACurveLineThatIsNotANumberMakesThePresetInvalid)
{
    dir.Write("DryMaterialPresets.ini", "[PRESETS]\nBad=\n[Bad CONSTANTS]\nMASS UNITS=1\n"
                                        "[Bad OPENING_TO_FLOW_RELATIVES]\n0=0\n0.5=zero point four\n1=1\n");
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Bad");
    EXPECT_FALSE(p->Valid());
    EXPECT_EQ(p->OpeningToFlow().Length(), 0u);
}

TEST_F(AppPresetTest, ZeroFixedSpeedLoadsAsTheDefaultSpeed)
{
    auto q = Quantities(pmFireGate);
    auto p = Wet(*q, "RETARDANT Level 2.0");
    EXPECT_EQ(p->FixedAppSpeedSI(), 62.5854962582814);
}

TEST_F(AppPresetTest, FiregateTankAndLeakageComeFromTheCommonSection)
{
    auto q = Quantities(pmFireGate);
    auto p = Wet(*q, "WATER Level 5.0");
    EXPECT_FLOAT_EQ(p->MaxLeakage(), 3.5f);
    EXPECT_NEAR(p->FullTank(), 528 / 0.264172051, 1e-2); // 1998.7 L
    EXPECT_DOUBLE_EQ(p->RateTweak(), 1.1);
    EXPECT_NEAR(p->AppRateSI(), 20372.9, 0.1); // 2178 gal/ac = level 5
    EXPECT_EQ(p->MaxOpening(), 0);            // fire gate: not kept
}

TEST_F(AppPresetTest, RateInUsGallonsPerAcreIsStoredInLitresPerHectareAndWrittenInFileUnits)
{
    // Display in US gallons; the retardant file section is in litres.
    auto q = Quantities(pmFireGate);
    auto p = Wet(*q, "RETARDANT Level 2.0");
    p->SetAppRate(435.6);
    EXPECT_NEAR(p->AppRateSI(), 4074.5833, 1e-3);
    TMemIniFile file(dir.File("FiregatePresets.ini"));
    EXPECT_NEAR(file.ReadFloat("RETARDANT Level 2.0 CONSTANTS", "LastAppRate", 0), 4074.5833, 1e-3);
}

struct TRoundTrip {
    const char* name;
    bool metricDisplay;
};

class PresetRoundTripTest : public AppPresetTest, public ::testing::WithParamInterface<TRoundTrip> {};

TEST_P(PresetRoundTripTest, EverySetterWritesThroughItsFile)
{
    if (GetParam().metricDisplay)
        units = metric;
    const std::string name = GetParam().name;
    auto q = Quantities(pmDryMaterial);
    {
        auto p = Dry(*q, name);
        p->SetAppRate(123.4);
        p->SetCleanupRate(56.7);
        p->SetSwathWidth(21.5);
        p->SetFixedAppSpeed(118.0);
        p->SetFullTank(850.5);
        p->SetMaxLeakage(4.25);
    }
    auto p = Dry(*q, name);
    EXPECT_NEAR(p->AppRate(), 123.4, 1e-4);
    EXPECT_NEAR(p->CleanupRate(), 56.7, 1e-4);
    EXPECT_NEAR(p->SwathWidth(), 21.5, 1e-4);
    EXPECT_NEAR(p->FixedAppSpeed(), 118.0, 1e-4);
    EXPECT_NEAR(p->FullTank(), 850.5, 1e-3);
    EXPECT_FLOAT_EQ(p->MaxLeakage(), 2.0f); // dry presets do not read the leakage back
    TMemIniFile file(dir.File("DryMaterialPresets.ini"));
    EXPECT_NEAR(file.ReadFloat(name + " CONSTANTS", "MaxPercentLeakage", 0), 4.25, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(UnitSystems, PresetRoundTripTest,
                         ::testing::Values(TRoundTrip{"Urea", true}, TRoundTrip{"Urea", false},
                                           TRoundTrip{"Wheat", true}, TRoundTrip{"Wheat", false}),
                         [](const auto& info) {
                             return std::string(info.param.name) + (info.param.metricDisplay ? "Metric" : "Imperial");
                         });

TEST_F(AppPresetTest, SettersWriteTheFileInItsOwnUnits)
{
    units = metric;
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Wheat"); // pounds, knots, feet
    p->SetAppRate(150);         // kg/ha
    p->SetSwathWidth(15.24);    // m
    p->SetFixedAppSpeed(60);    // m/s
    p->SetFullTank(1000);       // kg
    TMemIniFile file(dir.File("DryMaterialPresets.ini"));
    EXPECT_NEAR(file.ReadFloat("Wheat CONSTANTS", "LastAppRate", 0), 150 * 2.20462 / 2.471053814672, 1e-4);
    EXPECT_NEAR(file.ReadFloat("Wheat CONSTANTS", "LastAppSwathWidth", 0), 50, 1e-4);
    EXPECT_NEAR(file.ReadFloat("Wheat CONSTANTS", "FixedAppSpeed", 0), 60 * 1.9438445, 1e-4);
    EXPECT_NEAR(file.ReadFloat("Wheat CONSTANTS", "PresetFullTank", 0), 2204.62, 1e-2);
}

TEST_F(AppPresetTest, FiregateSettersRoundTripThroughTheCommonSection)
{
    for (const bool metricDisplay : {false, true}) {
        units = metricDisplay ? metric : TDisplayUnits{};
        dir.Write("FiregatePresets.ini", test::kFiregatePresets);
        auto q = Quantities(pmFireGate);
        {
            auto p = Wet(*q, "WATER Level 5.0");
            p->SetAppRate(metricDisplay ? 8149.2 : 871.2);
            p->SetSwathWidth(metricDisplay ? 18.3 : 60);
            p->SetFixedAppSpeed(metricDisplay ? 58 : 110);
            p->SetFullTank(1800);
            p->SetMaxLeakage(1.5);
        }
        auto p = Wet(*q, "WATER Level 5.0");
        EXPECT_NEAR(p->AppRate(), metricDisplay ? 8149.2 : 871.2, 1e-3);
        EXPECT_NEAR(p->SwathWidth(), metricDisplay ? 18.3 : 60, 1e-4);
        EXPECT_NEAR(p->FixedAppSpeed(), metricDisplay ? 58 : 110, 1e-4);
        EXPECT_NEAR(p->FullTank(), 1800, 1e-2);
        EXPECT_FLOAT_EQ(p->MaxLeakage(), 1.5f);
        TMemIniFile file(dir.File("FiregatePresets.ini"));
        EXPECT_NEAR(file.ReadFloat("COMMON CONSTANTS", "PresetFullTank", 0), 1800 * 0.264172051, 1e-3);
        EXPECT_NEAR(file.ReadFloat("WATER Level 5.0 CONSTANTS", "PresetFullTank", 0), 999, 1e-9);
    }
}

TEST_F(AppPresetTest, NotificationRunsAfterEveryChangeAndNeverInsideItself)
{
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    int calls = 0;
    p->SetOnChange([&] {
        ++calls;
        EXPECT_TRUE(p->Notifying());
        const float before = p->AppRateSI();
        p->SetAppRate(1);     // ignored while notifying
        p->SetCleanupRate(1); // ignored too
        EXPECT_EQ(p->AppRateSI(), before);
        p->SetSwathWidth(p->SwathWidth()); // runs, but does not notify again
    });
    p->ClearChanged();
    p->SetMaxLeakage(3);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(p->Changed());
    p->SetRateTweak(1.1);
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(p->Notifying());
}

TEST_F(AppPresetTest, FiregateTweakIsStoredInThePresetSection)
{
    auto q = Quantities(pmFireGate);
    auto p = Wet(*q, "WATER Level 5.0");
    p->SetRateTweak(0.85);
    EXPECT_TRUE(p->ApplyRateTweak());
    EXPECT_DOUBLE_EQ(p->RateTweak(), 0.85);
    TMemIniFile file(dir.File("FiregatePresets.ini"));
    EXPECT_DOUBLE_EQ(file.ReadFloat("WATER Level 5.0 CONSTANTS", "AppRateTweek", 0), 0.85);
    auto again = Wet(*q, "WATER Level 5.0");
    EXPECT_DOUBLE_EQ(again->RateTweak(), 0.85);
}

TEST_F(AppPresetTest, DryReshapeMovesTheOperatingPointByHand)
{
    // Operating point: 160 kg/ha × 50 m/s × 20 m / 10000 = 16 kg/s; q = 16/20 = 0.8,
    // r = 0.8 on the linear curve. Tweak 1.25: base = 0.64, below = 0.8.
    // Pairs: x 0, 0.25, 0.5 lie 0.3 or more below r and keep their flow;
    // x 0.8 takes base 0.64; x 0.82 (within 0.03) takes 0.64 + 0.02 = 0.66;
    // x 1.0 (d 0.2, w 1/3) takes 0.84/3 + 2/3 = 0.946667 = m.
    // Every y is divided by m; maximum flow 20 × m = 18.9333.
    units = metric;
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    p->SetRateTweak(1.25);
    ASSERT_TRUE(p->ApplyRateTweak());
    const double m = 0.84 / 3 + 2.0 / 3;
    const double expected[] = {0, 0.25 / m, 0.5 / m, 0.64 / m, 0.66 / m, 1};
    ASSERT_EQ(p->OpeningToFlow().Length(), 6u);
    for (size_t i = 0; i < 6; ++i)
        EXPECT_NEAR(p->OpeningToFlow()[i].Y, expected[i], 1e-12) << i;
    EXPECT_NEAR(p->MaxFlow(), 18.933333333333334, 1e-12);
    EXPECT_DOUBLE_EQ(p->RateTweak(), 1.0);
    EXPECT_NEAR(p->FlowToOpening()[3].X, 0.64 / m, 1e-12);
    // At the operating point the new curve gives 16 / 1.25 = 12.8 kg/s.
    EXPECT_NEAR(p->OpeningToFlow()[3].Y * p->MaxFlow(), 12.8, 1e-9);

    TMemIniFile file(dir.File("DryMaterialPresets.ini"));
    EXPECT_NEAR(file.ReadFloat("Urea CONSTANTS", "MAXIMUM FLOW", 0), 18.9333333333333, 1e-9);
    const auto lines = file.ReadSectionValues("Urea OPENING_TO_FLOW_RELATIVES");
    const std::vector<std::string> want = {"0.000=0.00000", "0.250=0.26408", "0.500=0.52817",
                                           "0.800=0.67606", "0.820=0.69718", "1.000=1.00000"};
    EXPECT_EQ(lines, want);
}

TEST_F(AppPresetTest, DryReshapeWritesTheMaximumFlowInPoundsForAPoundFile)
{
    // Wheat: 100 lb/ac, 120 kts, 50 ft, 44.0924 lb/s on a straight curve.
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Wheat");
    p->SetRateTweak(0.9);
    ASSERT_TRUE(p->ApplyRateTweak());
    TMemIniFile file(dir.File("DryMaterialPresets.ini"));
    EXPECT_NEAR(file.ReadFloat("Wheat CONSTANTS", "MAXIMUM FLOW", 0), p->MaxFlow() * 2.20462, 1e-6);
}

TEST_F(AppPresetTest, DryReshapeWithoutAnOperatingPointLeavesTheCurve)
{
    units = metric;
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    p->SetSwathWidth(0);
    const std::string before = TMemIniFile(dir.File("DryMaterialPresets.ini")).ToText();
    p->SetRateTweak(1.2);
    EXPECT_FALSE(p->ApplyRateTweak());
    EXPECT_DOUBLE_EQ(p->RateTweak(), 1.0);
    EXPECT_DOUBLE_EQ(p->MaxFlow(), 20);
    EXPECT_EQ(p->OpeningToFlow()[3].Y, 0.8);
    EXPECT_EQ(TMemIniFile(dir.File("DryMaterialPresets.ini")).ToText(), before);
}

// Every combination of the area and the mass/volume choice: what the pilot
// enters, what is stored and what the run page shows are the same rate.
TEST_F(AppPresetTest, RatesInEveryUnitChoiceAreEnteredStoredAndShownAlike)
{
    const double kgPerLbAc = 2.4710538 / 2.20462; // 1 lbs/ac in kg/ha
    const struct {
        uint8_t area, volume;
        double entered; // display units
        double stored;  // kg/ha
        const char* shown;
    } cases[] = {
        {0, 0, 100, 100 * kgPerLbAc, "100 lbs/ac"},
        {0, 2, 100, 100 * kgPerLbAc, "100 lbs/ac"}, // acres with "Kg, Litres"
        {1, 0, 100, 100, "100.0 kg/ha"},             // hectares with "LBS, US Gallons"
        {1, 2, 100, 100, "100.0 kg/ha"},
    };
    for (const auto& c : cases) {
        const std::string what = "area " + std::to_string(c.area) + ", volume " + std::to_string(c.volume);
        units = TDisplayUnits{};
        units.area = c.area;
        units.volume = c.volume;
        units.mass = c.volume == 2 ? 1 : 0;
        dir.Write("DryMaterialPresets.ini", test::kDryPresets);
        auto q = Quantities(pmDryMaterial);
        for (const char* name : {"Urea", "Wheat"}) { // kg/ha and lbs/ac files
            auto p = Dry(*q, name);
            p->SetAppRate(c.entered);
            EXPECT_NEAR(p->AppRateSI(), c.stored, 1e-4) << what << ", " << name;
            EXPECT_NEAR(p->AppRate(), c.entered, 1e-4) << what << ", " << name;
            EXPECT_EQ(FormatAppRate(p->AppRateSI(), units), c.shown) << what << ", " << name;
            q->Recompute();
            EXPECT_NEAR(q->TargetRate(), c.entered, 1e-3) << what << ", " << name;
        }
    }
}

TEST_F(AppPresetTest, ARateInKgPerHectareIsStoredAsItIsWhateverTheUnits)
{
    units.area = 1; // hectares with pounds
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Wheat"); // a pounds-per-acre file
    p->SetAppRateSI(100);
    EXPECT_EQ(p->AppRateSI(), 100.0f);
    EXPECT_NEAR(p->AppRate(), 100, 1e-9);
    TMemIniFile file(dir.File("DryMaterialPresets.ini"));
    EXPECT_NEAR(file.ReadFloat("Wheat CONSTANTS", "LastAppRate", 0), 100 * 2.20462 / 2.471053814672, 1e-4);
}

// A section added behind the preset's back survives only while the preset
// does not write its file again.
void MarkFile(const std::string& path)
{
    std::ofstream(path, std::ios::app) << "[Untouched]\nMark=1\n";
}

bool StillMarked(const std::string& path)
{
    return TMemIniFile(path).SectionExists("Untouched");
}

TEST_F(AppPresetTest, TheSameRateAgainLeavesThePresetFileAlone)
{
    units = metric;
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    const std::string path = dir.File("DryMaterialPresets.ini");
    p->SetAppRateSI(123.25);
    MarkFile(path);
    for (int i = 0; i < 3; ++i) {
        p->SetAppRateSI(123.25);
        p->SetAppRate(123.25);
    }
    EXPECT_TRUE(StillMarked(path)) << "the file was rewritten with the value it held";
    p->SetAppRateSI(124);
    EXPECT_FALSE(StillMarked(path));
    EXPECT_NEAR(TMemIniFile(path).ReadFloat("Urea CONSTANTS", "LastAppRate", 0), 124, 1e-9);
}

// The factory Urea at its 150 kg/ha operating point (relative flow 0.566,
// opening 0.642): a tweak of -50% would lift the pairs above the operating
// point to 0.7 -> 1.08, 0.8 -> 1.01, 0.9 -> 0.95, so the gate would open
// further for less flow.
TEST_F(AppPresetTest, ATweakThatWouldMakeTheCurveFallIsRefusedAndChangesNothing)
{
    std::filesystem::copy_file(std::string(ORVANE_FACTORY_DIR) + "/DryMaterialPresets.ini",
                               dir.File("DryMaterialPresets.ini"), std::filesystem::copy_options::overwrite_existing);
    units = metric;
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    const std::string before = TMemIniFile(dir.File("DryMaterialPresets.ini")).ToText();
    const TArrayOfXYPair curve = p->OpeningToFlow();
    p->SetRateTweak(0.5);
    std::string refusal;
    EXPECT_FALSE(p->ApplyRateTweak(&refusal));
    EXPECT_EQ(refusal, "the flow would no longer rise with the opening");
    EXPECT_DOUBLE_EQ(p->RateTweak(), 1.0);
    EXPECT_DOUBLE_EQ(p->MaxFlow(), 35);
    ASSERT_EQ(p->OpeningToFlow().Length(), curve.Length());
    for (size_t i = 0; i < curve.Length(); ++i)
        EXPECT_EQ(p->OpeningToFlow()[i].Y, curve[i].Y) << i;
    EXPECT_EQ(TMemIniFile(dir.File("DryMaterialPresets.ini")).ToText(), before);
}

// Whatever the pilot picks on the tweak slider (50..150 %), the preset file
// never holds a curve whose flow falls as the gate opens.
TEST_F(AppPresetTest, NoTweakOnTheSliderWritesAFallingCurve)
{
    units = metric;
    int applied = 0, refused = 0;
    for (int v = 50; v <= 150; v += 5) {
        if (v == 100)
            continue;
        std::filesystem::copy_file(std::string(ORVANE_FACTORY_DIR) + "/DryMaterialPresets.ini",
                                   dir.File("DryMaterialPresets.ini"),
                                   std::filesystem::copy_options::overwrite_existing);
        auto q = Quantities(pmDryMaterial);
        auto p = Dry(*q, "Urea");
        p->SetRateTweak(v / 100.0);
        p->ApplyRateTweak() ? ++applied : ++refused;
        auto again = Dry(*q, "Urea");
        const TArrayOfXYPair& written = again->OpeningToFlow();
        for (size_t i = 1; i < written.Length(); ++i)
            EXPECT_GT(written[i].Y, written[i - 1].Y) << "tweak " << v << "%, pair " << i;
    }
    EXPECT_GT(applied, 0);
    EXPECT_GT(refused, 0);
}

TEST_F(AppPresetTest, RelativeOpeningAndOpeningDemand)
{
    units = metric;
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    p->SetRelativeFlow(0.4f);
    EXPECT_NEAR(p->RelativeOpening(), 0.4, 1e-7);
    EXPECT_NEAR(p->OpeningDemand(), 0.04, 1e-7);
}

TEST_F(AppPresetTest, FreeingEitherSideLeavesNoDanglingLink)
{
    auto q = Quantities(pmDryMaterial);
    auto p = Dry(*q, "Urea");
    p.reset();
    EXPECT_EQ(q->Preset(), nullptr);
    auto p2 = Dry(*q, "Urea");
    q.reset();
    EXPECT_EQ(p2->Quantities(), nullptr);
}

} // namespace
} // namespace orv
