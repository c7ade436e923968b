// The main window's wiring of the controller settings, the primary modes,
// the GPS input and the pages: which object hears which event.
#include "app/FormCanComport.h"

#include "app/FormModeHost.h"
#include "app/IndicatorLights.h"
#include "app/ModeController.h"
#include "app/pages/ConfigurationSettingsPage.h"
#include "app/pages/GpsSourceSelect.h"
#include "app/pages/PageConfigurationUnits.h"
#include "app/pages/PageEditPresets.h"
#include "app/pages/ReceiversPage.h"
#include "app/pages/RunPagesView.h"
#include "app/pages/SetCardIdPage.h"
#include "app/pages/StatusPage.h"
#include "device/ControllerSettings.h"
#include "device/OrvaneVEDOController.h"
#include "nav/CoordConvert.h"
#include "nav/GpsSource.h"
#include "platform/SerialPort.h"
#include "store/Log.h"
#include "ui/UnitSettings.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>

namespace orv {

int TFormCanComport::PrimaryMode() const
{
    return fModes ? fModes->PrimaryMode() : 1;
}

// At window creation: the objects that need no settings file yet.
void TFormCanComport::CreatePageObjects()
{
    TControllerSettingsHost host;
    host.deviceModel = [this]() -> TDeviceModel* { return fDeviceModel.get(); };
    host.settingsFile = [this] { return fSettingsIni.get(); };
    host.primaryMode = [this] { return PrimaryMode(); };
    host.dryZeroInUse = [this] { return fModes ? fModes->DryZeroInUse() : false; };
    host.setDryZeroInUse = [this](bool on) {
        if (fModes)
            fModes->SetDryZeroInUse(on);
    };
    host.testReadyToGoActive = [this] {
        if (fModes)
            fModes->GoActive().TestReadyToGoActive();
    };
    fSettings = std::make_unique<TControllerSettings>(host);

    fRunView = std::make_unique<TRunPagesView>(fPages.sheets, [this](TRunAction action, int value) {
        try {
            fModes->Action(action, value);
        } catch (const std::exception& e) {
            Log("Error Raised in %s: %s", "run page action", e.what());
        }
    });
    fModeHost = std::make_unique<TFormModeHost>(*this);
    TModeHooks modeHooks;
    modeHooks.updateUnitLabels = [this] { fModeHost->UpdateUnitLabels(); };
    fModes = std::make_unique<TModeController>(*fModeHost, std::move(modeHooks));

    fStatusPage = std::make_unique<TStatusPage>(fPages.status);
    fStatusPage->FillStatusList();
    fCardPage = std::make_unique<TSetCardIdPage>(fPages.setCardID,
                                                 [this]() -> TDeviceModel* { return fDeviceModel.get(); });
    fConfigSettingsPage = std::make_unique<TConfigurationSettingsPage>(
        fPages.configuration, *fSettings, [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); });
    // Settings are whole numbers, entered through the window's one numeric entry.
    fConfigSettingsPage->SetNumericEntry([this](const QString& title, double start, int) -> std::optional<double> {
        double value = start;
        if (!fModeHost->EditNumber(title.toStdString(), value, 0))
            return std::nullopt;
        return value;
    });
    fEditPresetsPage = std::make_unique<TPageEditPresets>(fPages.editPresets);
    fEditPresetsWetPage = std::make_unique<TPageEditPresetsWet>(fPages.editPresetsWet);

    connect(fPageControl, &QTabWidget::currentChanged, this, &TFormCanComport::OnPageShown);
}

// At start-up, once the settings file is open.
void TFormCanComport::CreateSettingsObjects()
{
    LoadSelectedUnits(*fSettingsIni, fCoordConvert->Units());
    fConfigUnitsPage = std::make_unique<TPageConfigurationUnits>(
        fPages.configuration, fCoordConvert->Units(), [this] { return fSettingsIni.get(); },
        [this] { fModeHost->UpdateUnitLabels(); });
    fConfigUnitsPage->Show();

    fGps = std::make_unique<TGpsSource>(DefaultSerialLibrary(), *fSettingsIni);
    fGps->OnRemoteAppRate = [this](TPeloCom&, float v) { fModes->OnRemoteAppRate(v); };
    fGps->OnRemoteSwathWidth = [this](TPeloCom&, float v) { fModes->OnRemoteSwathWidth(v); };
    fGpsSelect = std::make_unique<TGpsSourceSelect>(fPages.selectPrimaryMode, *fGps, [this] { StartGpsLink(); });
    fReceiversPage = std::make_unique<TReceiversPage>(fPages.receivers, DefaultSerialLibrary(), *fGps,
                                                      SerialPortsFolder());
    fModes->Start();
    fModeHost->UpdateUnitLabels();
}

