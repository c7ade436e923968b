// The recovery buttons and the link set-up of the real window, in this
// process, against orvane-sim: the buttons are pressed while the window waits
// on the link (the waits keep serving the window, so a press arrives in the
// middle of them), and the GPIO board's channels are followed through an
// unplug and replug.
#include "app/FormCanComport.h"

#include "app/StateMachine.h"
#include "device/OrvaneVEDOController.h"
#include "nav/GPSClock.h"
#include "store/IniFile.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace orv {
namespace {

using test::ScopedEnv;
using test::SimProcess;
using test::TempDir;

// Whole searches of every link kind can come before a find: 2.5 + 2.5 + 5.5 s.
constexpr int kReachMs = 40000;

class RecoveryWindow : public ::testing::Test {
protected:
    // The simulator's controller link on `port`; the INI folder gets the
    // factory settings, with the controller remembered on `port` as
    // `storedTarget` (-1: no port remembered, the window must search).
    void Start(const std::vector<std::string>& simArgs, int port, int storedTarget)
    {
        sim = std::make_unique<SimProcess>(simArgs);
        ASSERT_TRUE(sim->Ready()) << sim->StartError();
        test::SeedFactoryHome(home.Path(), 1, port, 9);
        if (storedTarget < 0) {
            std::filesystem::remove(home.File("OrvStartup.ini"));
        } else {
            TMemIniFile startup(home.File("OrvStartup.ini"));
            startup.WriteInteger("Comm Settings", "CurrentCommTarget", storedTarget);
            startup.UpdateFile();
        }
        envHome = std::make_unique<ScopedEnv>("ORVANE_HOME", home.Path());
        envPorts = std::make_unique<ScopedEnv>("ORVANE_PORTS", sim->PortsDir());
        // The hub restart must never reach this machine's real USB hubs.
        envSysfs = std::make_unique<ScopedEnv>("ORVANE_SYSFS", sysfs.Path());
        // As the program does: a wait keeps the window served, and whatever
        // the test does "during a wait" happens there.
        TGPSClock::SetPumpHook([this] {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (duringWait)
                duringWait();
            QThread::usleep(200);
            return false;
        });
    }

    TFormCanComport& Open()
    {
        form = std::make_unique<TFormCanComport>(QStringList{"orvane", "NoKillExplorer"});
        form->SetProcessStarter([this](const QString&, const QStringList&, const QString&) {
            ++restartsStarted;
            return true;
        });
        form->show();
        return *form;
    }

    ~RecoveryWindow() override
    {
        duringWait = nullptr;
        if (form) {
            form->ShutdownPath();
            form.reset();
        }
        TGPSClock::SetPumpHook(nullptr);
    }

    // Serves the window from the event loop, as the program's main loop does,
    // until `done` holds; false when `ms` passed first.
    bool ServeUntil(const std::function<bool()>& done, int ms)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(2);
        }
        return true;
    }

    uint8_t State() const { return form->StateMachine().CurrentState; }
    OrvaneVEDOController* Model() const { return form->DeviceModel(); }

    // Nominal on a link that answers: the port found, the boards' settings in.
    bool NominalOn(int port) const
    {
        OrvaneVEDOController* m = Model();
        return State() == stNominal && m && m->LastOrvPort() == port && m->LinkHealthy() && m->SettingsReported();
    }

    std::string AllLogs() const
    {
        std::string text;
        for (const char* f : {"Log.txt", "MsgVEDO.txt", "SerialDirect.txt", "MsgUSBtoCAN.txt"})
            if (std::filesystem::exists(home.File(f)))
                text += home.Read(f);
        return text;
    }

    std::string SimState() { return sim->Command("status"); }

    // The states the machine enters from now on, in order.
    const std::vector<std::string>& RecordStates()
    {
        form->StateMachine().SetDebug([this](const std::string& line) {
            const std::string kEntering = "Entering state: ";
            if (line.rfind(kEntering, 0) == 0)
                entered.push_back(line.substr(kEntering.size()));
        });
        return entered;
    }
    bool EnteredSince(size_t from, const std::string& state) const
    {
        return std::find(entered.begin() + std::min(from, entered.size()), entered.end(), state) != entered.end();
    }
    static std::string Joined(const std::vector<std::string>& states)
    {
        std::string text;
        for (const auto& s : states)
            text += s + " > ";
        return text + "\n";
    }

    TempDir home;
    TempDir sysfs;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<ScopedEnv> envHome, envPorts, envSysfs;
    std::unique_ptr<TFormCanComport> form;
    std::function<void()> duringWait;
    int restartsStarted = 0;
    std::vector<std::string> entered;
};

