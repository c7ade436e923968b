#include "app/FormCanComport.h"

#include "app/IndicatorLights.h"
#include "device/OrvaneVEDOController.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/IniPaths.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <csignal>
#include <dirent.h>
#include <gtest/gtest.h>

namespace orv {
namespace {

int ThreadCount()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                ++n;
        closedir(d);
    }
    return n;
}

class FormTest : public ::testing::Test {
protected:
    FormTest()
    {
        setenv("ORVANE_HOME", home.Path().c_str(), 1);
        // An empty ports folder: no controller answers anywhere.
        setenv("ORVANE_PORTS", ports.Path().c_str(), 1);
        // The hub restart must never reach this machine's real USB hubs.
        setenv("ORVANE_SYSFS", ports.Path().c_str(), 1);
        TGPSClock::Install(clock);
        // Waits serve the event loop and move the fake clock on.
        TGPSClock::SetPumpHook([this] {
            QCoreApplication::processEvents();
            clock.AdvanceMs(10);
            return false;
        });
    }
    ~FormTest() override
    {
        TGPSClock::SetPumpHook(nullptr);
        TGPSClock::Uninstall();
        unsetenv("ORVANE_HOME");
        unsetenv("ORVANE_PORTS");
        unsetenv("ORVANE_SYSFS");
    }

    // Every log file of the INI folder, whichever link kind wrote it.
    std::string AllLogs() const
    {
        std::string text;
        for (const char* f : {"Log.txt", "MsgVEDO.txt", "SerialDirect.txt", "MsgUSBtoCAN.txt"})
            text += home.Read(f);
        return text;
    }

    test::TempDir home;
    test::TempDir ports;
    FakeTimeSource clock;
};

TEST_F(FormTest, CreationBuildsTheWindowWithOnlyTheDiagnosticsTab)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    EXPECT_EQ(QStringLiteral("Orvane Controller"), form.windowTitle());
    EXPECT_TRUE(form.NoKillExplorer());
    QTabWidget* pc = form.PageControl();
    ASSERT_EQ(kPageCount, pc->count());
    for (int i = 0; i < kPageCount; ++i) {
        EXPECT_EQ(QString::fromUtf8(kPageTable[i].caption), pc->tabText(i));
        EXPECT_EQ(i == 0, pc->isTabVisible(i)) << i;
    }
    for (int i = 0; i < TIndicatorLights::kCount; ++i)
        EXPECT_FALSE(form.Lights()->Visible(i));
    const std::pair<const char*, int> timers[] = {
        {"TimerCheckCan", 10},  {"TimerRunEvent", 500},   {"TimerUpdateQuantities", 20}, {"TimerFoaming", 1000},
        {"TimerCycleTest", 10}, {"TimerCheckUSB", 8000}, {"TimerStartup", 500},
    };
    for (auto [name, ms] : timers) {
        QTimer* t = form.Timer(name);
        ASSERT_NE(nullptr, t) << name;
        EXPECT_EQ(ms, t->interval()) << name;
        EXPECT_FALSE(t->isActive()) << name;
    }
    EXPECT_EQ(home.Path() + "/", IniDirectory());
}

TEST_F(FormTest, ShowingTheWindowArmsTheStartupTimerOnce)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.show();
    EXPECT_TRUE(form.Timer("TimerStartup")->isActive());
    form.TimerStartupTimer();
    EXPECT_TRUE(form.StartupDone());
    EXPECT_FALSE(form.Timer("TimerStartup")->isActive());
    EXPECT_TRUE(form.Timer("TimerUpdateQuantities")->isActive());
    EXPECT_TRUE(form.Timer("TimerCheckCan")->isActive());
    form.hide();
    form.show(); // a second show after start-up does not run it again
    EXPECT_FALSE(form.Timer("TimerStartup")->isActive());
    EXPECT_TRUE(form.PageControl()->isVisible());
}

