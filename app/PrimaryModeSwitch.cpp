#include "app/PrimaryModeSwitch.h"

#include "app/BoardDisplays.h"
#include "app/GpsControl.h"
#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "app/ParkState.h"
#include "app/RateAdjust.h"
#include "app/RateLoop.h"
#include "app/TimerSettings.h"
#include "device/DeviceModel.h"
#include "nav/GpsSource.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "store/Log.h"
#include "store/SettingsRecords.h"
#include "ui/PageTable.h"

#include <algorithm>

namespace orv {

namespace {

void Call(const std::function<void()>& f)
{
    if (f)
        f();
}

int IndexOf(const std::vector<std::string>& list, const std::string& name)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (SameText(list[i], name))
            return static_cast<int>(i);
    return -1;
}

} // namespace

TPrimaryModeSwitch::TPrimaryModeSwitch(TModeState& state, IModeHost& host, const TModeHooks& hooks, TModeParts parts)
    : fState(state), fHost(host), fHooks(hooks), fParts(parts)
{
}

std::string TPrimaryModeSwitch::ModeSection(int mode) const
{
    return Format("Controller Settings for Mode:%d", mode);
}

void TPrimaryModeSwitch::ReadPrimaryMode()
{
    TMemIniFile* ini = fHost.SettingsIni();
    int mode = pmDryMaterial;
    if (ini) {
        if (!ini->SectionExists("PrimaryMode")) {
            ini->WriteInteger("PrimaryMode", "PrimaryModeID", pmDryMaterial);
            fHost.SaveSettingsIni();
        } else {
            mode = ini->ReadInteger("PrimaryMode", "PrimaryModeID", pmDryMaterial);
        }
    }
    if (mode < pmFireGate || mode > pmSimpleDry) {
        Log("Unknown primary mode %d in LastSelectedPreset.ini; using Dry Material", mode);
        mode = pmDryMaterial;
    }
    fState.primaryMode = static_cast<uint8_t>(mode);
    fHost.View().SetChecked(static_cast<TRunControl>(rcModeRadio0 + mode), true);
}

void TPrimaryModeSwitch::WritePrimaryMode()
{
    if (TMemIniFile* ini = fHost.SettingsIni()) {
        ini->WriteInteger("PrimaryMode", "PrimaryModeID", fState.primaryMode);
        fHost.SaveSettingsIni();
    }
}

bool TPrimaryModeSwitch::RadioGroupPrimaryModeClick(int mode)
{
    fHost.View().SetEnabled(rcGoActive, false);
    Call(fHooks.resetLoadSplit);
    if (mode < pmFireGate || mode > pmSimpleDry || !fHost.View().Checked(static_cast<TRunControl>(rcModeRadio0 + mode)))
        return false;
    fState.primaryMode = static_cast<uint8_t>(mode);
    const bool start = (fHost.PageMode() & osNominal) != 0;
    WritePrimaryMode();
    return start;
}

void TPrimaryModeSwitch::NewQuantities()
{
    // The preset was made for the old quantities; a quantity tick between
    // here and the new preset finds neither half of a pair.
    fState.preset.reset();
    fState.quantities.reset();
    fState.quantities =
        std::make_unique<TCalculatedQuantities>(fState.primaryMode, fHost.IniDirectory(), fHost.DisplayUnits());
}

std::vector<std::string> TPrimaryModeSwitch::PresetNames(bool dry) const
{
    TMemIniFile file(PathJoin(fHost.IniDirectory(), {}, TAppPreset::FileNameFor(dry)));
    return file.ReadSection("PRESETS");
}

void TPrimaryModeSwitch::WriteVersions()
{
    TMemIniFile* ini = fHost.SettingsIni();
    if (!ini)
        return;
    static const char* const kPrefix[kBoardCount] = {"Broadcast: ", "Left: ", "Right: "};
    std::string text[kBoardCount];
    if (TDeviceModel* model = fHost.DeviceModel())
        for (int b = 0; b < kBoardCount; ++b) {
            const std::string fw = model->BoardPresent(b) ? model->FirmwareVersion(b) : std::string();
            if (!fw.empty())
                text[b] = kPrefix[b] + fw;
        }
    WriteVersionsRecord(*ini, fHost.ApplicationVersion(), text[0], text[1], text[2]);
}

void TPrimaryModeSwitch::ReadGateIsDual()
{
    TMemIniFile* ini = fHost.SettingsIni();
    TDeviceModel* model = fHost.DeviceModel();
    if (!ini)
        return;
    const std::string section = ModeSection(fState.primaryMode);
    const bool twoBoards = model && model->BoardCount() == 2;
    if (ini->ValueExists(section, "GateIsDual"))
        fState.gateIsDual = ini->ReadBool(section, "GateIsDual", false);
    if (!fState.gateIsDual && twoBoards) {
        fState.gateIsDual = true;
        ini->WriteBool(section, "GateIsDual", true);
        fHost.SaveSettingsIni();
    }
}

