#include "app/FormCanComport.h"

#include "app/HubRestart.h"
#include "app/IdleThread.h"
#include "app/ModeController.h"
#include "app/FormModeHost.h"
#include "app/pages/ConfigurationSettingsPage.h"
#include "app/pages/GpsSourceSelect.h"
#include "app/pages/PageConfigurationUnits.h"
#include "app/pages/PageEditPresets.h"
#include "app/pages/ReceiversPage.h"
#include "app/pages/RunPagesView.h"
#include "app/pages/SetCardIdPage.h"
#include "app/pages/StatusPage.h"
#include "device/ControllerSettings.h"
#include "nav/CoordConvert.h"
#include "nav/GpsSource.h"
#include "app/IndicatorLights.h"
#include "app/PageModes.h"
#include "app/UsbWatch.h"
#include "device/OrvaneVEDOController.h"
#include "nav/GPSClock.h"
#include "platform/HubScripts.h"
#include "platform/NetlinkUsbMonitor.h"
#include "platform/ProcessRunner.h"
#include "store/IniBacker.h"
#include "store/IniPaths.h"
#include "store/SettingsRecords.h"
#include "store/SystemServices.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "0.0.0"
#endif

namespace orv {

TFormCanComport::TFormCanComport(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent),
      fArguments(arguments),
      fTick(fMachine, {[this] { return fDeviceModel != nullptr; },
                       [this] { return fDeviceModel ? fDeviceModel->LinkFailureFlags() : uint8_t(0); },
                       [](const std::string& what) { Log("Error raised in TimerCheckCanTimer: %s", what); }})
{
    FormCreate();
}

TFormCanComport::~TFormCanComport()
{
    FormDestroy();
}

void TFormCanComport::FormCreate()
{
    setWindowTitle(QStringLiteral("Orvane Controller"));
    setObjectName(QStringLiteral("FormCanComport"));

    // 1. The folder of every INI, script and help file.
    fProgramDir = ResolveIniDirectory(QCoreApplication::applicationDirPath().toStdString());
    SetIniDirectory(fProgramDir);

    // The window: the lights strip above the page control.
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    fLightsStrip = new QWidget(central);
    fLightsStrip->setObjectName(QStringLiteral("PanelLights"));
    fLightsStrip->setFixedHeight(9);
    layout->addWidget(fLightsStrip);
    fPageControl = new QTabWidget(central);
    fPageControl->setObjectName(QStringLiteral("PageControl"));
    layout->addWidget(fPageControl);
    setCentralWidget(central);
    fPages.Build(fPageControl);
    fPageControl->hide(); // shown when start-up ends, whether it succeeded or not
    fFocusSink = new QLineEdit(central);
    fFocusSink->setObjectName(QStringLiteral("EditFocusSink"));

    // 2. The seven indicator lights, all hidden.
    fLights = std::make_unique<TIndicatorLights>(fLightsStrip);

    // 3. Search from the GPIO board first; no nominal port known yet.
    fMachine.SearchStartState = stSearchingGpioPort;
    fSequence.LastNominalPort = -1;

    // 5. Only the diagnostics page until the controller answers.
    fFailurePageShown = false;
    fRememberedPage = pgSelectPrimaryMode;
    // Pages are chosen by the program, never by a touch or key on the tab strip.
    fPageControl->setFocusPolicy(Qt::NoFocus);
    fPageControl->tabBar()->setFocusPolicy(Qt::NoFocus);
    OfferTabs(kFailureTabMask);

    // 6. The state table.
    fMachine.InitStateTable([this] { EnableCheckCan(false); });
    fSequence.InstallHandlers();
    fMachine.SetShowText([this](const std::vector<std::string>& lines) { ReplaceDiagnostics(lines); });
    fMachine.SetDebug([](const std::string& line) { DebugOut(line); });
    fMachine.CurrentState = stNotStarted;
    fMachine.PreviousState = stNotStarted;
    fMachine.NextState = stSettingUp;

    // 7. The application log, through which the link and device model write too.
    fLogWriter = std::make_unique<TLogWriter>([this] {
        OrvaneVEDOController* model = fModelForLog.load();
        return model ? model->LinkKindForLog() : -1;
    });
    SetLogHook([writer = fLogWriter.get()](const std::string& m) { writer->Write(m); });

    // 8. Screen layout from the screen size.
    const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(640, 480);
    if (screen == QSize(640, 480))
        fScreenLayout = 3;
    else if (screen == QSize(1024, 600))
        fScreenLayout = 4;
    else if (screen == QSize(800, 600))
        fScreenLayout = 2;
    else
        fScreenLayout = 3;

    // 9. "NoKillExplorer" leaves the desktop shell alone.
    fNoKillExplorer = fArguments.contains(QStringLiteral("NoKillExplorer"), Qt::CaseSensitive);
    fServices = std::make_unique<TSystemServices>(DefaultProcessRunner(), IniDirectory(), fNoKillExplorer,
                                                  [](int64_t ms) { return TGPSClock::Instance().Delay(ms, true); });
    // 4. The remote-support identifier, shown only when known.
    {
        const TMemIniFile startup(IniPath("OrvStartup.ini"));
        const std::string id = RemoteSupportText(ReadRemoteSupportId(startup));
        fPages.diagnostics.LabelQuickSupportID->setText(QString::fromStdString(id));
        fPages.diagnostics.LabelQuickSupportID->setVisible(!id.empty());
    }

    // 10. Top-left corner; the USB light off until the adapter is seen.
    move(0, 0);
    fUsbWatch = std::make_unique<TUsbWatch>(TUsbWatch::Hooks{
        [this](bool visible) {
            if (fLights)
                fLights->Show(0, visible);
        },
        [this](bool enabled) {
            if (enabled)
                fTimerCheckUSB->start();
            else
                fTimerCheckUSB->stop();
        },
        [this] { DoingService(static_cast<uint8_t>(fPageMode | osService)); }});
    fLights->Show(0, false);

    CreateTimers();
    ConnectButtons();
    CreatePageObjects();
}

void TFormCanComport::CreateTimers()
{
    auto make = [this](const char* name, int ms, void (TFormCanComport::*handler)()) {
        auto* t = new QTimer(this);
        t->setObjectName(QString::fromLatin1(name));
        t->setInterval(ms);
        t->setTimerType(ms < 100 ? Qt::PreciseTimer : Qt::CoarseTimer);
        connect(t, &QTimer::timeout, this, handler);
        return t;
    };
    fTimerCheckCan = make("TimerCheckCan", 10, &TFormCanComport::TimerCheckCanTimer);
    fTimerRunEvent = make("TimerRunEvent", 500, &TFormCanComport::TimerRunEventTimer);
    fTimerUpdateQuantities = make("TimerUpdateQuantities", 20, &TFormCanComport::TimerUpdateQuantitiesTimer);
    fTimerFoaming = make("TimerFoaming", 1000, &TFormCanComport::TimerFoamingTimer);
    fTimerCycleTest = make("TimerCycleTest", 10, &TFormCanComport::TimerCycleTestTimer);
    fTimerCheckUSB = make("TimerCheckUSB", 8000, &TFormCanComport::TimerCheckUSBTimer);
    fTimerStartup = make("TimerStartup", 500, &TFormCanComport::TimerStartupTimer);
}

QTimer* TFormCanComport::Timer(const char* name) const
{
    return findChild<QTimer*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void TFormCanComport::ConnectButtons()
{
    auto& d = fPages.diagnostics;
    connect(d.bsSkinRETRY, &QPushButton::clicked, this, &TFormCanComport::bsSkinRETRYClick);
    connect(d.bsButtonRestartApplication, &QPushButton::clicked, this,
            &TFormCanComport::bsButtonRestartApplicationClick);
    connect(d.ButtonTryRestart, &QPushButton::clicked, this, &TFormCanComport::ButtonTryRestartClick);
    connect(d.bsButtonQuitToExplorer, &QPushButton::clicked, this, &TFormCanComport::bsButtonQuitToExplorerClick);
    connect(d.bsButtonQuit, &QPushButton::clicked, this, &TFormCanComport::bsButtonQuitClick);
    connect(fPages.selectPrimaryMode.bsButtonCloseToDiagnostics, &QPushButton::clicked, this,
            &TFormCanComport::bsButtonCloseToDiagnosticsClick);
}

void TFormCanComport::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FormShow();
}

void TFormCanComport::FormShow()
{
    fFocusSink->setGeometry(0, 0, 1, 1);
    if (!fStartupRunning && !fStartupDone)
        fTimerStartup->start();
}

void TFormCanComport::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fPages.diagnostics.LabelResolution->setText(
        QString::asprintf("form width: %d  form height %d", width(), height()));
}

