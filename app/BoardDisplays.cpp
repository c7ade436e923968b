#include "app/BoardDisplays.h"

#include "app/GateBanner.h"
#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "app/ParkState.h"
#include "app/RateLoop.h"
#include "device/DeviceModel.h"
#include "nav/GpsSource.h"
#include "store/Format.h"
#include "store/Log.h"
#include "ui/PageTable.h"
#include "ui/UnitFormat.h"

#include <algorithm>

namespace orv {

TBoardDisplays::TBoardDisplays(TModeState& state, IModeHost& host, const TModeHooks& hooks, TParkState& park,
                               TRateLoop& loop)
    : fState(state), fHost(host), fHooks(hooks), fPark(park), fLoop(loop)
{
}

void TBoardDisplays::DeviceModelCreated()
{
    fState.timeDelayTaken.fill(false);
}

void TBoardDisplays::StatusFlagsChanged(int board)
{
    TDeviceModel* model = fHost.DeviceModel();
    if (!model || board < 0 || board >= kBoardCount)
        return;
    fState.statusCopy[board] = model->Board(board).status;
    if (!fState.timeDelayTaken[board]) {
        fState.timeDelayTaken[board] = true;
        model->SetControlTimeDelay(board, fState.statusCopy[board].timeDelay);
    }
    if (fState.statusCopy[board].flags & 0x0040)
        Log("Can Controller Fault Detected");
    else
        ShowGateBanner();
    fPark.RunParkRule(board);
    UpdateGuidanceOutput(board);
}

uint16_t TBoardDisplays::GateStatusOf(uint16_t flags, bool pilotSwitch)
{
    return static_cast<uint16_t>(((flags & 0x0003) == 0x0003 ? 20 : 10) + (pilotSwitch ? 1 : 0));
}

void TBoardDisplays::UpdateGuidanceOutput(int board)
{
    TDeviceModel* model = fHost.DeviceModel();
    TGpsSource* source = fHost.GpsSource();
    TPeloCom* link = source ? source->Link() : nullptr;
    if (!model || !link)
        return;
    link->SetGateStatus(GateStatusOf(model->StatusFlags(board), model->PilotSwitchReported(board)));
    if (link->GuidanceSelected())
        link->SendOrvSentence();
}

void TBoardDisplays::ShowGateBanner()
{
    const bool runGate = fState.primaryMode == pmFireGate;
    const bool dry = fState.primaryMode == pmDryMaterial || fState.primaryMode == pmSimpleDry;
    if (!runGate && !dry)
        return;
    TGateBannerInput in;
    in.runGate = runGate;
    if (TDeviceModel* model = fHost.DeviceModel())
        for (int b = 0; b < kBoardCount; ++b)
            if (model->BoardPresent(b))
                in.presentFlags.push_back(model->StatusFlags(b));
    IModeView& view = fHost.View();
    in.dryZeroInUse = fPark.DryZeroInUse();
    in.parkSheetShown = dry && view.Sheet(rcDryPages) == dsPark;
    const TGateBannerState s = ComputeGateBanner(in);

    const TRunControl banner = runGate ? rcGateBanner : rcDryBanner;
    view.SetText(banner, s.text);
    view.SetColour(banner, s.colour);
    if (runGate) {
        view.SetVisible(rcGateManualCaption, s.showManual);
        view.SetVisible(rcGateManualValue, s.showManual);
        view.SetText(rcGateTimerWarning, s.warnings.empty() ? "" : s.warnings.front());
        view.SetVisible(rcGateTimerWarning, !s.warnings.empty());
    } else {
        view.SetVisible(rcDryManualCaption, s.showManual);
        view.SetVisible(rcDryManualValue, s.showManual);
        const TRunControl lines[2] = {rcDryWarning1, rcDryWarning2};
        for (size_t i = 0; i < 2; ++i) {
            const bool on = i < s.warnings.size();
            view.SetText(lines[i], on ? s.warnings[i] : "");
            view.SetVisible(lines[i], on);
        }
        if (s.parkSheet == TParkSheetAction::ShowParkWarning) {
            Log(s.logLine);
            view.ShowSheet(rcDryPages, dsPark);
        } else if (s.parkSheet == TParkSheetAction::ShowPresetSheet) {
            view.ShowSheet(rcDryPages, fState.primaryMode == pmDryMaterial ? dsCurrent : dsSimple);
        }
    }
    TGpsSource* source = fHost.GpsSource();
    if (TPeloCom* link = source ? source->Link() : nullptr)
        link->SetRunState(runGate ? 2 : 1);
}

void TBoardDisplays::GatePositionDisplay(int board, int position)
{
    TDeviceModel* model = fHost.DeviceModel();
    if (!model || board < 0 || board >= kBoardCount)
        return;
    fState.displayedPosition[board] = position;
    const TBoardSet held = model->BoardsHeldClosed();
    if (held & BoardBit(board))
        return;
    const int first = model->FirstBoard();
    const bool shown = board == first || ((held & BoardBit(first)) && board != first);
    const uint8_t mode = fState.primaryMode;
    const bool dryZero = mode == 1 || mode == 3 || mode == 4;
    const int closed = dryZero ? model->DryZeroPosition(board) : model->ZeroPosition(board);
    const int maximum = model->MaximumOpen(board);
    const int span = maximum - closed;
    if (span <= 0)
        return;
    if (fHost.ShownPage() == pgAlignPositionSensor && fHooks.showSensorPosition)
        fHooks.showSensorPosition(board, static_cast<uint16_t>(position));
    const double percent = (position - closed) * 100.0 / span;
    fState.openingPercent[board] = percent;
    const int zero = model->ZeroPosition(board);
    if (maximum - zero > 10) {
        const int g = static_cast<int>(RoundHalfEven((position - zero) * 1000.0 / (maximum - zero)));
        IModeView& view = fHost.View();
        switch (mode) {
        case pmFireGate:
            view.SetValue(rcGateOpeningGauge, g);
            break;
        case pmDryMaterial:
            view.SetValue(rcDryOpeningGauge, g);
            break;
        case pmMeteringPlate:
            view.SetValue(rcMeteringGauge, static_cast<int>(RoundHalfEven(percent * 10)));
            break;
        case pmSimpleDry:
            view.SetValue(rcSimpleOpeningGauge, g);
            break;
        default:
            break;
        }
    }
    if (shown && fHost.ShownPage() != pgCalibrateOpeningDistance)
        fLoop.ShowPredictedOpening(percent);
}

void TBoardDisplays::PotSettingDisplay(int board, int pot)
{
    TDeviceModel* model = fHost.DeviceModel();
    TCalculatedQuantities* q = fState.quantities.get();
    if (!model || !q || board < 0 || board >= kBoardCount)
        return;
    fState.displayedPot[board] = pot;
    const int span = model->MaximumOpen(board) - model->MinimumOpen(board);
    if (span <= 0)
        return;
    IModeView& view = fHost.View();
    const TDisplayUnits& units = fHost.DisplayUnits();
    const bool first = board == model->FirstBoard();
    const auto openingText = [&](double percent, const char* none) -> std::string {
        const TArrayOfXYPair& dial = q->Calibration().DialToOpening();
        if (dial.Empty())
            return none;
        return FormatGateOpening(dial.Interpolate(percent) / 100.0, units);
    };
    if (fState.primaryMode == pmFireGate) {
        const double percent = std::clamp((pot - model->ConfigMinimum(board)) * 100.0 / span, 0.0, 100.0);
        bool anyAuto = false;
        for (int b = 0; b < kBoardCount; ++b)
            if (model->BoardPresent(b) && (model->StatusFlags(b) & 0x0001))
                anyAuto = true;
        if (!anyAuto) {
            const TRunControl mark = first ? rcGateSetMark : rcGateSetMark2;
            view.SetValue(mark, static_cast<int>(RoundHalfEven(percent * 10)));
            if (!first)
                view.SetVisible(rcGateSetMark2, true);
        }
        const TRunControl label = first ? rcGateManualValue : rcGateManualValue2;
        view.SetText(label, Format("%.0F%% %s", percent, openingText(percent, "No Scale Set")));
        if (!first)
            view.SetVisible(rcGateManualValue2, true);
    } else if (fState.primaryMode == pmDryMaterial || fState.primaryMode == pmSimpleDry) {
        view.SetVisible(rcGateSetMark2, false);
        const int zero = model->ZeroPosition(board);
        const int travel = model->MaximumOpen(board) - zero;
        if (travel <= 0)
            return;
        const double percent = std::clamp((pot - zero) * 100.0 / travel, 0.0, 100.0);
        if (first)
            view.SetText(rcDryManualValue, Format("%.0F%% %s", percent, openingText(percent, "None Set")));
    }
}

} // namespace orv