// "RETRY" pressed while "Named Port Found" still checks the remembered port:
// the check keeps its link until it returns, and the retry then runs.
TEST_F(RecoveryWindow, RetryPressedWhileTheKnownPortIsCheckedRunsAfterTheCheck)
{
    Start({"--link", "usbcan", "--port", "2"}, 2, 5);
    TFormCanComport& w = Open();
    const std::vector<std::string>& entered = RecordStates();
    bool pressed = false;
    size_t enteredBeforePress = 0;
    duringWait = [&] {
        if (!pressed && State() == stNamedPortFound && Model() && Model()->SearchRunning()) {
            pressed = true;
            enteredBeforePress = entered.size();
            w.Pages().diagnostics.bsSkinRETRY->click();
            EXPECT_FALSE(w.Pages().diagnostics.bsSkinRETRY->isEnabled());
        }
    };
    ASSERT_TRUE(ServeUntil([&] { return pressed && NominalOn(2); }, kReachMs))
        << "pressed " << pressed << ", state " << int(State()) << "\n" << Joined(entered) << AllLogs();
    // The retry ran after the check and started the link set-up over.
    EXPECT_TRUE(EnteredSince(enteredBeforePress, "Setting Up")) << Joined(entered);
    EXPECT_FALSE(EnteredSince(0, "Application Error Raised")) << Joined(entered);
    EXPECT_EQ(std::string::npos, AllLogs().find("Application Error Raised"));
}

// "Try Restart" pressed while the ports are searched: the search keeps the
// device model until it returns; the new model then finds the controller.
TEST_F(RecoveryWindow, TryRestartPressedDuringThePortSearchRunsAfterTheSearch)
{
    Start({"--link", "gpio", "--port", "2", "--silent-decoys", "1"}, 2, -1);
    TFormCanComport& w = Open();
    const std::vector<std::string>& entered = RecordStates();
    bool pressed = false;
    size_t enteredBeforePress = 0;
    duringWait = [&] {
        if (!pressed && State() == stSearchingGpioPort && Model() && Model()->SearchRunning() &&
            !Model()->Search().SearchLinks().empty()) {
            pressed = true;
            enteredBeforePress = entered.size();
            w.Pages().diagnostics.ButtonTryRestart->click();
        }
    };
    ASSERT_TRUE(ServeUntil([&] { return pressed && NominalOn(2); }, kReachMs))
        << "pressed " << pressed << ", state " << int(State()) << "\n" << Joined(entered) << AllLogs();
    // The new model started over: the set-up ran again after the press.
    EXPECT_TRUE(EnteredSince(enteredBeforePress, "Setting Up")) << Joined(entered);
    EXPECT_FALSE(EnteredSince(0, "Application Error Raised")) << Joined(entered);
    EXPECT_EQ(std::string::npos, AllLogs().find("Application Error Raised"));
    TMemIniFile startup(home.File("OrvStartup.ini"));
    EXPECT_EQ(2, startup.ReadInteger("Comm Settings", "LastOrvPort", 255));
}

