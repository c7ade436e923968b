#include "app/StartupSequence.h"

#include "app/BusyGuard.h"
#include "store/IniFile.h"
#include "store/Log.h"

namespace orv {

namespace {
const char* const kCommSettings = "Comm Settings";
constexpr int kNoPort = 255;
} // namespace

TStartupSequence::TStartupSequence(TStartupStateMachine& machine, IStartupHost& host) : fMachine(machine), fHost(host)
{
}

void TStartupSequence::InstallHandlers()
{
    auto& m = fMachine;
    m.State(stNominal).onEnter = [this](int s) { EnterNominal(s); };
    m.State(stNominal).onExecute = [this] { NominalService(); };
    m.State(stNominal).onFail = [this] { NominalFailed(); };
    m.State(stAwaitingInitialization).onExecute = [this] { AwaitInitialization(); };
    m.State(stRestartingHub).onEnter = [this](int s) { EnterRestartHub(s); };
    m.State(stRestartingHub).onExecute = [this] { WaitHubRestart(); };
    m.State(stSettingUp).onEnter = [this](int s) { EnterSettingUp(s); };
    m.State(stSettingUp).onExecute = [this] { ContinueSettingUp(); };
    m.State(stNamedPortFound).onEnter = [this](int s) { VerifyNamedPort(s); };
    m.State(stSearchingGpioPort).onExecute = [this] { SearchPort(0); };
    m.State(stSearchingDirectPort).onExecute = [this] { SearchPort(2); };
    m.State(stSearchingUsbToCanPort).onExecute = [this] { SearchPort(4); };
    m.State(stFindPortFailed).onEnter = [this](int s) { EnterFindPortFailed(s); };
    m.State(stFindNamedPortFailed).onEnter = [this](int s) { EnterFindNamedPortFailed(s); };
    m.State(stApplicationErrorRaised).onEnter = [this](int s) { EnterApplicationError(s); };
    m.State(stAttemptingFastRecovery).onEnter = [this](int s) { EnterFastRecovery(s); };
}

void TStartupSequence::EnterSettingUp(int)
{
    DebugOut("EnteredSettingUp");
    TMemIniFile& ini = fHost.StartupIni();
    int64_t port = ini.ReadInteger(kCommSettings, "LastOrvPort", kNoPort);
    // A port number outside 0..255 cannot be a serial port: search afresh.
    if (port < 0 || port > kNoPort)
        port = kNoPort;
    fHost.SetLastOrvPort(static_cast<int>(port));
    if (port == kNoPort) {
        fMachine.NextState = fMachine.SearchStartState;
        return;
    }
    int64_t target = ini.ReadInteger(kCommSettings, "CurrentCommTarget", 1);
    if (target != 1 && target != 3 && target != 5)
        target = 1;
    fHost.SetCurrentCommTarget(static_cast<int>(target));
    fMachine.NextState = stNamedPortFound;
}

void TStartupSequence::ContinueSettingUp()
{
    DebugOut("ContinueSettingUp");
}

void TStartupSequence::StorePort()
{
    TMemIniFile& ini = fHost.StartupIni();
    const int port = fHost.LastOrvPort();
    const int target = fHost.CurrentCommTarget();
    ini.WriteInteger(kCommSettings, "LastOrvPort", port);
    ini.WriteInteger(kCommSettings, "CurrentCommTarget", target);
    const char* found = target == 1   ? "Found GPIO port: "
                        : target == 3 ? "Found Direct Serial port: "
                        : target == 5 ? "Found USB to CAN Adapter port: "
                                      : nullptr;
    if (found)
        fHost.AddDiagnosticsLine(found + std::to_string(port));
    ini.UpdateFile();
}

void TStartupSequence::VerifyNamedPort(int)
{
    if (fHost.FindCommTarget()) {
        StorePort();
        fMachine.ReportState(sttype_success);
    } else {
        DebugOut(" failed to initialize normally.");
        fHost.ReInitializeCanport();
        fMachine.ReportState(sttype_Failure);
    }
}

void TStartupSequence::SearchPort(int target)
{
    fHost.SetCurrentCommTarget(target);
    fMachine.State(stNamedPortFound).PassCount = 0;
    if (!fHost.FindCommTarget()) {
        fMachine.ReportState(sttype_Failure);
        return;
    }
    fHost.SetCurrentCommTarget(target + 1);
    fMachine.ReportState(sttype_success);
}

void TStartupSequence::AwaitInitialization()
{
    fHost.PollController();
    const auto r = fHost.RateLimiter().RateLimitedCall(
        "RequestAllOrvStatus", [this] { fHost.RequestAllOrvStatus(); }, 1000, 10);
    if (!r.ok) {
        fHost.RateLimiter().ResetRateLimitedCall("RequestAllOrvStatus");
        fMachine.ReportState(sttype_Failure);
        return;
    }
    if (r.called)
        fHost.AddDiagnosticsLine("Requesting Controller Statuses");
    if (fHost.SettingsReported())
        fMachine.ReportState(sttype_success);
}

void TStartupSequence::EnterNominal(int)
{
    fMachine.ResetPassCounters(StateBit(stNominal));
    fHost.SetUsbAdapterSeen(true);
    fHost.StartGpsLink();
    const int dataVault = fHost.DataVaultPort();
    if (dataVault >= 1 && dataVault <= 4)
        fHost.SetChannelConfig(dataVault, 3);
    const int reabe = fHost.ReabePort();
    if (reabe >= 1 && reabe <= 4)
        fHost.SetChannelConfig(reabe, 2);
    fHost.Delay(200);
    NominalReachedOnce = true;
    LastNominalPort = fHost.LastOrvPort();
    if (fHost.FailurePageShown())
        fHost.LeaveFailurePage();
    fHost.SetPortLocked(true);
    FastRecoveryCount = 0;
    fMachine.VisitedStates = 0;
}

void TStartupSequence::NominalService()
{
    fHost.PollController();
    fHost.ServiceProbeAndLogger();
}

void TStartupSequence::NominalFailed()
{
    Log("Nominal Operations failed from \"%s\" with port %d selected,targeting %s with port failure: %s",
        TStartupStateMachine::StateName(fMachine.CurrentState), fHost.LastOrvPort(),
        fHost.LinkKindName(), fHost.LinkFailureText());
    fHost.ShowFailurePage(true);
}

void TStartupSequence::EnterRestartHub(int)
{
    if (!fHost.RestartHub()) {
        fMachine.NextState = stFindPortFailed;
        return;
    }
    fHost.AddDiagnosticsLine("Waiting unit USB Insert event");
    TGPSClock::Instance().SetDeadline(5000, fHubDeadline);
}

void TStartupSequence::WaitHubRestart()
{
    if (!TGPSClock::Instance().DeadlineRunning(fHubDeadline) || fHost.UsbAdapterSeen())
        fMachine.NextState = fMachine.Visited(stSettingUp) ? fMachine.SearchStartState : uint8_t(stNamedPortFound);
}

void TStartupSequence::EnterFindPortFailed(int)
{
    Log("FindPortFailed from \"%s\"", TStartupStateMachine::StateName(fMachine.PreviousState));
    if (!fHost.FailurePageShown())
        fHost.ShowFailurePage(true);
    fHost.EnableCheckCan(false);
    fHost.RestartHub();
    fHost.Delay(5000);
    fMachine.NextState = fMachine.SearchStartState;
    fMachine.ResetPassCounters(StateBit(stFindPortFailed));
    fMachine.StepStateMachine();
    fHost.EnableCheckCan(true);
}

void TStartupSequence::EnterFindNamedPortFailed(int)
{
    fMachine.ReportState(sttype_Failure);
}

void TStartupSequence::EnterApplicationError(int)
{
    fHost.EnterApplicationError();
}

void TStartupSequence::EnterFastRecovery(int)
{
    if (fHost.LastOrvPort() == kNoPort) {
        // No port to check again: searching is the only way to one. Checking
        // "port 255" would fail into this state round after round.
        fHost.SetPortLocked(false);
        fMachine.ResetPassCounters(MakeStateSet({stAttemptingFastRecovery, stAttemptingRecovery}));
        fMachine.NextState = fMachine.SearchStartState;
        fHost.EnableCheckCan(true);
        return;
    }
    if (fHost.PortLocked()) {
        fMachine.ResetPassCounters(MakeStateSet({stAttemptingFastRecovery, stAttemptingRecovery}));
        FastRecoveryCount += 1;
        fMachine.NextState = FastRecoveryCount % 5 == 4 ? stRestartingHub : stNamedPortFound;
        fHost.EnableCheckCan(true);
    } else {
        for (int s : {stNominal, stAwaitingInitialization, stNamedPortFound, stSearchingGpioPort,
                      stSearchingDirectPort, stSearchingUsbToCanPort})
            fMachine.State(s).PassCount = 0;
        fMachine.ReportState(sttype_success);
    }
}

} // namespace orv
