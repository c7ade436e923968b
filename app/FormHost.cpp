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
    if (fDeviceModel && fDeviceModel->Canport())
        fDeviceModel->Canport()->SetChannelConfig(channel, static_cast<uint8_t>(code));
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
        fMachine.NextState = stNominal;
        ReInitializeCanport();
        fMachine.ReportState(sttype_success);
    }
    EnableCheckCan(true);
}

void TFormCanComport::bsSkinRETRYClick()
{
    fPages.diagnostics.bsSkinRETRY->setEnabled(false);
    fSequence.FastRecoveryCount = 0;
    fMachine.ResetPassCounters(0);
    AttemptRecovery();
}

void TFormCanComport::ButtonTryRestartClick()
{
    CreateDeviceModel();
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
    TGPSClock::Instance().Delay(ms, true);
}

// Timer handlers: each guarded against running inside itself, since waits
// serve the event loop.

void TFormCanComport::TimerCheckCanTimer()
{
    TBusyScope busy(fBusy, fTimerCheckCan);
    if (busy.WasBusy())
        return;
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
    if (fUsbWatch)
        fUsbWatch->TimerCheckUSBTimer();
}

} // namespace orv
