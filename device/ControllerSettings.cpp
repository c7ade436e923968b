#include "device/ControllerSettings.h"

#include "device/DeviceModel.h"
#include "device/SettingsReports.h"
#include "nav/GPSClock.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/Log.h"

namespace orv {

namespace {

// Apply order of the values sent with an item of their command.
constexpr int kConfigApplyOrder[] = {cskOuterDeadBand, cskInnerDeadBand, cskMaximumOpening};
constexpr int kPwmApplyOrder[] = {cskProportionalCurrent, cskMaxProportionalCurrent, cskPwmFrequency,
                                  cskPwmProportion, cskPwmEnabled};

// A stored value: false when missing, not a number, or beyond the field.
bool ReadStored(const TMemIniFile& ini, const std::string& section, const TSettingKeyDef& def, int& value)
{
    if (!ini.ValueExists(section, def.key))
        return false;
    int64_t v = 0;
    if (!TryStrToInt64(ini.ReadString(section, def.key, ""), v))
        return false;
    if (def.width == swBool) {
        value = v != 0 ? 1 : 0;
        return true;
    }
    if (v < 0 || v > def.maxValue)
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

TControllerSettings::TControllerSettings(TControllerSettingsHost host) : fHost(std::move(host))
{
    fValues.fill(DefaultBoardSettings());
}

int TControllerSettings::PrimaryMode() const
{
    return fHost.primaryMode ? fHost.primaryMode() : 1;
}

bool TControllerSettings::DryZeroInUse() const
{
    if (fHost.dryZeroInUse)
        return fHost.dryZeroInUse();
    const TDeviceModel* m = Model();
    return m && m->UsingDryZero();
}

void TControllerSettings::SetDryZeroInUse(bool on)
{
    if (fHost.setDryZeroInUse)
        fHost.setDryZeroInUse(on);
    else if (TDeviceModel* m = Model())
        m->SetUsingDryZero(on);
}

void TControllerSettings::Debug(const std::string& text) const
{
    if (fHost.debugLine)
        fHost.debugLine(text);
    else
        DebugOut(text);
}

void TControllerSettings::Wait(int ms) const
{
    TGPSClock::Instance().Delay(ms, true);
}

void TControllerSettings::SaveFile(TMemIniFile& ini)
{
    // A file that cannot be written costs the copy on disk, not the settings
    // in use: the boards are still set from the cache.
    try {
        if (fHost.saveSettingsFile)
            fHost.saveSettingsFile();
        else
            ini.UpdateFile();
    } catch (const std::exception& e) {
        Log("Controller settings not saved: %s", e.what());
    }
}

// Loading

bool TControllerSettings::SectionComplete(const TMemIniFile& ini, int mode, int board) const
{
    const std::string section = ControllerSettingsSectionForMode(mode, board);
    for (int key : kSettingsReadOrder)
        if (ModeUsesKey(mode, key) && !ini.ValueExists(section, kSettingKeys[key].key))
            return false;
    return true;
}

bool TControllerSettings::LoadControllerSettings(int board)
{
    TDeviceModel* model = Model();
    TMemIniFile* ini = File();
    if (!model || !ini || !Valid(board))
        return false;
    const int mode = PrimaryMode();
    if (!SectionComplete(*ini, mode, board)) {
        int source = -1;
        for (int b = 0; b < kBoards; ++b)
            if (SectionComplete(*ini, mode, b))
                source = b;
        if (source >= 0) {
            ReadSection(*model, *ini, mode, source);
            StoreControllerSettings(source, board);
        }
    }
    return ReadSection(*model, *ini, mode, board);
}

bool TControllerSettings::ReadSection(TDeviceModel& model, const TMemIniFile& ini, int mode, int board)
{
    const bool shown = Displayed(board);
    if (shown)
        fView->ClearSettingMarks();
    const std::string section = ControllerSettingsSectionForMode(mode, board);
    bool complete = true;
    for (int key : kSettingsReadOrder) {
        if (!ModeUsesKey(mode, key)) {
            if (shown)
                fView->ShowSettingControl(key, false);
            continue;
        }
        const TSettingKeyDef& def = kSettingKeys[key];
        int value = def.defaultValue;
        if (!ReadStored(ini, section, def, value)) {
            value = def.defaultValue;
            complete = false;
            if (shown)
                fView->MarkSetting(key);
        }
        fValues[board][key] = value;
        if (shown) {
            fView->ShowSettingControl(key, true);
            fView->ShowSettingValue(key, value);
        }
        // The wet sealed gate only opens to its sealed position.
        if (key == cskSealedPosition && mode == 2)
            fValues[board][cskMaximumOpening] = value;
    }
    fLoaded[board] = true;
    // The closed positions reach the boards at once (the device model sends
    // the minimum), so they are handed over only from a whole section: a
    // default stands in for a missing value on the page, never on the gate.
    if (complete) {
        model.SetZeroPosition(board, static_cast<int16_t>(fValues[board][cskSealedPosition]));
        if (ModeUsesKey(mode, cskDryZeroOpening))
            model.SetDryZeroPosition(board, static_cast<int16_t>(fValues[board][cskDryZeroOpening]));
    }
    return complete;
}

void TControllerSettings::StoreControllerSettings(int fromBoard, int toBoard)
{
    TMemIniFile* ini = File();
    if (!Model() || !ini || !Valid(fromBoard) || !Valid(toBoard))
        return;
    const int mode = PrimaryMode();
    const std::string section = ControllerSettingsSectionForMode(mode, toBoard);
    for (int key = 0; key < kSettingKeyCount; ++key) {
        if (!ModeUsesKey(mode, key))
            continue;
        const int v = fValues[fromBoard][key];
        if (kSettingKeys[key].width == swBool)
            ini->WriteBool(section, kSettingKeys[key].key, v != 0);
        else
            ini->WriteInteger(section, kSettingKeys[key].key, v);
    }
    SaveFile(*ini);
}

// Applying

bool TControllerSettings::SendDifference(TDeviceModel& model, int board, int key)
{
    const int value = fValues[board][key];
    if (ReportedSetting(model, board, key) == value)
        return false;
    const TSettingKeyDef& def = kSettingKeys[key];
    SetCommandValue(model, board, key, value);
    if (def.command == scConfigCmd)
        model.SendConfigCmd(board, def.item);
    else
        model.SendPwmParameters(board, def.item);
    Wait(kCommandWaitMs);
    return true;
}

void TControllerSettings::ApplyControllerSettings(int board)
{
    TDeviceModel* model = Model();
    if (!model || !Valid(board))
        return;
    const int mode = PrimaryMode();
    const TBoardSettings& v = fValues[board];
    fConfigApplied = true;
    fPwmApplied = true;
    bool changed = false;

    for (int key : kConfigApplyOrder) {
        if (SendDifference(*model, board, key)) {
            fConfigApplied = false;
            changed = true;
        }
    }
    if (model->ZeroPosition(board) != v[cskSealedPosition]) {
        model->SetZeroPosition(board, static_cast<int16_t>(v[cskSealedPosition]));
        fConfigApplied = false;
        changed = true;
    }
    if (ModeHasDryZero(mode)) {
        if (model->DryZeroPosition(board) != v[cskDryZeroOpening]) {
            model->SetDryZeroPosition(board, static_cast<int16_t>(v[cskDryZeroOpening]));
            fConfigApplied = false;
            changed = true;
        }
    } else {
        SetDryZeroInUse(false); // parked: no dry zero in this mode
    }
    if (!model->MinimumMatchesZero(board)) {
        fConfigApplied = false;
        changed = true;
        bool activeBoard = false;
        for (int b = 0; b < kBoards; ++b) {
            const uint16_t flags = model->StatusFlags(b);
            if (model->BoardPresent(b) && (flags & sfUnderCanControl) && (flags & sfArmed))
                activeBoard = true;
        }
        SetDryZeroInUse(ModeHasDryZero(mode) && activeBoard);
    }
    const bool highSpeed = v[cskMaxSolenoids] != 0;
    if (HighSpeedReported(*model, board) != highSpeed) {
        model->SetHighSpeedSolenoids(board, highSpeed);
        model->SendMessageSet(board, {ciSetHighspeedSolenoids});
        Debug(highSpeed ? "Max Valves Enabled" : "Max Valves Disabled");
        Wait(kCommandWaitMs);
        fConfigApplied = false;
        changed = true;
    }
    for (int key : kPwmApplyOrder) {
        if (SendDifference(*model, board, key)) {
            fPwmApplied = false;
            changed = true;
        }
    }
    model->SendMessageSet(board, {ciRequestPwmParameters});
    if (!changed)
        Debug("settings Unchanged");

    fMatch[board] = CheckControllerSettings(board);
    // The status handlers check again as the board's reports come in. A
    // report can be lost: the link keeps only the newest few frames, and two
    // boards answering every status request fill that in one go. So while
    // they still differ, the board is asked again for the report that differs.
    TDeadline wait;
    TGPSClock& clock = TGPSClock::Instance();
    clock.SetDeadline(kMatchWaitMs, wait);
    int64_t nextAsk = kReRequestMs;
    bool configNext = true;
    while (!fMatch[board] && clock.DeadlineRunning(wait)) {
        if (clock.Delay(kMatchStepMs, true))
            break;
        if (!fMatch[board] && clock.DeadlineRunning(wait) && clock.ElapsedMs(wait.start) >= nextAsk) {
            AskAgain(*model, board, configNext);
            nextAsk += kReRequestMs;
        }
    }
    if (fMatch[board])
        Debug("apply settings PASSED");
    else
        Debug(Format("apply settings failed for board %d", board));
}

// Checking

std::vector<int> TControllerSettings::Mismatches(const TDeviceModel& model, int board) const
{
    const int mode = PrimaryMode();
    const TBoardSettings& v = fValues[board];
    const TBoardState& state = model.Board(board);
    const int reportedMinimum = model.MinimumOpen(board);
    const int zero = model.ZeroPosition(board);
    const int dryZero = model.DryZeroPosition(board);
    std::vector<int> keys;
    for (int key : kSettingsCheckOrder) {
        bool matches;
        if (key == cskSealedPosition) {
            if (!ModeHasDryZero(mode))
                matches = reportedMinimum == zero;
            else if (state.sealedMode.received)
                matches = reportedMinimum == zero && state.sealedMode.Word(0) == static_cast<uint16_t>(dryZero);
            else
                matches = reportedMinimum == (DryZeroInUse() ? dryZero : zero);
        } else {
            matches = ReportedSetting(model, board, key) == v[key];
        }
        if (!matches)
            keys.push_back(key);
    }
    return keys;
}

bool TControllerSettings::CheckControllerSettings(int board)
{
    const TDeviceModel* model = Model();
    if (!model || !Valid(board))
        return false;
    std::string names;
    for (int key : Mismatches(*model, board))
        names += std::string(kSettingKeys[key].mismatchName) + " ";
    const int label = board == 2 ? 1 : 0;
    if (!names.empty()) {
        if (fView)
            fView->ShowMismatchText(label, Format("Missmatched %d: ", board) + names);
        return false;
    }
    if (fView)
        fView->ShowMismatchText(label, "");
    return true;
}

void TControllerSettings::AskAgain(TDeviceModel& model, int board, bool& configNext)
{
    bool config = false, pwm = false;
    for (int key : Mismatches(model, board)) {
        if (kSettingKeys[key].command == scPwmParameters)
            pwm = true;
        else if (key != cskMaxSolenoids) // the status polling brings that one
            config = true;
    }
    // One request at a time, so its answer does not arrive in a burst.
    if (config && (configNext || !pwm))
        model.SendMessageSet(board, {ciConfigRequest});
    else if (pwm)
        model.SendMessageSet(board, {ciRequestPwmParameters});
    configNext = !(config && (configNext || !pwm));
}

void TControllerSettings::SetSettingsMatch(int board, bool match)
{
    if (!Valid(board))
        return;
    fMatch[board] = match;
    if (match && fConfigApplied && fPwmApplied) {
        if (fHost.testReadyToGoActive)
            fHost.testReadyToGoActive();
        ShowSettingsMismatch(board);
    }
}

bool TControllerSettings::AllControllerSettingsApplied() const
{
    const TDeviceModel* model = Model();
    if (!model || model->BoardCount() == 0)
        return false;
    if (PrimaryMode() != 0)
        return fMatch[model->FirstBoard()];
    for (int b = 0; b < kBoards; ++b)
        if (model->BoardPresent(b) && !fMatch[b])
            return false;
    return true;
}

} // namespace orv
