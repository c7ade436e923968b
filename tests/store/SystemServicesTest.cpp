// The panel PC's services against stub system commands on PATH that record
// how they were called.
#include "platform/PosixProcessRunner.h"
#include "store/IniFile.h"
#include "store/Log.h"
#include "store/SystemServices.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>

namespace orv {
namespace {

// A folder of stub commands put first on PATH; each appends its name and
// arguments to the record file. The stub findmnt prints $STUB_FSTYPE.
class StubCommands {
public:
    StubCommands()
        : fPath("PATH", fBin.Path() + ":" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")),
          fRecord("STUB_RECORD", fBin.File("record.txt"))
    {
        for (const char* name : {"findmnt", "systemctl"}) {
            fBin.Write(name, std::string("#!/bin/sh\necho \"") + name +
                                 " $*\" >> \"$STUB_RECORD\"\n" +
                                 (std::string(name) == "findmnt" ? "[ -n \"$STUB_FSTYPE\" ] && echo \"$STUB_FSTYPE\"\n"
                                                                 : "") +
                                 "exit ${STUB_EXIT:-0}\n");
            std::filesystem::permissions(fBin.File(name), std::filesystem::perms::owner_all);
        }
    }
    std::string Record() const
    {
        return std::filesystem::exists(fBin.File("record.txt")) ? fBin.Read("record.txt") : std::string();
    }
    std::string RecordPath() const { return fBin.File("record.txt"); }

private:
    test::TempDir fBin;
    test::ScopedEnv fPath;
    test::ScopedEnv fRecord;
};

// Waits for a started script in short steps, as the window's wait would.
bool RealDelay(int64_t ms)
{
    ::poll(nullptr, 0, static_cast<int>(ms));
    return false;
}

class Services : public ::testing::Test {
protected:
    Services() { SetLogHook([this](const std::string& l) { log += l + "\n"; }); }
    ~Services() override { SetLogHook(nullptr); }
    TSystemServices Make(bool noKillExplorer)
    {
        return TSystemServices(runner, home.Path() + "/", noKillExplorer, RealDelay);
    }
    StubCommands stubs;
    test::TempDir home;
    TPosixProcessRunner runner;
    std::string log;
};

TEST_F(Services, TheWriteFilterIsCheckedAndSwitchedOnOnlyWhereItIsOffAndAllowed)
{
    const std::string kCheck = "findmnt -no FSTYPE /\n";
    const std::string kEnable = "systemctl start orvane-overlay-enable.service\n";
    struct Case {
        const char* what;
        const char* fstype;
        bool staleEnabledState;
        bool noKillExplorer;
        std::string record;
        bool enabled;
    } cases[] = {
        {"overlay root", "overlay", false, false, kCheck, true},
        {"plain root", "ext4", false, false, kCheck + kEnable, false},
        {"no answer, a stale state file saying enabled", "", true, false, kCheck + kEnable, false},
        {"plain root on a development machine", "ext4", false, true, kCheck, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(stubs.RecordPath());
        test::ScopedEnv fs("STUB_FSTYPE", c.fstype);
        if (c.staleEnabledState)
            home.Write("EWF_State.txt", "write filter enabled\n");
        TSystemServices services = Make(c.noKillExplorer);
        services.CheckAndEnableWriteFilter();
        EXPECT_EQ(c.record, stubs.Record());
        EXPECT_EQ(c.enabled, std::string::npos != home.Read("EWF_State.txt").find(" enabled"))
            << home.Read("EWF_State.txt");
    }
    EXPECT_NE(std::string::npos, log.find("CheckEWF.sh ended with exit code 0")) << log;
    EXPECT_NE(std::string::npos, log.find("EnableEWF.sh ended with exit code 0")) << log;
}

TEST_F(Services, ScriptsInAFolderWithBlanksAndQuotesRunAndTheirExitCodeIsLogged)
{
    test::TempDir odd;
    const std::string dir = odd.Path() + "/INI folder 'x' $HOME";
    std::filesystem::create_directories(dir);
    test::ScopedEnv fs("STUB_FSTYPE", "overlay");
    test::ScopedEnv exitCode("STUB_EXIT", "3");
    TSystemServices services(runner, dir, false, RealDelay);
    EXPECT_TRUE(services.CheckWriteFilter());
    EXPECT_NE(std::string::npos, odd.Read("INI folder 'x' $HOME/EWF_State.txt").find("overlay"));
    services.EndShell();
    EXPECT_NE(std::string::npos, log.find("systemctl stop shell ended with exit code 3")) << log;
}

TEST_F(Services, TheDesktopIsEndedAndBroughtBackThroughItsUnitExceptOnADevelopmentMachine)
{
    Make(false).EndShell();
    Make(false).StartShell();
    Make(true).EndShell();
    Make(true).StartShell();
    EXPECT_EQ("systemctl --no-block stop orvane-shell.service\n"
              "systemctl --no-block start orvane-shell.service\n",
              stubs.Record());
}

TEST_F(Services, ShutDownRunsTheInstallationsScriptOrElseBringsBackTheDesktop)
{
    home.Write("ShutDown.sh", "echo \"ShutDown.sh in $(pwd)\" >> \"$STUB_RECORD\"\n");
    EXPECT_FALSE(Make(true).CloseAndShutDown());
    EXPECT_EQ("", stubs.Record());
    EXPECT_TRUE(Make(false).CloseAndShutDown());
    EXPECT_EQ("ShutDown.sh in " + home.Path() + "\n", stubs.Record());
    std::filesystem::remove(home.File("ShutDown.sh"));
    EXPECT_FALSE(Make(false).CloseAndShutDown());
    EXPECT_EQ("ShutDown.sh in " + home.Path() + "\nsystemctl --no-block start orvane-shell.service\n",
              stubs.Record());
    EXPECT_NE(std::string::npos, log.find("ShutDown.sh ended with exit code 0")) << log;
}

TEST(RemoteSupport, TheIdentifierIsReadUnsignedFromTheNamedFile)
{
    test::TempDir dir;
    struct Case {
        const char* what;
        const char* text; // nullptr: no file
        const char* pattern;
        uint32_t id;
    } cases[] = {
        {"first digits", "ID 1234567890\n", nullptr, 1234567890u},
        {"largest", "4294967295", nullptr, 4294967295u},
        {"too large", "4294967296", nullptr, 0},
        {"negative", "ID -5", nullptr, 0},
        {"own pattern", "[int32] Version = 15\n[int32] ClientID = 987654321\n", "ClientID = ([0-9]+)", 987654321u},
        {"no match", "none here", nullptr, 0},
        {"broken pattern", "123", "([0-9", 0},
        {"no file", nullptr, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir.File("global.conf"));
        if (c.text)
            dir.Write("global.conf", c.text);
        TMemIniFile ini(dir.File("OrvStartup.ini"));
        ini.WriteString("Remote Support", "IdFile", dir.File("global.conf"));
        if (c.pattern)
            ini.WriteString("Remote Support", "IdPattern", c.pattern);
        EXPECT_EQ(c.id, ReadRemoteSupportId(ini));
    }
    TMemIniFile none(dir.File("none.ini"));
    EXPECT_EQ(0u, ReadRemoteSupportId(none));
    EXPECT_EQ("Pelorin Quick Support ID: 4294967295", RemoteSupportText(4294967295u));
    EXPECT_EQ("", RemoteSupportText(0));
}

} // namespace
} // namespace orv
