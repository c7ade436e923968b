// The real window over a settings folder whose protected file cannot be
// brought back: it stops at the start-up failure and never builds the
// controller link with default settings, whatever button is pressed.
#include "app/FormCanComport.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

class LostSettingsWindow : public ::testing::Test {
protected:
    LostSettingsWindow()
    {
        setenv("ORVANE_HOME", home.Path().c_str(), 1);
        setenv("ORVANE_PORTS", ports.Path().c_str(), 1);
        setenv("ORVANE_SYSFS", ports.Path().c_str(), 1);
        TGPSClock::Install(clock);
        TGPSClock::SetPumpHook([this] {
            QCoreApplication::processEvents();
            clock.AdvanceMs(10);
            return false;
        });
    }
    ~LostSettingsWindow() override
    {
        TGPSClock::SetPumpHook(nullptr);
        TGPSClock::Uninstall();
        unsetenv("ORVANE_HOME");
        unsetenv("ORVANE_PORTS");
        unsetenv("ORVANE_SYSFS");
    }

    bool Shows(const TFormCanComport& form, const std::string& line)
    {
        const auto lines = form.DiagnosticsLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    test::TempDir home;
    test::TempDir ports;
    FakeTimeSource clock;
};

TEST_F(LostSettingsWindow, AFileThatCannotBeRestoredStopsStartUpAndTryRestartBuildsNoLink)
{
    test::SeedFactoryHome(home.Path(), 1, 2, 3);
    // A backup exists, but it is damaged, and the file itself is gone.
    std::filesystem::create_directories(home.File("INI_Backup"));
    home.Write("INI_Backup/Tank_Coefficients.ini", "[Tank]\r\nA=1\r\n[Security]\r\nFileID=0BADF00D\r\n");
    std::filesystem::remove(home.File("Tank_Coefficients.ini"));

    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    EXPECT_TRUE(Shows(form, "Error Raised while doing Startup initialization!!!"));
    EXPECT_EQ(nullptr, form.DeviceModel());
    EXPECT_EQ(nullptr, form.SettingsIni());
    EXPECT_NE(std::string::npos,
              home.Read("Log.txt").find("fatal Error: INI file is Missing: Tank_Coefficients.ini"));

    form.ButtonTryRestartClick();
    EXPECT_EQ(nullptr, form.DeviceModel());
    EXPECT_FALSE(form.Timer("TimerCheckCan")->isActive());
}

} // namespace
} // namespace orv