void TFormCanComport::StartGpsLink()
{
    if (!fGps)
        return;
    std::optional<float> fixedSpeed;
    if (TAppPreset* preset = fModes->Preset())
        fixedSpeed = static_cast<float>(preset->FixedAppSpeedSI());
    const TGpsStartResult r = fGps->Start(fixedSpeed);
    if (fGpsSelect)
        fGpsSelect->ShowResult(r);
    fGpsCapabilityMask = r.capabilityMask;
    fModes->GpsStarted(r);
}

void TFormCanComport::SaveModeSettings()
{
    if (fModes && fSettingsIni)
        fModes->SaveModeSettings();
}

// The device model calls these with the board whose report asks for it.
void TFormCanComport::InstallStatusHandlers()
{
    OrvaneVEDOController& model = *fDeviceModel;
    fSettings->InstallStatusHandlers(model);
    model.SetStatusHandler(skStatus, [this](int board) { StatusReported(board); });
    model.SetStatusHandler(skCurrent, [this](int board) { CurrentReported(board); });
    model.SetStatusHandler(skFeedbackPotDirection, [this](int board) { FeedbackPotReported(board); });
}

void TFormCanComport::StatusReported(int board)
{
    if (!fDeviceModel)
        return;
    fLights->Toggle(3);
    TStatusRecord& s = fDeviceModel->MutableState().boards[board].status;
    if (s.flagsChanged) {
        s.flagsChanged = false;
        if (board == fSettings->DisplayedBoard() && fPageControl->currentIndex() == pgAlignPositionSensor) {
            fPages.alignPositionSensor.bsSkinGaugePositionSensor->setValue(s.position);
            fPages.alignPositionSensor.bsLabelPositionSensor->setText(QString::number(s.position));
        }
        fStatusPage->ShowStatusFlags(s.flags);
        fModes->StatusFlagsChanged(board);
    }
    if (s.moved) {
        s.moved = false;
        fModes->GatePositionDisplay(board, fDeviceModel->Position(board));
    }
    fSettings->HighSpeedStatusChanged(board);
    fSettings->SetSettingsMatch(board, fSettings->CheckControllerSettings(board));
}

void TFormCanComport::CurrentReported(int board)
{
    if (!fDeviceModel)
        return;
    TBoardState& b = fDeviceModel->MutableState().boards[board];
    const uint16_t pot = b.current.potPosition;
    if (board == fSettings->DisplayedBoard()) {
        if (fPageControl->currentIndex() == pgDryZero && !(b.status.flags & sfUnderCanControl))
            fPages.dryZero.bsSliderDryClosedPosition->setValue(pot);
        fPages.alignPositionSensor.bsGaugeFeedbackPot->setValue(pot);
        fPages.alignPositionSensor.bsLabelFeedbackPot->setText(QString::number(pot));
    }
    if (b.current.potChanged)
        fModes->PotSettingDisplay(board, pot);
    if (b.status.moved) {
        fModes->GatePositionDisplay(board, fDeviceModel->Position(board));
        b.status.moved = false;
    }
    b.current.potChanged = false;
}

void TFormCanComport::FeedbackPotReported(int)
{
    if (fDeviceModel)
        fPages.alignPositionSensor.bsCheckBoxFeedbackPotsReversed->setChecked(
            fDeviceModel->State().feedbackPotReversedReported);
}

// The page-show preparation of each page that has one.
void TFormCanComport::OnPageShown(int index)
{
    const int previous = fShownPage;
    fShownPage = index;
    if (previous == pgReceivers && index != pgReceivers && fReceiversPage)
        fReceiversPage->Hide();
    if (index == pgDiagnostics || !fStartupDone || !fDeviceModel || !fDeviceModel->LinkHealthy())
        return;
    DebugOut(std::string("Tab Shown: ") + kPageTable[index].caption);
    fTimerCycleTest->stop();
    switch (index) {
    case pgConfiguration:
        if (fConfigUnitsPage)
            fConfigUnitsPage->Show();
        fConfigSettingsPage->Show();
        break;
    case pgSetCardID:
        fCardPage->ShowConnectedControllerIDs();
        break;
    case pgReceivers:
        if (fReceiversPage)
            fReceiversPage->Show();
        break;
    case pgEditPresets:
        if (fCoordConvert)
            fEditPresetsPage->Show(fModes->Preset(), fCoordConvert->Units());
        break;
    case pgEditPresetsWet:
        if (fCoordConvert)
            fEditPresetsWetPage->Show(fModes->Preset(), fCoordConvert->Units());
        break;
    default:
        fModes->PageShown(index);
        break;
    }
}

} // namespace orv
