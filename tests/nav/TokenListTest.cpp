#include "nav/TokenList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

std::vector<std::string> Tokens(TTokenList& t)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < t.Count(); ++i)
        out.emplace_back(t.TokenText(i));
    return out;
}

std::vector<std::string> Fields(TTokenList& t)
{
    std::vector<std::string> out;
    std::string_view f;
    while (t.NextField(f))
        out.emplace_back(f);
    return out;
}

TEST(TTokenList, EveryDelimiterIsATokenOfItsOwn)
{
    std::string text = "$GPVTG,,T*4F";
    TTokenList t;
    t.SetDelimiters(",*");
    t.Tokenize(text.data(), text.size());
    EXPECT_EQ((std::vector<std::string>{"$GPVTG", ",", ",", "T", "*", "4F"}), Tokens(t));
}

TEST(TTokenList, FieldsStopAtTheTerminatorAndKeepEmptyOnes)
{
    struct Case {
        std::string text;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"$A,1,,3*4F", {"$A", "1", "", "3"}},
        {"$A,1,2,*4F", {"$A", "1", "2", ""}},
        {",x*00", {"", "x"}},
        {"$A,1,2", {"$A", "1", "2"}},
        {"$A*00", {"$A"}},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        TTokenList t;
        t.SetDelimiters(",*");
        t.SetFieldTerminator('*');
        t.Tokenize(text.data(), text.size());
        EXPECT_EQ(c.fields, Fields(t)) << c.text;
    }
}

TEST(TTokenList, FieldsAreZeroTerminatedInPlace)
{
    std::string text = "$A,12.5,B*00";
    TTokenList t;
    t.SetDelimiters(",*");
    t.SetFieldTerminator('*');
    t.Tokenize(text.data(), text.size());
    std::string_view f;
    ASSERT_TRUE(t.NextField(f));
    ASSERT_TRUE(t.NextField(f));
    EXPECT_STREQ("12.5", f.data());
}

TEST(TTokenList, ZeroIsAlwaysADelimiterAndSetDelimitersReplacesTheSet)
{
    TTokenList t;
    t.SetDelimiters(",");
    EXPECT_TRUE(t.IsDelimiter('\0'));
    EXPECT_TRUE(t.IsDelimiter(','));
    t.SetDelimiters("\r\n");
    EXPECT_FALSE(t.IsDelimiter(','));
    EXPECT_TRUE(t.IsDelimiter('\n'));
    EXPECT_TRUE(t.IsDelimiter('\0'));
}

TEST(TTokenList, GrowsPastItsInitialCapacity)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "a,";
    TTokenList t;
    t.SetDelimiters(",");
    t.Tokenize(text.data(), text.size(), 4);
    EXPECT_EQ(6000u, t.Count());
    EXPECT_EQ("a", t.TokenText(5998));
}

} // namespace
} // namespace orv
