#include "app/RateLoop.h"

#include "app/GpsControl.h"
#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "device/DeviceModel.h"
#include "nav/GpsSource.h"
#include "store/Format.h"
#include "store/Log.h"
#include "ui/PageTable.h"
#include "ui/UnitFormat.h"

#include <stdexcept>

namespace orv {

namespace {

constexpr uint16_t kUnderCanControl = 0x0001;
constexpr uint16_t kArmed = 0x0002;

void Call(const std::function<void()>& f)
{
    if (f)
        f();
}

bool AnyPresent(const TDeviceModel& model, uint16_t bit)
{
    for (int b = 0; b < kBoardCount; ++b)
        if (model.BoardPresent(b) && (model.StatusFlags(b) & bit))
            return true;
    return false;
}

bool DryMode(uint8_t mode)
{
    return mode == pmDryMaterial || mode == pmSimpleDry;
}

// The dry modes close on the dry zero, the wet ones on the sealed position.
bool ClosesOnDryZero(uint8_t mode)
{
    return DryMode(mode) || mode == pmMeteringPlate;
}

} // namespace

TRateLoop::TRateLoop(TModeState& state, IModeHost& host, const TModeHooks& hooks, TGpsControl& gps)
    : fState(state), fHost(host), fHooks(hooks), fGps(gps)
{
}

bool TRateLoop::ProcedurePage(int page)
{
    return page == pgAlignPositionSensor || page == pgTunePWM || page == pgCycleTests;
}

bool TRateLoop::NoOpeningPage(int page)
{
    return page == pgMaxMinOpenings || page == pgDryZero || page == pgSelectPrimaryMode ||
           page == pgCalibrateOpeningDistance || page == pgConfiguration;
}

void TRateLoop::SetFlowBlocked(bool blocked)
{
    fState.flowBlocked = blocked;
}

void TRateLoop::TimerUpdateQuantities()
{
    TDeviceModel* model = fHost.DeviceModel();
    try {
        // 1. Calls put off to now.
        fCalls.RunDueCalls();
        // 2. The guidance link and the scale.
        PollGuidance();
        // 3. The speed.
        UpdateSpeed();
        const int page = fHost.ShownPage();
        const bool working = fState.preset && fState.quantities && !ProcedurePage(page);
        // 4. The pilot switch and the tank.
        if (!model || !AnyPresent(*model, kArmed)) {
            fState.pilotSwitch.fill(false);
            const TGPSClock& clock = TGPSClock::Instance();
            if (!clock.DeadlineRunning(fTankDeadline)) {
                clock.SetDeadline(LoopIntervalMs(liTankLevelDisplay), fTankDeadline);
                Call(fHooks.refreshTankDisplays);
            }
        } else if (working) {
            Call(fHooks.handlePilotSwitch);
            const int first = model->FirstBoard();
            if (fState.primaryMode == pmFireGate) {
                if (fHooks.runTankStateMachine)
                    fHooks.runTankStateMachine(first);
                fState.pilotSwitchActivated[first] = false;
            } else if (DryMode(fState.primaryMode) && fHooks.accountDispersed) {
                fHooks.accountDispersed(first);
            }
        }
        // 5. The opening; without a preset only the closing of a mode
        // without flow.
        if (working && fState.preset && fState.quantities) {
            fState.currentOpening = fState.quantities->CurrentOpening();
            SendAllOpenings();
        } else if (fState.flowBlocked && !ProcedurePage(page)) {
            SendAllOpenings();
        }
    } catch (const std::exception& e) {
        fHost.ReportError(std::string("Error raised in TimerUpdateQuantitiesTimer: ") + e.what());
        if (model)
            for (int b = 0; b < kBoardCount; ++b)
                if (model->BoardPresent(b))
                    fState.pilotSwitchActivated[b] = false;
        throw;
    }
    if (model)
        for (int b = 0; b < kBoardCount; ++b)
            if (model->BoardPresent(b))
                fState.pilotSwitchActivated[b] = false;
}

void TRateLoop::PollGuidance()
{
    TGpsSource* source = fHost.GpsSource();
    if (fHost.ControllerLinkUp() && source && source->RetryDue())
        fHost.StartGps();
    if (fHost.ControllerLinkUp() && source && source->Link() && source->PollIfDue())
        fHost.ToggleLight(1);
    if (fHooks.scalePoll)
        fHooks.scalePoll();
}

void TRateLoop::ShowSpeedGauge(int value, const std::string& text)
{
    TRunControl gauge;
    if (fState.primaryMode == pmFireGate)
        gauge = rcGateSpeedGauge;
    else if (DryMode(fState.primaryMode))
        gauge = rcDrySpeedGauge;
    else
        return;
    fHost.View().SetValue(gauge, value);
    fHost.View().SetText(gauge, text);
}

void TRateLoop::UpdateSpeed()
{
    const TGPSClock& clock = TGPSClock::Instance();
    if (clock.DeadlineRunning(fSpeedDeadline))
        return;
    clock.SetDeadline(LoopIntervalMs(liUpdateSpeed), fSpeedDeadline);
    TGpsSource* source = fHost.GpsSource();
    TPeloCom* link = source ? source->Link() : nullptr;
    TCalculatedQuantities* q = fState.quantities.get();
    if (!fHost.ControllerLinkUp() || !link) {
        // Without a GPS link no speed is fresh: the last one it gave must not
        // go on setting the opening while the gauge reads "FIXED".
        if (q)
            q->SetUseGpsSpeed(false);
        ShowSpeedGauge(100, Format("FIXED: %.0f", q ? q->DisplaySpeed() : 0.0));
        return;
    }
    if (!q)
        return;
    const TGpsSpeed speed = link->GetSpeed();
    q->SetGpsSpeed(speed.value);
    const bool useGps = (fGps.Flags() & kGpsSpeedBit) && speed.fromRemote;
    q->SetUseGpsSpeed(useGps);
    const std::string status = std::string("Status: ") + link->RmcStatus();
    fHost.View().SetText(rcGateGpsStatus, status);
    fHost.View().SetText(rcDryGpsStatus, status);
    if (useGps)
        ShowSpeedGauge(static_cast<int>(RoundHalfEven(q->SpeedRatio() * 100.0)), Format("GPS: %.0f", q->DisplaySpeed()));
    else
        ShowSpeedGauge(100, Format("FIXED: %.0f", q->DisplaySpeed()));
}

void TRateLoop::SendAllOpenings()
{
    TDeviceModel* model = fHost.DeviceModel();
    if (!model)
        return;
    for (int b = 0; b < kBoardCount; ++b)
        if (model->BoardPresent(b))
            SendOpening(b);
}

void TRateLoop::SendOpening(int board)
{
    if (NoOpeningPage(fHost.ShownPage()))
        return;
    TDeviceModel* model = fHost.DeviceModel();
    TCalculatedQuantities* q = fState.quantities.get();
    if (!model || board < 0 || board >= kBoardCount)
        return;
    const bool haveOpening = q && fState.preset;
    // A mode without flow closes the gate whether or not it has a preset
    // (metering plate and wet sealed have none).
    if (!haveOpening && !fState.flowBlocked)
        return;
    const bool fire = fState.primaryMode == pmFireGate;
    const bool other = board != model->FirstBoard();
    const int sealed = model->ZeroPosition(board);
    const int closed = ClosesOnDryZero(fState.primaryMode) ? model->DryZeroPosition(board) : sealed;
    if (fState.flowBlocked && model->CommandedPosition(board) != closed)
        model->setPos(board, closed);
    const int span = fHost.ConfiguredMaximum(board) - sealed;
    if (span <= 0) {
        if (fire && other)
            fHost.View().SetVisible(rcGateWarningMark, true);
        return;
    }
    if (fire && other)
        fHost.View().SetVisible(rcGateWarningMark, false);
    if (!haveOpening)
        return;

    const int boardMaximum = model->MaximumOpen(board);
    double percent = 0;
    if (fState.preset->Dry()) {
        percent = fState.currentOpening;
    } else {
        const double e = q->RequiredEquivalentOpening(q->Model().TankLevel());
        const double door = q->Model().EquivalentToDoor().Interpolate(e);
        q->SetModelledDoorOpening(static_cast<float>(door));
        const double maxCm = q->MaxPhysicalOpening() * 100.0;
        const double relative = maxCm > 0 ? door / maxCm : 0;
        percent = q->Calibration().PhysicalToDigital().Interpolate(relative) * 100.0;
    }
    const int64_t target = closed + RoundHalfEven((boardMaximum - closed) * percent / 100.0);
    if (!fState.flowBlocked) {
        if (target > 0xFFFF)
            throw std::range_error(Format("Set position %d out of range", target));
        if (model->CommandedPosition(board) != target)
            model->setPos(board, static_cast<int>(target));
    }
    if (AnyPresent(*model, kUnderCanControl))
        ShowTarget(board, static_cast<int>(fState.flowBlocked ? closed : target), sealed, span);
}

void TRateLoop::ShowTarget(int board, int target, int sealed, int span)
{
    TDeviceModel* model = fHost.DeviceModel();
    IModeView& view = fHost.View();
    const int perMille = static_cast<int>(RoundHalfEven((target - sealed) * 1000.0 / span));
    if (fState.primaryMode == pmFireGate) {
        view.SetValue(board == model->FirstBoard() ? rcGateSetMark : rcGateSetMark2, perMille);
        return;
    }
    if (!DryMode(fState.primaryMode) || board != model->FirstBoard())
        return;
    view.SetValue(rcDryTargetGauge, perMille);
    const int dryZero = model->DryZeroPosition(board);
    const int drySpan = fHost.ConfiguredMaximum(board) - dryZero;
    if (drySpan <= 0)
        return;
    TCalculatedQuantities& q = *fState.quantities;
    q.SetOpeningFromDigital((target - dryZero) * 100.0 / drySpan);
    const bool cleanup = fState.primaryMode == pmDryMaterial && q.CleanupActive();
    view.SetText(rcDryTargetText, std::string(cleanup ? "CLEAN UP ! ! ! : " : "Target: ") +
                                      FormatGateOpening(q.OpeningDistance(), fHost.DisplayUnits()));
}

void TRateLoop::ShowPredictedOpening(double percent)
{
    fState.displayPercent = percent;
    fCalls.CallLater(LoopIntervalMs(liPredictedOpening), "ShowPredictedOpeningText",
                     [this] { RefreshPredictedOpeningText(); });
}

void TRateLoop::RefreshPredictedOpeningText()
{
    TCalculatedQuantities* q = fState.quantities.get();
    if (!q)
        return;
    const TDisplayUnits& units = fHost.DisplayUnits();
    const std::string text =
        q->SetOpeningFromDigital(fState.displayPercent) ? FormatGateOpening(q->OpeningDistance(), units) : "None Set";
    IModeView& view = fHost.View();
    const int page = fHost.ShownPage();
    switch (page) {
    case pgRunGate:
        view.SetText(rcGateOpeningGauge, text + "  |  " + FormatGateOpening(q->ModelledDoorOpening() / 100.0, units));
        break;
    case pgRunDryMaterial:
        view.SetText(fState.primaryMode == pmSimpleDry ? rcSimpleOpeningGauge : rcDryOpeningGauge, "Gate: " + text);
        break;
    case pgMeteringPlate:
        view.SetText(rcMeteringGauge, text);
        break;
    case pgCalibrateOpeningDistance:
    case pgMatchManualDial:
        if (fHooks.showOpeningText)
            fHooks.showOpeningText(page, text);
        break;
    default:
        break;
    }
}

} // namespace orv