TEST_F(FormTest, StartUpStampsTheStartupFileAndSearchesWhileNoControllerAnswers)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    TMemIniFile startup(home.File("OrvStartup.ini"));
    EXPECT_FALSE(startup.ReadString("Events", "Program Start", "").empty());
    EXPECT_FALSE(startup.ValueExists("Comm Settings", "LastOrvPort"));

    std::vector<int> states;
    for (int i = 0; i < 12; ++i) {
        form.TimerCheckCanTimer();
        states.push_back(form.StateMachine().CurrentState);
    }
    EXPECT_EQ((std::vector<int>{4, 6, 6, 7, 7, 8, 8, 3, 6, 6, 7, 7}), states);
    const std::string log = AllLogs();
    EXPECT_NE(std::string::npos, log.find(",FindPortFailed from \"Restarting HUB\"\r\n"));
    EXPECT_NE(std::string::npos, log.find(",Failed to restart HUB\r\n"));
    // The failure page stays while the search goes on.
    EXPECT_EQ(pgDiagnostics, form.PageControl()->currentIndex());
}

TEST_F(FormTest, ServiceModeOffersTheServiceTabs)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.DoingService(osService);
    for (int i = 0; i < kPageCount; ++i)
        EXPECT_EQ(((kServiceTabMask >> i) & 1u) != 0, form.PageControl()->isTabVisible(i)) << i;
    EXPECT_EQ(pgSelectPrimaryMode, form.PageControl()->currentIndex());
    form.DoingService(osFailure);
    EXPECT_EQ(pgDiagnostics, form.PageControl()->currentIndex());
    EXPECT_TRUE(form.PageControl()->isTabVisible(0));
    EXPECT_FALSE(form.PageControl()->isTabVisible(4));
}

TEST_F(FormTest, ShutDownToDiagnosticsStopsEveryTimer)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    form.Pages().selectPrimaryMode.bsButtonCloseToDiagnostics->click();
    for (const char* name : {"TimerCheckCan", "TimerRunEvent", "TimerUpdateQuantities", "TimerFoaming",
                             "TimerCycleTest", "TimerCheckUSB", "TimerStartup"})
        EXPECT_FALSE(form.Timer(name)->isActive()) << name;
    EXPECT_EQ(std::vector<std::string>{"Ready for Shutdown"}, form.DiagnosticsLines());
    EXPECT_EQ(pgDiagnostics, form.PageControl()->currentIndex());
}

TEST_F(FormTest, AnErrorInATickLeadsToTheApplicationErrorPageAndRetryRecovers)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    form.StateMachine().State(stSettingUp).onEnter = [](int) { throw std::runtime_error("tick failed"); };
    form.TimerCheckCanTimer();
    EXPECT_EQ(stApplicationErrorRaised, form.StateMachine().CurrentState);
    EXPECT_FALSE(form.Timer("TimerCheckCan")->isActive());
    const auto lines = form.DiagnosticsLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("There was an Application Error raised.", lines.front());
    EXPECT_NE(std::string::npos, AllLogs().find("Application Error Raised from \"Setting Up\" no port assigned"));

    form.Pages().diagnostics.bsSkinRETRY->click();
    EXPECT_FALSE(form.Pages().diagnostics.bsSkinRETRY->isEnabled());
    EXPECT_TRUE(form.Timer("TimerCheckCan")->isActive());
    // No port was ever found: the start-up begins again.
    EXPECT_EQ(stSettingUp, form.StateMachine().NextState);
}