void TFormCanComport::TimerStartupTimer()
{
    fTimerStartup->stop();
    if (fStartupRunning || fStartupDone)
        return;
    fStartupRunning = true;
    try {
        StartUp();
    } catch (const std::exception& e) {
        ShowStartupFailure(e.what());
    } catch (...) {
        ShowStartupFailure("unknown error");
    }
    fStartupRunning = false;
    fStartupDone = true;
    fTimerUpdateQuantities->start();
}

void TFormCanComport::SizeForLayout()
{
    switch (fScreenLayout) {
    case 2:
        resize(800, 600);
        break;
    case 4:
        resize(1024, 600);
        break;
    default:
        resize(640, 480);
        break;
    }
    fPageControl->tabBar()->setMinimumHeight(30);
}

void TFormCanComport::StartUp()
{
    try {
        // 1-2. Window size and the resolution label.
        const QSize screen =
            QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(640, 480);
        fPages.diagnostics.LabelResolution->setText(
            QString::asprintf("screen width: %d, screen height: %d", screen.width(), screen.height()));
        SizeForLayout();
        // 3. The high-resolution clock.
        TGPSClock::Instance();
        // 4. The hub scripts.
        THubBatchFiles hubFiles;
        if (!WriteHubBatchFiles(IniDirectory(), hubFiles))
            Log("Could not write the hub scripts");
        fHubRestart = std::make_unique<THubRestart>(
            DefaultProcessRunner(), hubFiles.restart, IniDirectory(),
            THubRestart::Hooks{[this](const std::string& l) { AddDiagnosticsLine(l); },
                               [this](int port) { return fDeviceModel && fDeviceModel->ProbePort(port); },
                               [this] { return fUsbWatch->UsbAdapterSeen(); },
                               [this] { return fSequence.NominalReachedOnce; },
                               [this] { return static_cast<int>(fSequence.LastNominalPort); }});
        // 5. The protected settings files, checked and restored before any
        // of them is opened.
        fIniBacker = std::make_unique<TINIBacker>(ProtectedIniFiles());
        try {
            fIniBacker->CheckAll(IniDirectory());
        } catch (const EIniBackup&) {
            fSettingsUnusable = true;
            throw;
        }
        // 6. The write protection of the system volume.
        fServices->CheckAndEnableWriteFilter();
        // 7. The start-up record.
        fStartupIni = std::make_unique<TMemIniFile>(IniPath("OrvStartup.ini"));
        StampProgramStart(*fStartupIni, TGPSClock::Instance().Now());
        fUsbWatch->SetAdapterId(TUsbWatch::ReadAdapterId(*fStartupIni));
        // 8. The unit converter.
        fCoordConvert = std::make_unique<TCoordConvert>();
        // 9. The device model; from here on the supervision tick runs the machine.
        CreateDeviceModel();
        // 10. The settings cache of the last preset and mode, the units, the
        // GPS input and the stored primary mode.
        fSettingsIni = std::make_unique<TMemIniFile>(IniPath("LastSelectedPreset.ini"));
        CreateSettingsObjects();
        // 12. The idle thread.
        fIdleThread = std::make_unique<TAppIdleThread>([] {});
        fIdleThread->Resume();
        // 13. USB arrivals and removals.
        fUsbMonitor = std::make_unique<TNetlinkUsbMonitor>();
        if (!fUsbWatch->Attach(*fUsbMonitor))
            Log("No USB device events on this system");
        // 14. The program version on the labels.
        const QString version = QStringLiteral("Version: %1").arg(QStringLiteral(ORVANE_VERSION));
        fPages.diagnostics.LabelVersionDiagnostics->setText(version);
        fPages.selectPrimaryMode.LabelVersionSelectMode->setText(version);
        // 15. The technician's desktop goes while the program runs.
        fServices->EndShell();
        fPageControl->show();
    } catch (...) {
        fPageControl->show();
        throw;
    }
}

