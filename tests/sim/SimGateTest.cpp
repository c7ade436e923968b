// The boards' full behaviour: the gate follows its target at its speed and
// stops inside the deadbands, the settings messages are answered and stored,
// reports flow on their own, and the settings survive a restart.
#include "tests/sim/PtyClient.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>

using orv::test::PtyClient;
using orv::test::SimProcess;

namespace {

// Frames of the USB-to-CAN adapter for board 0: "T" identifier "8" data CR,
// identifier = code | 0x00080000.
std::string Frame(const std::string& code, const std::string& data)
{
    return "T000800" + code + "8" + data + "\r";
}

const std::string kStatusRequest = Frame("02", "0000000000000000");

// Opens the adapter's CAN channel at the boards' rate.
void OpenChannel(PtyClient& port)
{
    port.Write("C\rS6\rO\r");
    ASSERT_EQ(port.Read(3), "\r\r\r");
}

// Asks the simulator for one board field until it reads `want` (bounded).
bool WaitForField(SimProcess& sim, const std::string& field, const std::string& want, int timeoutMs = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string expect = "OK board 0 " + field + " " + want;
    while (std::chrono::steady_clock::now() < deadline)
        if (sim.Command("board 0 " + field) == expect)
            return true;
    return false;
}

struct MotionCase {
    const char* Name;
    std::vector<std::string> Commands;
    const char* Position;  // where the gate comes to rest
};

// Defaults: position 500, minimum 500, maximum 900, inner deadband 5, outer
// 15, travel 0..1000. The gate stops as soon as it is inside the inner
// deadband, on the side it came from.
const MotionCase kMotionCases[] = {
    {"follows_the_can_set_point_with_the_pilot_switch",
        {"board 0 cancontrol on", "board 0 pilot on", "board 0 setpoint 800"}, "795"},
    {"stays_closed_in_control_mode_2_without_the_pilot_switch",
        {"board 0 cancontrol on", "board 0 mode 2", "board 0 setpoint 800"}, "500"},
    {"stays_closed_under_can_control_without_pilot_or_mode_2",
        {"board 0 cancontrol on", "board 0 setpoint 800"}, "500"},
    {"follows_the_pot_by_hand", {"board 0 pilot on", "board 0 pot 700"}, "695"},
    {"ignores_the_pot_under_can_control", {"board 0 cancontrol on", "board 0 mode 2", "board 0 pot 700"}, "500"},
    {"closes_to_the_minimum_when_the_pilot_lets_go",
        {"board 0 position 800", "board 0 setpoint 800", "board 0 cancontrol on"}, "505"},
    {"closes_to_the_dry_seal_value_in_dry_seal_mode",
        {"board 0 min 300", "board 0 dryseal 400", "board 0 sealmode 0", "board 0 position 800"}, "405"},
    {"never_opens_beyond_the_maximum",
        {"board 0 cancontrol on", "board 0 pilot on", "board 0 setpoint 1000"}, "895"},
    {"never_closes_below_the_closed_position",
        {"board 0 position 600", "board 0 cancontrol on", "board 0 pilot on", "board 0 setpoint 100"}, "505"},
    {"stops_at_the_end_of_travel",
        {"board 0 max 1023", "board 0 cancontrol on", "board 0 pilot on", "board 0 setpoint 1023"}, "1000"},
};

class SimGateMotion : public ::testing::TestWithParam<MotionCase> {};

TEST_P(SimGateMotion, GateComesToRestInsideTheInnerDeadband)
{
    // Held while the case is set up, then let go fast.
    SimProcess sim({"--link", "usbcan", "--gate-speed", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    for (const auto& c : GetParam().Commands)
        ASSERT_EQ(sim.Command(c).rfind("OK", 0), 0u) << c;
    ASSERT_EQ(sim.Command("board 0 speed 20000"), "OK board 0 speed 20000");
    ASSERT_TRUE(WaitForField(sim, "position", GetParam().Position)) << sim.Command("status");
    ASSERT_TRUE(sim.LetTimePass(0.1));
    EXPECT_EQ(sim.Command("board 0 position"), std::string("OK board 0 position ") + GetParam().Position);
}

INSTANTIATE_TEST_SUITE_P(Each, SimGateMotion, ::testing::ValuesIn(kMotionCases),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimGate, ControlMessageMovesTheGateAndStatusReportsWhereItStopped)
{
    SimProcess sim({"--link", "usbcan", "--gate-speed", "20000", "--run", "board 0 cancontrol on", "--run",
        "board 0 armed on", "--run", "board 0 pilot on"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    OpenChannel(port);
    // Control Message: position 800 (20 03), control mode 2, nothing else.
    port.Write(Frame("01", "2003020000000000"));
    ASSERT_EQ(port.Read(2), "Z\r");
    ASSERT_TRUE(WaitForField(sim, "moving", "off"));
    ASSERT_TRUE(WaitForField(sim, "position", "795"));

    port.Write(kStatusRequest);
    // Status: position 795 (1B 03), under CAN control, pilot on, armed (0x40).
    // Current: set point 800, position 795, pot 500 (F4 01), pilot on, under CAN control.
    const std::string expect = "Z\r" + Frame("03", "1B03000001010040") + Frame("09", "20031B03F4010101");
    EXPECT_EQ(port.Read(expect.size()), expect);
}

TEST(SimGate, ASlowGateTravelsThroughTheWayBetween)
{
    SimProcess sim({"--link", "usbcan", "--gate-speed", "300"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    ASSERT_EQ(sim.Command("board 0 cancontrol on"), "OK board 0 cancontrol on");
    ASSERT_EQ(sim.Command("board 0 pilot on"), "OK board 0 pilot on");
    ASSERT_EQ(sim.Command("board 0 setpoint 800"), "OK board 0 setpoint 800");
    // About a second on the way: some reading must fall strictly between.
    bool between = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!between && std::chrono::steady_clock::now() < deadline) {
        const std::string answer = sim.Command("board 0 position");
        const int position = std::stoi(answer.substr(answer.rfind(' ') + 1));
        between = position > 500 && position < 795;
    }
    EXPECT_TRUE(between);
    EXPECT_TRUE(WaitForField(sim, "position", "795"));
}

TEST(SimGate, AFaultFreezesTheGateAndASmallMoveInsideTheOuterDeadbandDoesNotStartIt)
{
    SimProcess sim({"--link", "usbcan", "--gate-speed", "20000"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    for (const char* c : {"board 0 cancontrol on", "board 0 pilot on", "board 0 setpoint 510"})
        ASSERT_EQ(sim.Command(c).rfind("OK", 0), 0u) << c;
    ASSERT_TRUE(sim.LetTimePass(0.1));
    EXPECT_EQ(sim.Command("board 0 position"), "OK board 0 position 500");  // 10 is inside the outer 15

    ASSERT_EQ(sim.Command("board 0 fault on"), "OK board 0 fault on");
    ASSERT_EQ(sim.Command("board 0 setpoint 800"), "OK board 0 setpoint 800");
    ASSERT_TRUE(sim.LetTimePass(0.1));
    EXPECT_EQ(sim.Command("board 0 position"), "OK board 0 position 500");

    ASSERT_EQ(sim.Command("board 0 fault off"), "OK board 0 fault off");
    EXPECT_TRUE(WaitForField(sim, "position", "795"));
}

TEST(SimGate, PushingAgainstTheOpenEndIsReportedAsAHardStop)
{
    SimProcess sim({"--link", "usbcan", "--gate-speed", "20000", "--run", "board 0 travelmax 930"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    OpenChannel(port);
    ASSERT_EQ(sim.Command("board 0 cancontrol on"), "OK board 0 cancontrol on");
    ASSERT_EQ(sim.Command("board 0 pilot on"), "OK board 0 pilot on");
    // Config Cmd item 1: maximum 1023 (FF 03); then Control Message 1023, mode 2.
    port.Write(Frame("05", "FF03000000000001") + Frame("01", "FF03020000000000"));
    const std::string config = "Z\r" + Frame("04", "FF03F401050F0000") + "Z\r";
    ASSERT_EQ(port.Read(config.size()), config);
    ASSERT_TRUE(WaitForField(sim, "stopreached", "on"));

    port.Write(kStatusRequest);
    // Position 930 (A2 03), under CAN control, pilot on, hard stop (0x10).
    const std::string expect = "Z\r" + Frame("03", "A203000001010010") + Frame("09", "FF03A203F4010101");
    EXPECT_EQ(port.Read(expect.size()), expect);

    // Back below the end of travel the hard stop clears.
    port.Write(Frame("01", "2003020000000000"));
    ASSERT_EQ(port.Read(2), "Z\r");
    EXPECT_TRUE(WaitForField(sim, "stopreached", "off"));
    EXPECT_TRUE(WaitForField(sim, "position", "805"));
}

struct RoundTrip {
    const char* Name;
    std::string Set;       // the setting command
    std::string Echo;      // what the board answers to it (after "Z\r")
    std::string Request;   // the request for it
    std::string Answer;    // what the request is answered with
};

// Defaults: maximum 900 (84 03), minimum 500 (F4 01), deadbands 5 and 15;
// PWM frequency 200 (C8 00), proportion 50, enabled, currents 60 and 90;
// dry seal 0 in mode 1; feedback pot normal.
const RoundTrip kRoundTrips[] = {
    {"config_maximum", Frame("05", "BC02000000000001"), Frame("04", "BC02F401050F0000"), Frame("0A", "0000000000000000"),
        Frame("04", "BC02F401050F0000")},
    {"config_minimum", Frame("05", "00002C0100000002"), Frame("04", "84032C01050F0000"), Frame("0A", "0000000000000000"),
        Frame("04", "84032C01050F0000")},
    {"config_inner_deadband", Frame("05", "0000000008000003"), Frame("04", "8403F401080F0000"),
        Frame("0A", "0000000000000000"), Frame("04", "8403F401080F0000")},
    {"config_outer_deadband", Frame("05", "0000000000140004"), Frame("04", "8403F40105140000"),
        Frame("0A", "0000000000000000"), Frame("04", "8403F40105140000")},
    {"config_unknown_item_changes_nothing", Frame("05", "FFFFFFFFFFFF0009"), Frame("04", "8403F401050F0000"),
        Frame("0A", "0000000000000000"), Frame("04", "8403F401050F0000")},
    {"pwm_frequency", Frame("06", "FA00000000000132"), Frame("07", "FA0032013C5A0000"), Frame("08", "0000000000000000"),
        Frame("07", "FA0032013C5A0000")},
    {"pwm_proportion", Frame("06", "0000280000000232"), Frame("07", "C80028013C5A0000"),
        Frame("08", "0000000000000000"), Frame("07", "C80028013C5A0000")},
    {"pwm_enabled", Frame("06", "0000000000000332"), Frame("07", "C80032003C5A0000"), Frame("08", "0000000000000000"),
        Frame("07", "C80032003C5A0000")},
    {"pwm_proportional_current", Frame("06", "0000000046000432"), Frame("07", "C8003201465A0000"),
        Frame("08", "0000000000000000"), Frame("07", "C8003201465A0000")},
    {"pwm_maximum_current", Frame("06", "0000000000640532"), Frame("07", "C80032013C640000"),
        Frame("08", "0000000000000000"), Frame("07", "C80032013C640000")},
    // Set Highspeed Solenoids is not answered; "Status: " carries it in D6.
    {"highspeed_solenoids", Frame("0B", "0100000000000000"), "", kStatusRequest,
        Frame("03", "F401000000000100") + Frame("09", "F401F401F4010000")},
    // Dry seal 450 (C2 01) in mode 0; the echo carries the minimum in D3-D4.
    {"dry_seal", Frame("17", "C201000000000000"), Frame("19", "C20100F401000000"), Frame("18", "0000000000000000"),
        Frame("19", "C20100F401000000")},
    {"feedback_pot_reversed", Frame("1A", "0001000000000000"), Frame("1C", "0001000000000000"),
        Frame("1B", "0000000000000000"), Frame("1C", "0001000000000000")},
    {"feedback_pot_normal", Frame("1A", "0101000000000000"), Frame("1C", "0101000000000000"),
        Frame("1B", "0000000000000000"), Frame("1C", "0101000000000000")},
};

class SimSettingsRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(SimSettingsRoundTrip, SettingIsStoredEchoedAndReportedWhenAsked)
{
    SimProcess sim({"--link", "usbcan", "--gate-speed", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    OpenChannel(port);
    const RoundTrip& c = GetParam();
    port.Write(c.Set);
    const std::string echo = "Z\r" + c.Echo;
    EXPECT_EQ(port.Read(echo.size()), echo);
    port.Write(c.Request);
    const std::string answer = "Z\r" + c.Answer;
    EXPECT_EQ(port.Read(answer.size()), answer);
    EXPECT_EQ(port.Pending(), "");
}

INSTANTIATE_TEST_SUITE_P(Each, SimSettingsRoundTrip, ::testing::ValuesIn(kRoundTrips),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimGate, FirmwareVersionAndBoardIdAreAnswered)
{
    SimProcess sim({"--link", "usbcan"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    OpenChannel(port);
    // "SIM 1.0" as eight characters, then board ID 0.
    port.Write(Frame("0C", "0000000000000000") + Frame("15", "0000000000000000"));
    const std::string expect =
        "Z\r" + Frame("0D", "53494D20312E3000") + "Z\r" + Frame("16", "0000000000000000");
    EXPECT_EQ(port.Read(expect.size()), expect);
}

TEST(SimGate, ReaddressedBoardAnswersUnderItsNewAddressOnly)
{
    SimProcess sim({"--link", "usbcan", "--gate-speed", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    OpenChannel(port);
    // "Set the Controller Board ID" to 2 (D0 = D7 = 2), without a board address.
    port.Write(Frame("14", "0200000000000002"));
    ASSERT_EQ(port.Read(2), "Z\r");
    EXPECT_EQ(sim.Command("board 2 address"), "OK board 2 address 2");

    // Addressed to board 1: nobody answers. To board 2 and to every board (0): board 2 answers.
    port.Write("T0008010280000000000000000\r");
    ASSERT_EQ(port.Read(2), "Z\r");
    ASSERT_TRUE(sim.WaitForLog("no board takes identifier 0x00080102"));
    port.Write("T0008021580000000000000000\r" + kStatusRequest);
    const std::string expect = "Z\rT00080216" "8" "0200000000000000\r"
                               "Z\rT00080203" "8" "F401000000000000\r"
                               "T00080209" "8" "F401F401F4010000\r";
    EXPECT_EQ(port.Read(expect.size()), expect);

    // An impossible address is refused; the board keeps its own.
    port.Write(Frame("14", "0900000000000009"));
    ASSERT_EQ(port.Read(2), "Z\r");
    EXPECT_EQ(sim.Command("board 2 address"), "OK board 2 address 2");
}

TEST(SimGate, ReportsFlowOnTheirOwnOnceTheChannelIsOpen)
{
    SimProcess sim({"--link", "usbcan", "--status-rate", "20"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    ASSERT_TRUE(sim.LetTimePass(0.15));
    EXPECT_EQ(port.Pending(), "");  // closed channel: nothing on the line

    OpenChannel(port);
    const std::string reports = Frame("03", "F401000000000000") + Frame("09", "F401F401F4010000");
    EXPECT_EQ(port.Read(reports.size()), reports);
    EXPECT_EQ(port.Read(reports.size()), reports);

    EXPECT_EQ(sim.Command("statusrate 0"), "OK statusrate 0");
    ASSERT_TRUE(sim.LetTimePass(0.15));
    port.Pending();
    ASSERT_TRUE(sim.LetTimePass(0.15));
    EXPECT_EQ(port.Pending(), "");
    EXPECT_EQ(sim.Command("statusrate fast"), "ERROR usage: statusrate HZ (0..100, 0 off)");
}

TEST(SimGate, DirectSerialControllerReportsOnItsOwnOnlyAfterItWasSpokenTo)
{
    SimProcess sim({"--link", "serial", "--status-rate", "20"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    ASSERT_TRUE(sim.LetTimePass(0.15));
    EXPECT_EQ(port.Pending(), "");
    port.Write("@0A,00,00,00,00,00,00,00,00,3D\r\n");
    const std::string config = "#04,84,03,F4,01,05,0F,00,00,58\r\n";
    ASSERT_EQ(port.Read(config.size()), config);
    const std::string reports = "#03,F4,01,00,00,00,00,00,00,2D\r\n#09,F4,01,F4,01,F4,01,00,00,69\r\n";
    EXPECT_EQ(port.Read(reports.size()), reports);
}

TEST(SimGate, GpioBoardPassesReportsOnOnceCanChannelOneRunsAtTheBoardsRate)
{
    auto bytes = [](std::initializer_list<int> values) {
        std::string out;
        for (int v : values)
            out += char(v);
        return out;
    };
    SimProcess sim({"--link", "gpio", "--status-rate", "20"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    ASSERT_TRUE(sim.LetTimePass(0.15));
    EXPECT_EQ(port.Pending(), "");
    // CanPort Configuration 1, rate code 6, and its acknowledgement.
    port.Write(bytes({0xF9, 0xA1, 0x03, 0x9D, 0x06, 0x00, 0x00, 0x9F}));
    ASSERT_EQ(port.Read(6), bytes({0xF9, 0xA1, 0x01, 0x9B, 0x06, 0x9F}));
    // Canport Data In 1 with the record of "Status: " and of "Current: " from board 0.
    const std::string reports = bytes({0xF9, 0x21, 0x10, 0x2A, 0x00, 0x00, 0x08, 0x80, 0x03, 0x00, 0x08, 0x00, 0xF4,
                                    0x01, 0, 0, 0, 0, 0, 0, 0x9F})
        + bytes({0xF9, 0x21, 0x10, 0x2A, 0x00, 0x00, 0x08, 0x80, 0x09, 0x00, 0x08, 0x00, 0xF4, 0x01, 0xF4, 0x01, 0xF4,
            0x01, 0, 0, 0x9F});
    EXPECT_EQ(port.Read(reports.size()), reports);
}

TEST(SimGate, SettingsAreKeptAcrossRunsInTheStateFile)
{
    orv::test::TempDir dir;
    const std::string state = dir.File("boards.txt");
    {
        SimProcess sim({"--link", "usbcan", "--state", state});
        ASSERT_TRUE(sim.Ready()) << sim.StartError();
        PtyClient port(sim.PortPath(0));
        OpenChannel(port);
        // Maximum 700 (BC 02), dry seal 450 mode 0, then readdressed to 1.
        port.Write(Frame("05", "BC02000000000001") + Frame("17", "C201000000000000") + Frame("14", "0100000000000001"));
        const std::string expect = "Z\r" + Frame("04", "BC02F401050F0000") + "Z\r" + Frame("19", "C20100F401000000") + "Z\r";
        ASSERT_EQ(port.Read(expect.size()), expect);
        ASSERT_EQ(sim.Command("board 1 address"), "OK board 1 address 1");
        EXPECT_EQ(sim.Stop(), 0);
    }
    SimProcess again({"--link", "usbcan", "--state", state});
    ASSERT_TRUE(again.Ready()) << again.StartError();
    EXPECT_NE(again.ReadyLine().find("boards=1 "), std::string::npos) << again.ReadyLine();
    PtyClient port(again.PortPath(0));
    OpenChannel(port);
    port.Write("T0008010A80000000000000000\rT0008011880000000000000000\r");
    const std::string expect = "Z\rT00080104" "8" "BC02F401050F0000\r"
                               "Z\rT00080119" "8" "C20100F401000000\r";
    EXPECT_EQ(port.Read(expect.size()), expect);
}

TEST(SimGate, ABrokenStateFileStopsTheStartWithItsLine)
{
    orv::test::TempDir dir;
    const std::string state = dir.File("boards.txt");
    dir.Write("boards.txt", "[board slot 0]\nmax=900\ninner=many\n");
    SimProcess sim({"--link", "usbcan", "--state", state}, 5000);
    EXPECT_FALSE(sim.Ready());
    EXPECT_NE(sim.StartError().find("line 3: bad value \"many\" for inner"), std::string::npos) << sim.StartError();
}

} // namespace
