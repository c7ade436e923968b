#include "app/FormModeHost.h"

#include "app/FormCanComport.h"
#include "app/IndicatorLights.h"
#include "app/ModeController.h"
#include "app/pages/RunPagesView.h"
#include "device/ControllerSettings.h"
#include "device/ControllerSettingsTable.h"
#include "device/OrvaneVEDOController.h"
#include "nav/CoordConvert.h"
#include "nav/GpsSource.h"
#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "store/Log.h"
#include "ui/UnitFormat.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#ifndef ORVANE_VERSION
#define ORVANE_VERSION "0.0.0"
#endif

namespace orv {

uint8_t TFormModeHost::PageMode() const
{
    return fForm.fPageMode;
}

void TFormModeHost::DoingService(uint8_t mode)
{
    fForm.DoingService(mode);
}

void TFormModeHost::StorePageMode(uint8_t mode)
{
    fForm.fPageMode = mode;
}

int TFormModeHost::ShownPage() const
{
    return fForm.fPageControl->currentIndex();
}

void TFormModeHost::ShowPage(int page)
{
    if (page >= 0 && page < kPageCount)
        fForm.fPageControl->setCurrentIndex(page);
}

IModeView& TFormModeHost::View()
{
    return *fForm.fRunView;
}

TDeviceModel* TFormModeHost::DeviceModel()
{
    return fForm.fDeviceModel.get();
}

bool TFormModeHost::ControllerLinkUp()
{
    return fForm.fDeviceModel && fForm.fDeviceModel->LinkHealthy();
}

void TFormModeHost::SetChannelConfig(int channel, int code)
{
    fForm.SetChannelConfig(channel, code);
}

bool TFormModeHost::LoadControllerSettings(int board)
{
    return fForm.fSettings->LoadControllerSettings(board);
}

void TFormModeHost::ApplyControllerSettings(int board)
{
    fForm.fSettings->ApplyControllerSettings(board);
}

bool TFormModeHost::AllControllerSettingsApplied()
{
    return fForm.fSettings->AllControllerSettingsApplied();
}

bool TFormModeHost::SettingsMatch(int board)
{
    return fForm.fSettings->SettingsMatch(board);
}

void TFormModeHost::ClearSettingsMatch(int board)
{
    fForm.fSettings->SetSettingsMatch(board, false);
}

int TFormModeHost::ConfiguredMaximum(int board)
{
    return fForm.fSettings->Values(board)[cskMaximumOpening];
}

void TFormModeHost::SetDisplayedBoard(int board)
{
    fForm.fSettings->SetDisplayedBoard(board);
}

TMemIniFile* TFormModeHost::SettingsIni()
{
    return fForm.fSettingsIni.get();
}

void TFormModeHost::SaveSettingsIni()
{
    if (!fForm.fSettingsIni)
        return;
    try {
        fForm.fSettingsIni->UpdateFile();
    } catch (const std::exception& e) {
        Log("Settings not saved: %s", e.what());
    }
}

void TFormModeHost::BackupSettingsIni()
{
    // The protected files' backup ring comes with the configuration
    // protection; until then a change is only saved.
    SaveSettingsIni();
}

std::string TFormModeHost::IniDirectory()
{
    return orv::IniDirectory();
}

const TDisplayUnits& TFormModeHost::DisplayUnits()
{
    static const TDisplayUnits kNone;
    return fForm.fCoordConvert ? fForm.fCoordConvert->Units() : kNone;
}

std::string TFormModeHost::ApplicationVersion()
{
    return ORVANE_VERSION;
}

bool TFormModeHost::CalibrationListEmpty()
{
    return TMemIniFile(IniPath("Calibrations.ini")).ReadSections().empty();
}

TGpsSource* TFormModeHost::GpsSource()
{
    return fForm.fGps.get();
}

void TFormModeHost::StartGps()
{
    fForm.StartGpsLink();
}

uint8_t TFormModeHost::GpsCapabilityMask()
{
    return fForm.fGpsCapabilityMask;
}

void TFormModeHost::EnableRunEventTimer(bool on)
{
    if (on)
        fForm.fTimerRunEvent->start();
    else
        fForm.fTimerRunEvent->stop();
}

void TFormModeHost::EnableUpdateQuantities(bool on)
{
    if (on)
        fForm.fTimerUpdateQuantities->start();
    else
        fForm.fTimerUpdateQuantities->stop();
}

void TFormModeHost::EnableCheckCan(bool on)
{
    fForm.EnableCheckCan(on);
}

void TFormModeHost::ShowControllerFailurePage()
{
    if (!fForm.fFailurePageShown)
        fForm.ShowFailurePage(true);
}

void TFormModeHost::ShowFailureText(const std::vector<std::string>& lines)
{
    fForm.ShowFailurePage(true);
    fForm.ReplaceDiagnostics(lines);
}

void TFormModeHost::ReportError(const std::string& text)
{
    Log("%s", text);
    DebugOut(text);
}

void TFormModeHost::ToggleLight(int light)
{
    if (fForm.fLights)
        fForm.fLights->Toggle(light);
}

bool TFormModeHost::EditValue(const std::string& title, double& value)
{
    return EditNumber(title, value, 3);
}

bool TFormModeHost::EditNumber(const std::string& title, double& value, int decimals)
{
    QInputDialog dialog(&fForm);
    dialog.setObjectName(QStringLiteral("DlgNumEdit"));
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(title));
    dialog.setInputMode(QInputDialog::DoubleInput);
    // Ranges are the caller's to judge, so that it can say what was wrong.
    dialog.setDoubleRange(-1e9, 1e9);
    dialog.setDoubleDecimals(decimals);
    dialog.setDoubleValue(value);
    const bool ok = dialog.exec() == QDialog::Accepted;
    if (ok)
        value = dialog.doubleValue();
    // A key still held must not act on the window behind.
    if (fForm.fFocusSink)
        fForm.fFocusSink->setFocus();
    return ok;
}

void TFormModeHost::UpdateUnitLabels()
{
    if (fForm.fModes && fForm.fCoordConvert)
        fForm.fModes->State().quantityUnitLabel = QuantityUnitLabel(fForm.PrimaryMode(), fForm.fCoordConvert->Units());
}

void TFormModeHost::DebugLine(const std::string& text)
{
    DebugOut(text);
}

void TFormModeHost::ShutDownClick()
{
    fForm.bsButtonCloseToDiagnosticsClick();
}

void TFormModeHost::SetScreenBrightness(int value)
{
    fForm.setWindowOpacity(value >= 255 ? 1.0 : value / 255.0);
}

} // namespace orv
