#pragma once
#include "app/BusyGuard.h"
#include "app/DeferredActions.h"
#include "app/Pages.h"
#include "app/StartupSequence.h"
#include "app/StateMachine.h"
#include "app/Supervision.h"
#include "store/IniFile.h"
#include "store/Log.h"

#include <QMainWindow>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QTabWidget;
class QTimer;
class QLineEdit;

namespace orv {

class OrvaneVEDOController;
class TAppIdleThread;
class TConfigurationSettingsPage;
class TControllerSettings;
class TCoordConvert;
class TFormModeHost;
class TGpsSource;
class TGpsSourceSelect;
class TModeController;
class TPageConfigurationUnits;
class TPageEditPresets;
class TPageEditPresetsWet;
class TReceiversPage;
class TRunPagesView;
class TSetCardIdPage;
class TStatusPage;
class THubRestart;
class TIndicatorLights;
class TINIBacker;
class TSystemServices;
class TNetlinkUsbMonitor;
class TUsbWatch;

// The main window: it owns every long-lived object of the application and
// wires them together; each object does one job.
class TFormCanComport : public QMainWindow, public IStartupHost {
    Q_OBJECT
    friend class TFormModeHost;

public:
    explicit TFormCanComport(const QStringList& arguments, QWidget* parent = nullptr);
    ~TFormCanComport() override;

    // Shutdown actions run once; the later calls do nothing. Used by the
    // buttons and by program entry after a termination signal.
    void ShutdownPath();

    void StartUp();
    void CreateDeviceModel();
    void StopTimers();
    void DoingService(uint8_t mode);
    uint8_t PageMode() const { return fPageMode; }
    void SaveModeSettings();

    // Button handlers of the diagnostics page.
    void bsButtonCloseToDiagnosticsClick();
    void bsButtonQuitClick();
    void bsButtonQuitToExplorerClick();
    void bsButtonRestartApplicationClick();
    void bsSkinRETRYClick();
    void ButtonTryRestartClick();
    void AttemptRecovery();

    // Timer handlers.
    void TimerStartupTimer();
    void TimerCheckCanTimer();
    void TimerRunEventTimer();
    void TimerUpdateQuantitiesTimer();
    void TimerFoamingTimer();
    void TimerCycleTestTimer();
    void TimerCheckUSBTimer();

    TStartupStateMachine& StateMachine() { return fMachine; }
    OrvaneVEDOController* DeviceModel() const { return fDeviceModel.get(); }
    TModeController* Modes() const { return fModes.get(); }
    TControllerSettings* Settings() const { return fSettings.get(); }
    TGpsSource* Gps() const { return fGps.get(); }
    TMemIniFile* SettingsIni() const { return fSettingsIni.get(); }
    TUsbWatch* UsbWatch() const { return fUsbWatch.get(); }
    TStartupSequence& Sequence() { return fSequence; }
    TPages& Pages() { return fPages; }
    QTabWidget* PageControl() const { return fPageControl; }
    TIndicatorLights* Lights() const { return fLights.get(); }
    bool NoKillExplorer() const { return fNoKillExplorer; }
    bool StartupDone() const { return fStartupDone; }
    int ScreenLayout() const { return fScreenLayout; }
    QTimer* Timer(const char* name) const;

    // IStartupHost
    TMemIniFile& StartupIni() override;
    TRateLimiter& RateLimiter() override { return fRateLimiter; }
    void SetLastOrvPort(int port) override;
    int LastOrvPort() override;
    void SetCurrentCommTarget(int target) override;
    int CurrentCommTarget() override;
    bool FindCommTarget() override;
    bool ReInitializeCanport() override;
    void PollController() override;
    void RequestAllOrvStatus() override;
    bool SettingsReported() override;
    bool PortLocked() override;
    void SetPortLocked(bool locked) override;
    void SetChannelConfig(int channel, int code) override;
    std::string LinkFailureText() override;
    std::string LinkKindName() override;
    bool RestartHub() override;
    bool UsbAdapterSeen() override;
    void SetUsbAdapterSeen(bool seen) override;
    bool FailurePageShown() override { return fFailurePageShown; }
    void ShowFailurePage(bool rememberPage) override;
    void LeaveFailurePage() override;
    void EnterApplicationError() override;
    void AddDiagnosticsLine(const std::string& line) override;
    void EnableCheckCan(bool enabled) override;
    void StartGpsLink() override;
    void ServiceProbeAndLogger() override;
    int DataVaultPort() override;
    int ReabePort() override;
    void Delay(int64_t ms) override;

    void ReplaceDiagnostics(const std::vector<std::string>& lines);

    // The exit status by which "Restart Application" asks the service
    // manager for a new instance (orvane.service restarts on it).
    static constexpr int kRestartExitCode = 75;