void TPrimaryModeSwitch::ApplyControllerSettings()
{
    TDeviceModel* model = fHost.DeviceModel();
    if (!model)
        return;
    if (fState.gateIsDual) {
        if (fHost.LoadControllerSettings(1))
            fHost.ApplyControllerSettings(1);
        // The right board follows only a left board that took its settings.
        if (fHost.SettingsMatch(1) && fHost.LoadControllerSettings(2))
            fHost.ApplyControllerSettings(2);
    } else {
        const int first = model->FirstBoard();
        if (fHost.LoadControllerSettings(first))
            fHost.ApplyControllerSettings(first);
    }
}

void TPrimaryModeSwitch::ConfigureSerialChannels()
{
    TMemIniFile* ini = fHost.SettingsIni();
    if (!ini)
        return;
    struct TChannelKey {
        const char* key;
        int code;
    };
    static const TChannelKey kKeys[] = {{"DataVaultPort", 3}, {"ReabePort", 2}};
    for (const auto& k : kKeys) {
        const int64_t v = ini->ReadInteger("RECEIVERS", k.key, 0);
        if (v < 0 || v > 255) {
            // A damaged value must not keep the gate from going active.
            Log("RECEIVERS %s=%d is out of range 0..255 and is ignored", k.key, v);
            continue;
        }
        if (v >= 1 && v <= 4)
            fHost.SetChannelConfig(static_cast<int>(v), k.code);
    }
}

void TPrimaryModeSwitch::MakePreset(bool dry, const std::string& common, const std::string& name)
{
    fState.preset.reset();
    fState.preset = std::make_unique<TAppPreset>(dry, fState.quantities.get(), fHost.DisplayUnits(),
                                                 fState.primaryMode, fHost.IniDirectory(), common, name);
    if (onPresetChange)
        fState.preset->SetOnChange(onPresetChange);
}

void TPrimaryModeSwitch::CloseAllBoards()
{
    TDeviceModel* model = fHost.DeviceModel();
    if (!model)
        return;
    for (int b = 0; b < kBoardCount; ++b)
        if (model->BoardPresent(b)) {
            Log("SetSetPosition in VerifyGateDryOpeningSetting");
            model->setPos(b, model->ZeroPosition(b));
        }
}

void TPrimaryModeSwitch::RestoreBump()
{
    TMemIniFile* ini = fHost.SettingsIni();
    if (!ini || !fState.quantities)
        return;
    double bump = ini->ReadFloat(ModeSection(fState.primaryMode), "Bump", 1.0);
    if (!(bump >= TRateAdjust::kSliderMin / 100.0 && bump <= TRateAdjust::kSliderMax / 100.0))
        bump = 1.0;
    fState.quantities->SetBump(static_cast<float>(bump));
}

void TPrimaryModeSwitch::SetFireGate()
{
    TMemIniFile* ini = fHost.SettingsIni();
    fParts.loop.SetFlowBlocked(false);
    fParts.park.SetDryZeroInUse(false);
    const std::string section = ModeSection(pmFireGate);
    const bool foam = ini && ini->ReadBool(section, "FoamOnInactive", false);
    fState.foamOnInactive = foam;
    if (fHooks.foamOnInactive)
        fHooks.foamOnInactive(foam);
    const std::string name = ini ? ini->ReadString(section, "Current Preset", "WATER Level 5.0") : "WATER Level 5.0";
    MakePreset(false, "COMMON", name);
    const std::vector<std::string> names = PresetNames(false);
    if (!fState.preset->Valid() && !names.empty())
        fState.preset->LoadPreset(names.front());
    fMaterials.Build(names);
    const std::string material = FiregateMaterial(fState.preset->SectionName());
    const float level = FiregateLevel(fState.preset->SectionName());
    const std::vector<std::string> materials = fMaterials.Materials();
    fHost.View().SetItems(rcGateMaterial, materials, IndexOf(materials, material));
    fState.foamingPumpFlow = ini ? ini->ReadFloat(section, "FOAMING_PUMP_FLOWRATE", 0.16) : 0.16;
    if (fHooks.foamingPumpFlow)
        fHooks.foamingPumpFlow(fState.foamingPumpFlow);
    Call(fHooks.refreshFullTank);
    fState.quantities->SetCoverageLevel(level);
    fHost.View().SetText(rcGateLevel, Format("%.1F", static_cast<double>(level)));
    fHost.View().SetText(rcGateLeakage, Format("%.0f%%", static_cast<double>(fState.preset->MaxLeakage())));
}

