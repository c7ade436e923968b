#include "nav/NmeaChecksum.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

struct ChecksumCase {
    const char* line;
    bool ok;
};

class NmeaChecksumOkTest : public ::testing::TestWithParam<ChecksumCase> {};

TEST_P(NmeaChecksumOkTest, ComparesTheSumAfterTheLastAsterisk)
{
    const std::string line = GetParam().line;
    const size_t star = line.rfind('*');
    ASSERT_NE(std::string::npos, star);
    EXPECT_EQ(GetParam().ok, NmeaChecksumOk(line, star + 1)) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NmeaChecksumOkTest,
    ::testing::Values(ChecksumCase{"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48", true},
                      ChecksumCase{"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", true},
                      ChecksumCase{"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6a", true},
                      ChecksumCase{"$GNVTG,,T,,M,0.012,N,0.022,K,A*3e", true},
                      ChecksumCase{"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*49", false},
                      ChecksumCase{"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48 ", false},
                      ChecksumCase{"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*4G", false},
                      ChecksumCase{"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*", false},
                      ChecksumCase{"$PSRF103,04,00,01,01*21", true}));

TEST(NmeaChecksumOk, RefusesPositionsOutsideTheLine)
{
    EXPECT_FALSE(NmeaChecksumOk("$A*41", 0));
    EXPECT_FALSE(NmeaChecksumOk("$A*41", 99));
    EXPECT_FALSE(NmeaChecksumOk("", 1));
}

TEST(NmeaChecksumText, UpperCaseDigitsWithAnAsteriskOnlyWhenTheSentenceHasNone)
{
    EXPECT_EQ("21", NmeaChecksumText("$PSRF103,04,00,01,01*"));
    EXPECT_EQ("*21", NmeaChecksumText("$PSRF103,04,00,01,01"));
    EXPECT_EQ("0E", NmeaChecksumText("$PSRF100,1,4800,8,1,0*"));
    // Only what stands before the first asterisk counts.
    EXPECT_EQ("21", NmeaChecksumText("$PSRF103,04,00,01,01*99"));
    EXPECT_EQ("*00", NmeaChecksumText("$"));
}

TEST(NmeaChecksumText, CompletedSentencePassesTheCheck)
{
    const std::string sentence = "$ORV,1,0,21,120.50,18.0,-45.2,0.000";
    const std::string line = sentence + NmeaChecksumText(sentence);
    EXPECT_EQ("$ORV,1,0,21,120.50,18.0,-45.2,0.000*74", line);
    EXPECT_TRUE(NmeaChecksumOk(line, line.size() - 2));
    EXPECT_EQ(line + "\r\n", NmeaWithChecksum(sentence));
}

} // namespace
} // namespace orv
