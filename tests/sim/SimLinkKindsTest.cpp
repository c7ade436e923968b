// Each link kind answers the application's verification exchange and a
// "Status Request" with the bytes the wire formats prescribe. The expected
// bytes are written out by hand; nothing here shares code with the simulator.
#include "tests/sim/PtyClient.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

using orv::test::PtyClient;
using orv::test::SimProcess;

namespace {

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += char(v);
    return out;
}

// Checksum of a direct serial line: the sum of its first 28 characters.
int SerialSum(const std::string& line)
{
    int sum = 0;
    for (size_t i = 0; i < 28; ++i)
        sum += static_cast<unsigned char>(line[i]);
    return sum & 0xFF;
}

// Board 0 with its defaults: position 500 (F4 01), everything else off.
const std::string kAdapterStatus0 = "T000800038F401000000000000\r";
const std::string kAdapterCurrent0 = "T000800098F401F401F4010000\r";
const std::string kGpioDipRequest = Bytes({0xF9, 0x01, 0x00, 0xFA, 0x9F});
const std::string kGpioDipReply = Bytes({0xF9, 0x01, 0x05, 0xFF, 0x01, 0x02, 0x00, 0x00, 0x03, 0x9F});
const std::string kGpioCan1Rate6 = Bytes({0xF9, 0xA1, 0x03, 0x9D, 0x06, 0x00, 0x00, 0x9F});
const std::string kGpioCan1Rate6Ack = Bytes({0xF9, 0xA1, 0x01, 0x9B, 0x06, 0x9F});
const std::string kGpioStatusRequest = Bytes({0xF9, 0x21, 0x10, 0x2A, 0x00, 0x00, 0x08, 0x80, 0x02, 0x00, 0x08, 0x00,
    0, 0, 0, 0, 0, 0, 0, 0, 0x9F});
const std::string kGpioStatus0 = Bytes({0xF9, 0x21, 0x10, 0x2A, 0x00, 0x00, 0x08, 0x80, 0x03, 0x00, 0x08, 0x00, 0xF4,
    0x01, 0, 0, 0, 0, 0, 0, 0x9F});
const std::string kGpioCurrent0 = Bytes({0xF9, 0x21, 0x10, 0x2A, 0x00, 0x00, 0x08, 0x80, 0x09, 0x00, 0x08, 0x00, 0xF4,
    0x01, 0xF4, 0x01, 0xF4, 0x01, 0, 0, 0x9F});
const std::string kSerialStatusRequest = "@02,00,00,00,00,00,00,00,00,2E\r\n";
const std::string kSerialStatus0 = "#03,F4,01,00,00,00,00,00,00,2D\r\n";
const std::string kSerialCurrent0 = "#09,F4,01,F4,01,F4,01,00,00,69\r\n";

struct Exchange {
    std::string Send;
    std::string Expect;
};

struct LinkCase {
    const char* Name;
    const char* Link;
    std::vector<Exchange> Verification;
};

const LinkCase kLinkCases[] = {
    {"usbcan", "usbcan",
        {{"C\r", "\r"}, {"S6\r", "\r"}, {"E\r", "\r"}, {"O\r", "\r"},
            {"T0008000280000000000000000\r", "Z\r" + kAdapterStatus0 + kAdapterCurrent0}}},
    {"gpio", "gpio",
        {{kGpioDipRequest, kGpioDipReply}, {kGpioCan1Rate6, kGpioCan1Rate6Ack},
            {kGpioStatusRequest, kGpioStatus0 + kGpioCurrent0}}},
    {"serial", "serial", {{kSerialStatusRequest, kSerialStatus0 + kSerialCurrent0}}},
};

class SimLinkKinds : public ::testing::TestWithParam<LinkCase> {};

