// Fault injection: silence, line noise, stalled writes, unplugging, both by
// command and by timed options.
#include "tests/sim/PtyClient.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using orv::test::PtyClient;
using orv::test::SimProcess;

namespace {

const std::string kStatusRequest = "@02,00,00,00,00,00,00,00,00,2E\r\n";
const std::string kAnswer = "#03,F4,01,00,00,00,00,00,00,2D\r\n#09,F4,01,F4,01,F4,01,00,00,69\r\n";

bool LinkExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string LinkTarget(const std::string& path)
{
    char buf[256];
    const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

TEST(SimFaults, SilenceHoldsAnswersBackUntilSwitchedOff)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    EXPECT_EQ(sim.Command("silence on"), "OK silence on");
    port.Write(kStatusRequest);
    ASSERT_TRUE(sim.WaitForLog("TX held back (silence)"));
    EXPECT_EQ(port.Pending(), "");

    EXPECT_EQ(sim.Command("silence off"), "OK silence off");
    port.Write(kStatusRequest);
    EXPECT_EQ(port.Read(kAnswer.size()), kAnswer);
}

TEST(SimFaults, GarbageSendsNoiseWithoutBeingAsked)
{
    SimProcess sim({"--link", "usbcan", "--seed", "7"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    EXPECT_EQ(sim.Command("garbage on"), "OK garbage on");
    EXPECT_EQ(port.Read(16).size(), 16u);
    EXPECT_EQ(sim.Command("garbage off"), "OK garbage off");
    EXPECT_NE(sim.LogText().find("TX noise"), std::string::npos);
}

TEST(SimFaults, StallBlocksTheApplicationsWritesUntilReleased)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    EXPECT_EQ(sim.Command("stall on"), "OK stall on");
    // The port is non-blocking here: a stalled write takes nothing.
    EXPECT_FALSE(port.Write(kStatusRequest));

    EXPECT_EQ(sim.Command("stall off"), "OK stall off");
    EXPECT_TRUE(port.Write(kStatusRequest));
    EXPECT_EQ(port.Read(kAnswer.size()), kAnswer);
}

TEST(SimFaults, UnplugRemovesTheTtyAndPlugBringsANewOne)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    const std::string link = sim.PortPath(0);
    const std::string tty = LinkTarget(link);
    ASSERT_FALSE(tty.empty());
    PtyClient port(link);
    ASSERT_TRUE(port.IsOpen());

    EXPECT_EQ(sim.Command("unplug"), "OK unplugged");
    EXPECT_FALSE(LinkExists(link));
    EXPECT_TRUE(port.HungUp());
    EXPECT_EQ(sim.Command("unplug"), "ERROR COM1 is already unplugged");

    EXPECT_EQ(sim.Command("plug"), "OK plugged");
    ASSERT_TRUE(LinkExists(link));
    PtyClient again(link);
    ASSERT_TRUE(again.IsOpen());
    again.Write(kStatusRequest);
    EXPECT_EQ(again.Read(kAnswer.size()), kAnswer);
    EXPECT_EQ(sim.Command("plug"), "ERROR COM1 is already plugged");
}

TEST(SimFaults, UnplugWithADelayPlugsBackByItself)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_EQ(sim.Command("unplug 0.2"), "OK unplugged, back in 0.2 s");
    EXPECT_FALSE(LinkExists(sim.PortPath(0)));
    ASSERT_TRUE(sim.WaitForLog("timed command \"plug\": OK plugged"));
    PtyClient port(sim.PortPath(0));
    port.Write(kStatusRequest);
    EXPECT_EQ(port.Read(kAnswer.size()), kAnswer);
}

struct TimedFault {
    const char* Name;
    std::vector<std::string> Options;
    const char* LogLine;
};

const TimedFault kTimedFaults[] = {
    {"silence", {"--silence-after", "0.1"}, "timed command \"silence on\": OK silence on"},
    {"garbage", {"--garbage-after", "0.1"}, "timed command \"garbage on\": OK garbage on"},
    {"stall", {"--stall-after", "0.1"}, "timed command \"stall on\": OK stall on"},
    {"unplug", {"--unplug-after", "0.1"}, "timed command \"unplug\": OK unplugged"},
    {"replug", {"--unplug-after", "0.1", "--replug-after", "0.1"}, "timed command \"plug\": OK plugged"},
};

class SimTimedFaults : public ::testing::TestWithParam<TimedFault> {};

TEST_P(SimTimedFaults, OptionSwitchesTheFaultOnAfterItsDelay)
{
    std::vector<std::string> args = {"--link", "usbcan"};
    args.insert(args.end(), GetParam().Options.begin(), GetParam().Options.end());
    SimProcess sim(args);
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_TRUE(sim.WaitForLog(GetParam().LogLine)) << sim.LogText();
}

INSTANTIATE_TEST_SUITE_P(Each, SimTimedFaults, ::testing::ValuesIn(kTimedFaults),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimFaults, SilenceAfterAnswersFirstThenStops)
{
    SimProcess sim({"--link", "serial", "--silence-after", "1"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write(kStatusRequest);
    EXPECT_EQ(port.Read(kAnswer.size()), kAnswer);
    ASSERT_TRUE(sim.WaitForLog("silence on: answers are held back"));
    port.Write(kStatusRequest);
    ASSERT_TRUE(sim.WaitForLog("TX held back (silence)"));
    EXPECT_EQ(port.Pending(), "");
}

TEST(SimDecoys, SilentDecoysReadButNeverAnswerAndGarbageDecoysChatter)
{
    SimProcess sim({"--link", "usbcan", "--port", "4", "--decoy", "silent:1", "--decoy", "garbage:2"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient silent(sim.PortPath(1));
    PtyClient noisy(sim.PortPath(2));
    ASSERT_TRUE(silent.IsOpen());
    ASSERT_TRUE(noisy.IsOpen());

    silent.Write("C\rS6\rE\rO\r");
    ASSERT_TRUE(sim.WaitForLog("COM2 RX (silent decoy) 43 0D 53 36"));
    EXPECT_EQ(silent.Pending(), "");
    EXPECT_EQ(noisy.Read(8).size(), 8u);
}

} // namespace
