#include "ui/UnitFormat.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TDisplayUnits Units(uint8_t length, uint8_t area = 1, uint8_t volume = 2)
{
    TDisplayUnits u;
    u.length = length;
    u.area = area;
    u.volume = volume;
    u.mass = volume == 2 ? 1 : 0;
    return u;
}

struct TOpeningCase {
    double metres;
    const char* text;
    const char* what;
};

TEST(UnitFormatTest, GateOpeningInInchFractions)
{
    const TOpeningCase cases[] = {
        {0.0762, "3 in.", "3.000 in: no fraction"},
        {0.0801, "3 5/32 in.", "3.1535 in, n = 5"},
        {0.0826, "3 1/4 in.", "3.252 in, n = 8 -> 1/4"},
        {0.1, "3 15/16 in.", "3.937 in, n = 30 -> 15/16"},
        {0.0253, "1 in.", "0.996 in, n = 32 -> next whole inch"},
        {0.0127, "0 1/2 in.", "0.5 in, n = 16 -> 1/2"},
        {0.0508 + 0.0254 * 3 / 8, "2 3/8 in.", "2.375 in, n = 12 -> 3/8"},
        {0.0254 * 1.03125, "1 1/32 in.", "1 1/32 in exactly, n = 1"},
        {0.0254 * 1.015625, "1 in.", "1/64 in is n = 0.5, rounded to even 0"},
        {0.0254 * (1 + 3.0 / 32), "1 3/32 in.", "n = 3"},
        {0.0254 * (2 + 0.9 / 64), "2 in.", "0.45/32 rounds down to no fraction"},
        {-0.0801, "-3 in.", "a negative fraction is dropped"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatGateOpening(c.metres, Units(0)), c.text) << c.what;
        EXPECT_EQ(FormatGateOpening(c.metres, Units(2)), c.text) << "US survey feet: " << c.what;
    }
}

TEST(UnitFormatTest, GateOpeningInCentimetres)
{
    EXPECT_EQ(FormatGateOpening(0.1, Units(1)), "10.0 cm");
    EXPECT_EQ(FormatGateOpening(0.0801, Units(1)), "8.0 cm");
    EXPECT_EQ(FormatGateOpening(0.12345, Units(1)), "12.3 cm");
}

TEST(UnitFormatTest, AppRateAndSwath)
{
    // 150 kg/ha × 2.20462 / 2.471053814672 = 133.82 lbs/ac
    EXPECT_EQ(FormatAppRate(150, Units(0, 0)), "134 lbs/ac");
    EXPECT_EQ(FormatAppRate(150, Units(1, 1)), "150.0 kg/ha");
    // Mixed choices: the area decides the rate unit.
    EXPECT_EQ(FormatAppRate(150, Units(0, 0, 0)), "134 lbs/ac");
    EXPECT_EQ(FormatAppRate(150, Units(1, 1, 0)), "150.0 kg/ha");
    // Fire gate: 4074.58333 L/ha = 435.6 US gal/ac = 362.7 imperial gal/ac.
    EXPECT_EQ(FormatRate(false, 4074.58333, Units(0, 0, 0)), "436 gal/ac");
    EXPECT_EQ(FormatRate(false, 4074.58333, Units(0, 0, 1)), "363 gal/ac");
    EXPECT_EQ(FormatRate(false, 4074.58333, Units(0, 0, 2)), "436 gal/ac");
    EXPECT_EQ(FormatRate(false, 4074.58333, Units(1, 1, 0)), "4074.6 L/ha");
    EXPECT_EQ(FormatSwathWidth(27.432, Units(0)), "90 ft");
    EXPECT_EQ(FormatSwathWidth(27.432, Units(2)), "90 ft");
    EXPECT_EQ(FormatSwathWidth(27.432, Units(1)), "27.4 m");
}

TEST(UnitFormatTest, TankQuantitiesAndPercentages)
{
    EXPECT_EQ(FormatFireTank(2000, Units(0, 0, 0)), "528 Gallons"); // 2000 × 0.264172051 = 528.3
    EXPECT_EQ(FormatFireTank(2000, Units(0, 0, 1)), "440 Gallons"); // 2000 × 0.219969 = 439.9
    EXPECT_EQ(FormatFireTank(2000, Units(1, 1, 2)), "2000 Litres");
    EXPECT_EQ(FormatQuantity(1234.56, "lb", true), "1235 lb");
    EXPECT_EQ(FormatQuantity(1234.56, "kg", false), "1234.6 kg");
    EXPECT_EQ(FormatPercent1(12.34), "12.3%");
    EXPECT_EQ(FormatPercent0(12.6), "13%");
}

TEST(UnitFormatTest, LabelsThatFollowTheCodes)
{
    EXPECT_EQ(OpeningDistanceUnitLabel(Units(0)), "Inches");
    EXPECT_EQ(OpeningDistanceUnitLabel(Units(2)), "Inches");
    EXPECT_EQ(OpeningDistanceUnitLabel(Units(1)), "cm");
    EXPECT_EQ(QuantityUnitLabel(0, Units(0, 0, 0)), "gal");
    EXPECT_EQ(QuantityUnitLabel(0, Units(0, 0, 1)), "gal");
    EXPECT_EQ(QuantityUnitLabel(0, Units(1, 1, 2)), "L");
    EXPECT_EQ(QuantityUnitLabel(1, Units(0, 0, 0)), "lb");
    EXPECT_EQ(QuantityUnitLabel(4, Units(1, 1, 2)), "kg");
}

TEST(UnitFormatTest, SimpleStepCaptions)
{
    const auto metric = SimpleStepCaptions(Units(1));
    EXPECT_EQ(metric[0], "+ 2");
    EXPECT_EQ(metric[2], "+ 0.1");
    EXPECT_EQ(metric[4], "- 0.5");
    const auto imperial = SimpleStepCaptions(Units(2));
    EXPECT_EQ(imperial[1], "+ 1/8");
    EXPECT_EQ(imperial[5], "- 1/32");
}

TEST(UnitFormatTest, RoundsHalvesToEven)
{
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.6), 3);
}

} // namespace
} // namespace orv
