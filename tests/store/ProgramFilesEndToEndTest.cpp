// The real program against the simulated hardware: what it leaves in its
// settings and log files.
#include "store/IniFile.h"
#include "tests/support/AppProcess.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::AppProcess;
using test::SimProcess;

constexpr int kControllerPort = 2;
constexpr int kNavPort = 3;

std::vector<std::string> AdapterSim(int port)
{
    return {"--link", "usbcan", "--port", std::to_string(port), "--status-rate", "10"};
}

TEST(ProgramFiles, ASettingsFileThatBeginsWithAByteOrderMarkKeepsItsFirstSection)
{
    SimProcess sim(AdapterSim(kControllerPort));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    test::SeedFactoryHome(home.Path(), 1, kControllerPort, kNavPort);
    // As an editor on the aircraft's system saves it: a mark first, and an
    // aircraft identifier in the first section.
    std::string text = home.Read("LastSelectedPreset.ini");
    const std::string unknown = "AircraftID=Unknown";
    ASSERT_EQ(0u, text.find("[Vehicle]"));
    ASSERT_NE(std::string::npos, text.find(unknown));
    text.replace(text.find(unknown), unknown.size(), "AircraftID=C-FTNK");
    home.Write("LastSelectedPreset.ini", "\xEF\xBB\xBF" + text);

    {
        AppProcess app(home.Path(), sim.PortsDir());
        ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", 30000)) << app.Output();
        // The primary mode's set-up saves the file (its "Versions" record).
        ASSERT_TRUE(app.WaitForOutput("apply settings PASSED", 20000)) << app.Output();
        EXPECT_EQ(0, app.Stop());
    }
    TMemIniFile settings(home.File("LastSelectedPreset.ini"));
    EXPECT_TRUE(settings.ValueExists("Versions", "Application")); // it was saved
    EXPECT_TRUE(settings.SectionExists("Vehicle"));
    EXPECT_EQ("C-FTNK", settings.ReadString("Vehicle", "AircraftID", "lost"));
    EXPECT_EQ(1, settings.ReadInteger("PrimaryMode", "PrimaryModeID", 0));
}

bool Exists(const test::TempDir& home, const char* file)
{
    return std::filesystem::exists(home.File(file));
}

TEST(ProgramFiles, TheRememberedAdaptersVerificationIsLoggedInTheAdaptersFile)
{
    SimProcess sim(AdapterSim(kControllerPort));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    test::SeedFactoryHome(home.Path(), 1, kControllerPort, kNavPort);
    {
        AppProcess app(home.Path(), sim.PortsDir());
        ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", 30000)) << app.Output();
        EXPECT_EQ(1, app.CountOutput("Entering state: Named Port Found"));
        EXPECT_EQ(0, app.Stop());
    }
    const std::string adapterLog = home.Read("MsgUSBtoCAN.txt");
    EXPECT_NE(std::string::npos, adapterLog.find("Setting TDVIOController Port Name to: 2")) << adapterLog;
    EXPECT_NE(std::string::npos, adapterLog.find("2: USB to CAN ping responded")) << adapterLog;
    // No other link kind was involved, so no other link kind's file exists.
    EXPECT_FALSE(Exists(home, "MsgVEDO.txt")) << home.Read("MsgVEDO.txt");
    EXPECT_FALSE(Exists(home, "SerialDirect.txt")) << home.Read("SerialDirect.txt");
}

TEST(ProgramFiles, EachLinkKindsSearchIsLoggedInItsOwnFile)
{
    // Nothing remembered: the GPIO board, the direct serial line and then the
    // adapter are searched for in turn on every port.
    SimProcess sim(AdapterSim(kControllerPort));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    {
        AppProcess app(home.Path(), sim.PortsDir());
        ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", 60000)) << app.Output();
        EXPECT_EQ(0, app.Stop());
    }
    const std::string gpio = home.Read("MsgVEDO.txt");
    const std::string serial = home.Read("SerialDirect.txt");
    const std::string adapter = home.Read("MsgUSBtoCAN.txt");
    EXPECT_NE(std::string::npos, gpio.find("2: Inc Ping and Send DIP ping")) << gpio;
    EXPECT_EQ(std::string::npos, gpio.find("Serial Ping")) << gpio;
    EXPECT_EQ(std::string::npos, gpio.find("USB to CAN")) << gpio;
    EXPECT_NE(std::string::npos, serial.find("2: Inc and Send Serial Ping")) << serial;
    EXPECT_EQ(std::string::npos, serial.find("DIP ping")) << serial;
    EXPECT_EQ(std::string::npos, serial.find("USB to CAN")) << serial;
    EXPECT_NE(std::string::npos, adapter.find("found port: 2")) << adapter;
    EXPECT_NE(std::string::npos, adapter.find("2: USB to CAN ping responded")) << adapter;
    EXPECT_EQ(std::string::npos, adapter.find("DIP ping")) << adapter;
    EXPECT_EQ(std::string::npos, adapter.find("Serial Ping")) << adapter;
}

} // namespace
} // namespace orv
