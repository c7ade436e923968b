#include "tests/app/WindowWithSim.h"

#include "app/StateMachine.h"
#include "nav/GPSClock.h"
#include "tests/support/FactoryHome.h"

#include <QApplication>
#include <QThread>

#include <chrono>
#include <cstdlib>

namespace orv::test {

WindowWithSim::WindowWithSim(const std::vector<std::string>& simArgs, int primaryMode, int controllerPort,
                             int navPort)
    : fSim(simArgs)
{
    SeedFactoryHome(fHome.Path(), primaryMode, controllerPort, navPort);
    fEnvHome = std::make_unique<ScopedEnv>("ORVANE_HOME", fHome.Path());
    fEnvPorts = std::make_unique<ScopedEnv>("ORVANE_PORTS", fSim.PortsDir());
    // The hub restart must never reach this machine's real USB hubs.
    fEnvSysfs = std::make_unique<ScopedEnv>("ORVANE_SYSFS", fSysfs.Path());
    // As the program does: waits on the main thread keep the window served.
    TGPSClock::SetPumpHook([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(200);
        return false;
    });
}

WindowWithSim::~WindowWithSim()
{
    if (fForm) {
        fForm->ShutdownPath();
        fForm.reset();
    }
    TGPSClock::SetPumpHook(nullptr);
}

TFormCanComport& WindowWithSim::Open()
{
    fForm = std::make_unique<TFormCanComport>(QStringList{QStringLiteral("orvane"), QStringLiteral("NoKillExplorer")});
    fForm->show();
    return *fForm;
}

bool WindowWithSim::ServeUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void WindowWithSim::Serve(int ms)
{
    ServeUntil([] { return false; }, ms);
}

bool WindowWithSim::InNominal() const
{
    return fForm && fForm->StateMachine().CurrentState == stNominal;
}

int WindowWithSim::SimSetPoint(int board)
{
    const std::string answer = fSim.Command("board " + std::to_string(board) + " setpoint");
    const size_t at = answer.rfind(' ');
    return at == std::string::npos || answer.rfind("OK", 0) != 0 ? -1 : std::atoi(answer.c_str() + at + 1);
}

} // namespace orv::test