TEST_P(SimLinkKinds, AnswersTheVerificationExchangeOnItsPortAmongDecoys)
{
    const LinkCase& c = GetParam();
    SimProcess sim({"--link", c.Link, "--port", "3", "--silent-decoys", "2", "--garbage-decoys", "1"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_EQ(sim.ReadyLine(), std::string("READY link=") + c.Link + " port=3 path=" + sim.PortPath(3)
            + " boards=0 decoys=0:silent,1:silent,2:garbage");

    PtyClient port(sim.PortPath(3));
    ASSERT_TRUE(port.IsOpen());
    for (const auto& step : c.Verification) {
        ASSERT_TRUE(port.Write(step.Send));
        EXPECT_EQ(port.Read(step.Expect.size()), step.Expect) << "after sending " << step.Send;
    }
    EXPECT_EQ(port.Pending(), "");
}

INSTANTIATE_TEST_SUITE_P(EachKind, SimLinkKinds, ::testing::ValuesIn(kLinkCases),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimGoldenBytes, SerialLinesCarryTheirOwnChecksums)
{
    for (const auto& line : {kSerialStatusRequest, kSerialStatus0, kSerialCurrent0}) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", SerialSum(line));
        EXPECT_EQ(line.substr(28, 2), hex) << line;
        EXPECT_EQ(line.size(), 32u);
    }
}

TEST(SimAdapter, RefusesFramesAndRateChangesInTheWrongChannelState)
{
    SimProcess sim({"--link", "usbcan"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    ASSERT_TRUE(port.IsOpen());

    port.Write("T0008000280000000000000000\r");  // channel not open yet
    EXPECT_EQ(port.Read(1), "\a");
    port.Write("O\r");  // no bit rate set yet
    EXPECT_EQ(port.Read(1), "\a");
    port.Write("S6\rO\r");
    EXPECT_EQ(port.Read(2), "\r\r");
    port.Write("S4\r");  // open: the rate cannot change
    EXPECT_EQ(port.Read(1), "\a");
    port.Write("O\r");  // already open
    EXPECT_EQ(port.Read(1), "\a");
    port.Write("T00080002\r");  // malformed
    EXPECT_EQ(port.Read(1), "\a");
    port.Write("C\r");
    EXPECT_EQ(port.Read(1), "\r");
    port.Write("T0008000280000000000000000\r");  // closed again
    EXPECT_EQ(port.Read(1), "\a");
}

TEST(SimAdapter, FramesAtTheWrongBitRateNeverReachTheBoards)
{
    SimProcess sim({"--link", "usbcan"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write("C\rS4\rO\rT0008000280000000000000000\r");
    EXPECT_EQ(port.Read(5), "\r\r\rZ\r");
    ASSERT_TRUE(sim.WaitForLog("frame lost"));
    EXPECT_EQ(port.Pending(), "");
}

TEST(SimAdapter, CommandsSplitAcrossWritesAndRepeatedAreEachAnswered)
{
    SimProcess sim({"--link", "usbcan"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write("C\rS6\rE\rO\r");
    ASSERT_EQ(port.Read(4), "\r\r\r\r");
    // The application sends every command twice; the second arrives in pieces.
    const std::string ping = "T0008000280000000000000000\r";
    port.Write(ping + ping.substr(0, 10));
    const std::string one = "Z\r" + kAdapterStatus0 + kAdapterCurrent0;
    EXPECT_EQ(port.Read(one.size()), one);
    port.Write(ping.substr(10));
    EXPECT_EQ(port.Read(one.size()), one);
}

TEST(SimAdapter, LowerCaseHexIsTakenButPointedOutInTheLog)
{
    SimProcess sim({"--link", "usbcan", "--boards", "2"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write("C\rS6\rE\rO\r");
    ASSERT_EQ(port.Read(4), "\r\r\r\r");
    port.Write("T0008020a80000000000000000\r");  // Config Request to board 2
    const std::string expect = "Z\rT0008020488403F401050F0000\r";
    EXPECT_EQ(port.Read(expect.size()), expect);
    EXPECT_NE(sim.LogText().find("Config Request board 2 (lower-case hex digits)"), std::string::npos);
}

TEST(SimAdapter, TwoBoardsAnswerAsLeftAndRight)
{
    SimProcess sim({"--link", "usbcan", "--boards", "2"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write("C\rS6\rE\rO\rT0008000280000000000000000\r");
    const std::string expect = std::string("\r\r\r\rZ\r") + "T000801038F401000000000000\r" + "T000801098F401F401F4010000\r"
        + "T000802038F401000000000000\r" + "T000802098F401F401F4010000\r";
    EXPECT_EQ(port.Read(expect.size()), expect);

    // Addressed to board 2 only.
    port.Write("T0008020280000000000000000\r");
    const std::string right = "Z\rT000802038F401000000000000\rT000802098F401F401F4010000\r";
    EXPECT_EQ(port.Read(right.size()), right);
}

TEST(SimGpio, CanFramesWaitForTheChannelBitRate)
{
    SimProcess sim({"--link", "gpio"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write(kGpioStatusRequest);
    ASSERT_TRUE(sim.WaitForLog("frame lost"));
    EXPECT_EQ(port.Pending(), "");

    port.Write(kGpioCan1Rate6);
    EXPECT_EQ(port.Read(kGpioCan1Rate6Ack.size()), kGpioCan1Rate6Ack);
    port.Write(kGpioStatusRequest);
    EXPECT_EQ(port.Read(kGpioStatus0.size() * 2), kGpioStatus0 + kGpioCurrent0);
}

TEST(SimGpio, ResynchronisesOnGarbageAndFramesArrivingByteByByte)
{
    SimProcess sim({"--link", "gpio"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    // Noise, a start byte with a bad checksum, a frame with a bad end byte, then a DIP request.
    port.Write(Bytes({0x00, 0x42, 0xF9, 0x01, 0x00, 0x00, 0xF9, 0x01, 0x00, 0xFA, 0x00}));
    for (char c : kGpioDipRequest)
        port.Write(std::string(1, c));
    EXPECT_EQ(port.Read(kGpioDipReply.size()), kGpioDipReply);
    EXPECT_EQ(port.Pending(), "");
    EXPECT_NE(sim.LogText().find("RX gpio garbage"), std::string::npos);
}

TEST(SimGpio, GpioBitsSerialChannelsAndConfigurationAreAcknowledged)
{
    SimProcess sim({"--link", "gpio"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    const Exchange steps[] = {
        {Bytes({0xF9, 0x02, 0x01, 0xFC, 0x00, 0x9F}), Bytes({0xF9, 0x02, 0x01, 0xFC, 0x00, 0x9F})},
        {Bytes({0xF9, 0x03, 0x02, 0xFE, 0x05, 0x00, 0x9F}), Bytes({0xF9, 0x03, 0x02, 0xFE, 0x05, 0x00, 0x9F})},
        {Bytes({0xF9, 0x04, 0x02, 0xFF, 0x01, 0x00, 0x9F}), Bytes({0xF9, 0x04, 0x02, 0xFF, 0x04, 0x00, 0x9F})},
        {Bytes({0xF9, 0x92, 0x03, 0x8E, 0x03, 0x00, 0x00, 0x9F}), Bytes({0xF9, 0x92, 0x01, 0x8C, 0x03, 0x9F})},
        {Bytes({0xF9, 0xA2, 0x03, 0x9E, 0x06, 0x00, 0x00, 0x9F}), Bytes({0xF9, 0xA2, 0x01, 0x9C, 0x06, 0x9F})},
    };
    for (const auto& step : steps) {
        port.Write(step.Send);
        EXPECT_EQ(port.Read(step.Expect.size()), step.Expect);
    }
    // Channel output is logged; channel input comes from a command.
    port.Write(Bytes({0xF9, 0x13, 0x02, 0x0E, 'h', 'i', 0x9F}));
    EXPECT_TRUE(sim.WaitForLog("channel 3 out \"hi\""));
    EXPECT_EQ(sim.Command("channel 2 L123"), "OK channel 2");
    const std::string in = Bytes({0xF9, 0x12, 0x04, 0x0F, 'L', '1', '2', '3', 0x9F});
    EXPECT_EQ(port.Read(in.size()), in);
}

// The board is powered from its USB port: unplugged, it forgets its set-up,
// and "status" shows what it holds and how many channel set-ups it received.
TEST(SimGpio, AnUnpluggedBoardForgetsItsChannelsAndCanRates)
{
    SimProcess sim({"--link", "gpio"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    {
        PtyClient port(sim.PortPath(0));
        const std::string channel2Code3 = Bytes({0xF9, 0x92, 0x03, 0x8E, 0x03, 0x00, 0x00, 0x9F});
        port.Write(channel2Code3);
        EXPECT_EQ(port.Read(6), Bytes({0xF9, 0x92, 0x01, 0x8C, 0x03, 0x9F}));
        port.Write(kGpioCan1Rate6);
        EXPECT_EQ(port.Read(kGpioCan1Rate6Ack.size()), kGpioCan1Rate6Ack);
    }
    std::string status = sim.Command("status");
    EXPECT_NE(status.find(" can1rate=6 can2rate=0 channels=0,3,0,0 channelconfigs=1"), std::string::npos) << status;

    EXPECT_EQ(sim.Command("unplug 0.1"), "OK unplugged, back in 0.1 s");
    ASSERT_TRUE(sim.WaitForLog("plugged in again"));
    status = sim.Command("status");
    EXPECT_NE(status.find(" can1rate=0 can2rate=0 channels=0,0,0,0 channelconfigs=1"), std::string::npos) << status;
}

TEST(SimSerial, BadChecksumGetsNoAnswerAndTheNextLineStillDoes)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write("@02,00,00,00,00,00,00,00,00,2F\r\nxx" + kSerialStatusRequest);
    const std::string expect = kSerialStatus0 + kSerialCurrent0;
    EXPECT_EQ(port.Read(expect.size()), expect);
    EXPECT_EQ(port.Pending(), "");
    EXPECT_NE(sim.LogText().find("checksum 2F, expected 2E"), std::string::npos);
}

TEST(SimSerial, ConfigRequestIsAnsweredWithTheConfiguration)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write("@0A,00,00,00,00,00,00,00,00,3D\r\n");
    // Maximum 900 (84 03), minimum 500 (F4 01), deadbands 5 and 15.
    EXPECT_EQ(port.Read(32), "#04,84,03,F4,01,05,0F,00,00,58\r\n");
}

TEST(SimOptions, DirectSerialCarriesOneBoardOnly)
{
    SimProcess sim({"--link", "serial", "--boards", "2"}, 5000);
    EXPECT_FALSE(sim.Ready());
    EXPECT_NE(sim.StartError().find("one controller"), std::string::npos) << sim.StartError();
}

} // namespace
