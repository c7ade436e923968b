#include "nav/CoordConvert.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orv {
namespace {

constexpr double kPi = 3.141592653589793;

TEST(CoordConvertTest, ConvertsVolumesAndMassesForDisplay)
{
    TDisplayUnits u;
    u.volume = 0;
    EXPECT_NEAR(TCoordConvert::ConvertForDisplay(u, dqVolume, 100), 26.4172051, 1e-5);
    u.volume = 1;
    EXPECT_NEAR(TCoordConvert::ConvertForDisplay(u, dqVolume, 100), 21.9969, 1e-5);
    u.volume = 2;
    EXPECT_EQ(TCoordConvert::ConvertForDisplay(u, dqVolume, 100), 100);
    u.mass = 0;
    EXPECT_NEAR(TCoordConvert::ConvertForDisplay(u, dqMass, 10), 22.0462, 1e-5);
    u.mass = 1;
    EXPECT_EQ(TCoordConvert::ConvertForDisplay(u, dqMass, 10), 10);
    EXPECT_EQ(TCoordConvert::ConvertForDisplay(u, 7, 10), 10);
}

TEST(CoordConvertTest, TheRecordStartsAtZero)
{
    TCoordConvert c;
    EXPECT_EQ(c.Units().length, 0);
    EXPECT_EQ(c.Units().speed, 0);
    EXPECT_EQ(c.Units().area, 0);
    EXPECT_EQ(c.Units().volume, 0);
    EXPECT_EQ(c.Units().mass, 0);
}

TEST(CoordConvertTest, ArcSineOverItsRange)
{
    EXPECT_EQ(TCoordConvert::SafeArcSin(0), 0);
    EXPECT_EQ(TCoordConvert::SafeArcSin(1), 1.5707963267948966);
    EXPECT_EQ(TCoordConvert::SafeArcSin(-1), -1.5707963267948966);
    for (double x : {-0.99, -0.7, -0.5, -0.2, 0.1, 0.5, 0.7, 0.99})
        EXPECT_NEAR(TCoordConvert::SafeArcSin(x), std::asin(x), 1e-14) << x;
    EXPECT_NEAR(TCoordConvert::SafeArcSin(0.7), kPi / 2 - TCoordConvert::SafeArcCos(0.7), 1e-15);
}

TEST(CoordConvertTest, ArcCosineKeepsItsShiftedRangeForNegativeInput)
{
    EXPECT_EQ(TCoordConvert::SafeArcCos(0), 1.5707963267948966);
    EXPECT_EQ(TCoordConvert::SafeArcCos(1), 0);
    EXPECT_EQ(TCoordConvert::SafeArcCos(-1), 0);
    EXPECT_NEAR(TCoordConvert::SafeArcCos(0.5), kPi / 3, 1e-15);
    EXPECT_NEAR(TCoordConvert::SafeArcCos(-0.5), -kPi / 3, 1e-15);
    for (double x : {0.1, 0.3, 0.6, 0.9})
        EXPECT_NEAR(TCoordConvert::SafeArcCos(x), std::acos(x), 1e-14) << x;
    for (double x : {-0.9, -0.6, -0.3, -0.1})
        EXPECT_NEAR(TCoordConvert::SafeArcCos(x), std::acos(x) - kPi, 1e-14) << x;
}

} // namespace
} // namespace orv
