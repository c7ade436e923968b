#include "control/GateCalibration.h"

#include "store/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

const char* const kDigitalCm = "[CONSTANTS]\nLENGTH UNITS=1\nMAX_OPENING_0=40\nMAX_OPENING_1=10\nMAX_OPENING_3=8\n"
                               "[RELATIVE_DIGITAL_TO_RELATIVE_PHYSICAL_OPENING_1]\n"
                               "0.00000=0.0000\n0.50000=0.4000\n1.00000=1.0000\n";

TEST(GateCalibrationTest, TableIndexOfEachMode)
{
    EXPECT_EQ(TGateCalibration::TableIndexFor(0), 0);
    EXPECT_EQ(TGateCalibration::TableIndexFor(1), 1);
    EXPECT_EQ(TGateCalibration::TableIndexFor(2), 2);
    EXPECT_EQ(TGateCalibration::TableIndexFor(3), 3);
    EXPECT_EQ(TGateCalibration::TableIndexFor(4), 1);
    EXPECT_EQ(TGateCalibration::IndexesWrittenFor(0), std::vector<int>{0});
    EXPECT_EQ(TGateCalibration::IndexesWrittenFor(4), (std::vector<int>{1, 2, 3, 4}));
}

TEST(GateCalibrationTest, LoadsTheDigitalTableInCentimetres)
{
    test::TempDir dir;
    dir.Write("RelativeDigitalToPhysical.ini", kDigitalCm);
    TGateCalibration c(dir.Path(), 4); // simple dry reads index 1
    c.LoadDigitalToPhysical();
    EXPECT_FLOAT_EQ(c.MaxPhysicalOpening(), 0.1f);
    ASSERT_EQ(c.DigitalToPhysical().Length(), 3u);
    EXPECT_EQ(c.DigitalToPhysical()[1].Y, 0.4);
    EXPECT_EQ(c.PhysicalToDigital()[1].X, 0.4);
    EXPECT_EQ(c.PhysicalToDigital()[1].Y, 0.5);
}

TEST(GateCalibrationTest, InchesAreConvertedToMetres)
{
    test::TempDir dir;
    dir.Write("RelativeDigitalToPhysical.ini", "[CONSTANTS]\nLENGTH UNITS=0\nMAX_OPENING_3=4\n");
    TGateCalibration c(dir.Path(), 3);
    c.LoadDigitalToPhysical();
    EXPECT_FLOAT_EQ(c.MaxPhysicalOpening(), 0.1016f);
    EXPECT_TRUE(c.DigitalToPhysical().Empty()); // no table section
}

TEST(GateCalibrationTest, WithoutConstantsBothTablesStayEmpty)
{
    test::TempDir dir;
    dir.Write("RelativeDigitalToPhysical.ini", "[RELATIVE_DIGITAL_TO_RELATIVE_PHYSICAL_OPENING_1]\n0=0\n1=1\n");
    TGateCalibration c(dir.Path(), 1);
    c.LoadDigitalToPhysical();
    EXPECT_TRUE(c.DigitalToPhysical().Empty());
    EXPECT_TRUE(c.PhysicalToDigital().Empty());
    EXPECT_EQ(c.MaxPhysicalOpening(), 0);
}

TEST(GateCalibrationTest, DialTableNeedsMoreThanFourLines)
{
    test::TempDir dir;
    dir.Write("DialToOpening.ini", "[CONSTANTS]\nLENGTH UNITS=0\n"
                                   "[DialToOpening_1]\n0.0=0.0000\n2.0=1.0000\n4.0=2.0000\n6.0=3.0000\n8.0=4.0000\n"
                                   "[DialToOpening_4]\n0.0=0.0000\n2.0=1.0000\n4.0=2.0000\n6.0=3.0000\n");
    TGateCalibration one(dir.Path(), 1);
    one.LoadDial();
    ASSERT_EQ(one.DialToOpening().Length(), 5u);
    EXPECT_DOUBLE_EQ(one.DialToOpening()[2].Y, 5.08); // 2 inches
    EXPECT_DOUBLE_EQ(one.OpeningToDial()[2].X, 5.08);
    EXPECT_DOUBLE_EQ(one.OpeningToDial().Interpolate(2.54), 2.0);
    TGateCalibration four(dir.Path(), 4);
    four.LoadDial();
    EXPECT_TRUE(four.DialToOpening().Empty());
}