void TFormCanComport::ShowStartupFailure(const std::string& reason)
{
    Log("Error Raised while doing Startup initialization: %s", reason);
    ShowFailurePage(true);
    ReplaceDiagnostics({"Error Raised while doing Startup initialization!!!", " ",
                        "Try \"Restart Application\" below.", " ",
                        "If that fails, you could try Shutdown and restart.", " ",
                        "If that fails you can try another operating card.", " ",
                        "If that fails you will have to contact Orvane."});
    EnableCheckCan(false);
}

void TFormCanComport::CreateDeviceModel()
{
    if (fSettingsUnusable) {
        Log("Settings files lost: the controller link is not started with default settings");
        return;
    }
    // 1. Drop the old link, then the old model.
    fSettings->ResetAppliedFlags();
    if (fDeviceModel)
        fDeviceModel->SetCanport(nullptr);
    Delay(500);
    fModelForLog = nullptr;
    fDeviceModel.reset();
    // 2. Only the diagnostics page.
    DoingService(osFailure);
    // 3. A new model and link.
    fDeviceModel = std::make_unique<OrvaneVEDOController>();
    fModelForLog = fDeviceModel.get();
    // A search or check still running when RETRY or a restart is asked for
    // ends at once; the action then runs.
    fDeviceModel->Search().SetStopHook([this] { return fRecovery.Pending(); });
    ReInitializeCanport();
    // 4. The handlers of the boards' reports.
    fDeviceModel->SetDiagnosticsCallbacks([this](const std::string& line) { AddDiagnosticsLine(line); },
                                          [this](const std::string& fragment) { AddDiagnosticsLine(fragment); });
    fDeviceModel->SetFirstFrameCallback([this] { fModes->OnControllerReady(); });
    InstallStatusHandlers();
    fModes->DeviceModelCreated();
    // 5. A clean box, and the supervision tick.
    fPages.diagnostics.bsRichEditDiagnostics->clear();
    EnableCheckCan(true);
}