    // How "Restart Application" starts the new instance (tests replace it).
    using ProcessStarter = std::function<bool(const QString& program, const QStringList& arguments,
                                              const QString& folder)>;
    void SetProcessStarter(ProcessStarter starter) { fStartProcess = std::move(starter); }
    bool Restarting() const { return fRestarting; }
    std::vector<std::string> DiagnosticsLines() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormDestroy();
    // "Shut Down": backups, then the installation's shutdown script.
    void CloseAndShutDown();
    void CreateTimers();
    void ConnectButtons();
    void ApplyPageMode();
    void OfferTabs(uint32_t mask);
    void SizeForLayout();
    void ShowStartupFailure(const std::string& reason);
    bool HaveLink() const;
    void CreatePageObjects();
    void CreateSettingsObjects();
    void InstallStatusHandlers();
    void StatusReported(int board);
    void CurrentReported(int board);
    void FeedbackPotReported(int board);
    void OnPageShown(int index);
    int PrimaryMode() const;

    QStringList fArguments;
    std::string fProgramDir;
    bool fNoKillExplorer = false;
    int fScreenLayout = 3;

    TPages fPages;
    QTabWidget* fPageControl = nullptr;
    QWidget* fLightsStrip = nullptr;
    QLineEdit* fFocusSink = nullptr;
    std::unique_ptr<TIndicatorLights> fLights;
    std::unique_ptr<TAppIdleThread> fIdleThread;

    QTimer* fTimerCheckCan = nullptr;
    QTimer* fTimerRunEvent = nullptr;
    QTimer* fTimerUpdateQuantities = nullptr;
    QTimer* fTimerFoaming = nullptr;
    QTimer* fTimerCycleTest = nullptr;
    QTimer* fTimerCheckUSB = nullptr;
    QTimer* fTimerStartup = nullptr;

    TStartupStateMachine fMachine;
    TStartupSequence fSequence{fMachine, *this};
    TSupervisionTick fTick;
    TBusyList fBusy;
    TRateLimiter fRateLimiter;
    std::unique_ptr<TLogWriter> fLogWriter;

    std::unique_ptr<TMemIniFile> fStartupIni;
    std::unique_ptr<TMemIniFile> fSettingsIni;
    // Protected settings files: checked at start, backed up at the end.
    std::unique_ptr<TINIBacker> fIniBacker;
    // A protected file could be neither trusted nor restored: the boards are
    // never driven with default settings.
    bool fSettingsUnusable = false;
    // Write protection, desktop, shutdown script.
    std::unique_ptr<TSystemServices> fServices;

    bool fStartupRunning = false;
    bool fStartupDone = false;
    bool fShutdownDone = false;
    bool fRestarting = false;
    ProcessStarter fStartProcess;
    bool fDestroyed = false;

    uint8_t fPageMode = 0;
    uint32_t fVisibleTabs = 1;
    int fPreviousPage = 0;
    int fRememberedPage = pgSelectPrimaryMode;
    int fShownPage = pgDiagnostics;
    bool fFailurePageShown = false;

    // Recovery: USB events, the service stick and the hub restart.
    std::unique_ptr<TUsbWatch> fUsbWatch;
    std::unique_ptr<TNetlinkUsbMonitor> fUsbMonitor;
    std::unique_ptr<THubRestart> fHubRestart;

    // Units, controller settings, GPS input, primary modes and the pages.
    std::unique_ptr<TCoordConvert> fCoordConvert;
    std::unique_ptr<TControllerSettings> fSettings;
    std::unique_ptr<TGpsSource> fGps;
    uint8_t fGpsCapabilityMask = 0x20;
    std::unique_ptr<TRunPagesView> fRunView;
    std::unique_ptr<TFormModeHost> fModeHost;
    std::unique_ptr<TModeController> fModes;
    std::unique_ptr<TStatusPage> fStatusPage;
    std::unique_ptr<TSetCardIdPage> fCardPage;
    std::unique_ptr<TConfigurationSettingsPage> fConfigSettingsPage;
    std::unique_ptr<TPageConfigurationUnits> fConfigUnitsPage;
    std::unique_ptr<TPageEditPresets> fEditPresetsPage;
    std::unique_ptr<TPageEditPresetsWet> fEditPresetsWetPage;
    std::unique_ptr<TGpsSourceSelect> fGpsSelect;
    std::unique_ptr<TReceiversPage> fReceiversPage;

    // The device model; it owns the link in use (fCanport).
    std::unique_ptr<OrvaneVEDOController> fDeviceModel;
    // Read by the log from any thread; set only while the model exists.
    std::atomic<OrvaneVEDOController*> fModelForLog{nullptr};

    // RETRY, Try Restart, Restart Application, the shut-down buttons and the
    // service pages free or replace what a wait may be using; asked for during
    // a wait, they run once it has returned.
    enum TRecoveryKind {
        rkRetry,
        rkTryRestart,
        rkRestartApplication,
        rkCloseToDiagnostics,
        rkQuit,
        rkQuitToExplorer,
        rkServiceStick,
    };
    void RequestRecovery(TRecoveryKind kind, const char* handler, std::function<void()> action);
    void ArmRecoveryCall();
    bool fRecoveryCallArmed = false;
    TDeferredActions fRecovery{{[] { return TGPSClock::PumpingWaits(); }, [this] { ArmRecoveryCall(); }}};
    // A GPIO board serial channel from the "RECEIVERS" section; 0 = none.
    int ReceiversChannel(const char* key) const;
};

} // namespace orv
