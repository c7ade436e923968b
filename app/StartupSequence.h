#pragma once
#include "app/StateMachine.h"
#include "nav/GPSClock.h"

#include <string>

namespace orv {

class TMemIniFile;
class TRateLimiter;

// What the start-up handlers need from the rest of the application: the
// device model's search, the failure pages, the hub restart and the
// diagnostics box. The main window provides it; tests provide a fake.
class IStartupHost {
public:
    virtual ~IStartupHost() = default;

    virtual TMemIniFile& StartupIni() = 0;
    virtual TRateLimiter& RateLimiter() = 0;

    // Device model and link.
    virtual void SetLastOrvPort(int port) = 0;
    virtual int LastOrvPort() = 0;
    virtual void SetCurrentCommTarget(int target) = 0;
    virtual int CurrentCommTarget() = 0;
    virtual bool FindCommTarget() = 0;
    virtual bool ReInitializeCanport() = 0;
    virtual void PollController() = 0;
    virtual void RequestAllOrvStatus() = 0;
    virtual bool SettingsReported() = 0;
    virtual bool PortLocked() = 0;
    virtual void SetPortLocked(bool locked) = 0;
    virtual void SetChannelConfig(int channel, int code) = 0;
    virtual std::string LinkFailureText() = 0;
    virtual std::string LinkKindName() = 0;

    // Recovery and pages.
    virtual bool RestartHub() = 0;
    virtual bool UsbAdapterSeen() = 0;
    virtual void SetUsbAdapterSeen(bool seen) = 0;
    virtual bool FailurePageShown() = 0;
    virtual void ShowFailurePage(bool rememberPage) = 0;
    virtual void LeaveFailurePage() = 0;
    virtual void EnterApplicationError() = 0;

    // Main window services.
    virtual void AddDiagnosticsLine(const std::string& line) = 0;
    virtual void EnableCheckCan(bool enabled) = 0;
    virtual void StartGpsLink() = 0;
    virtual void ServiceProbeAndLogger() = 0;
    virtual int DataVaultPort() = 0;
    virtual int ReabePort() = 0;
    virtual void Delay(int64_t ms) = 0;
};

// The handlers of the start-up state machine and the state they keep.
class TStartupSequence {
public:
    TStartupSequence(TStartupStateMachine& machine, IStartupHost& host);

    // Installs the per-state handlers into the machine's table.
    void InstallHandlers();

    // Handlers, by state.
    void EnterSettingUp(int state);
    void ContinueSettingUp();
    void VerifyNamedPort(int state);
    void SearchPort(int target);
    void AwaitInitialization();
    void EnterNominal(int state);
    void NominalService();
    void NominalFailed();
    void EnterRestartHub(int state);
    void WaitHubRestart();
    void EnterFindPortFailed(int state);
    void EnterFindNamedPortFailed(int state);
    void EnterApplicationError(int state);
    void EnterFastRecovery(int state);

    int32_t FastRecoveryCount = 0;
    bool NominalReachedOnce = false;
    int32_t LastNominalPort = -1;

private:
    void StorePort();

    TStartupStateMachine& fMachine;
    IStartupHost& fHost;
    TDeadline fHubDeadline;
};

} // namespace orv
