#include "app/ModeController.h"

#include "app/GateBanner.h"
#include "control/PresetChanger.h"
#include "device/DeviceModel.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "ui/PageTable.h"
#include "ui/UnitFormat.h"

namespace orv {

TModeController::TModeController(IModeHost& host, TModeHooks hooks)
    : fHost(host), fHooks(std::move(hooks)), fEvents(TRunEventHandlers{})
{
    TRunEventHandlers h;
    h.setPrimaryMode = [this] { SetPrimaryModeEvent(); };
    h.goActive = [this] { fGoActive.GoActiveEvent(); };
    h.newQuantities = [this] { NewQuantitiesEvent(); };
    h.controllerReady = [this] { ControllerReadyEvent(); };
    h.settingsReported = [this] {
        TDeviceModel* model = fHost.DeviceModel();
        return model && model->SettingsReported();
    };
    h.enableTimer = [this](bool on) { fHost.EnableRunEventTimer(on); };
    h.pageMode = [this] { return fHost.PageMode(); };
    h.restorePageMode = [this](uint8_t mode) { fHost.DoingService(mode); };
    h.reportError = [this](const std::string& text) { fHost.ReportError(text); };
    fEvents = TRunEvents(std::move(h));
    fModes.onPresetChange = [this] { fAdjust.RefreshRateDisplays(); };
}

TModeController::~TModeController() = default;

void TModeController::Start()
{
    fModes.ReadPrimaryMode();
    IModeView& view = fHost.View();
    view.SetText(rcGateBanner, kRunGateInitialBanner);
    view.SetText(rcDryBanner, kDryInitialBanner);
    view.SetText(rcMeteringBanner, kDryInitialBanner);
    view.SetVisible(rcPresetNotValid, false);
    view.SetVisible(rcNotReadyWarning, false);
    view.SetEnabled(rcGoActive, false);
    view.SetVisible(rcGateWarningMark, false);
    view.SetVisible(rcGateSetMark2, false);
    view.SetVisible(rcGateManualValue2, false);
    view.SetText(rcDryRateCaption, "Fixed Rate:");
    if (TMemIniFile* ini = fHost.SettingsIni())
        fState.autoBumpEnabled = ini->ReadBool("Controller Settings for Mode:1", "AutoBumpEnabled", false);
    fPark.SetDryZeroInUse(false);
}

void TModeController::DeviceModelCreated()
{
    fDisplays.DeviceModelCreated();
}

void TModeController::OnControllerReady()
{
    fHost.StorePageMode(static_cast<uint8_t>((fHost.PageMode() & ~0x07) | osNominal));
    fEvents.PostRunEvent(reControllerReady);
}

void TModeController::ControllerReadyEvent()
{
    if (TDeviceModel* model = fHost.DeviceModel()) {
        const int b = model->FirstBoard();
        model->SetControlTimeDelay(b, 0);
        model->SetControlMultiOutput(b, false);
        model->SetControlTimerMode(b, false);
        model->SetControlBits(b, 7);
    }
    fEvents.PostRunEvent(reNewQuantities);
}

void TModeController::NewQuantitiesEvent()
{
    fModes.NewQuantities();
    fEvents.PostRunEvent(reSetPrimaryMode);
}

void TModeController::SetPrimaryModeEvent()
{
    fModes.SetPrimaryMode(fState.primaryMode);
    if (!(fHost.PageMode() & osService))
        fEvents.PostRunEvent(reGoActive);
}

void TModeController::ChangeSystemSettingsClick()
{
    SaveModeSettings();
    fHost.DebugLine("calling DoingService at bsSkinButtonChangeToSystemSettingsClick");
    fHost.DoingService(static_cast<uint8_t>(fHost.PageMode() | osService));
}

void TModeController::SaveModeSettings()
{
    TMemIniFile* ini = fHost.SettingsIni();
    if (!ini)
        return;
    ini->WriteInteger("PrimaryMode", "PrimaryModeID", fState.primaryMode);
    const std::string section = "Controller Settings for Mode:" + std::to_string(fState.primaryMode);
    ini->WriteBool(section, "GPS_SPEED_CONTROL", (fState.gpsFlags & kGpsSpeedBit) != 0);
    ini->WriteBool(section, "GPS_SWATHWIDTH_CONTROL", (fState.gpsFlags & kGpsSwathBit) != 0);
    ini->WriteBool(section, "GPS_APPRATE_CONTROL", (fState.gpsFlags & kGpsRateBit) != 0);
    if (fState.quantities && fState.primaryMode != pmSimpleDry)
        ini->WriteFloat(section, "Bump", fState.quantities->Bump());
    if (fState.quantities && fState.primaryMode == pmSimpleDry) {
        ini->WriteFloat("Simple", "FixedSpeed", fState.quantities->FixedSpeed());
        ini->WriteFloat("Simple", "FixedOpening", fState.quantities->FixedOpening());
    }
    fHost.SaveSettingsIni();
}

TPresetChanger& TModeController::PresetChanger()
{
    if (!fChanger) {
        TPresetHost host;
        host.preset = &fState.preset;
        host.quantities = [this] { return fState.quantities.get(); };
        host.units = &fHost.DisplayUnits();
        host.settings = fHost.SettingsIni();
        host.iniDirectory = fHost.IniDirectory();
        host.primaryMode = [this] { return fState.primaryMode; };
        host.onPresetChanged = [this] { fAdjust.RefreshRateDisplays(); };
        TPresetHooks hooks;
        hooks.askConfirmation = [this](const std::string& q, std::function<void()> yes, std::function<void()> no) {
            fConfirmation.AskConfirmation(q, std::move(yes), std::move(no));
        };
        hooks.backupSettings = [this] { fHost.BackupSettingsIni(); };
        hooks.refreshSwathDisplay = [this] { fAdjust.ShowRateAndSwath(); };
        hooks.refreshRateDisplay = [this] { fAdjust.RefreshRateDisplays(); };
        hooks.refreshFullTankDisplay = fHooks.refreshFullTank;
        hooks.refreshTankDisplay = fHooks.refreshTankDisplays;
        hooks.applyTimerSettings = [this] { fTimers.ApplyTimerSettings(); };
        hooks.showPresetInUse = [this](const std::string& name) {
            const auto items = fHost.View().Items(rcDryPresetCombo);
            int index = -1;
            for (size_t i = 0; i < items.size(); ++i)
                if (SameText(items[i], name))
                    index = static_cast<int>(i);
            fHost.View().SetItems(rcDryPresetCombo, items, index);
        };
        hooks.showSelection = [this](const TPresetSelection& s) {
            fHost.View().SetText(rcDryPresetCaption, s.caption);
            fHost.View().SetText(rcDryDialValue, s.dialText);
            if (s.zeroTimeDelay)
                fState.timeDelayWanted = 0;
        };
        fChanger = std::make_unique<TPresetChanger>(std::move(host), std::move(hooks));
    }
    return *fChanger;
}

std::string TModeController::FirmwareOf(int board) const
{
    TDeviceModel* model = fHost.DeviceModel();
    return model && model->BoardPresent(board) ? model->FirmwareVersion(board) : std::string();
}

void TModeController::ShowFirmwareLabels()
{
    std::string fw = FirmwareOf(1);
    if (fw.empty())
        fw = FirmwareOf(2);
    if (fw.empty())
        fw = FirmwareOf(0);
    fHost.View().SetText(rcGateFirmware, fw);
    fHost.View().SetText(rcDryFirmware, fw);
}

void TModeController::PrepareRunGate()
{
    fDisplays.ShowGateBanner();
    if (TDeviceModel* model = fHost.DeviceModel())
        fDisplays.GatePositionDisplay(fState.currentBoard, model->Position(fState.currentBoard));
    if (fState.preset)
        fAdjust.TweakChange(static_cast<int>(RoundHalfEven(fState.preset->RateTweak() * 100.0)));
    if (fHooks.refreshQuantityDisplays)
        fHooks.refreshQuantityDisplays();
    fHost.View().ShowSheet(rcGatePages, gsCurrent);
    ShowFirmwareLabels();
}

void TModeController::PrepareRunDry()
{
    if (fState.primaryMode == pmSimpleDry) {
        fGps.SetGpsControl(kGpsRateBit, false);
        fGps.SetGpsControl(kGpsSwathBit, false);
    }
    fDisplays.ShowGateBanner();
    if (fState.preset) {
        const int tweak = static_cast<int>(RoundHalfEven(fState.preset->RateTweak() * 100.0));
        fHost.View().SetRange(rcDryTweakSlider, TRateAdjust::kSliderMin, TRateAdjust::kSliderMax, 5);
        fHost.View().SetRange(rcDryTweakUpDown, TRateAdjust::kSliderMin, TRateAdjust::kSliderMax, 1);
        fAdjust.TweakChange(tweak);
    }
    if (fHooks.refreshQuantityDisplays)
        fHooks.refreshQuantityDisplays();
    ShowFirmwareLabels();
    int sheet = fState.primaryMode == pmDryMaterial ? dsAppInfo : dsSimple;
    if (fRequestedDrySheet >= 0) {
        sheet = fRequestedDrySheet;
        fRequestedDrySheet = -1;
    }
    if (!fConfirmation.Asking() && fHost.View().Sheet(rcDryPages) != dsPark)
        fHost.View().ShowSheet(rcDryPages, sheet);
    if (fState.primaryMode == pmSimpleDry) {
        fAdjust.ShowSimpleCaptions();
        fAdjust.ShowFixedTarget();
    }
}

void TModeController::PageShown(int page)
{
    // Rate and swath width from the GPS are a dry-material matter only.
    const bool dry = fState.primaryMode == pmDryMaterial;
    fHost.View().SetEnabled(rcDryGpsRate, dry && (fState.gpsCapabilities & kGpsRateBit));
    fHost.View().SetEnabled(rcDryGpsSwath, dry && (fState.gpsCapabilities & kGpsSwathBit));
    switch (page) {
    case pgRunGate:
        PrepareRunGate();
        break;
    case pgRunDryMaterial:
        PrepareRunDry();
        break;
    case pgSelectPrimaryMode: {
        std::string left = FirmwareOf(1);
        if (left.empty())
            left = FirmwareOf(0);
        fHost.View().SetText(rcFirmwareLeft, left);
        fHost.View().SetText(rcFirmwareRight, FirmwareOf(2));
        fHost.View().SetChecked(static_cast<TRunControl>(rcModeRadio0 + fState.primaryMode), true);
        break;
    }
    default:
        break;
    }
}

void TModeController::Action(TRunAction action, int value)
{
    switch (action) {
    case raModeRadio:
        if (fModes.RadioGroupPrimaryModeClick(value))
            fEvents.PostRunEvent(reNewQuantities);
        break;
    case raGoActive:
        fGoActive.bsButtonGoActiveClick();
        break;
    case raTestTimerMode:
        fTimers.TestTimerModeClick();
        break;
    case raChangeSystemSettings:
        ChangeSystemSettingsClick();
        break;
    case raShutDown:
        fHost.ShutDownClick();
        break;
    case raPark:
        fPark.ParkButtonClick();
        break;
    case raGpsSpeedCheck:
        fGps.SetGpsControl(kGpsSpeedBit, value != 0);
        break;
    case raGpsSwathCheck:
        fGps.SetGpsControl(kGpsSwathBit, value != 0);
        break;
    case raGpsRateCheck:
        fGps.SetGpsControl(kGpsRateBit, value != 0);
        break;
    case raBumpSlider:
        fAdjust.BumpSliderChange(value);
        break;
    case raBumpUp:
        fAdjust.BumpUpClick();
        break;
    case raBumpDown:
        fAdjust.BumpDownClick();
        break;
    case raTweakSlider:
        fAdjust.TweakChange(value);
        break;
    case raTweakNext:
        fAdjust.TweakNextClick();
        break;
    case raAutoBump:
        fAdjust.AutoBumpClick(value != 0);
        break;
    case raVariableRate:
        fAdjust.VariableRateClick(value != 0);
        break;
    case raRateClick:
        fAdjust.RateValueClick();
        break;
    case raSwathClick:
        fAdjust.SwathValueClick();
        break;
    case raSimpleStep:
        fAdjust.SimpleStepClick(value);
        break;
    case raFixedSpeedClick:
        fAdjust.FixedSpeedClick();
        break;
    case raConfirmYes:
        fConfirmation.ConfirmYes();
        break;
    case raConfirmNo:
        fConfirmation.ConfirmNo();
        break;
    case raDryPresetChosen: {
        const auto items = fHost.View().Items(rcDryPresetCombo);
        if (value >= 0 && value < static_cast<int>(items.size()))
            PresetChanger().RequestDryMaterialChange(items[value]);
        break;
    }
    case raScreenBrightness:
        fHost.SetScreenBrightness(value);
        break;
    }
}

} // namespace orv
