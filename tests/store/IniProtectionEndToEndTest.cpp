// The real program against orvane-sim: its protected settings files are
// stamped, backed up and brought back, whatever happened to them in between.
#include "store/IniFile.h"
#include "store/IniStamp.h"
#include "tests/support/AppProcess.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <regex>
#include <sys/inotify.h>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;
using test::AppProcess;
using test::SimProcess;

constexpr int kControllerPort = 2;
constexpr int kNavPort = 3;
const char* const kProtected[] = {"DialToOpening",      "DryMaterialPresets",        "FiregateModelValues",
                                  "FiregatePresets",    "LastSelectedPreset",        "RelativeDigitalToPhysical",
                                  "Tank_Coefficients"};

std::vector<std::string> AdapterSim()
{
    return {"--link", "usbcan", "--port", std::to_string(kControllerPort), "--status-rate", "10"};
}

// The stamp rule computed here, apart from the program: the checksum (bit by
// bit, register from 0, no final inversion) of the file without its FileID
// line must be the stored eight upper-case hex digits.
bool StampedByTheRule(const std::string& text, std::string* why)
{
    std::smatch m;
    static const std::regex line("\\[Security\\]\r\n(FileID=([0-9A-F]{8})\r\n)");
    if (!std::regex_search(text, m, line)) {
        *why = "no stamp";
        return false;
    }
    std::string rest = text;
    rest.erase(static_cast<size_t>(m.position(1)), static_cast<size_t>(m.length(1)));
    uint32_t crc = 0;
    for (unsigned char b : rest) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", crc);
    *why = std::string("stored ") + m[2].str() + ", computed " + hex;
    return m[2].str() == hex;
}

std::string AllLogs(const test::TempDir& home)
{
    std::string text;
    for (const char* f : {"Log.txt", "MsgVEDO.txt", "SerialDirect.txt", "MsgUSBtoCAN.txt"})
        if (fs::exists(home.File(f)))
            text += home.Read(f);
    return text;
}

// Waits, with a deadline, until the folder's log files hold `text`.
bool WaitForLog(const test::TempDir& home, const std::string& text, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (AllLogs(home).find(text) != std::string::npos)
            return true;
        ::poll(nullptr, 0, 50);
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

// Runs the program until the controller is in use and the mode's settings
// were applied (the settings file is saved on the way), then ends it.
void RunOnce(const test::TempDir& home, const SimProcess& sim)
{
    AppProcess app(home.Path(), sim.PortsDir());
    ASSERT_TRUE(app.Started());
    // The boards' first reports can take a few rounds of requests.
    ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", 60000)) << app.Output() << AllLogs(home);
    ASSERT_TRUE(app.WaitForOutput("apply settings PASSED", 30000)) << app.Output();
    EXPECT_EQ(0, app.Stop());
}

// Lines the simulated adapter received from the program.
int Received(const SimProcess& sim)
{
    const std::string log = sim.LogText();
    int n = 0;
    for (size_t p = log.find(" RX "); p != std::string::npos; p = log.find(" RX ", p + 4))
        ++n;
    return n;
}

std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to)
{
    const size_t p = text.find(from);
    EXPECT_NE(std::string::npos, p) << from;
    if (p != std::string::npos)
        text.replace(p, from.size(), to);
    return text;
}

class IniProtection : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Ready()) << sim.StartError();
        test::SeedFactoryHome(home.Path(), 1, kControllerPort, kNavPort);
    }
    SimProcess sim{AdapterSim()};
    test::TempDir home;
};

TEST_F(IniProtection, AfterAStartEveryFactoryFileIsStampedAndBackedUp)
{
    for (const char* base : kProtected)
        ASSERT_EQ("88888888", TMemIniFile(home.File(std::string(base) + ".ini")).ReadString("Security", "FileID", ""))
            << base;
    RunOnce(home, sim);
    for (const char* base : kProtected) {
        const std::string name = std::string(base) + ".ini";
        const std::string text = home.Read(name);
        std::string why;
        EXPECT_TRUE(StampedByTheRule(text, &why)) << name << ": " << why << "\n" << text;
        EXPECT_EQ(text, home.Read("INI_Backup/" + name)) << name;
    }
    EXPECT_EQ(std::string::npos, AllLogs(home).find("restored")) << AllLogs(home);
    // The program's version, from the build, in the versions record.
    EXPECT_EQ("7.0.3.110", TMemIniFile(home.File("LastSelectedPreset.ini")).ReadString("Versions", "Application", ""));
}

TEST_F(IniProtection, AFileEditedByHandIsBroughtBackFromItsBackupAndTheEditKeptAside)
{
    RunOnce(home, sim);
    const std::string before = home.Read("DryMaterialPresets.ini");
    // An edit without a new stamp: the file no longer matches it.
    const std::string edited = ReplaceOnce(before, "\r\n[", "\r\n; edited by hand\r\n[");
    home.Write("DryMaterialPresets.ini", edited);

    RunOnce(home, sim);
    EXPECT_EQ(before, home.Read("DryMaterialPresets.ini"));
    EXPECT_EQ(edited, home.Read("DryMaterialPresets.rejected.ini"));
    EXPECT_NE(std::string::npos, AllLogs(home).find("INI file DryMaterialPresets.ini restored from ")) << AllLogs(home);
}

