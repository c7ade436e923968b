#include "control/XYPair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orv {
namespace {

// (0, 0), (0.5, 0.4), (1, 1): slopes 0.8 then 1.2.
TArrayOfXYPair Curve()
{
    return {{0, 0}, {0.5, 0.4}, {1, 1}};
}

struct TCase {
    double x;
    double y;
    const char* what;
};

TEST(XYPairTest, InterpolatesInsideAtAndBeyondTheTable)
{
    const TCase cases[] = {
        {0.25, 0.2, "inside the first span: 0.25 x 0.8"},
        {0.75, 0.7, "inside the second span: 0.4 + 0.25 x 1.2"},
        {0.0, 0.0, "at the first X"},
        {0.5, 0.4, "at an inner X"},
        {1.0, 1.0, "at the last X"},
        {-0.5, -0.4, "below: from pairs 0 and 1, -0.5 x 0.8"},
        {1.5, 1.6, "above: from the last two pairs, 0.4 + 1.0 x 1.2"},
    };
    const TArrayOfXYPair t = Curve();
    for (const auto& c : cases)
        EXPECT_NEAR(t.Interpolate(c.x), c.y, 1e-12) << c.what;
}

TEST(XYPairTest, ExactXReturnsItsYUnchanged)
{
    const TArrayOfXYPair t{{0.1, 0.123456789}, {0.3, 0.987654321}, {0.7, 0.5}};
    EXPECT_EQ(t.Interpolate(0.3), 0.987654321);
    EXPECT_EQ(t.Interpolate(0.7), 0.5);
}

TEST(XYPairTest, EmptySingleAndNotANumberGiveDefinedResults)
{
    EXPECT_EQ(TArrayOfXYPair{}.Interpolate(0.5), 0);
    const TArrayOfXYPair one{{0.4, 0.7}};
    EXPECT_EQ(one.Interpolate(0.0), 0.7);
    EXPECT_EQ(one.Interpolate(9.0), 0.7);
    EXPECT_EQ(Curve().Interpolate(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(XYPairTest, EqualXGivesTheFirstYInsteadOfDividingByZero)
{
    const TArrayOfXYPair t{{1, 2}, {1, 3}};
    EXPECT_EQ(t.Interpolate(0), 2);
    EXPECT_EQ(t.Interpolate(5), 2);
    EXPECT_EQ(TArrayOfXYPair::LinearStep(7, 1, 2, 1, 3), 2);
    EXPECT_EQ(TArrayOfXYPair::LinearStep(1, 1, 2, 4, 8), 2);
}

TEST(XYPairTest, ExchangedSwapsEveryPair)
{
    const TArrayOfXYPair e = Curve().Exchanged();
    ASSERT_EQ(e.Length(), 3u);
    EXPECT_EQ(e[1].X, 0.4);
    EXPECT_EQ(e[1].Y, 0.5);
    // The inverse curve maps back: Y 0.7 lies at X 0.75.
    EXPECT_NEAR(e.Interpolate(0.7), 0.75, 1e-12);
}

TEST(XYPairTest, ParsesNameValueLines)
{
    int bad = -1;
    const TArrayOfXYPair t = ParseXYLines({"0.000=0.00000", "0.500= 0.25", "=0.3", "0.9=", "abc=1", "1=x"}, &bad);
    EXPECT_EQ(bad, 2);
    ASSERT_EQ(t.Length(), 4u);
    EXPECT_EQ(t[1].X, 0.5);
    EXPECT_EQ(t[1].Y, 0.25);
    EXPECT_EQ(t[2].X, 0); // a missing part reads as 0
    EXPECT_EQ(t[2].Y, 0.3);
    EXPECT_EQ(t[3].X, 0.9);
    EXPECT_EQ(t[3].Y, 0);
}

} // namespace
} // namespace orv
