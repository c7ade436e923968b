#include "control/PresetUnits.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TPresetUnitCodes Codes(uint8_t length, uint8_t volume, uint8_t mass, uint8_t speed)
{
    TPresetUnitCodes c;
    c.length = length;
    c.volume = volume;
    c.mass = mass;
    c.speed = speed;
    return c;
}

struct TConversion {
    const char* what;
    double (*to)(const TPresetUnitCodes&, double);
    double (*from)(const TPresetUnitCodes&, double);
    TPresetUnitCodes codes;
    double v;
    double i;
};

double FireRateTo(const TPresetUnitCodes& c, double v) { return RateToInternal(false, c, v); }
double FireRateFrom(const TPresetUnitCodes& c, double i) { return RateFromInternal(false, c, i); }
double DryRateTo(const TPresetUnitCodes& c, double v) { return RateToInternal(true, c, v); }
double DryRateFrom(const TPresetUnitCodes& c, double i) { return RateFromInternal(true, c, i); }
double FireQtyTo(const TPresetUnitCodes& c, double v) { return QuantityToInternal(false, c, v); }
double FireQtyFrom(const TPresetUnitCodes& c, double i) { return QuantityFromInternal(false, c, i); }
double DryQtyTo(const TPresetUnitCodes& c, double v) { return QuantityToInternal(true, c, v); }
double DryQtyFrom(const TPresetUnitCodes& c, double i) { return QuantityFromInternal(true, c, i); }

TEST(PresetUnitsTest, EveryConversionBothWays)
{
    // Worked by hand: 435.6 gal/ac × 2.471053814672 / 0.264172051 = 4074.58335 L/ha, etc.
    const TConversion cases[] = {
        {"fire rate, US gallons per acre", FireRateTo, FireRateFrom, Codes(0, 0, 0, 0), 435.6, 4074.5833542819532},
        {"fire rate, imperial gallons per acre", FireRateTo, FireRateFrom, Codes(0, 1, 0, 0), 100, 1123.364571676918},
        {"fire rate, litres per hectare", FireRateTo, FireRateFrom, Codes(1, 2, 1, 1), 4000, 4000},
        {"dry rate, pounds per acre", DryRateTo, DryRateFrom, Codes(0, 0, 0, 0), 100, 112.08524891691086},
        {"dry rate, kilograms per hectare", DryRateTo, DryRateFrom, Codes(1, 2, 1, 1), 150, 150},
        {"fire quantity, US gallons", FireQtyTo, FireQtyFrom, Codes(0, 0, 0, 0), 100, 378.54118034613737},
        {"fire quantity, imperial gallons", FireQtyTo, FireQtyFrom, Codes(0, 1, 0, 0), 100, 454.60951315867237},
        {"fire quantity, litres", FireQtyTo, FireQtyFrom, Codes(0, 2, 0, 0), 2000, 2000},
        {"dry quantity, pounds", DryQtyTo, DryQtyFrom, Codes(0, 0, 0, 0), 100, 45.35929094356398},
        {"dry quantity, kilograms", DryQtyTo, DryQtyFrom, Codes(0, 0, 1, 0), 900, 900},
        {"speed, knots", SpeedToInternal, SpeedFromInternal, Codes(0, 0, 0, 0), 120, 61.73333309325926},
        {"speed, m/s", SpeedToInternal, SpeedFromInternal, Codes(0, 0, 0, 1), 60, 60},
        {"speed, mph", SpeedToInternal, SpeedFromInternal, Codes(0, 0, 0, 2), 100, 44.703925898772425},
        {"speed, km/h", SpeedToInternal, SpeedFromInternal, Codes(0, 0, 0, 3), 216, 60},
        {"length, feet", LengthToInternal, LengthFromInternal, Codes(0, 0, 0, 0), 50, 15.24},
        {"length, US survey feet", LengthToInternal, LengthFromInternal, Codes(2, 0, 0, 0), 50, 15.24},
        {"length, metres", LengthToInternal, LengthFromInternal, Codes(1, 0, 0, 0), 20, 20},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.to(c.codes, c.v), c.i, 1e-9 * c.i) << c.what;
        EXPECT_NEAR(c.from(c.codes, c.i), c.v, 1e-9 * c.v) << c.what;
    }
}

TEST(PresetUnitsTest, RatesAssumeAcresWhateverTheAreaCode)
{
    TPresetUnitCodes c = Codes(0, 0, 0, 0);
    c.area = 1; // hectares, but the imperial amount still means per acre
    EXPECT_NEAR(RateToInternal(false, c, 435.6), 4074.5833542819532, 1e-6);
}

TEST(PresetUnitsTest, UnknownCodesAreTakenAsSI)
{
    const TPresetUnitCodes c = Codes(7, 9, 9, 9);
    EXPECT_EQ(RateToInternal(false, c, 12), 12);
    EXPECT_EQ(RateToInternal(true, c, 12), 12);
    EXPECT_EQ(SpeedToInternal(c, 12), 12);
    EXPECT_EQ(LengthToInternal(c, 12), 12);
}

} // namespace
} // namespace orv
