#include "nav/GPSClock.h"
#include "nav/NMEADecoding.h"
#include "platform/fake/FakeTimeSource.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr double kKnots = 1.9438445;

// The decoder registered as the guidance link registers it.
class NmeaDecodingTest : public ::testing::Test {
protected:
    FakeTimeSource source;
    TGPSFix fix;
    TNmeaBlocks blocks;
    TNMEADecoding nmea{fix, blocks};
    int decodedEvents = 0;

    void SetUp() override
    {
        TGPSClock::Install(source);
        nmea.AddField(TNMEADecoding::kVTG, blocks.vtg.speedKmh, fkSingle, TNMEADecoding::kVtgSpeedField);
        nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.status, fkChar, TNMEADecoding::kRmcStatusField);
        nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.speedKnots, fkSingle, TNMEADecoding::kRmcSpeedField);
        nmea.AddField(TNMEADecoding::kRMA, blocks.rma.speedKnots, fkSingle, TNMEADecoding::kRmaSpeedField);
        nmea.OnDecode = [this](TMsgDecoding&) { ++decodedEvents; };
    }
    void TearDown() override { TGPSClock::Uninstall(); }

    bool Feed(const std::string& line) { return nmea.Match(line) && nmea.Decode(line); }
};

struct SpeedCase {
    const char* line;
    double metresPerSecond;
};

class NmeaSpeedTest : public NmeaDecodingTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(NmeaSpeedTest, GoldenSentencesYieldTheGroundSpeed)
{
    fix.groundSpeed = -1;
    ASSERT_TRUE(Feed(GetParam().line)) << GetParam().line;
    EXPECT_NEAR(GetParam().metresPerSecond, fix.groundSpeed, 1e-5) << GetParam().line;
    EXPECT_TRUE(nmea.SpeedDelivered());
    EXPECT_EQ(1, decodedEvents);
}

INSTANTIATE_TEST_SUITE_P(
    Receivers, NmeaSpeedTest,
    ::testing::Values(
        SpeedCase{"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*48", 10.2 / 3.6},
        SpeedCase{"$GNVTG,054.7,T,034.4,M,005.5,N,010.2,K*56", 10.2 / 3.6},
        SpeedCase{"$GNVTG,,T,,M,0.012,N,0.022,K,A*3E", 0.022 / 3.6},  // NMEA 2.3 with a mode field
        SpeedCase{"$GNVTG,,T,,M,0.012,N,0.022,K,A*3e", 0.022 / 3.6},  // lower-case checksum
        SpeedCase{"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A", 22.4 / kKnots},
        SpeedCase{"$GLRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E*7E", 0.0},
        SpeedCase{"$GNRMC,083559.00,A,4717.11437,N,00833.91522,E,0.004,77.52,091202,,,A*49", 0.004 / kKnots},
        SpeedCase{"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*00", 22.4 / kKnots},
        SpeedCase{"$GPRMA,A,4807.038,N,01131.000,E,,,12.5,084.4,003.1,W*58", 12.5 / kKnots}));

TEST_F(NmeaDecodingTest, VtgWithAWrongChecksumChangesNothing)
{
    fix.groundSpeed = 3.0f;
    EXPECT_FALSE(Feed("$GNVTG,054.7,T,034.4,M,005.5,N,010.2,K*57"));
    EXPECT_FLOAT_EQ(3.0f, fix.groundSpeed);
    EXPECT_FLOAT_EQ(0.0f, blocks.vtg.speedKmh);
    EXPECT_EQ(0, decodedEvents);
}

TEST_F(NmeaDecodingTest, RmcIsTakenWithoutChecksumVerificationAndStampsTheReceipt)
{
    source.AdvanceMs(86400);
    const TDateTime before = TGPSClock::Instance().Now();
    ASSERT_TRUE(Feed("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*FF"));
    EXPECT_EQ('A', blocks.rmc.status);
    EXPECT_DOUBLE_EQ(before, fix.receiptTime);
}

