#include "store/Format.h"

#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(Format, ExpandsTheKindsTheMessagesUse)
{
    struct Case {
        std::string expected;
        std::string got;
    };
    const Case cases[] = {
        {"Missmatched 3: ", Format("Missmatched %d: ", 3)},
        {"AC: N123", Format("AC: %s", "N123")},
        {"Q:12.3; B: 0.25", Format("Q:%.1F; B: %.2F", 12.345, 0.25)},
        {"F: 8", Format("F: %.0f", 7.5)}, // halves to even, as the C library rounds
        {"C/E: 1.235", Format("C/E: %.3F", 1.2346)},
        {"100% done", Format("%d%% done", 100)},
        {"[  42]", Format("[%4d]", 42)},
        {"[42  ]", Format("[%-4d]", 42)},
        {"007", Format("%.3d", 7)},
        {"-5", Format("%d", -5)},
        {"1F", Format("%x", 31)},
        {"1,234,567.50", Format("%n", 1234567.5)},
        {"3.14", Format("%f", 3.14159)},
        {"0.1", Format("%g", 0.1)},
        {"b a", Format("%1:s %0:s", "a", "b")},
        {"PWMValsFor1.txt", Format("PWMValsFor%D.txt", 1)},
        {"x", Format("%S", "x")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, c.got);
}

TEST(Format, RejectsArgumentsOfTheWrongKind)
{
    EXPECT_THROW(Format("%d", 1.5), EConvertError);
    EXPECT_THROW(Format("%f", 1), EConvertError);
    EXPECT_THROW(Format("%s", 1), EConvertError);
    EXPECT_THROW(Format("%d %d", 1), EConvertError);
    EXPECT_THROW(Format("%q", 1), EConvertError);
    EXPECT_THROW(Format("tail %"), EConvertError);
}

TEST(Format, FloatTextIsLocaleFreeWithFifteenDigits)
{
    EXPECT_EQ("0.1", FloatToStr(0.1));
    EXPECT_EQ("1234.5", FloatToStr(1234.5));
    EXPECT_EQ("-2", FloatToStr(-2.0));
    EXPECT_EQ("0.333333333333333", FloatToStr(1.0 / 3.0));
    EXPECT_EQ("1E-7", FloatToStr(1e-7));
    double back = 0;
    ASSERT_TRUE(TryStrToFloat(FloatToStr(1.0 / 3.0), back));
    EXPECT_NEAR(1.0 / 3.0, back, 1e-15);
}

TEST(Format, RealNumbersKeepTheirPeriodUnderACommaLocale)
{
    test::TCommaLocale comma;
    if (!comma.Active())
        GTEST_SKIP() << "no comma-decimal locale can be made here";
    EXPECT_EQ("12.50", Format("%.2f", 12.5));
    EXPECT_EQ("1,234.50", Format("%n", 1234.5));
    EXPECT_EQ("0.5", FloatToStr(0.5));
    EXPECT_EQ("1.50000000000000E+000", Format("%e", 1.5));
    double d = 0;
    EXPECT_TRUE(TryStrToFloat("12.5", d));
    EXPECT_DOUBLE_EQ(12.5, d);
}

TEST(Format, ParsesNumbersStrictly)
{
    double d = 0;
    EXPECT_TRUE(TryStrToFloat(" 2.5 ", d));
    EXPECT_DOUBLE_EQ(2.5, d);
    EXPECT_TRUE(TryStrToFloat("1E-5", d));
    EXPECT_DOUBLE_EQ(1e-5, d);
    EXPECT_TRUE(TryStrToFloat("+3", d));
    EXPECT_FALSE(TryStrToFloat("2,5", d));
    EXPECT_FALSE(TryStrToFloat("", d));
    EXPECT_FALSE(TryStrToFloat("abc", d));
    EXPECT_FALSE(TryStrToFloat("nan", d));

    int64_t i = 0;
    EXPECT_TRUE(TryStrToInt64("255", i));
    EXPECT_EQ(255, i);
    EXPECT_TRUE(TryStrToInt64("-7", i));
    EXPECT_EQ(-7, i);
    EXPECT_TRUE(TryStrToInt64("0x1F", i));
    EXPECT_EQ(31, i);
    EXPECT_TRUE(TryStrToInt64("$FF", i));
    EXPECT_EQ(255, i);
    EXPECT_FALSE(TryStrToInt64("12abc", i));
    EXPECT_FALSE(TryStrToInt64("1.5", i));
    EXPECT_FALSE(TryStrToInt64("99999999999999999999", i));
}

} // namespace
} // namespace orv
