#include "store/IniFile.h"
#include "tests/support/TempDir.h"
#include "ui/UnitSettings.h"
#include "ui/Units.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(UnitsTest, TablesHoldTheComboTextsInCodeOrder)
{
    EXPECT_STREQ(kLengthUnits[0].comboText, "Feet, Inches");
    EXPECT_STREQ(kLengthUnits[1].comboText, "Meters, cm");
    EXPECT_STREQ(kLengthUnits[2].comboText, "US Survey Feet");
    EXPECT_STREQ(kAreaUnits[0].comboText, "Acres");
    EXPECT_STREQ(kAreaUnits[1].comboText, "Hectares");
    EXPECT_STREQ(kSpeedUnits[0].comboText, "Knots");
    EXPECT_STREQ(kSpeedUnits[1].comboText, "M/S");
    EXPECT_STREQ(kSpeedUnits[2].comboText, "MPH");
    EXPECT_STREQ(kSpeedUnits[3].comboText, "KPH");
    EXPECT_STREQ(kVolumeUnits[0].comboText, "LBS, US Gallons");
    EXPECT_STREQ(kVolumeUnits[1].comboText, "LBS, Gallons");
    EXPECT_STREQ(kVolumeUnits[2].comboText, "Kg, Litres");
}

TEST(UnitsTest, FactorsConvertInternalToDisplayAndBack)
{
    TDisplayUnits u; // all 0: feet, knots, acres, US gallons, pounds
    const TDisplayFactors f = ComputeDisplayFactors(u);
    EXPECT_EQ(f.speedLabel, "kts");
    EXPECT_NEAR(60 * f.speed, 116.630676, 1e-6); // 60 m/s = 116.63 kts
    EXPECT_NEAR(116.630676 / f.speed, 60, 1e-6);
    EXPECT_EQ(f.massLabel, "lb");
    EXPECT_NEAR(100 * f.mass, 220.462, 1e-9);
    EXPECT_EQ(f.volumeLabel, "gal");
    EXPECT_NEAR(2000 * f.volume, 528.3441, 1e-9);
    EXPECT_EQ(f.areaLabel, "ac");
    EXPECT_NEAR(10 * f.area, 24.710538, 1e-9);
    EXPECT_EQ(f.massRateLabel, "lbs/ac");
    EXPECT_EQ(f.volumeRateLabel, "gal/ac");
    EXPECT_NEAR(150 * f.massRate, 150 * 2.20462 / 2.4710538, 1e-9); // 133.83 lbs/ac
    EXPECT_NEAR(4074.58333 * f.volumeRate, 435.6, 0.01);
    EXPECT_EQ(f.lengthLabel, "ft");
    EXPECT_EQ(f.smallLengthLabel, "in");
    EXPECT_NEAR(27.432 * f.length, 90, 1e-9);
    EXPECT_NEAR(90 / f.length, 27.432, 1e-9);
}

TEST(UnitsTest, SpeedAndVolumeFactorsOfEveryCode)
{
    const struct {
        uint8_t code;
        const char* label;
        double factor;
    } speeds[] = {{0, "kts", 1.9438446}, {1, "m/s", 1}, {2, "mph", 2.2369399}, {3, "kph", 3.6}};
    for (const auto& s : speeds) {
        TDisplayUnits u;
        u.speed = s.code;
        const TDisplayFactors f = ComputeDisplayFactors(u);
        EXPECT_EQ(f.speedLabel, s.label);
        EXPECT_EQ(f.speed, s.factor);
    }
    TDisplayUnits u;
    u.volume = 1;
    EXPECT_EQ(ComputeDisplayFactors(u).volume, 0.219969);
    EXPECT_EQ(ComputeDisplayFactors(u).volumeLabel, "gal");
}