TArrayOfXYPair OpeningCalibration()
{
    // The 13 points of the opening-distance page, 0.1 cm per percent: 9.5 cm at 95 %.
    TArrayOfXYPair pairs;
    for (double p : {0, 5, 10, 15, 20, 25, 30, 35, 40, 50, 60, 75, 95})
        pairs.Add(p, p * 0.1);
    return pairs;
}

TEST(GateCalibrationTest, SaveWritesEveryDryIndexWithItsMaximum)
{
    test::TempDir dir;
    dir.Write("RelativeDigitalToPhysical.ini", kDigitalCm);
    TGateCalibration c(dir.Path(), 1);
    c.LoadDigitalToPhysical();
    // p100 extrapolates to 10.0 cm; each value is Y / 10.
    ASSERT_TRUE(c.SaveDigitalToPhysical(OpeningCalibration(), 12));
    TMemIniFile file(dir.File("RelativeDigitalToPhysical.ini"));
    for (int i = 1; i <= 4; ++i) {
        EXPECT_NEAR(file.ReadFloat("CONSTANTS", "MAX_OPENING_" + std::to_string(i), 0), 10, 1e-9) << i;
        const auto lines = file.ReadSectionValues(TGateCalibration::TableSection(i));
        ASSERT_EQ(lines.size(), 14u) << i;
        EXPECT_EQ(lines[1], "0.05000=0.0500");
        EXPECT_EQ(lines[12], "0.95000=0.9500");
        EXPECT_EQ(lines[13], "1.00000=1.0000");
    }
    EXPECT_EQ(file.ReadFloat("CONSTANTS", "MAX_OPENING_0", 0), 40); // the fire gate's is left
    EXPECT_FLOAT_EQ(c.MaxPhysicalOpening(), 0.1f);
    EXPECT_EQ(c.DigitalToPhysical().Length(), 14u); // reloaded
}

TEST(GateCalibrationTest, SaveInAnInchFileAndForTheFireGate)
{
    test::TempDir dir;
    TGateCalibration c(dir.Path(), 0);
    ASSERT_TRUE(c.SaveDigitalToPhysical(OpeningCalibration(), 12));
    TMemIniFile file(dir.File("RelativeDigitalToPhysical.ini"));
    EXPECT_EQ(file.ReadInteger("CONSTANTS", "LENGTH UNITS", -1), 0); // written when missing
    EXPECT_NEAR(file.ReadFloat("CONSTANTS", "MAX_OPENING_0", 0), 10 / 2.54, 1e-9);
    EXPECT_FALSE(file.SectionExists(TGateCalibration::TableSection(1)));
    EXPECT_FLOAT_EQ(c.MaxPhysicalOpening(), 0.1f);
}

TEST(GateCalibrationTest, ACurveWithoutAPositiveFullOpeningIsRefused)
{
    test::TempDir dir;
    dir.Write("RelativeDigitalToPhysical.ini", kDigitalCm);
    TGateCalibration c(dir.Path(), 1);
    c.LoadDigitalToPhysical();
    EXPECT_FALSE(c.SaveDigitalToPhysical(TArrayOfXYPair{{0, 0}, {50, 0}}, 1));
    EXPECT_EQ(dir.Read("RelativeDigitalToPhysical.ini"), kDigitalCm);
    EXPECT_FLOAT_EQ(c.MaxPhysicalOpening(), 0.1f);
}

TEST(GateCalibrationTest, SetMaxOpeningWritesOnlyARealChange)
{
    test::TempDir dir;
    dir.Write("RelativeDigitalToPhysical.ini", "[CONSTANTS]\nLENGTH UNITS=0\nMAX_OPENING_1=4\n");
    TGateCalibration c(dir.Path(), 1);
    c.LoadDigitalToPhysical(); // 4 in = 10.16 cm
    EXPECT_FALSE(c.SetMaxOpening(1, 10.165));
    EXPECT_TRUE(c.SetMaxOpening(1, 12.7));
    EXPECT_FLOAT_EQ(c.MaxPhysicalOpening(), 0.127f);
    TMemIniFile file(dir.File("RelativeDigitalToPhysical.ini"));
    EXPECT_NEAR(file.ReadFloat("CONSTANTS", "MAX_OPENING_1", 0), 5, 1e-9); // 12.7 cm in inches
}

} // namespace
} // namespace orv
