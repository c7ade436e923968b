#include "nav/GPSClock.h"
#include "nav/GuidanceChannels.h"
#include "platform/fake/FakeTimeSource.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class GetSpeedTest : public ::testing::Test {
protected:
    FakeTimeSource source;
    TGuidanceChannels ch;

    void SetUp() override
    {
        TGPSClock::Install(source);
        ch.SetLocal(gchSpeed, 40.0);
        ch.SetRemote(gchSpeed, 10.0);
    }
    void TearDown() override { TGPSClock::Uninstall(); }

    void ExpectRemote(const char* why)
    {
        const TGpsSpeed s = ch.GetSpeed();
        EXPECT_TRUE(s.fromRemote) << why;
        EXPECT_FLOAT_EQ(10.0f, s.value) << why;
    }
    void ExpectLocal(const char* why)
    {
        const TGpsSpeed s = ch.GetSpeed();
        EXPECT_FALSE(s.fromRemote) << why;
        EXPECT_FLOAT_EQ(40.0f, s.value) << why;
    }
};

TEST_F(GetSpeedTest, LocalUntilAnySentenceArrives)
{
    ExpectLocal("nothing received");
}

TEST_F(GetSpeedTest, NmeaSpeedIsFreshForTheTimeOut)
{
    ch.StampNmea();
    ExpectRemote("just received");
    source.AdvanceMs(3000);
    ExpectRemote("exactly the time-out has passed");
    source.AdvanceMs(100);
    ExpectLocal("3.1 s after the last sentence");
}

TEST_F(GetSpeedTest, WithAnNmeaStampTheLaterOfBothStampsCounts)
{
    ch.StampNmea();
    source.AdvanceMs(2500);
    ch.StampOrv();
    source.AdvanceMs(2500);
    ExpectRemote("the $ORV sentence keeps it fresh");
    source.AdvanceMs(600);
    ExpectLocal("both stale");
}

TEST_F(GetSpeedTest, OrvAloneIsFreshForTheTimeOut)
{
    ch.StampOrv();
    source.AdvanceMs(2999);
    ExpectRemote("fresh $ORV");
    source.AdvanceMs(2);
    ExpectLocal("expired $ORV");
}

TEST_F(GetSpeedTest, RemoteSpeedDisabledKeepsTheLocalSpeed)
{
    ch.StampNmea();
    ch.SetRemoteDisabledMask(0x20);
    ExpectLocal("remote speed disabled");
    ch.SetRemoteDisabledMask(0xDF); // every other channel disabled: speed is still taken
    ExpectRemote("only bit 5 matters");
    EXPECT_EQ(0x5F, ch.RemoteDisabledMask()) << "limited to seven bits";
}

TEST_F(GetSpeedTest, TimeOutFollowsTheChannelSetting)
{
    ch.SetRemoteTimeout(gchSpeed, 500);
    ch.StampNmea();
    source.AdvanceMs(501);
    ExpectLocal("shorter time-out");
    EXPECT_THROW(ch.SetRemoteTimeout(gchSpeed, -1), std::invalid_argument);
}

TEST_F(GetSpeedTest, MitigationMethodDecides)
{
    ch.StampNmea();
    ch.SetMitigation(gchSpeed, 2);
    ExpectLocal("method 2 never takes the remote speed");
    ch.SetMitigation(gchSpeed, 0);
    try {
        ch.GetSpeed();
        FAIL() << "method 0 must raise";
    } catch (const EMitigationError& e) {
        EXPECT_STREQ("Mitigation method not set for Single", e.what());
    }
}

TEST_F(GetSpeedTest, LocalSettersStampForMethodsOneAndTwoOnly)
{
    const struct {
        uint8_t method;
        bool stamps;
    } cases[] = {{0, false}, {1, true}, {2, true}, {3, false}};
    for (const auto& c : cases) {
        TGuidanceChannels channels;
        channels.SetMitigation(gchAppRate, c.method);
        source.AdvanceMs(10);
        channels.SetLocal(gchAppRate, 80.0);
        EXPECT_EQ(c.stamps, channels.LocalStamp(gchAppRate) == source.NowMs() * 1000) << int(c.method);
        EXPECT_DOUBLE_EQ(80.0, channels.Local(gchAppRate));
    }
}

} // namespace
} // namespace orv