// Every combination of the area and the mass/volume choice: the rate label
// names the unit the number is in. Per acre a dry rate is in pounds and a
// fire-gate rate in gallons, per hectare in kilograms or litres, whatever the
// mass and volume choice (which decide the tank and job quantities).
TEST(UnitsTest, RateUnitsFollowTheAreaChoiceAndLabelTheirNumbers)
{
    const double poundsPerAcre = 2.20462 / 2.4710538;
    const double usGallonsPerAcre = 0.26417205 / 2.4710538;
    const double imperialGallonsPerAcre = 0.219969 / 2.4710538;
    const struct {
        uint8_t area, volume;
        const char* dryLabel;
        double dryFactor;
        const char* wetLabel;
        double wetFactor;
        bool whole;
    } cases[] = {
        {0, 0, "lbs/ac", poundsPerAcre, "gal/ac", usGallonsPerAcre, true},
        {0, 1, "lbs/ac", poundsPerAcre, "gal/ac", imperialGallonsPerAcre, true},
        {0, 2, "lbs/ac", poundsPerAcre, "gal/ac", usGallonsPerAcre, true},
        {1, 0, "kg/ha", 1, "L/ha", 1, false},
        {1, 1, "kg/ha", 1, "L/ha", 1, false},
        {1, 2, "kg/ha", 1, "L/ha", 1, false},
    };
    for (const auto& c : cases) {
        TDisplayUnits u;
        u.area = c.area;
        u.volume = c.volume;
        u.mass = MassCodeForVolume(c.volume);
        const std::string what = "area " + std::to_string(c.area) + ", volume " + std::to_string(c.volume);
        const TRateUnit dry = DisplayRateUnit(true, u);
        const TRateUnit wet = DisplayRateUnit(false, u);
        EXPECT_STREQ(dry.label, c.dryLabel) << what;
        EXPECT_NEAR(dry.factor, c.dryFactor, 1e-12) << what;
        EXPECT_STREQ(wet.label, c.wetLabel) << what;
        EXPECT_NEAR(wet.factor, c.wetFactor, 1e-12) << what;
        EXPECT_EQ(dry.wholeNumbers, c.whole) << what;
        // The display factors of the calculated quantities are the same rule.
        const TDisplayFactors f = ComputeDisplayFactors(u);
        EXPECT_EQ(f.massRateLabel, c.dryLabel) << what;
        EXPECT_EQ(f.massRate, dry.factor) << what;
        EXPECT_EQ(f.volumeRateLabel, c.wetLabel) << what;
        EXPECT_EQ(f.volumeRate, wet.factor) << what;
    }
    TDisplayUnits hectaresLb;
    hectaresLb.area = 1;
    const TDisplayFactors g = ComputeDisplayFactors(hectaresLb);
    EXPECT_EQ(g.areaLabel, "ha");
    EXPECT_EQ(g.area, 1);
    EXPECT_EQ(g.massLabel, "lb") << "the tank stays in the mass choice";
}

TEST(UnitsTest, MetricLengthLabels)
{
    TDisplayUnits u;
    u.length = 1;
    const TDisplayFactors f = ComputeDisplayFactors(u);
    EXPECT_EQ(f.lengthLabel, "m");
    EXPECT_EQ(f.smallLengthLabel, "cm");
    EXPECT_EQ(f.length, 1);
}

class UnitSettingsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string Path() const { return dir.File("LastSelectedPreset.ini"); }
};

TEST_F(UnitSettingsTest, MissingSectionKeepsTheRecord)
{
    TMemIniFile settings(Path());
    TDisplayUnits u;
    EXPECT_FALSE(LoadSelectedUnits(settings, u));
    EXPECT_EQ(u.length, 0);
    EXPECT_EQ(u.speed, 0);
    EXPECT_EQ(u.area, 0);
    EXPECT_EQ(u.volume, 0);
    EXPECT_EQ(u.mass, 0);
}

TEST_F(UnitSettingsTest, LoadsTheFiveCodesAndRejectsCodesOutsideTheTables)
{
    dir.Write("LastSelectedPreset.ini",
              "[Selected Units]\nLength Units=1\nSpeed Units=3\nArea Units=1\nVolume Units=2\nMass Units=1\n");
    TMemIniFile settings(Path());
    TDisplayUnits u;
    ASSERT_TRUE(LoadSelectedUnits(settings, u));
    EXPECT_EQ(u.length, 1);
    EXPECT_EQ(u.speed, 3);
    EXPECT_EQ(u.area, 1);
    EXPECT_EQ(u.volume, 2);
    EXPECT_EQ(u.mass, 1);

    dir.Write("LastSelectedPreset.ini", "[Selected Units]\nLength Units=7\nSpeed Units=-1\nArea Units=x\n");
    TMemIniFile damaged(Path());
    ASSERT_TRUE(LoadSelectedUnits(damaged, u));
    EXPECT_EQ(u.length, 0);
    EXPECT_EQ(u.speed, 0);
    EXPECT_EQ(u.area, 0);
}

TEST_F(UnitSettingsTest, VolumeChoiceWritesTheMassCodeToo)
{
    TMemIniFile settings(Path());
    TDisplayUnits u;
    ASSERT_TRUE(StoreUnitChoice(settings, u, ucVolume, 2));
    EXPECT_EQ(u.volume, 2);
    EXPECT_EQ(u.mass, 1);
    {
        TMemIniFile onDisk(Path());
        EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Volume Units", -1), 2);
        EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Mass Units", -1), 1);
    }
    ASSERT_TRUE(StoreUnitChoice(settings, u, ucVolume, 1));
    TMemIniFile onDisk(Path());
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Volume Units", -1), 1);
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Mass Units", -1), 0);
}

TEST_F(UnitSettingsTest, EachComboWritesItsOwnKey)
{
    TMemIniFile settings(Path());
    TDisplayUnits u;
    ASSERT_TRUE(StoreUnitChoice(settings, u, ucSpeed, 2));
    ASSERT_TRUE(StoreUnitChoice(settings, u, ucLength, 2));
    ASSERT_TRUE(StoreUnitChoice(settings, u, ucArea, 1));
    EXPECT_FALSE(StoreUnitChoice(settings, u, ucArea, -1));
    EXPECT_FALSE(StoreUnitChoice(settings, u, ucSpeed, 4));
    TMemIniFile onDisk(Path());
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Speed Units", -1), 2);
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Length Units", -1), 2);
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Area Units", -1), 1);
    EXPECT_EQ(u.speed, 2);
    EXPECT_EQ(UnitChoiceCode(u, ucLength), 2);
}

} // namespace
} // namespace orv