TEST_F(IniProtection, AMissingFileWithABadBackupComesBackFromTheRing)
{
    RunOnce(home, sim);
    const std::string good = home.Read("Tank_Coefficients.ini");
    fs::remove(home.File("Tank_Coefficients.ini"));
    home.Write("INI_Backup/Tank_Coefficients.ini", ReplaceOnce(good, "=", "=9"));
    home.Write("INI_Backup/Tank_Coefficients3.ini", good);

    RunOnce(home, sim);
    EXPECT_EQ(good, home.Read("Tank_Coefficients.ini"));
    const std::string logs = AllLogs(home);
    EXPECT_NE(std::string::npos, logs.find("INI file Tank_Coefficients.ini restored from " +
                                           home.File("INI_Backup/Tank_Coefficients3.ini")))
        << logs;
}

TEST_F(IniProtection, WithNothingGoodTheFatalTextIsLoggedAndTheBoardsAreNeverAddressed)
{
    RunOnce(home, sim);
    const std::string good = home.Read("FiregatePresets.ini");
    fs::remove(home.File("FiregatePresets.ini"));
    home.Write("INI_Backup/FiregatePresets.ini", ReplaceOnce(good, "=", "=9"));
    const int heardBefore = Received(sim);

    AppProcess app(home.Path(), sim.PortsDir());
    ASSERT_TRUE(WaitForLog(home, "Error Raised while doing Startup initialization: "
                                 "fatal Error: INI file is Missing: FiregatePresets.ini",
                           20000))
        << AllLogs(home) << app.Output();
    // The state machine never ran and the adapter heard nothing new.
    EXPECT_EQ(0, app.CountOutput("Entering state:")) << app.Output();
    EXPECT_EQ(0, app.Stop());
    EXPECT_EQ(heardBefore, Received(sim)) << sim.LogText();
    // Nothing was backed up over the bad state either.
    EXPECT_FALSE(fs::exists(home.File("FiregatePresets.ini")));
}

// Watches the INI folder and its backup folder for the writes of a save.
class FolderWatch {
public:
    explicit FolderWatch(const std::vector<std::string>& dirs)
    {
        fFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        for (const auto& d : dirs)
            ::inotify_add_watch(fFd, d.c_str(), IN_CREATE | IN_MODIFY | IN_MOVED_TO | IN_CLOSE_WRITE);
    }
    ~FolderWatch() { ::close(fFd); }
    // Events on .ini files and their temporaries seen in `ms`.
    int Wait(int ms)
    {
        pollfd p{fFd, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0)
            return 0;
        alignas(inotify_event) char buf[8192];
        int n = 0;
        const ssize_t len = ::read(fFd, buf, sizeof buf);
        for (ssize_t off = 0; off < len;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + off);
            if (e->len && std::string(e->name).find(".ini") != std::string::npos)
                ++n;
            off += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
        return n;
    }

private:
    int fFd = -1;
};

// Power cut: the program is killed (-9) in the middle of its saves, at a
// moment chosen at random among the writes to its settings folder. Between
// the cuts the settings change as a save of the program changes them. Every
// next start must find each protected file stamped and as new as the last
// change, never an older backup restored over it.
TEST_F(IniProtection, PowerCutsDuringSavesNeverLoseTheNewestSettings)
{
    const char* env = std::getenv("ORVANE_POWERCUT_TRIALS");
    const int trials = env ? std::max(1, std::atoi(env)) : 30;
    std::mt19937 rng(std::random_device{}());
    RunOnce(home, sim);
    int cutsDuringWrites = 0;
    for (int trial = 1; trial <= trials; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        // A new preset value, saved stamped as the program saves it.
        {
            TMemIniFile presets(home.File("DryMaterialPresets.ini"));
            presets.SetStamped(true);
            presets.WriteInteger("PowerCut", "Trial", trial);
            presets.UpdateFile();
        }
        // A fresh simulator each time: the boards answer at once, as after power-up.
        SimProcess boards(AdapterSim());
        ASSERT_TRUE(boards.Ready()) << boards.StartError();
        FolderWatch watch({home.Path(), home.File("INI_Backup")});
        {
            AppProcess app(home.Path(), boards.PortsDir());
            ASSERT_TRUE(app.Started());
            // Cut after a random number of writes (a start makes about
            // sixteen), or once the start-up is over.
            const int cutAfter = 1 + static_cast<int>(rng() % 16);
            int seen = 0;
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (seen < cutAfter && std::chrono::steady_clock::now() < until &&
                   app.CountOutput("apply settings PASSED") == 0)
                seen += watch.Wait(20);
            cutsDuringWrites += seen >= cutAfter;
        } // the program is killed with SIGKILL here

        for (const char* base : kProtected) {
            const std::string name = std::string(base) + ".ini";
            std::string why;
            ASSERT_TRUE(StampedByTheRule(home.Read(name), &why)) << name << ": " << why;
        }
        EXPECT_EQ(trial, TMemIniFile(home.File("DryMaterialPresets.ini")).ReadInteger("PowerCut", "Trial", 0));
    }
    // And a last start, uncut: nothing was ever restored.
    RunOnce(home, sim);
    EXPECT_EQ(trials, TMemIniFile(home.File("DryMaterialPresets.ini")).ReadInteger("PowerCut", "Trial", 0));
    const std::string logs = AllLogs(home);
    EXPECT_EQ(std::string::npos, logs.find("restored from")) << logs;
    EXPECT_FALSE(fs::exists(home.File("DryMaterialPresets.rejected.ini")));
    EXPECT_GT(cutsDuringWrites, 0);
}

} // namespace
} // namespace orv
