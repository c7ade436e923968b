// The displayed board of the settings page, the status handlers that keep
// it and the match up to date, and the taking of its edits.
#include "device/ControllerSettings.h"

#include "device/DeviceModel.h"
#include "device/SettingsReports.h"

namespace orv {

void TControllerSettings::ShowSettingsMismatch(int board)
{
    const TDeviceModel* model = Model();
    if (!model || !Displayed(board))
        return;
    const TBoardSettings& v = fValues[board];
    fView->ClearSettingMarks();
    const int reportedMinimum = model->MinimumOpen(board);
    if (DryZeroInUse()) {
        if (reportedMinimum != model->DryZeroPosition(board))
            fView->MarkSetting(cskDryZeroOpening);
    } else if (reportedMinimum != model->ZeroPosition(board)) {
        fView->MarkSetting(cskSealedPosition);
    }
    for (int key : kSettingsCheckOrder) {
        if (key == cskSealedPosition)
            continue;
        if (ReportedSetting(*model, board, key) != v[key])
            fView->MarkSetting(key);
    }
}

void TControllerSettings::ShowControllerReadback(int board)
{
    const TDeviceModel* model = Model();
    if (!model || !fView || !Valid(board))
        return;
    const int mode = PrimaryMode();
    TControllerReadback r;
    r.proportionalCurrent = model->ProportionalCurrent(board);
    r.maxProportionalCurrent = model->MaxProportionalCurrent(board);
    r.pwmFrequency = model->PwmFrequency(board);
    r.pwmProportion = model->PwmProportion(board);
    r.pwmEnabled = model->PwmEnabled(board);
    r.highSpeed = HighSpeedReported(*model, board);
    r.outerDeadBand = model->OuterDeadBand(board);
    r.innerDeadBand = model->InnerDeadBand(board);
    r.maximumOpen = model->MaximumOpen(board);
    r.showDryZero = ModeUsesKey(mode, cskDryZeroOpening);
    // The board's echo of its dry seal when it sent one.
    const TBoardState& state = model->Board(board);
    r.dryZero = state.sealedMode.received ? state.sealedMode.Word(0) : model->DryZeroPosition(board);
    r.sealed = mode == 0 ? model->MinimumOpen(board) : model->ZeroPosition(board);
    fView->ShowReadback(r);
}

// Status handlers

void TControllerSettings::ConfigStatusChanged(int board)
{
    TDeviceModel* model = Model();
    if (!model || !Valid(board))
        return;
    EnsureDisplayedBoard();
    if (board == fDisplayedBoard) {
        ShowControllerReadback(board);
        fConfigApplied = true;
        ShowSettingsMismatch(board);
    }
    SetSettingsMatch(board, CheckControllerSettings(board));
}

void TControllerSettings::PmwStatusChanged(int board)
{
    TDeviceModel* model = Model();
    if (!model || !Valid(board))
        return;
    EnsureDisplayedBoard();
    // A command for one item carries the board's present values of the others.
    model->SetPwmFrequencyValue(board, model->PwmFrequency(board));
    model->SetPwmProportionValue(board, model->PwmProportion(board));
    model->SetPwmEnabledValue(board, model->PwmEnabled(board));
    model->SetProportionalCurrentValue(board, model->ProportionalCurrent(board));
    model->SetMaxProportionalCurrentValue(board, model->MaxProportionalCurrent(board));
    if (board == fDisplayedBoard) {
        ShowControllerReadback(board);
        fPwmApplied = true;
        ShowSettingsMismatch(board);
    }
    SetSettingsMatch(board, CheckControllerSettings(board));
}

bool TControllerSettings::HighSpeedStatusChanged(int board)
{
    TDeviceModel* model = Model();
    if (!model || !Valid(board))
        return false;
    TStatusRecord& status = model->MutableState().boards[board].status;
    if (!status.highSpeedChanged)
        return false;
    if (Displayed(board)) {
        fView->ShowHighSpeedReadback(HighSpeedReported(*model, board));
        ShowSettingsMismatch(board);
    }
    status.highSpeedChanged = false;
    SetSettingsMatch(board, CheckControllerSettings(board));
    return true;
}

void TControllerSettings::InstallStatusHandlers(TDeviceModel& model)
{
    model.SetStatusHandler(skConfig, [this](int board) { ConfigStatusChanged(board); });
    model.SetStatusHandler(skPmwStatus, [this](int board) { PmwStatusChanged(board); });
}

// The displayed board

void TControllerSettings::SetDisplayedBoard(int board)
{
    if (Valid(board))
        fDisplayedBoard = board;
}

void TControllerSettings::EnsureDisplayedBoard()
{
    if (fDisplayedBoard == 0)
        if (const TDeviceModel* model = Model())
            fDisplayedBoard = model->FirstBoard();
}

void TControllerSettings::SelectDisplayedBoard(bool left)
{
    fDisplayedBoard = left ? 1 : 2;
    LoadControllerSettings(fDisplayedBoard);
    ShowControllerReadback(fDisplayedBoard);
}

void TControllerSettings::ShowValues(int board)
{
    if (!Displayed(board))
        return;
    const int mode = PrimaryMode();
    for (int key : kSettingsReadOrder) {
        const bool used = ModeUsesKey(mode, key);
        fView->ShowSettingControl(key, used);
        if (used)
            fView->ShowSettingValue(key, fValues[board][key]);
    }
}

void TControllerSettings::ShowDisplayedBoard()
{
    EnsureDisplayedBoard();
    const int board = fDisplayedBoard;
    if (!fLoaded[board]) {
        // An incomplete load keeps its yellow marks on the missing keys.
        if (LoadControllerSettings(board))
            ShowSettingsMismatch(board);
    } else {
        ShowValues(board);
        ShowSettingsMismatch(board);
    }
    ShowControllerReadback(board);
    // The mismatch text may date from before the settings were loaded.
    if (TDeviceModel* model = Model(); model && model->BoardPresent(board))
        CheckControllerSettings(board);
}

// Editing

void TControllerSettings::TakeValue(TDeviceModel& model, int board, int key, int value)
{
    fValues[board][key] = value;
    if (key == cskSealedPosition)
        model.SetZeroPosition(board, static_cast<int16_t>(value));
    else if (key == cskDryZeroOpening)
        model.SetDryZeroPosition(board, static_cast<int16_t>(value));
}

void TControllerSettings::TakeSettingsEdits(const TBoardSettings& values)
{
    TDeviceModel* model = Model();
    if (!model)
        return;
    const int mode = PrimaryMode();
    for (int key : kSettingsTakeOrder)
        if (ModeUsesKey(mode, key))
            TakeValue(*model, fDisplayedBoard, key, values[key]);
}

void TControllerSettings::SaveDisplayedBoard()
{
    const int board = fDisplayedBoard;
    StoreControllerSettings(board, board);
    LoadControllerSettings(board);
    fMatch[board] = false;
    ApplyControllerSettings(board);
    ShowControllerReadback(board);
}

} // namespace orv
