// The controller boards: their state shows in "Status: " and "Current: ",
// commands change it, and the board ID can be set over the bus.
#include "tests/sim/PtyClient.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

using orv::test::PtyClient;
using orv::test::SimProcess;

namespace {

// A direct serial line with its checksum appended: the sum of the 28 characters.
std::string Line(const std::string& body)
{
    int sum = 0;
    for (unsigned char c : body)
        sum += c;
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum & 0xFF);
    return body + hex + "\r\n";
}

const std::string kStatusRequest = Line("@02,00,00,00,00,00,00,00,00,");

struct BoardCase {
    const char* Name;
    std::vector<std::string> Commands;
    std::string Status;   // 28 characters
    std::string Current;  // 28 characters
};

const BoardCase kBoardCases[] = {
    {"defaults", {}, "#03,F4,01,00,00,00,00,00,00,", "#09,F4,01,F4,01,F4,01,00,00,"},
    {"pilot", {"board 0 pilot on"}, "#03,F4,01,00,00,00,01,00,00,", "#09,F4,01,F4,01,F4,01,01,00,"},
    {"armed_and_fault", {"board 0 armed on", "board 0 fault on"}, "#03,F4,01,00,00,00,00,00,60,",
        "#09,F4,01,F4,01,F4,01,00,00,"},
    {"can_control", {"board 0 cancontrol on"}, "#03,F4,01,00,00,01,00,00,00,", "#09,F4,01,F4,01,F4,01,00,01,"},
    {"switches", {"board 0 hardstop on", "board 0 foam on", "board 0 pumps on", "board 0 highspeed on"},
        "#03,F4,01,00,00,00,00,01,13,", "#09,F4,01,F4,01,F4,01,00,00,"},
    {"timer", {"board 0 timer on", "board 0 delay 7"}, "#03,F4,01,01,07,00,00,00,00,", "#09,F4,01,F4,01,F4,01,00,00,"},
    // The gate is held (speed 0): it would otherwise close from where it is put.
    {"positions", {"board 0 speed 0", "board 0 position 4660", "board 0 pot 258", "board 0 setpoint 1000"},
        "#03,34,12,00,00,00,00,00,00,", "#09,E8,03,34,12,02,01,00,00,"},
};

class SimBoardState : public ::testing::TestWithParam<BoardCase> {};

TEST_P(SimBoardState, CommandsShowInStatusAndCurrent)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    for (const auto& c : GetParam().Commands)
        ASSERT_EQ(sim.Command(c).rfind("OK", 0), 0u) << c;
    PtyClient port(sim.PortPath(0));
    port.Write(kStatusRequest);
    const std::string expect = Line(GetParam().Status) + Line(GetParam().Current);
    EXPECT_EQ(port.Read(expect.size()), expect);
}

INSTANTIATE_TEST_SUITE_P(Each, SimBoardState, ::testing::ValuesIn(kBoardCases),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SimBoards, FieldCommandsRejectUnknownBoardsFieldsAndValues)
{
    SimProcess sim({"--link", "usbcan", "--boards", "2"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_EQ(sim.Command("board 1 armed on"), "OK board 1 armed on");
    EXPECT_EQ(sim.Command("board 0 armed on"), "ERROR no board 0 on the bus");
    EXPECT_EQ(sim.Command("board 2 armed maybe"), "ERROR bad value \"maybe\" for armed");
    EXPECT_EQ(sim.Command("board 2 position 70000"), "ERROR bad value \"70000\" for position");
    EXPECT_EQ(sim.Command("board 2 wings on").rfind("ERROR unknown field \"wings\"", 0), 0u);
    EXPECT_EQ(sim.Command("board 2"), "ERROR usage: board N FIELD VALUE, or board N FIELD to show it");
    EXPECT_EQ(sim.Command("board 2 moving on"), "ERROR moving is read-only");
    EXPECT_EQ(sim.Command("board 2 armed"), "OK board 2 armed off");
}

TEST(SimBoards, ControlMessageSetPointIsEchoedInCurrent)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    // Position 1000 (E8 03), control mode 2, no change mask.
    port.Write(Line("@01,E8,03,02,00,00,00,00,00,") + kStatusRequest);
    const std::string expect = Line("#03,F4,01,00,00,00,00,00,00,") + Line("#09,E8,03,F4,01,F4,01,00,00,");
    EXPECT_EQ(port.Read(expect.size()), expect);
}

TEST(SimBoards, ConfigCmdChangesOnlyTheItemNamed)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    // Item 1 (maximum) = 2500 (C4 09); the minimum in the same message is not
    // taken. The board reports its configuration back, and again when asked.
    port.Write(Line("@05,C4,09,10,00,09,09,00,01,") + Line("@0A,00,00,00,00,00,00,00,00,"));
    const std::string expect = Line("#04,C4,09,F4,01,05,0F,00,00,") + Line("#04,C4,09,F4,01,05,0F,00,00,");
    EXPECT_EQ(port.Read(expect.size()), expect);
}

TEST(SimBoards, SetBoardIdReaddressesTheBoard)
{
    SimProcess sim({"--link", "usbcan"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    port.Write("C\rS6\rE\rO\r");
    ASSERT_EQ(port.Read(4), "\r\r\r\r");
    // "Set the Controller Board ID" carries no board bits: D0 = 1, D7 = 1.
    port.Write("T0008001480100000000000001\r");
    EXPECT_EQ(port.Read(2), "Z\r");
    port.Write("T0008001580000000000000000\r");  // Request Controller Board ID
    const std::string expect = "Z\rT0008011680100000000000000\r";
    EXPECT_EQ(port.Read(expect.size()), expect);
}

TEST(SimBoards, RequestsForSettingsAreAnsweredByEachBoard)
{
    SimProcess sim({"--link", "usbcan", "--boards", "2"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    ASSERT_EQ(sim.Command("board 2 firmware V2.5"), "OK board 2 firmware V2.5");
    PtyClient port(sim.PortPath(0));
    port.Write("C\rS6\rE\rO\r");
    ASSERT_EQ(port.Read(4), "\r\r\r\r");
    const std::pair<std::string, std::string> cases[] = {
        // Request PWM Parameters: frequency 200 (C8 00), proportion 50, enabled, currents 60 and 90.
        {"T0008010880000000000000000\r", "Z\rT000801078C80032013C5A0000\r"},
        // Request Controller Revision: the firmware text.
        {"T0008020C80000000000000000\r", "Z\rT0008020D856322E3500000000\r"},
        // Request Dry Seal Value and Mode: value 0, mode 1, minimum 500.
        {"T0008011880000000000000000\r", "Z\rT000801198000001F401000000\r"},
        // Get Feedback Pot Direction: normal.
        {"T0008021B80000000000000000\r", "Z\rT0008021C80101000000000000\r"},
    };
    for (const auto& [send, expect] : cases) {
        port.Write(send);
        EXPECT_EQ(port.Read(expect.size()), expect) << send;
    }
}

} // namespace
