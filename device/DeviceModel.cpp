#include "device/DeviceModel.h"

#include "store/Format.h"
#include "store/Log.h"

#include <cstdlib>
#include <stdexcept>

namespace orv {

namespace {
// Requests that carry no data.
bool IsPlainRequest(int index)
{
    switch (index) {
    case ciStatusRequest:
    case ciConfigRequest:
    case ciRequestPwmParameters:
    case ciRequestControllerRevision:
    case ciRequestControllerBoardId:
    case ciRequestDrySealValueAndMode:
    case ciGetFeedbackPotDirection:
        return true;
    default:
        return false;
    }
}
} // namespace

TDeviceModel::TDeviceModel() = default;
TDeviceModel::~TDeviceModel() = default;

void TDeviceModel::DebugLine(const std::string& text)
{
    DebugOut(text);
}

void TDeviceModel::SetStatusHandler(int kind, StatusHandler handler)
{
    if (kind >= 0 && kind < kStatusKindCount)
        fHandlers[kind] = std::move(handler);
}

void TDeviceModel::SetDiagnosticsCallbacks(TextCallback addLine, TextCallback appendFragment)
{
    fAddLine = std::move(addLine);
    fAppendFragment = std::move(appendFragment);
}

void TDeviceModel::FirstFrameDecoded()
{
    fBoardIdRequestPending = true;
    if (fOnFirstFrame)
        fOnFirstFrame();
}

void TDeviceModel::CallStatusHandler(int kind, int board)
{
    if (kind >= 0 && kind < kStatusKindCount && fHandlers[kind])
        fHandlers[kind](board);
}

bool TDeviceModel::SettingsReported() const
{
    const TBoardState& b = Board(FirstBoard());
    return fLink && b.config.received && b.pmw.received;
}

std::string TDeviceModel::StatusKindName(int kind)
{
    return kind >= 0 && kind < kStatusKindCount ? kStatuses[kind].name : "";
}

std::string TDeviceModel::StatusFlagName(int bit)
{
    return bit >= 0 && bit < 10 ? kStatusFlagNames[bit] : "";
}

void TDeviceModel::PollController()
{
    if (!fLink)
        return;
    try {
        // Every waiting record, not one per tick: two boards answer a status
        // request with a burst that would overflow the link's small queue
        // before a tick every 10 ms could take it.
        TCanRecord r;
        for (int n = 0; n < kMaxFramesPerPoll && fLink && fLink->PopCanFrame(1, r); ++n) {
            DecodeControllerFrame(r);
            if (fBoardIdRequestPending && !fState.revisionRequested) {
                fState.revisionRequested = true;
                fBoardIdRequestPending = false;
                SendControllerMessage(0, ciRequestControllerRevision, 0, 0);
                TGPSClock::Instance().Delay(20, true);
                SendControllerMessage(0, ciRequestControllerBoardId, 0, 0);
            }
        }
        if (!fLink)
            return; // a handler may have dropped the link
        FollowPosition();
        const TGPSClock& clock = TGPSClock::Instance();
        if (!clock.DeadlineRunning(fPollInterval)) {
            clock.SetDeadline(100, fPollInterval);
            SendControllerMessage(0, ciStatusRequest, 0, 0);
        }
    } catch (...) {
        if (fLink)
            fLink->MarkPingFailed();
        throw;
    }
}

void TDeviceModel::FollowPosition()
{
    if (!(fState.armed && fState.underCanControl && !fState.fault))
        return;
    const TGPSClock& clock = TGPSClock::Instance();
    if (clock.DeadlineRunning(fFollowInterval))
        return;
    bool sent = false;
    for (int b = 0; b < kBoardCount; ++b) {
        if (!fState.Present(b))
            continue;
        TBoardState& s = fState.boards[b];
        const uint16_t commanded = s.command[ciControlMessage].Word(0);
        if (commanded == 0 || std::abs(static_cast<int>(commanded) - static_cast<int>(s.lastSentPosition)) <= 2)
            continue;
        s.lastSentPosition = commanded;
        fState.controlMode = 2;
        SendMessageSet(b, {ciControlMessage});
        QueuePositionSample(b, commanded);
        sent = true;
    }
    if (sent)
        clock.SetDeadline(50, fFollowInterval);
}

void TDeviceModel::QueuePositionSample(int board, int target)
{
    TBoardState& b = fState.boards[board];
    TPositionSample s;
    s.ticks = TGPSClock::Instance().Ticks();
    s.position = b.status.position;
    s.target = target;
    if (!b.samples.empty()) {
        const TPositionSample& last = b.samples.back();
        const bool lastOpens = last.target > last.position;
        const bool opens = target > s.position;
        if (lastOpens == opens) {
            b.samples.back().target = target;
            return;
        }
        b.samples.clear();
    }
    b.samples.push_back(s);
}

void TDeviceModel::RequestAllOrvStatus()
{
    DebugLine("RequestAllOrvStatus");
    SendControllerMessage(0, ciConfigRequest, 0, 0);
    SendControllerMessage(0, ciStatusRequest, 0, 0);
    SendControllerMessage(0, ciRequestPwmParameters, 0, 0);
}

bool TDeviceModel::PilotSwitchReported(int b)
{
    const bool on = Board(b).status.pilotSwitch;
    if (on && !TimeMarkOpen())
        OpenTimeMark(0);
    else if (!on && Clamp(b) == FirstBoard() && TimeMarkOpen())
        CloseTimeMark();
    return on;
}

// Closed positions

void TDeviceModel::SetZeroPosition(int b, int16_t v)
{
    fState.boards[Clamp(b)].zeroPosition = v;
    SetUsingDryZero(fState.usingDryZero);
}

void TDeviceModel::SetDryZeroPosition(int b, int16_t v)
{
    fState.boards[Clamp(b)].dryZeroPosition = v;
    SetUsingDryZero(fState.usingDryZero);
}

void TDeviceModel::SetUsingDryZero(bool on)
{
    fState.usingDryZero = on;
    if (!fState.drySealEchoReceived) {
        bool sending = false;
        for (int b = 0; b < kBoardCount; ++b) {
            if (!fState.Present(b))
                continue;
            const TBoardState& s = fState.boards[b];
            const uint16_t target = static_cast<uint16_t>(on ? s.dryZeroPosition : s.zeroPosition);
            if (ConfigMinimum(b) != target) {
                SetConfigMinimum(b, target);
                sending = true;
            }
            if (sending) {
                DebugLine(on ? "Using Dry Zero" : "NOT Using Dry Zero");
                SendConfigCmd(b, 2);
                TGPSClock::Instance().Delay(200, true);
            }
        }
        return;
    }
    for (int b = 0; b < kBoardCount; ++b) {
        if (!fState.Present(b))
            continue;
        const TBoardState& s = fState.boards[b];
        SetConfigMinimum(b, static_cast<uint16_t>(s.zeroPosition));
        SendConfigCmd(b, 2);
        const bool modeMatches = (s.sealedMode.Byte(2) == 0) == on;
        const bool valueMatches = s.sealedMode.Word(0) == static_cast<uint16_t>(s.dryZeroPosition);
        if (!(modeMatches && valueMatches)) {
            DebugLine("OutputCurrentSealModeMessage from SetUsingDryZero");
            OutputCurrentSealModeMessage(b);
        }
    }
}

void TDeviceModel::OutputCurrentSealModeMessage(int board)
{
    TBoardState& s = fState.boards[Clamp(board)];
    int value = s.dryZeroPosition;
    if (value == 0)
        value = s.sealedMode.Word(0);
    if (value < s.zeroPosition)
        value = s.zeroPosition;
    s.dryZeroPosition = static_cast<int16_t>(value);
    TCommandData& d = s.command[ciSetDrySealValueAndMode];
    d.SetWord(0, static_cast<uint16_t>(value));
    d.SetByte(2, fState.usingDryZero ? 0 : 1);
    DebugFmt("Set Seal Mode: %D  DrySeal: %d", int(d.Byte(2)), value);
    SendMessageSet(board, {ciSetDrySealValueAndMode});
    RequestDrySealEcho(board);
}

void TDeviceModel::RequestDrySealEcho(int board)
{
    TBoardState& s = fState.boards[Clamp(board)];
    const TGPSClock& clock = TGPSClock::Instance();
    if (s.drySealRequested && clock.ElapsedMs(s.lastDrySealRequestTicks) < 500)
        return;
    s.drySealRequested = true;
    s.lastDrySealRequestTicks = clock.Ticks();
    SendMessageSet(board, {ciRequestDrySealValueAndMode});
}

bool TDeviceModel::MinimumMatchesZero(int b) const
{
    const TBoardState& s = Board(b);
    const int16_t closed = fState.usingDryZero ? s.dryZeroPosition : s.zeroPosition;
    return s.config.minimumOpen == static_cast<uint16_t>(closed);
}

// Position

void TDeviceModel::setPos(int board, int pos)
{
    if (pos == 0) {
        DebugLine("setPos at zero");
        return;
    }
    TBoardState& s = fState.boards[Clamp(board)];
    if ((fState.usingDryZero && s.dryZeroPosition == 0) || s.zeroPosition == 0) {
        DebugLine("setPos not called because zeros are not set");
        return;
    }
    if (fState.boardsHeldClosed & BoardBit(Clamp(board)))
        pos = fState.usingDryZero ? s.dryZeroPosition : s.zeroPosition;
    if (pos < s.zeroPosition)
        pos = s.zeroPosition;
    if (pos > 0xFFFF)
        pos = 0xFFFF;
    s.command[ciControlMessage].SetWord(0, static_cast<uint16_t>(pos));
}

void TDeviceModel::SendControl(int board)
{
    fState.responseTimerStart = TGPSClock::Instance().Ticks();
    fState.boards[Clamp(board)].pendingChangeBits = 0;
    SendMessageSet(board, {ciControlMessage});
}

void TDeviceModel::SetControlBits(int board, uint8_t bits)
{
    fState.boards[Clamp(board)].pendingChangeBits = bits;
    SendMessageSet(board, {ciControlMessage});
}

void TDeviceModel::SetFoamOut(int board, bool on)
{
    for (int b = 0; b < kBoardCount; ++b) {
        if (board != 0 ? b != board : !fState.Present(b))
            continue;
        fState.boards[b].command[ciControlMessage].SetByte(3, on ? 1 : 0);
        SendMessageSet(b, {ciControlMessage});
    }
}

void TDeviceModel::SetControlTimerMode(int board, bool on)
{
    fState.boards[Clamp(board)].command[ciControlMessage].SetByte(4, on ? 1 : 0);
}

void TDeviceModel::SetControlTimeDelay(int board, uint8_t delay)
{
    fState.boards[Clamp(board)].command[ciControlMessage].SetByte(5, delay);
}

void TDeviceModel::SetControlMultiOutput(int board, bool on)
{
    fState.boards[Clamp(board)].command[ciControlMessage].SetByte(6, on ? 1 : 0);
}

// Settings

void TDeviceModel::SetConfigMaximumOpen(int b, uint16_t v)
{
    fState.boards[Clamp(b)].command[ciConfigCmd].SetWord(0, v);
}

void TDeviceModel::SetConfigMinimum(int b, uint16_t v)
{
    DebugFmt("Min: %d", int(v));
    fState.boards[Clamp(b)].command[ciConfigCmd].SetWord(2, v);
}

void TDeviceModel::SetConfigInnerDeadBand(int b, uint8_t v)
{
    fState.boards[Clamp(b)].command[ciConfigCmd].SetByte(4, v);
}

void TDeviceModel::SetConfigOuterDeadBand(int b, uint8_t v)
{
    fState.boards[Clamp(b)].command[ciConfigCmd].SetByte(5, v);
}

void TDeviceModel::SendConfigCmd(int board, uint8_t item)
{
    if (!SettingsReported())
        return;
    TCommandData& d = fState.boards[Clamp(board)].command[ciConfigCmd];
    d.SetByte(6, 0);
    d.SetByte(7, item);
    SendControllerMessage(board, ciConfigCmd, d.dataLow, d.dataHigh);
}

void TDeviceModel::SetPwmFrequencyValue(int b, uint16_t v)
{
    fState.boards[Clamp(b)].command[ciSetPwmParameters].SetWord(0, v);
}

void TDeviceModel::SetPwmProportionValue(int b, uint8_t v)
{
    fState.boards[Clamp(b)].command[ciSetPwmParameters].SetByte(2, v);
}

void TDeviceModel::SetPwmEnabledValue(int b, bool v)
{
    fState.boards[Clamp(b)].command[ciSetPwmParameters].SetByte(3, v ? 1 : 0);
}

void TDeviceModel::SetProportionalCurrentValue(int b, uint8_t v)
{
    fState.boards[Clamp(b)].command[ciSetPwmParameters].SetByte(4, v);
}

void TDeviceModel::SetMaxProportionalCurrentValue(int b, uint8_t v)
{
    fState.boards[Clamp(b)].command[ciSetPwmParameters].SetByte(5, v);
}

void TDeviceModel::SendPwmParameters(int board, uint8_t item)
{
    if (!SettingsReported())
        return;
    TCommandData& d = fState.boards[Clamp(board)].command[ciSetPwmParameters];
    d.SetByte(6, item);
    d.SetByte(7, 50);
    SendControllerMessage(board, ciSetPwmParameters, d.dataLow, d.dataHigh);
}

void TDeviceModel::SetHighSpeedSolenoids(int b, bool on)
{
    fState.boards[Clamp(b)].command[ciSetHighspeedSolenoids].dataLow = on ? 1 : 0;
    fState.boards[Clamp(b)].command[ciSetHighspeedSolenoids].dataHigh = 0;
}

void TDeviceModel::SendMessageSet(int board, std::initializer_list<int> indices)
{
    bool wanted[kCommandCount] = {};
    for (int i : indices)
        if (i >= 0 && i < kCommandCount)
            wanted[i] = true;
    TBoardState& s = fState.boards[Clamp(board)];
    for (int i = 0; i < kCommandCount; ++i) {
        if (!wanted[i])
            continue;
        if (IsPlainRequest(i)) {
            SendControllerMessage(board, i, 0, 0);
            continue;
        }
        TCommandData d = s.command[i];
        switch (i) {
        case ciControlMessage: {
            const bool following = fState.armed && fState.underCanControl && !fState.fault;
            // Until a position is commanded the message only carries the
            // timer bits: the board must not follow its empty position.
            const bool positioned = d.Word(0) != 0;
            d.SetByte(2, positioned && (fState.pilotSwitch || (following && fState.controlMode == 2)) ? 2 : 0);
            d.SetByte(7, s.pendingChangeBits);
            s.command[i] = d;
            break;
        }
        case ciSetHighspeedSolenoids:
            d.dataLow = d.Byte(0) ? 1 : 0;
            d.dataHigh = 0;
            break;
        case ciSetControllerBoardId:
        case ciSetDrySealValueAndMode:
            break;
        case ciSetFeedbackPotDirection:
            d.SetByte(0, fState.feedbackPotReversedSet ? 0 : 1);
            d.SetByte(1, 1);
            break;
        default:
            continue; // not sent through the set
        }
        SendControllerMessage(board, i, d.dataLow, d.dataHigh);
    }
}

void TDeviceModel::SetFeedbackPotReversed(bool on)
{
    if (on == fState.feedbackPotReversedSet)
        return;
    fState.feedbackPotReversedSet = on;
    SendMessageSet(0, {ciSetFeedbackPotDirection});
    TGPSClock::Instance().Delay(200, true);
    RequestFeedbackPotDirection();
}

void TDeviceModel::RequestFeedbackPotDirection()
{
    SendMessageSet(0, {ciGetFeedbackPotDirection});
}

void TDeviceModel::SetBoardID(int n)
{
    if (n < 0 || n > 2)
        return;
    TCommandData& d = fState.boards[0].command[ciSetControllerBoardId];
    d.dataLow = static_cast<uint32_t>(n);
    d.dataHigh = static_cast<uint32_t>(n) << 24;
    SendControllerMessage(0, ciSetControllerBoardId, d.dataLow, d.dataHigh);
    // The board stores its new address; nothing else may reach it meanwhile.
    TGPSClock::Instance().Delay(500, false);
}

void TDeviceModel::SendControllerMessage(int board, int index, uint32_t dataLow, uint32_t dataHigh)
{
    if (!fLink || index < 0 || index >= kCommandCount)
        return;
    TransportCommand(*fLink, BuildCommandRecord(Clamp(board), index, dataLow, dataHigh));
}

} // namespace orv
