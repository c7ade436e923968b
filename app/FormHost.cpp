// The main window's side of the start-up handlers: link, failure pages,
// diagnostics box and waits.
#include "app/FormCanComport.h"

#include "app/HubRestart.h"
#include "app/ModeController.h"
#include "nav/GpsSource.h"
#include "app/IndicatorLights.h"
#include "app/UsbWatch.h"
#include "device/OrvaneVEDOController.h"
#include "nav/GPSClock.h"
#include "store/IniPaths.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace orv {

TMemIniFile& TFormCanComport::StartupIni()
{
    if (!fStartupIni)
        fStartupIni = std::make_unique<TMemIniFile>(IniPath("OrvStartup.ini"));
    return *fStartupIni;
}

bool TFormCanComport::HaveLink() const
{
    return fDeviceModel && fDeviceModel->Canport();
}

void TFormCanComport::SetLastOrvPort(int port)
{
    if (fDeviceModel)
        fDeviceModel->SetLastOrvPort(port);
}

int TFormCanComport::LastOrvPort()
{
    return fDeviceModel ? fDeviceModel->LastOrvPort() : 255;
}

void TFormCanComport::SetCurrentCommTarget(int target)
{
    if (fDeviceModel)
        fDeviceModel->SetCurrentCommTarget(target);
}

int TFormCanComport::CurrentCommTarget()
{
    return fDeviceModel ? fDeviceModel->CurrentCommTarget() : 1;
}

bool TFormCanComport::PortLocked()
{
    return fDeviceModel && fDeviceModel->PortLocked();
}

void TFormCanComport::SetPortLocked(bool locked)
{
    if (fDeviceModel)
        fDeviceModel->SetPortLocked(locked);
}

bool TFormCanComport::FindCommTarget()
{
    return fDeviceModel && fDeviceModel->FindCommTarget();
}

bool TFormCanComport::ReInitializeCanport()
{
    DebugOut("ReInitializing Canport");
    Log("calling ReInitializeCanport");
    const int target = CurrentCommTarget();
    if (target >= 2 && target <= 5)
        Delay(1000);
    if (fDeviceModel)
        fDeviceModel->ReplaceCanport();
    DebugOut("Finished ReInitializing Canport");
    return true;
}

void TFormCanComport::PollController()
{
    if (fDeviceModel)
        fDeviceModel->PollController();
}

void TFormCanComport::RequestAllOrvStatus()
{
    if (fDeviceModel)
        fDeviceModel->RequestAllOrvStatus();
}

bool TFormCanComport::SettingsReported()
{
    return fDeviceModel && fDeviceModel->SettingsReported();
}

void TFormCanComport::SetChannelConfig(int channel, int code)
{
    // Only the GPIO board has serial channels; on another link the request
    // would wait in a queue that is never written.
    TDVIOController* link = fDeviceModel ? fDeviceModel->Canport() : nullptr;
    if (link && IsGpioKind(link->LinkKind()))
        link->SetChannelConfig(channel, static_cast<uint8_t>(code));
}

int TFormCanComport::ReceiversChannel(const char* key) const
{
    if (!fSettingsIni)
        return 0;
    const int64_t v = fSettingsIni->ReadInteger("RECEIVERS", key, 0);
    return v >= 0 && v <= 255 ? static_cast<int>(v) : 0;
}

// Read at every use, so the channels are set up as the settings now say
// whenever "Nominal" is entered, after a recovery as much as at start.
int TFormCanComport::DataVaultPort()
{
    return ReceiversChannel("DataVaultPort");
}

int TFormCanComport::ReabePort()
{
    return ReceiversChannel("ReabePort");
}

std::string TFormCanComport::LinkFailureText()
{
    return orv::LinkFailureText(HaveLink(), fTick.LastLinkFailureFlags());
}

std::string TFormCanComport::LinkKindName()
{
    return orv::LinkKindName(CurrentCommTarget());
}

bool TFormCanComport::RestartHub()
{
    return fHubRestart ? fHubRestart->RestartHub() : false;
}