// "Try Restart" on the application error page: a new device model, and the
// link set-up starts over (the error state has nothing to run by itself).
TEST_F(FormTest, TryRestartAfterAnApplicationErrorStartsTheLinkSetUpOver)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    auto& settingUp = form.StateMachine().State(stSettingUp).onEnter;
    const auto original = settingUp;
    bool raised = false;
    settingUp = [&raised, original](int s) {
        if (!raised) {
            raised = true;
            throw std::runtime_error("tick failed");
        }
        original(s);
    };
    form.TimerCheckCanTimer();
    ASSERT_EQ(stApplicationErrorRaised, form.StateMachine().CurrentState);
    ASSERT_EQ(nullptr, form.DeviceModel()->Canport());

    form.Pages().diagnostics.ButtonTryRestart->click();
    ASSERT_NE(nullptr, form.DeviceModel()->Canport());
    EXPECT_TRUE(form.Timer("TimerCheckCan")->isActive());
    form.TimerCheckCanTimer();
    EXPECT_EQ(stSettingUp, form.StateMachine().CurrentState);
    // No port remembered: the search comes next.
    EXPECT_EQ(stSearchingGpioPort, form.StateMachine().NextState);
}

TEST_F(FormTest, RestartApplicationStartsTheProgramAgainAndStopsEverything)
{
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    QString started;
    QStringList arguments;
    form.SetProcessStarter([&](const QString& program, const QStringList& args, const QString&) {
        started = program;
        arguments = args;
        return true;
    });
    form.Pages().diagnostics.bsButtonRestartApplication->click();
    EXPECT_EQ(QCoreApplication::applicationFilePath(), started);
    EXPECT_EQ(QStringList{"NoKillExplorer"}, arguments);
    EXPECT_TRUE(form.Restarting());
    for (const char* name : {"TimerCheckCan", "TimerUpdateQuantities", "TimerStartup"})
        EXPECT_FALSE(form.Timer(name)->isActive()) << name;
}

// On the panel PC the service manager runs the program: it starts the new
// instance itself, on the program's exit status.
TEST_F(FormTest, RestartApplicationUnderTheServiceManagerLeavesTheNewInstanceToIt)
{
    test::ScopedEnv service("INVOCATION_ID", "0123456789abcdef");
    TFormCanComport form({"orvane", "NoKillExplorer"});
    form.TimerStartupTimer();
    bool started = false;
    form.SetProcessStarter([&](const QString&, const QStringList&, const QString&) { return started = true; });
    QTimer::singleShot(0, &form, [&] { form.Pages().diagnostics.bsButtonRestartApplication->click(); });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(-1); });
    EXPECT_EQ(TFormCanComport::kRestartExitCode, QCoreApplication::exec());
    EXPECT_FALSE(started);
    EXPECT_TRUE(form.Restarting());
}

TEST_F(FormTest, DestroyingTheWindowLeavesNoThreadBehind)
{
    const int before = ThreadCount();
    {
        TFormCanComport form({"orvane", "NoKillExplorer"});
        form.TimerStartupTimer();
        EXPECT_GT(ThreadCount(), before);
    }
    EXPECT_EQ(before, ThreadCount());
}

// The real program: started headless, it stamps its start-up file, logs, and
// ends with exit code 0 on SIGTERM through its shutdown path.
TEST(Program, EndsCleanlyOnSigterm)
{
    test::TempDir home;
    test::TempDir ports;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVANE_HOME", QString::fromStdString(home.Path()));
    env.insert("ORVANE_PORTS", QString::fromStdString(ports.Path()));
    env.insert("ORVANE_SYSFS", QString::fromStdString(ports.Path()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + "/orvane", {"NoKillExplorer"});
    ASSERT_TRUE(p.waitForStarted(10000));
    // Wait (bounded) until start-up has run and the search has begun.
    bool started = false;
    for (int i = 0; i < 200 && !started; ++i) {
        p.waitForFinished(50);
        started = FileExists(home.File("Log.txt")) && FileExists(home.File("OrvStartup.ini"));
    }
    ASSERT_TRUE(started);
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(QProcess::NormalExit, p.exitStatus());
    EXPECT_EQ(0, p.exitCode());
    EXPECT_NE(std::string::npos, home.Read("OrvStartup.ini").find("Program Start="));
}

} // namespace
} // namespace orv