// "Restart Application" and the shut-down buttons pressed during a search
// end the program only once the search has returned.
TEST_F(RecoveryWindow, RestartApplicationPressedDuringTheSearchStartsTheProgramOnceTheSearchReturned)
{
    Start({"--link", "gpio", "--port", "2"}, 2, -1);
    TFormCanComport& w = Open();
    bool pressed = false;
    bool restartedInsideTheSearch = false;
    duringWait = [&] {
        if (restartsStarted > 0 && Model() && Model()->SearchRunning())
            restartedInsideTheSearch = true;
        if (!pressed && State() == stSearchingGpioPort && Model() && Model()->SearchRunning()) {
            pressed = true;
            w.Pages().diagnostics.bsButtonRestartApplication->click();
        }
    };
    ASSERT_TRUE(ServeUntil([&] { return restartsStarted > 0; }, kReachMs)) << AllLogs();
    EXPECT_FALSE(restartedInsideTheSearch);
    EXPECT_EQ(1, restartsStarted);
    EXPECT_TRUE(w.Restarting());
    EXPECT_FALSE(w.Timer("TimerCheckCan")->isActive());
}

// "RETRY" after an application error raised before any port was ever found:
// with no port known, the retry searches for one instead of looping on none.
TEST_F(RecoveryWindow, RetryBeforeAnyPortWasFoundSearchesForThePort)
{
    Start({"--link", "gpio", "--port", "2"}, 2, -1);
    TFormCanComport& w = Open();
    // An unforeseen error in the first step of the start-up.
    auto& settingUp = w.StateMachine().State(stSettingUp).onEnter;
    auto original = settingUp;
    bool raised = false;
    settingUp = [&, original](int s) {
        if (!raised) {
            raised = true;
            throw std::runtime_error("unforeseen");
        }
        original(s);
    };
    ASSERT_TRUE(ServeUntil([&] { return State() == stApplicationErrorRaised; }, 10000));
    ASSERT_TRUE(w.Pages().diagnostics.bsSkinRETRY->isEnabled());
    w.Pages().diagnostics.bsSkinRETRY->click();
    ASSERT_TRUE(ServeUntil([&] { return NominalOn(2); }, kReachMs))
        << "state " << int(State()) << ", port " << (Model() ? Model()->LastOrvPort() : -1) << "\n" << AllLogs();
    TMemIniFile startup(home.File("OrvStartup.ini"));
    EXPECT_EQ(2, startup.ReadInteger("Comm Settings", "LastOrvPort", 255));
    EXPECT_EQ(1, startup.ReadInteger("Comm Settings", "CurrentCommTarget", 0));
}

// The GPIO board forgets its serial channels when it loses power; every entry
// to "Nominal" configures them again from the receivers' settings.
TEST_F(RecoveryWindow, TheGpioBoardsSerialChannelsAreConfiguredAgainAfterAReplug)
{
    Start({"--link", "gpio", "--port", "2"}, 2, 1);
    {
        TMemIniFile settings(home.File("LastSelectedPreset.ini"));
        settings.WriteInteger("RECEIVERS", "DataVaultPort", 1);
        settings.WriteInteger("RECEIVERS", "ReabePort", 3);
        settings.UpdateFile();
    }
    Open();
    const std::string kConfigured = "channels=3,0,2,0";
    ASSERT_TRUE(ServeUntil([&] { return NominalOn(2); }, kReachMs)) << AllLogs();
    ASSERT_TRUE(ServeUntil([&] { return SimState().find(kConfigured) != std::string::npos; }, 10000))
        << SimState();

    ASSERT_EQ(0u, sim->Command("unplug 2").rfind("OK", 0));
    ASSERT_TRUE(ServeUntil([&] { return State() != stNominal; }, 20000)) << AllLogs();
    ASSERT_NE(std::string::npos, SimState().find("channels=0,0,0,0")) << SimState();
    ASSERT_TRUE(ServeUntil([&] { return NominalOn(2); }, kReachMs)) << AllLogs();
    EXPECT_TRUE(ServeUntil([&] { return SimState().find(kConfigured) != std::string::npos; }, 10000))
        << SimState();
}

} // namespace
} // namespace orv