bool TFormCanComport::UsbAdapterSeen()
{
    return fUsbWatch && fUsbWatch->UsbAdapterSeen();
}

void TFormCanComport::SetUsbAdapterSeen(bool seen)
{
    if (fUsbWatch)
        fUsbWatch->SetUsbAdapterSeen(seen);
}

void TFormCanComport::ShowFailurePage(bool rememberPage)
{
    fPages.diagnostics.bsSkinRETRY->setEnabled(true);
    EnableCheckCan(false);
    if (fGps)
        fGps->Close();
    if (rememberPage && fPageControl->currentIndex() != pgDiagnostics)
        fRememberedPage = fPageControl->currentIndex();
    fPageControl->setCurrentIndex(pgDiagnostics);
    fFailurePageShown = true;
}

void TFormCanComport::LeaveFailurePage()
{
    fFailurePageShown = false;
    fMachine.NextState = stNominal;
    fMachine.State(stNominal).PassCount = 0;
    if (fRememberedPage >= 0 && fRememberedPage < kPageCount)
        fPageControl->setCurrentIndex(fRememberedPage);
    StartGpsLink();
}

void TFormCanComport::EnterApplicationError()
{
    if (fDeviceModel)
        fDeviceModel->SetCanport(nullptr);
    EnableCheckCan(false);
    if (!fFailurePageShown)
        ShowFailurePage(true);
    ReplaceDiagnostics({"There was an Application Error raised.",
                        "You may try the \"Retry\" or the \"Restart Application\" buttons below",
                        "Otherwise, you could try a System Repower.", "If none of these resolve this issue,",
                        "then there is likely problems ", "with the Application Settings or Memory Card."});
    Log("Application Error Raised from \"%s\" no port assigned",
        TStartupStateMachine::StateName(fMachine.PreviousState));
}

void TFormCanComport::AttemptRecovery()
{
    AddDiagnosticsLine("Attempting recovery from " +
                       std::string(TStartupStateMachine::StateName(fMachine.CurrentState)));
    if (PortLocked()) {
        ReInitializeCanport();
        fMachine.NextState = stNamedPortFound;
        fMachine.State(stNamedPortFound).PassCount = 0;
    } else {
        // "Nominal" was never reached on a port: start over from the
        // remembered port, or search when none is known. Entering "Nominal"
        // on the fresh link, which nobody verified, would lock whatever port
        // was last tried (255 when none was found) and the fast recovery
        // would check that one for ever; after a check that had succeeded
        // ("Named Port Found" reports success into "Awaiting
        // Initialization") it would wait for reports on a link never opened.
        ReInitializeCanport();
        fMachine.NextState = stSettingUp;
    }
    EnableCheckCan(true);
}

void TFormCanComport::bsSkinRETRYClick()
{
    fPages.diagnostics.bsSkinRETRY->setEnabled(false);
    RequestRecovery(rkRetry, "bsSkinRETRYClick", [this] {
        fSequence.FastRecoveryCount = 0;
        fMachine.ResetPassCounters(0);
        AttemptRecovery();
    });
}

void TFormCanComport::ButtonTryRestartClick()
{
    RequestRecovery(rkTryRestart, "ButtonTryRestartClick", [this] {
        CreateDeviceModel();
        // A new model knows no port and no state: the machine starts over as
        // at start-up. Left where it was, it would stay in a state that has
        // nothing to run ("Application Error Raised") or go on with a port
        // the new model never heard of.
        fMachine.ResetPassCounters(0);
        fMachine.NextState = stSettingUp;
    });
}

void TFormCanComport::RequestRecovery(TRecoveryKind kind, const char* handler, std::function<void()> action)
{
    fRecovery.Request(kind, [this, handler, action = std::move(action)] {
        // The supervision tick does not step the machine inside the action's
        // own waits: the action decides where the machine goes next.
        TBusyScope tick(fBusy, fTimerCheckCan);
        try {
            action();
        } catch (const std::exception& e) {
            Log("Error raised in %s: %s", handler, e.what());
        } catch (...) {
            Log("Error raised in %s: %s", handler, "unknown error");
        }
    });
}