TEST_F(NmeaDecodingTest, RmcWithAnEmptySpeedKeepsThePreviousSpeedAndDeliversNone)
{
    ASSERT_TRUE(Feed("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"));
    const float previous = fix.groundSpeed;
    ASSERT_TRUE(Feed("$GPRMC,225446,A,4916.45,N,12311.12,W,,054.7,191194,020.3,E*43"));
    EXPECT_FLOAT_EQ(previous, fix.groundSpeed);
    EXPECT_FALSE(nmea.SpeedDelivered());
    EXPECT_EQ(2, decodedEvents);
}

TEST_F(NmeaDecodingTest, InvalidFixDeliversNoSpeed)
{
    // The first RMC speed slot holds 20 knots until a sentence brings one.
    ASSERT_TRUE(Feed("$GPRMC,225446,V,,,,,,,191194,,*37"));
    EXPECT_EQ('V', blocks.rmc.status);
    EXPECT_FALSE(nmea.SpeedDelivered());
    EXPECT_FLOAT_EQ(0.0f, fix.groundSpeed);
    ASSERT_TRUE(Feed("$GNVTG,,T,,M,,N,,K,N*32"));
    EXPECT_FALSE(nmea.SpeedDelivered());
    EXPECT_FLOAT_EQ(0.0f, fix.groundSpeed);
}

TEST_F(NmeaDecodingTest, SentencesWithoutTheSpeedFieldStoreWhatIsThere)
{
    ASSERT_TRUE(Feed("$GPRMC,123519,V,4807.038,N,01131.000,E*2D"));
    EXPECT_EQ('V', blocks.rmc.status);
    EXPECT_FALSE(nmea.SpeedDelivered());
    ASSERT_TRUE(Feed("$GPVTG,054.7,T,034.4,M,005.5,N*2E"));
    EXPECT_FALSE(nmea.SpeedDelivered());
}

TEST_F(NmeaDecodingTest, UnregisteredAndUnknownSentencesAreIgnored)
{
    EXPECT_FALSE(nmea.Match("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47"));
    EXPECT_FALSE(nmea.Match("$PGRMC,123519,A*00"));
    EXPECT_FALSE(nmea.Match("$BDRMC,123519,A*00")); // talker not starting with G
    EXPECT_EQ(0, decodedEvents);
}

TEST_F(NmeaDecodingTest, LinesWithoutAProperChecksumTailAreIgnored)
{
    for (const char* line : {"$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K*4", "$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K",
                             "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6",
                             "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W"}) {
        ASSERT_TRUE(nmea.Match(line));
        EXPECT_FALSE(nmea.Decode(line)) << line;
    }
    EXPECT_EQ(0, decodedEvents);
}

TEST_F(NmeaDecodingTest, RegisteredPositionFieldsComeOutInDegrees)
{
    nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.latitude, fkDouble, 3);
    nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.latitudeHemisphere, fkChar, 4);
    nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.longitude, fkDouble, 5);
    nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.longitudeHemisphere, fkChar, 6);
    ASSERT_TRUE(Feed("$GLRMC,081836,A,3751.65,S,14507.36,E,000.0,360.0,130998,011.3,E*7E"));
    EXPECT_NEAR(-(37 + 51.65 / 60), fix.latitude, 1e-9);
    EXPECT_NEAR(145 + 7.36 / 60, fix.longitude, 1e-9);
    EXPECT_NEAR(-(48 + 7.038 / 60), TNMEADecoding::NmeaDegrees(4807.038, 'S', 'S'), 1e-9);
}

TEST_F(NmeaDecodingTest, WithoutRegisteredPositionTheFixStaysAtZero)
{
    ASSERT_TRUE(Feed("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A"));
    EXPECT_EQ(0.0, fix.latitude);
    EXPECT_EQ(0.0, fix.longitude);
}

} // namespace
} // namespace orv