void TFormCanComport::DoingService(uint8_t mode)
{
    if (mode == fPageMode)
        return;
    fPageMode = mode;
    ApplyPageMode();
}

void TFormCanComport::ApplyPageMode()
{
    const TTabChoice choice = ChooseTabs(fPageMode, PrimaryMode());
    if (!choice.apply)
        return;
    const int shown = fPageControl->currentIndex();
    fPreviousPage = shown;
    const bool wasVisible = fPageControl->isVisible();
    fPageControl->hide();
    {
        // Hiding or disabling the shown tab makes the tab bar pick another
        // one; that passing choice must not run any page's preparation.
        const QSignalBlocker quiet(fPageControl);
        OfferTabs(choice.mask);
        fPageControl->setCurrentIndex(shown);
    }
    if (wasVisible)
        fPageControl->show();
    if (choice.page >= 0)
        fPageControl->setCurrentIndex(choice.page);
}

void TFormCanComport::OfferTabs(uint32_t mask)
{
    // A hidden tab is disabled too: the tab bar's keys, wheel and shortcuts
    // walk through every enabled tab, visible or not, and in flight that
    // would leave the run page and its rate loop.
    for (int i = 0; i < kPageCount; ++i) {
        const bool offered = (mask >> i) & 1u;
        fPageControl->setTabVisible(i, offered);
        fPageControl->tabBar()->setTabEnabled(i, offered);
    }
    fVisibleTabs = mask;
}

void TFormCanComport::StopTimers()
{
    for (QTimer* t : {fTimerCheckCan, fTimerCheckUSB, fTimerFoaming, fTimerRunEvent, fTimerUpdateQuantities,
                      fTimerCycleTest, fTimerStartup})
        t->stop();
    Delay(500);
}

