#include "nav/GPSClock.h"
#include "nav/NmeaChecksum.h"
#include "nav/OrvDecoding.h"
#include "nav/OrvSentence.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/Log.h"
#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace orv {
namespace {

class OrvTest : public ::testing::Test {
protected:
    FakeTimeSource source;
    TGPSFix fix;
    TOrvBlock block;
    uint8_t signs = 0;
    TGuidanceChannels received;
    OrvDecoding decoder{fix, block, signs, received};
    std::vector<std::string> logged;

    void SetUp() override
    {
        TGPSClock::Install(source);
        SetLogHook([this](const std::string& line) { logged.push_back(line); });
        decoder.RegisterOrvFields();
    }
    void TearDown() override
    {
        SetLogHook(nullptr);
        TGPSClock::Uninstall();
    }
    bool Feed(const std::string& line) { return decoder.Match(line) && decoder.Decode(line); }
};

TEST_F(OrvTest, NegativeFieldsAreStoredPositiveWithTheirSignBit)
{
    ASSERT_TRUE(Feed("$ORV,1,0,21,120.50,-18.0,45.2,0.000*74"));
    EXPECT_FLOAT_EQ(18.0f, static_cast<float>(received.Remote(gchSwathWidth)));
    EXPECT_EQ(0x10, signs);
    EXPECT_FLOAT_EQ(120.5f, static_cast<float>(received.Remote(gchAppRate)));
    EXPECT_FLOAT_EQ(45.2f, static_cast<float>(received.Remote(gchSpeed)));
    EXPECT_EQ(21, received.Remote(gchGateStatus));
    EXPECT_EQ(1, received.Remote(gchRunState));

    ASSERT_TRUE(Feed("$ORV,-1,-2,-3,-4.00,-5.0,-6.0,-7.000*4A"));
    EXPECT_EQ(0x7F, signs);
    const double expected[] = {1, 2, 3, 4, 5, 6, 7};
    for (int ch = 0; ch < gchCount; ++ch)
        EXPECT_DOUBLE_EQ(expected[ch], received.Remote(ch)) << "channel " << ch;

    ASSERT_TRUE(Feed("$ORV,1,0,21,120.50,18.0,-45.2,0.000*74"));
    EXPECT_EQ(0x20, signs) << "the flags are cleared for every sentence";
}

TEST_F(OrvTest, Orv2IsTakenAsOrv)
{
    ASSERT_TRUE(decoder.Match("$ORV2,2,0,20,80.00,12.5,30.0,0.000*58"));
    EXPECT_EQ(OrvDecoding::kOrv, decoder.StoredMessageId());
    ASSERT_TRUE(decoder.Decode("$ORV2,2,0,20,80.00,12.5,30.0,0.000*58"));
    EXPECT_FLOAT_EQ(12.5f, static_cast<float>(received.Remote(gchSwathWidth)));
}

TEST_F(OrvTest, RunStateKeepsTheLowByte)
{
    ASSERT_TRUE(Feed("$ORV,258,0,21,120.50,18.0,45.2,0.000*57"));
    EXPECT_EQ(2, received.Remote(gchRunState));
}

TEST_F(OrvTest, SixteenBitOverflowRefusesTheWholeSentence)
{
    ASSERT_TRUE(Feed("$ORV,1,0,21,80.00,12.0,45.2,0.000*6D"));
    const double swath = received.Remote(gchSwathWidth);
    int events = 0;
    decoder.OnDecode = [&](TMsgDecoding&) { ++events; };
    EXPECT_FALSE(Feed("$ORV,1,70000,21,120.50,18.0,45.2,0.000*5E"));
    EXPECT_EQ(0, events);
    EXPECT_DOUBLE_EQ(swath, received.Remote(gchSwathWidth));
    ASSERT_EQ(1u, logged.size());
    EXPECT_NE(std::string::npos, logged[0].find("Decoding Error: "));
}

TEST_F(OrvTest, WrongChecksumIsIgnored)
{
    EXPECT_FALSE(Feed("$ORV,1,0,21,120.50,-18.0,45.2,0.000*75"));
    EXPECT_EQ(0.0, received.Remote(gchSwathWidth));
}

TEST(OrvSentence, FormatAndSignRule)
{
    FakeTimeSource source;
    TGPSClock::Install(source);
    TGuidanceChannels ch;
    ch.SetLocal(gchRunState, 1);
    ch.SetLocal(gchGateStatus, 21);
    ch.SetLocal(gchAppRate, 120.5);
    ch.SetLocal(gchSwathWidth, 18.04);
    ch.SetLocal(gchSpeed, 40);
    ch.SetRemote(gchSpeed, 45.23);
    EXPECT_EQ("$ORV,1,0,21,120.50,18.0,45.2,0.000*59\r\n", BuildOrvSentence(OutgoingOrvFields(ch)));

    // Remote speed not taken: field 6 is the negated local speed; swath not taken: negated.
    ch.SetRemoteDisabledMask(0x20 | 0x10);
    const std::string line = BuildOrvSentence(OutgoingOrvFields(ch));
    EXPECT_EQ("$ORV,1,0,21,120.50,-18.0,-40.0,0.000", line.substr(0, line.find('*')));
    EXPECT_TRUE(NmeaChecksumOk(line.substr(0, line.size() - 2), line.find('*') + 1));

    // A zero stays unsigned, whatever the mask.
    ch.SetRemoteDisabledMask(0x7F);
    const std::string zeros = BuildOrvSentence(OutgoingOrvFields(ch));
    EXPECT_EQ("$ORV,-1,0,-21,-120.50,-18.0,-40.0,0.000", zeros.substr(0, zeros.find('*')));
    TGPSClock::Uninstall();
}

TEST(OrvSentence, DecimalPointWhateverTheLocale)
{
    test::TCommaLocale comma;
    if (!comma.Active())
        GTEST_SKIP() << "no locale with a decimal comma can be had here";
    EXPECT_EQ("12.35", FixedText(12.345, 2));
    TOrvFields fields;
    fields.appRate = 95.25;
    fields.swathWidth = 22.5;
    EXPECT_EQ("$ORV,0,0,0,95.25,22.5,0.0,0.000", BuildOrvSentence(fields).substr(0, 31));
}

TEST(OrvSentence, FixedTextRoundsAndDropsTheSignOfZero)
{
    EXPECT_EQ("0.000", FixedText(-0.0, 3));
    EXPECT_EQ("0.0", FixedText(-0.04, 1));
    EXPECT_EQ("-0.1", FixedText(-0.06, 1));
    EXPECT_EQ("120.50", FixedText(120.5, 2));
    EXPECT_EQ("0.00", FixedText(std::numeric_limits<double>::quiet_NaN(), 2));
}

TEST(OrvSentence, RoundTripCarriesValuesAndSigns)
{
    FakeTimeSource source;
    TGPSClock::Install(source);
    TGuidanceChannels cockpit;
    cockpit.SetLocal(gchRunState, orsFireGate);
    cockpit.SetLocal(gchGateStatus, GateStatusCode(true, true, true));
    cockpit.SetLocal(gchAppRate, 95.25f);
    cockpit.SetLocal(gchSwathWidth, 22.5f);
    cockpit.SetLocal(gchSpeed, 50.0f);
    cockpit.SetRemote(gchSpeed, 48.5f);

    for (uint8_t mask : {uint8_t(0x00), uint8_t(0x38), uint8_t(0x20), uint8_t(0x07)}) {
        cockpit.SetRemoteDisabledMask(mask);
        std::string line = BuildOrvSentence(OutgoingOrvFields(cockpit));
        ASSERT_EQ("\r\n", line.substr(line.size() - 2));
        line.resize(line.size() - 2);

        TGPSFix fix;
        TOrvBlock block;
        uint8_t signs = 0;
        TGuidanceChannels guidance;
        OrvDecoding decoder(fix, block, signs, guidance);
        decoder.RegisterOrvFields();
        ASSERT_TRUE(decoder.Match(line) && decoder.Decode(line)) << line;

        EXPECT_EQ(mask & 0x3D, signs) << line; // channels 1 and 6 are zero and carry no sign
        EXPECT_EQ(orsFireGate, guidance.Remote(gchRunState));
        EXPECT_EQ(21, guidance.Remote(gchGateStatus));
        EXPECT_FLOAT_EQ(95.25f, static_cast<float>(guidance.Remote(gchAppRate)));
        EXPECT_FLOAT_EQ(22.5f, static_cast<float>(guidance.Remote(gchSwathWidth)));
        EXPECT_FLOAT_EQ(mask & 0x20 ? 50.0f : 48.5f, static_cast<float>(guidance.Remote(gchSpeed)));
    }
    TGPSClock::Uninstall();
}

TEST(OrvSentence, GateStatusCodes)
{
    EXPECT_EQ(20, GateStatusCode(true, true, false));
    EXPECT_EQ(21, GateStatusCode(true, true, true));
    EXPECT_EQ(10, GateStatusCode(true, false, false));
    EXPECT_EQ(11, GateStatusCode(false, true, true));
}

TEST(ReceiverSentences, SetUpAndSwitchOffGolden)
{
    EXPECT_EQ((std::vector<std::string>{"$PSRF100,1,4800,8,1,0*0E\r\n", "$PSRF103,04,00,01,01*21\r\n"}),
              ReceiverSetupSentences());
    const auto off = ReceiverSwitchOffSentences();
    ASSERT_EQ(6u, off.size());
    EXPECT_EQ("$PSRF103,00,00,00,01*24\r\n", off[0]);
    EXPECT_EQ("$PSRF103,05,00,00,01*21\r\n", off[4]);
    for (size_t i = 0; i < off.size(); ++i) {
        static const char* kNumbers[] = {"00", "01", "02", "03", "05", "06"};
        EXPECT_EQ(std::string("$PSRF103,") + kNumbers[i] + ",00,00,01*", off[i].substr(0, 21));
        EXPECT_TRUE(NmeaChecksumOk(off[i].substr(0, off[i].size() - 2), 21));
    }
}

} // namespace
} // namespace orv
