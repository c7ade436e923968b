#include "app/FormCanComport.h"
#include "app/SignalBridge.h"
#include "nav/GPSClock.h"

#include <QApplication>
#include <QThread>

#include <clocale>
#include <memory>

using namespace orv;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The windowing library takes the locale from the environment; numbers in
    // INI files, logs and sentences always use a period.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Orvane Controller"));

    TSignalBridge signalBridge;
    // Waits on the main thread keep windows, timers and the link's requests
    // served, and end at once when the application is asked to stop.
    TGPSClock::SetPumpHook([] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (TSignalBridge::Terminating())
            return true;
        QThread::usleep(200);
        return false;
    });

    auto form = std::make_unique<TFormCanComport>(QCoreApplication::arguments());
    QObject::connect(&signalBridge, &TSignalBridge::terminationRequested, &app, [] { QCoreApplication::quit(); });
    form->show();
    const int rc = app.exec();
    // A termination signal leaves the loop with the handlers unwound; the
    // shutdown actions run here, then the window releases everything.
    form->ShutdownPath();
    form.reset();
    TGPSClock::SetPumpHook(nullptr);
    return rc;
}