void TPrimaryModeSwitch::SetDryMaterial(uint8_t& copy)
{
    TMemIniFile* ini = fHost.SettingsIni();
    IModeView& view = fHost.View();
    fParts.loop.SetFlowBlocked(false);
    const std::string section = ModeSection(pmDryMaterial);
    const std::string name = ini ? ini->ReadString(section, "Current Preset", "Default") : "Default";
    const std::vector<std::string> names = PresetNames(true);
    if (names.empty()) {
        fState.preset.reset(); // the file lists no material at all
    } else {
        MakePreset(true, name, name);
    }
    fState.autoBumpEnabled = ini && ini->ReadBool(section, "AutoBumpEnabled", false);
    view.SetChecked(rcDryAutoBump, fState.autoBumpEnabled);
    view.SetEnabled(rcDryAutoBump, true);
    view.SetItems(rcDryPresetCombo, names, -1);
    view.SetText(rcDryPresetCaption, "Selected Dry Preset:");
    if (fState.preset && fState.preset->Valid()) {
        const int i = IndexOf(names, fState.preset->SectionName());
        view.SetItems(rcDryPresetCombo, names, i >= 0 ? i : 0);
        if (i < 0 && ini) {
            ini->WriteString(section, "Current Preset", names.front());
            MakePreset(true, names.front(), names.front());
        }
    } else if (!names.empty()) {
        view.SetItems(rcDryPresetCombo, names, 0);
        MakePreset(true, names.front(), names.front());
    } else {
        fState.preset.reset();
        if (fHost.CalibrationListEmpty()) {
            fHost.DebugLine("calling DoingService at SetPrimaryMode,tlts_DryMaterial");
            copy |= osService;
        }
    }
    if (fState.preset && ini)
        ini->WriteString(section, "Current Preset", fState.preset->SectionName());
    Call(fHooks.restoreJobValues);
    RestoreBump();
    CloseAllBoards();
    fParts.loop.SendAllOpenings();
    Log("Finished Setting Dry Mode");
    if (fState.quantities)
        fState.quantities->SetCleanupActive(false);
    Call(fHooks.cleanupOff);
    Call(fHooks.refreshQuantityDisplays);
    Call(fHooks.refreshDispersedState);
}

void TPrimaryModeSwitch::SetWetSealed()
{
    fParts.loop.SetFlowBlocked(true);
    fState.preset.reset();
    fState.quantities.reset();
    fParts.park.SetDryZeroInUse(false);
    CloseAndSend(false);
    fState.gpsFlags = 0;
    fParts.gps.SetGpsCapabilities(0);
}

void TPrimaryModeSwitch::SetMeteringPlate()
{
    fParts.loop.SetFlowBlocked(true);
    CloseAndSend(true);
    fState.gpsFlags = 0;
    fParts.gps.SetGpsCapabilities(0);
}

void TPrimaryModeSwitch::CloseAndSend(bool dryZero)
{
    // The previous mode's opening is still the commanded position: the gate
    // is told the closed one at once, and never a position it does not know.
    TDeviceModel* model = fHost.DeviceModel();
    if (!model)
        return;
    for (int b = 0; b < kBoardCount; ++b) {
        if (!model->BoardPresent(b))
            continue;
        const int closed = dryZero ? model->DryZeroPosition(b) : model->ZeroPosition(b);
        if (closed <= 0 || model->ZeroPosition(b) <= 0) {
            Log("Board %d has no closed position to go to", b);
            continue;
        }
        model->setPos(b, closed);
        model->SendControl(b);
    }
}

void TPrimaryModeSwitch::SetSimpleDry()
{
    TMemIniFile* ini = fHost.SettingsIni();
    fParts.loop.SetFlowBlocked(false);
    MakePreset(true, "Simple", "Simple");
    const std::vector<std::string> names = PresetNames(true);
    const int i = IndexOf(names, fState.preset->SectionName());
    fHost.View().SetItems(rcDryPresetCombo, names, i >= 0 ? i : (names.empty() ? -1 : 0));
    if (ini)
        ini->WriteString(ModeSection(pmSimpleDry), "Current Preset", fState.preset->SectionName());
    const double speed = ini ? ini->ReadFloat("Simple", "FixedSpeed", 62.6) : 62.6;
    const double opening = ini ? ini->ReadFloat("Simple", "FixedOpening", 0.05) : 0.05;
    fState.quantities->SetFixedSpeed(static_cast<float>(speed));
    fState.quantities->SetFixedOpening(static_cast<float>(opening));
    fHost.View().SetText(rcSimpleFixedTarget, "Fixed Target:");
    fParts.adjust.ShowSimpleCaptions();
    CloseAllBoards();
}

