// The real window's use of the panel PC's services, with stub system
// commands on PATH that record how they were called.
#include "app/FormCanComport.h"
#include "nav/GPSClock.h"
#include "store/IniFile.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

class ServicesWindow : public ::testing::Test {
protected:
    ServicesWindow()
        : path("PATH", bin.Path() + ":" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin")),
          record("STUB_RECORD", bin.File("record.txt")), fstype("STUB_FSTYPE", "ext4"),
          envHome("ORVANE_HOME", home.Path()), envPorts("ORVANE_PORTS", ports.Path()),
          envSysfs("ORVANE_SYSFS", ports.Path())
    {
        for (const char* name : {"findmnt", "systemctl"}) {
            bin.Write(name, std::string("#!/bin/sh\necho \"") + name + " $*\" >> \"$STUB_RECORD\"\n" +
                                (std::string(name) == "findmnt" ? "echo \"$STUB_FSTYPE\"\n" : ""));
            std::filesystem::permissions(bin.File(name), std::filesystem::perms::owner_all);
        }
        test::SeedFactoryHome(home.Path(), 1, 2, 3);
        // The installation's shutdown script reports what the backup held
        // when it ran.
        home.Write("ShutDown.sh", "echo \"ShutDown.sh $(grep Trial INI_Backup/DryMaterialPresets.ini)\" >> "
                                  "\"$STUB_RECORD\"\n");
        // Real time: the scripts run as real processes, and waiting for
        // them must give them real time to end.
        TGPSClock::SetPumpHook([] {
            QCoreApplication::processEvents();
            return false;
        });
    }
    ~ServicesWindow() override { TGPSClock::SetPumpHook(nullptr); }

    std::string Record() const
    {
        return std::filesystem::exists(bin.File("record.txt")) ? bin.Read("record.txt") : std::string();
    }
    // Serves the window until the record holds `text`; bounded.
    bool ServeUntilRecorded(const std::string& text)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < until) {
            if (Record().find(text) != std::string::npos)
                return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return false;
    }
    // A change of a preset, saved as the program saves it.
    void ChangePresets()
    {
        TMemIniFile presets(home.File("DryMaterialPresets.ini"));
        presets.WriteInteger("PowerCut", "Trial", 7);
        presets.UpdateFile();
    }

    test::TempDir bin, home, ports;
    test::ScopedEnv path, record, fstype, envHome, envPorts, envSysfs;
};

TEST_F(ServicesWindow, OnThePanelStartUpChecksTheOverlayEndsTheDesktopAndShutDownBacksUpBeforeItsScript)
{
    // The remote-support identifier's source, named by the start-up file.
    home.Write("global.conf", "[int32] ClientID = 3000000001\n");
    TMemIniFile startup(home.File("OrvStartup.ini"));
    startup.WriteString("Remote Support", "IdFile", home.File("global.conf"));
    startup.WriteString("Remote Support", "IdPattern", "ClientID = ([0-9]+)");
    startup.UpdateFile();

    TFormCanComport form({"orvane"});
    QLabel* support = form.findChild<QLabel*>(QStringLiteral("LabelQuickSupportID"));
    ASSERT_NE(nullptr, support);
    EXPECT_EQ(QStringLiteral("Pelorin Quick Support ID: 3000000001"), support->text());
    EXPECT_FALSE(support->isHidden());

    form.TimerStartupTimer();
    EXPECT_EQ("findmnt -no FSTYPE /\n"
              "systemctl start orvane-overlay-enable.service\n"
              "systemctl --no-block stop orvane-shell.service\n",
              Record());

    ChangePresets();
    form.bsButtonQuitClick();
    ASSERT_TRUE(ServeUntilRecorded("ShutDown.sh")) << Record();
    // The script saw the new backup, and the desktop was not started.
    EXPECT_NE(std::string::npos, Record().find("ShutDown.sh Trial=7")) << Record();
    EXPECT_EQ(std::string::npos, Record().find("start orvane-shell")) << Record();
}

TEST_F(ServicesWindow, QuitToExplorerBringsBackTheDesktop)
{
    TFormCanComport form({"orvane"});
    EXPECT_TRUE(form.findChild<QLabel*>(QStringLiteral("LabelQuickSupportID"))->isHidden());
    form.TimerStartupTimer();
    form.bsButtonQuitToExplorerClick();
    ASSERT_TRUE(ServeUntilRecorded("systemctl --no-block start orvane-shell.service")) << Record();
}

TEST_F(ServicesWindow, NoKillExplorerLeavesDesktopOverlayAndShutdownScriptAlone)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    form.bsButtonQuitClick();
    form.bsButtonQuitToExplorerClick();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Only the check of the overlay: no systemctl, no shutdown script.
    EXPECT_EQ("findmnt -no FSTYPE /\n", Record());
}

} // namespace
} // namespace orv