void TFormCanComport::ArmRecoveryCall()
{
    if (fRecoveryCallArmed)
        return;
    fRecoveryCallArmed = true;
    QTimer::singleShot(10, this, [this] {
        fRecoveryCallArmed = false;
        fRecovery.RunPending();
    });
}

void TFormCanComport::AddDiagnosticsLine(const std::string& line)
{
    fPages.diagnostics.bsRichEditDiagnostics->append(QString::fromStdString(line));
}

void TFormCanComport::ReplaceDiagnostics(const std::vector<std::string>& lines)
{
    auto* box = fPages.diagnostics.bsRichEditDiagnostics;
    box->clear();
    for (const auto& l : lines)
        box->append(QString::fromStdString(l));
}

std::vector<std::string> TFormCanComport::DiagnosticsLines() const
{
    std::vector<std::string> lines;
    const QTextDocument* doc = fPages.diagnostics.bsRichEditDiagnostics->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        lines.push_back(b.text().toStdString());
    if (lines.size() == 1 && lines[0].empty())
        lines.clear();
    return lines;
}

void TFormCanComport::EnableCheckCan(bool enabled)
{
    if (enabled)
        fTimerCheckCan->start();
    else
        fTimerCheckCan->stop();
}


void TFormCanComport::ServiceProbeAndLogger() {}

void TFormCanComport::Delay(int64_t ms)
{
    // A recovery action waiting for this wait to return cuts it short.
    auto& clock = TGPSClock::Instance();
    TDeadline until;
    clock.SetDeadline(ms, until);
    while (!fRecovery.Pending() && clock.DeadlineRunning(until))
        if (clock.Delay(std::min<int64_t>(ms, 10), true))
            return;
}

// Timer handlers: each guarded against running inside itself, since waits
// serve the event loop.

void TFormCanComport::TimerCheckCanTimer()
{
    TBusyScope busy(fBusy, fTimerCheckCan);
    if (busy.WasBusy())
        return;
    // A recovery action asked for during the last step's waits runs first:
    // it decides the next state.
    if (fRecovery.Pending()) {
        fRecovery.RunPending();
        return;
    }
    try {
        fTick.Run();
    } catch (const std::exception& e) {
        Log("Error raised in TimerCheckCanTimer: %s", e.what());
    } catch (...) {
        Log("Error raised in TimerCheckCanTimer: %s", "unknown error");
    }
}

void TFormCanComport::TimerRunEventTimer()
{
    TBusyScope busy(fBusy, fTimerRunEvent);
    if (busy.WasBusy())
        return;
    // The dispatcher reports its own errors; none may leave the event loop.
    try {
        fModes->TimerRunEventTimer();
    } catch (...) {
    }
}

void TFormCanComport::TimerUpdateQuantitiesTimer()
{
    TBusyScope busy(fBusy, fTimerUpdateQuantities);
    if (busy.WasBusy())
        return;
    try {
        fModes->TimerUpdateQuantitiesTimer();
    } catch (...) {
    }
}

void TFormCanComport::TimerFoamingTimer()
{
    TBusyScope busy(fBusy, fTimerFoaming);
    if (busy.WasBusy())
        return;
}

void TFormCanComport::TimerCycleTestTimer()
{
    TBusyScope busy(fBusy, fTimerCycleTest);
    if (busy.WasBusy())
        return;
}

void TFormCanComport::TimerCheckUSBTimer()
{
    TBusyScope busy(fBusy, fTimerCheckUSB);
    if (busy.WasBusy())
        return;
    // Finding a service stick rebuilds the pages.
    RequestRecovery(rkServiceStick, "TimerCheckUSBTimer", [this] {
        if (fUsbWatch)
            fUsbWatch->TimerCheckUSBTimer();
    });
}

} // namespace orv