void TPrimaryModeSwitch::SetPrimaryMode(uint8_t mode)
{
    struct TEnableLoop {
        IModeHost& host;
        ~TEnableLoop() { host.EnableUpdateQuantities(true); }
    } enableLoop{fHost};

    // 1-3.
    Log("Setting Primary Mode to %d", static_cast<int>(mode));
    uint8_t copy = fHost.PageMode();
    TDeviceModel* model = fHost.DeviceModel();
    for (int b = 0; b < kBoardCount; ++b) {
        fState.pilotSwitch[b] = false;
        fHost.ClearSettingsMatch(b);
    }
    fState.currentBoard = model ? model->FirstBoard() : 0;
    // The settings page follows the boards this mode loads, not a board
    // picked in another mode.
    fHost.SetDisplayedBoard(fState.currentBoard);
    fMaterials.Clear();
    Call(fHooks.refreshAircraftId);

    // 4-5.
    fState.primaryMode = mode;
    fState.gateIsDual = false;
    WriteVersions();
    if (mode == pmFireGate || mode == pmDryMaterial)
        ReadGateIsDual();

    // 6-7.
    ApplyControllerSettings();
    const bool applied = fHost.AllControllerSettingsApplied();
    if (!applied) {
        fHost.DebugLine("calling Doing Service at SetPrimaryMode");
        copy |= osService;
        // The nominal flag stays, so that "Go Active" can find the run page later.
        fHost.DoingService(copy);
        fHost.ShowPage(pgSelectPrimaryMode);
        return;
    }

    // 8.
    copy &= static_cast<uint8_t>(~osService);
    fParts.park.SetDryZeroInUse(false);
    Call(fHooks.updateUnitLabels);
    fHost.View().SetVisible(rcDryTankGauge, mode == pmDryMaterial);
    if (model)
        model->SetBoardsHeldClosed(0);
    Call(fHooks.refreshDoorImages);
    WritePrimaryMode();
    fHost.View().SetEnabled(rcDryAutoBump, false);
    // The quantities belong to the mode; a mode set without the new-quantities
    // step (Go Active after another mode was picked) makes them here.
    const bool needsQuantities = mode == pmFireGate || mode == pmDryMaterial || mode == pmSimpleDry;
    if (needsQuantities && (!fState.quantities || fState.quantities->PrimaryMode() != mode))
        NewQuantities();
    if (fState.quantities)
        fState.quantities->UpdateDisplayUnits();

    // 9.
    ConfigureSerialChannels();
    fParts.gps.LoadGpsChoices();
    fParts.gps.SetGpsCapabilities(fHost.GpsCapabilityMask());

    // 10.
    switch (mode) {
    case pmFireGate:
        SetFireGate();
        break;
    case pmDryMaterial:
        SetDryMaterial(copy);
        break;
    case pmWetSealed:
        SetWetSealed();
        break;
    case pmMeteringPlate:
        SetMeteringPlate();
        break;
    case pmSimpleDry:
        SetSimpleDry();
        break;
    default:
        break;
    }

    // 11.
    fHost.SaveSettingsIni();
    if (fState.preset && fState.preset->Valid() && fState.quantities) {
        Call(fHooks.refreshFullTank);
        fState.quantities->AttachPreset(fState.preset.get());
        fHost.StartGps();
        fParts.adjust.RefreshRateDisplays();
    }
    // 12.
    TGpsSource* source = fHost.GpsSource();
    if (TPeloCom* link = source ? source->Link() : nullptr; link && fState.preset && fState.quantities)
        link->SetLocalSpeed(mode == pmSimpleDry ? fState.quantities->FixedSpeed()
                                                : static_cast<float>(fState.preset->FixedAppSpeedSI()));
    if (mode == pmSimpleDry)
        fParts.adjust.ShowFixedTarget();

    // 13.
    fHost.DoingService(0);
    fHost.DoingService(copy);
    fParts.timers.ApplyTimerSettings();
    if (mode == pmFireGate || mode == pmDryMaterial || mode == pmSimpleDry) {
        fParts.displays.UpdateGuidanceOutput(fState.currentBoard);
        Call(fHooks.resetTankForMode);
        if (model)
            fParts.displays.GatePositionDisplay(fState.currentBoard, model->Position(fState.currentBoard));
    }
    Log("Finished Setting Primary Mode");
}

} // namespace orv