void TFormCanComport::ShutdownPath()
{
    if (fShutdownDone)
        return;
    fShutdownDone = true;
    StopTimers();
    SaveModeSettings();
}

void TFormCanComport::bsButtonCloseToDiagnosticsClick()
{
    RequestRecovery(rkCloseToDiagnostics, "bsButtonCloseToDiagnosticsClick", [this] {
        StopTimers();
        SaveModeSettings();
        ShowFailurePage(true);
        ReplaceDiagnostics({"Ready for Shutdown"});
    });
}

void TFormCanComport::bsButtonQuitClick()
{
    RequestRecovery(rkQuit, "bsButtonQuitClick", [this] {
        ShutdownPath();
        DebugOut("Call made to CloseAndShutDown");
        close();
        CloseAndShutDown();
    });
}

void TFormCanComport::bsButtonQuitToExplorerClick()
{
    RequestRecovery(rkQuitToExplorer, "bsButtonQuitToExplorerClick", [this] {
        ShutdownPath();
        close();
        fServices->StartShell();
    });
}

void TFormCanComport::bsButtonRestartApplicationClick()
{
    RequestRecovery(rkRestartApplication, "bsButtonRestartApplicationClick", [this] {
        SaveModeSettings();
        fRestarting = true;
        ShutdownPath();
        // Under the service manager the new instance is its to start: one we
        // started ourselves would be stopped with the rest of the service the
        // moment this one ends, leaving the panel blank.
        const char* invocation = std::getenv("INVOCATION_ID");
        if (invocation && *invocation) {
            Log("Restart Application: the service manager starts the program again");
            QCoreApplication::exit(kRestartExitCode);
            return;
        }
        // A development machine keeps its desktop across the restart too.
        QStringList args;
        if (fNoKillExplorer)
            args << QStringLiteral("NoKillExplorer");
        const QString program = QCoreApplication::applicationFilePath();
        const QString folder = QCoreApplication::applicationDirPath();
        const bool started = fStartProcess ? fStartProcess(program, args, folder)
                                           : QProcess::startDetached(program, args, folder);
        if (!started)
            Log("Restart Application could not start %s", program.toStdString());
        QCoreApplication::exit(0);
    });
}

void TFormCanComport::CloseAndShutDown()
{
    // The backups first: the installation's script may power the machine off.
    if (fIniBacker && !fRestarting)
        fIniBacker->BackupAll();
    fServices->CloseAndShutDown();
}

void TFormCanComport::FormDestroy()
{
    if (fDestroyed)
        return;
    fDestroyed = true;
    for (QTimer* t : {fTimerCheckCan, fTimerCheckUSB, fTimerFoaming, fTimerRunEvent, fTimerUpdateQuantities,
                      fTimerCycleTest, fTimerStartup})
        if (t)
            t->stop();
    fLights.reset();
    if (fIdleThread)
        fIdleThread->Terminate();
    if (fUsbMonitor)
        fUsbMonitor->Stop();
    fUsbMonitor.reset();
    fHubRestart.reset();
    if (fGps)
        fGps->Close(true);
    fReceiversPage.reset();
    fGpsSelect.reset();
    fGps.reset();
    fStartupIni.reset();
    // The backups once more, unless the program is restarting; this never raises.
    if (fIniBacker && !fRestarting)
        fIniBacker->BackupAll();
    // The link's threads stop before the model that owns it goes.
    if (fDeviceModel)
        fDeviceModel->SetCanport(nullptr);
    fModelForLog = nullptr;
    fDeviceModel.reset();
    fModes.reset();
    fModeHost.reset();
    fRunView.reset();
    fConfigUnitsPage.reset();
    fConfigSettingsPage.reset();
    fCardPage.reset();
    fStatusPage.reset();
    fEditPresetsPage.reset();
    fEditPresetsWetPage.reset();
    fSettings.reset();
    fSettingsIni.reset();
    fIniBacker.reset();
    fCoordConvert.reset();
    fUsbWatch.reset();
    fIdleThread.reset();
    SetLogHook(nullptr);
}

} // namespace orv
