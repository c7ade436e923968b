#include "nav/MsgDecoding.h"
#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace orv {
namespace {

constexpr TSentenceDef kTestTable[] = {{"$TST", '*', ',', nullptr}, {"$XX ", '*', ',', nullptr}};

// One field (field 1) of a "$TST" line decoded into a variable of the kind.
class FieldKindTest : public ::testing::Test {
protected:
    TMsgDecoding decoder{"Test", kTestTable};
    std::string line;

    bool DecodeField(const std::string& field)
    {
        line = "$TST," + field + "*00";
        return decoder.Match(line) && decoder.Decode(line);
    }
};

template <class T>
struct KindCase {
    TFieldKind kind;
    const char* text;
    std::optional<T> stored; // nullopt: the variable keeps its value
};

constexpr int32_t kIntMarker = 12345;

TEST_F(FieldKindTest, IntegerKinds)
{
    const KindCase<int32_t> cases[] = {
        {fkInteger, "42", 42},          {fkInteger, "-7", -7},          {fkInteger, "+7", 7},
        {fkInteger, "", std::nullopt},  {fkInteger, "4x", std::nullopt}, {fkInteger, "2147483648", std::nullopt},
        {fkInteger, " 4", std::nullopt}, {fkLongInt, "-2147483648", INT32_MIN},
        {fkHexInteger, "1F", 31},       {fkHexInteger, "ffffffff", -1}, {fkHexInteger, "0x1F", std::nullopt},
        {fkHexInteger, "123456789", std::nullopt},
        {fkHexWord, "00fF", 255},       {fkHexWord, "FF", std::nullopt}, {fkHexWord, "000FF", std::nullopt},
    };
    for (const auto& c : cases) {
        TMsgDecoding d{"Test", kTestTable};
        int32_t value = kIntMarker;
        d.AddField(0, value, c.kind, 1);
        const std::string l = std::string("$TST,") + c.text + "*00";
        ASSERT_TRUE(d.Match(l) && d.Decode(l)) << c.text;
        EXPECT_EQ(c.stored.value_or(kIntMarker), value) << "kind " << int(c.kind) << " text '" << c.text << "'";
        EXPECT_EQ(c.stored.has_value(), d.FieldStored(0, 1)) << c.text;
    }
}

TEST_F(FieldKindTest, ByteKinds)
{
    const KindCase<uint8_t> cases[] = {
        {fkByte, "255", 255},          {fkByte, "256", std::nullopt},   {fkByte, "-1", std::nullopt},
        {fkHexByte, "ff", 255},        {fkHexByte, "100", std::nullopt}, {fkBoolean, "1", 1},
        {fkBoolean, "2", 0},           {fkBoolean, "0", 0},              {fkBoolean, "x", std::nullopt},
        {fkBoolean, "", std::nullopt},
    };
    for (const auto& c : cases) {
        TMsgDecoding d{"Test", kTestTable};
        uint8_t value = 77;
        d.AddField(0, value, c.kind, 1);
        const std::string l = std::string("$TST,") + c.text + "*00";
        ASSERT_TRUE(d.Match(l) && d.Decode(l));
        EXPECT_EQ(c.stored.value_or(77), value) << "kind " << int(c.kind) << " text '" << c.text << "'";
    }
}

TEST_F(FieldKindTest, RealKinds)
{
    const KindCase<double> cases[] = {
        {fkDouble, "12.5", 12.5}, {fkDouble, "010.2", 10.2}, {fkDouble, "-0.5", -0.5}, {fkDouble, "+3", 3.0},
        {fkDouble, "1e3", 1000.0}, {fkDouble, ".5", 0.5}, {fkDouble, "", std::nullopt}, {fkDouble, "abc", std::nullopt},
        {fkDouble, "nan", std::nullopt}, {fkDouble, "inf", std::nullopt}, {fkDouble, "1.2.3", std::nullopt},
    };
    for (const auto& c : cases) {
        TMsgDecoding d{"Test", kTestTable};
        double value = -99;
        d.AddField(0, value, c.kind, 1);
        const std::string l = std::string("$TST,") + c.text + "*00";
        ASSERT_TRUE(d.Match(l) && d.Decode(l));
        EXPECT_DOUBLE_EQ(c.stored.value_or(-99), value) << c.text;
    }
    TMsgDecoding d{"Test", kTestTable};
    float single = 1;
    d.AddField(0, single, fkSingle, 1);
    line = "$TST,1e39*00";
    ASSERT_TRUE(d.Match(line) && d.Decode(line));
    EXPECT_FLOAT_EQ(1.0f, single) << "out of the 32-bit range";
}

TEST_F(FieldKindTest, DecimalPointIsAPeriodWhateverTheLocale)
{
    float value = 0;
    decoder.AddField(0, value, fkSingle, 1);
    test::TCommaLocale comma;
    if (!comma.Active())
        GTEST_SKIP() << "no locale with a decimal comma can be had here";
    ASSERT_TRUE(DecodeField("12.5"));
    EXPECT_FLOAT_EQ(12.5f, value);
}

TEST_F(FieldKindTest, TextKinds)
{
    std::string text = "old";
    std::string counted = "old";
    char ch = '?';
    decoder.AddField(0, text, fkText, 1, 3);
    decoder.AddField(0, counted, fkCountedText, 2);
    decoder.AddField(0, ch, fkChar, 3);
    line = "$TST,ABCDEF,hello,Vx*00";
    ASSERT_TRUE(decoder.Match(line) && decoder.Decode(line));
    EXPECT_EQ("ABC", text);
    EXPECT_EQ("hello", counted);
    EXPECT_EQ('V', ch);

    // Empty: plain text and char keep their value, counted text without a default becomes empty.
    line = "$TST,,,*00";
    ASSERT_TRUE(decoder.Match(line) && decoder.Decode(line));
    EXPECT_EQ("ABC", text);
    EXPECT_EQ("", counted);
    EXPECT_EQ('V', ch);

    counted = "kept";
    line = "$TST,x," + std::string(255, 'y') + ",A*00";
    ASSERT_TRUE(decoder.Match(line) && decoder.Decode(line));
    EXPECT_EQ("kept", counted) << "255 characters do not fit a counted text";
}

TEST_F(FieldKindTest, DefaultIsCopiedForEmptyOrBadFields)
{
    int32_t value = 5;
    int32_t fallback = -1;
    decoder.AddField(0, value, fkInteger, 1, 0, &fallback);
    ASSERT_TRUE(DecodeField("17"));
    EXPECT_EQ(17, value);
    ASSERT_TRUE(DecodeField(""));
    EXPECT_EQ(-1, value);
    value = 3;
    ASSERT_TRUE(DecodeField("zz"));
    EXPECT_EQ(-1, value);
}

TEST_F(FieldKindTest, MissingFieldsKeepTheirValuesAndExtraFieldsAreIgnored)
{
    int32_t a = 0, b = 0, c = 99;
    decoder.AddField(0, c, fkInteger, 5); // registered out of order on purpose
    decoder.AddField(0, a, fkInteger, 1);
    decoder.AddField(0, b, fkInteger, 3);
    line = "$TST,1,2,3*00";
    ASSERT_TRUE(decoder.Match(line) && decoder.Decode(line));
    EXPECT_EQ(1, a);
    EXPECT_EQ(3, b);
    EXPECT_EQ(99, c);
    line = "$TST,4,5,6,7,8,9,10,11*00";
    ASSERT_TRUE(decoder.Match(line) && decoder.Decode(line));
    EXPECT_EQ(4, a);
    EXPECT_EQ(6, b);
    EXPECT_EQ(8, c);
}

TEST_F(FieldKindTest, FieldZeroIsTheSentenceIdentifier)
{
    std::string id;
    decoder.AddField(1, id, fkText, 0, 10);
    line = "$XXABC,1*00";
    ASSERT_TRUE(decoder.Match(line) && decoder.Decode(line));
    EXPECT_EQ("$XXABC", id);
}

TEST_F(FieldKindTest, RegistrationMistakesAreRefused)
{
    float f = 0;
    int32_t i = 0;
    EXPECT_THROW(decoder.AddField(0, f, fkInteger, 1), std::invalid_argument);
    EXPECT_THROW(decoder.AddField(2, i, fkInteger, 1), std::invalid_argument); // no table row
    EXPECT_THROW(decoder.AddField(128, i, fkInteger, 1), std::invalid_argument);
    EXPECT_FALSE(decoder.Registered(0));
}

TEST_F(FieldKindTest, OnlyRegisteredTypesMatchAndDecodeNeedsAMatch)
{
    EXPECT_FALSE(decoder.Match("$TST,1*00")) << "no field registered yet";
    EXPECT_FALSE(decoder.Decode("$TST,1*00"));
    int32_t i = 0;
    decoder.AddField(0, i, fkInteger, 1);
    EXPECT_TRUE(decoder.Match("$TST,1*00"));
    EXPECT_FALSE(decoder.Match("$TS"));
    EXPECT_FALSE(decoder.Decode("$TS")) << "a failed match clears the selection";
}

TEST_F(FieldKindTest, LineMustEndInTheTerminatorAndTwoCharacters)
{
    int32_t value = 0;
    int decoded = 0;
    decoder.AddField(0, value, fkInteger, 1);
    decoder.OnDecode = [&](TMsgDecoding&) { ++decoded; };
    for (const char* bad : {"$TST,5", "$TST,5*", "$TST,5*0", "$TST,5*000", "$TST,5*00,"}) {
        line = bad;
        ASSERT_TRUE(decoder.Match(line));
        EXPECT_FALSE(decoder.Decode(line)) << bad;
    }
    EXPECT_EQ(0, value);
    EXPECT_EQ(0, decoded);
    ASSERT_TRUE(DecodeField("5"));
    EXPECT_EQ(5, value);
    EXPECT_EQ(1, decoded);
}

TEST(MsgDecodingPattern, BlankMatchesAnyCharacterAndOnlyThePatternLengthCounts)
{
    EXPECT_TRUE(TMsgDecoding::PatternMatches("$G RMC", "$GPRMC,1"));
    EXPECT_TRUE(TMsgDecoding::PatternMatches("$G RMC", "$GNRMC"));
    EXPECT_FALSE(TMsgDecoding::PatternMatches("$G RMC", "$PGRMC,"));
    EXPECT_FALSE(TMsgDecoding::PatternMatches("$G RMC", "$GPRM"));
    EXPECT_TRUE(TMsgDecoding::PatternMatches("$ORV", "$ORV2,1"));
}

} // namespace
} // namespace orv
