#include "platform/HubScripts.h"

#include "RecoveryTestSupport.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// The scripts run against a sysfs tree in a temporary folder, never the
// machine's own.
class HubScriptsTest : public ::testing::Test {
protected:
    HubScriptsTest() : fSysfs("ORVANE_SYSFS", sysfs.Path())
    {
        EXPECT_TRUE(WriteHubBatchFiles(ini.Path(), files));
    }

    void Hub(const std::string& name, bool withAuthorized = true)
    {
        fs::create_directories(sysfs.Path() + "/bus/usb/devices/" + name);
        if (withAuthorized)
            sysfs.Write("bus/usb/devices/" + name + "/authorized", "1\n");
    }
    void Driver()
    {
        fs::create_directories(sysfs.Path() + "/bus/usb/drivers/usb");
        sysfs.Write("bus/usb/drivers/usb/bind", "");
        sysfs.Write("bus/usb/drivers/usb/unbind", "");
    }
    int Restart() { return test::RunScript(files.restart, ini.Path()); }

    test::TempDir ini;
    test::TempDir sysfs;
    THubBatchFiles files;

private:
    ScopedEnv fSysfs;
};

TEST_F(HubScriptsTest, BothScriptsAreWrittenBesideTheSettings)
{
    EXPECT_EQ(ini.File("RescanHub.sh"), files.rescan);
    EXPECT_EQ(ini.File("RestartHub.sh"), files.restart);
    EXPECT_TRUE(Contains(ini.Read("RestartHub.sh"), ShellQuote(ini.File("RestartResult.txt"))));
    EXPECT_TRUE(Contains(ini.Read("RescanHub.sh"), ShellQuote(ini.File("RescanResult.txt"))));
    EXPECT_EQ(0, ini.Read("RestartHub.sh").rfind("#!/bin/sh\n", 0));
    EXPECT_FALSE(fs::exists(ini.File("RestartHub.sh.new")));
}

TEST_F(HubScriptsTest, EveryRootHubIsSwitchedOffAndOnAgain)
{
    Hub("usb1");
    Hub("usb2");
    Hub("1-1"); // a device, not a root hub: left alone
    sysfs.Write("bus/usb/devices/1-1/authorized", "untouched");
    EXPECT_EQ(0, Restart());
    EXPECT_EQ("1\n", sysfs.Read("bus/usb/devices/usb1/authorized"));
    EXPECT_EQ("1\n", sysfs.Read("bus/usb/devices/usb2/authorized"));
    EXPECT_EQ("untouched", sysfs.Read("bus/usb/devices/1-1/authorized"));
    const std::string result = ini.Read("RestartResult.txt");
    EXPECT_TRUE(Contains(result, "usb1: restarted\n")) << result;
    EXPECT_TRUE(Contains(result, "usb2: restarted\n")) << result;
    EXPECT_TRUE(Contains(result, "Restarted 2 USB root hubs")) << result;
}

TEST_F(HubScriptsTest, WithoutTheAuthorizedSwitchTheHubIsUnboundAndBoundAgain)
{
    Hub("usb3", false);
    Driver();
    EXPECT_EQ(0, Restart());
    EXPECT_EQ("usb3\n", sysfs.Read("bus/usb/drivers/usb/unbind"));
    EXPECT_EQ("usb3\n", sysfs.Read("bus/usb/drivers/usb/bind"));
    EXPECT_TRUE(Contains(ini.Read("RestartResult.txt"), "usb3: restarted by unbind and bind"));
}

TEST_F(HubScriptsTest, WhereTheKernelDoesNotAllowItNothingIsTouchedAndItFails)
{
    Hub("usb1", false); // no switch, no driver folder: as a container shows it
    Hub("usb2");
    EXPECT_EQ(1, Restart());
    const std::string result = ini.Read("RestartResult.txt");
    EXPECT_TRUE(Contains(result, "usb1: not allowed to restart")) << result;
    EXPECT_TRUE(Contains(result, "usb2: restarted")) << result;
    EXPECT_TRUE(Contains(result, "Failed: 1 of 2 USB root hubs not restarted")) << result;
    EXPECT_FALSE(fs::exists(sysfs.Path() + "/bus/usb/devices/usb1/authorized"));
}

TEST_F(HubScriptsTest, NoUsbAtAllFailsHarmlessly)
{
    EXPECT_EQ(1, Restart());
    EXPECT_TRUE(Contains(ini.Read("RestartResult.txt"), "No USB root hub found: nothing restarted"));
}

TEST_F(HubScriptsTest, AResultFileThatCannotBeWrittenDoesNotStopTheRestart)
{
    Hub("usb1");
    sysfs.Write("bus/usb/devices/usb1/authorized", "0\n");
    test::TempDir other;
    other.Write("RestartHub.sh", RestartHubScript(other.Path() + "/missing/folder/RestartResult.txt"));
    EXPECT_EQ(0, test::RunScript(other.File("RestartHub.sh"), other.Path()));
    EXPECT_EQ("1\n", sysfs.Read("bus/usb/devices/usb1/authorized"));
}

TEST_F(HubScriptsTest, FolderNamesWithQuotesAndSpacesAreSafe)
{
    Hub("usb1");
    const std::string odd = ini.Path() + "/it's a $(folder)";
    fs::create_directories(odd);
    THubBatchFiles oddFiles;
    ASSERT_TRUE(WriteHubBatchFiles(odd + "/", oddFiles));
    EXPECT_EQ(odd + "/RestartHub.sh", oddFiles.restart);
    EXPECT_EQ(0, test::RunScript(oddFiles.restart, odd));
    EXPECT_TRUE(Contains(ReadFile(odd + "/RestartResult.txt"), "usb1: restarted"));
}

TEST_F(HubScriptsTest, AFolderThatCannotBeWrittenIsReported)
{
    THubBatchFiles none;
    EXPECT_FALSE(WriteHubBatchFiles(ini.Path() + "/no/such/folder", none));
    EXPECT_EQ(ini.Path() + "/no/such/folder/RestartHub.sh", none.restart);
}

TEST_F(HubScriptsTest, TheRescanHasUdevReplayTheUsbAndSerialEvents)
{
    ini.Write("fake-udevadm", "#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/udevadm.log\"\n");
    ::chmod(ini.File("fake-udevadm").c_str(), 0755);
    ScopedEnv udevadm("ORVANE_UDEVADM", ini.File("fake-udevadm"));
    EXPECT_EQ(0, test::RunScript(files.rescan, ini.Path()));
    EXPECT_EQ("trigger --subsystem-match=usb --subsystem-match=tty\nsettle --timeout=10\n", ini.Read("udevadm.log"));
    EXPECT_TRUE(Contains(ini.Read("RescanResult.txt"), "Rescan done"));
}

TEST_F(HubScriptsTest, TheRescanFailsHarmlesslyWithoutUdev)
{
    {
        ScopedEnv udevadm("ORVANE_UDEVADM", ini.File("no-such-udevadm"));
        EXPECT_EQ(1, test::RunScript(files.rescan, ini.Path()));
        EXPECT_TRUE(Contains(ini.Read("RescanResult.txt"), "not found: no rescan"));
    }
    // A test tree never reaches the machine's own udev.
    ScopedEnv noUdevadm("ORVANE_UDEVADM", "");
    EXPECT_EQ(1, test::RunScript(files.rescan, ini.Path()));
    EXPECT_TRUE(Contains(ini.Read("RescanResult.txt"), "udevadm not run: ORVANE_SYSFS points to"));
}

} // namespace
} // namespace orv
