#include "device/StatusDecoder.h"

#include "nav/GPSClock.h"

#include <cstdlib>

namespace orv {

namespace {

bool MovedMoreThan2(int a, int b)
{
    return std::abs(a - b) > 2;
}

} // namespace

uint16_t TStatusDecoder::ClosedPosition(int board) const
{
    const TBoardState& b = fState.boards[board];
    return static_cast<uint16_t>(fState.usingDryZero ? b.dryZeroPosition : b.zeroPosition);
}

void TStatusDecoder::DecodeControllerFrame(const TCanRecord& r)
{
    if (!fState.firstFrameSeen) {
        fState.firstFrameSeen = true;
        fActions.FirstFrameDecoded();
    }
    const int board = CanBoard(r.Identifier);
    if (board > 2) {
        ++fState.unknownBoardFrames;
        return;
    }
    // Once the addressed boards answer, the broadcast address is a stale echo.
    if (board == 0 && (fState.Present(1) || fState.Present(2))) {
        ++fState.unknownBoardFrames;
        return;
    }
    fState.boardsPresent |= BoardBit(board);
    if (board != 0)
        fState.boardsPresent &= static_cast<TBoardSet>(~BoardBit(0));
    fState.lastBoard = board;

    const int kind = StatusKindOfCode(CanMessageCode(r.Identifier));
    if (kind < 0) {
        ++fState.unknownCodeFrames;
        return;
    }
    ++fState.frameCounts[kind];
    TBoardState& b = fState.boards[board];
    switch (kind) {
    case skStatus:
        DecodeStatus(board, r, !b.status.received);
        break;
    case skConfig:
        DecodeConfig(board, r);
        break;
    case skPmwStatus:
        DecodePmwStatus(board, r);
        break;
    case skCurrent:
        DecodeCurrent(board, r);
        break;
    case skFirmwareVersion: {
        std::string text;
        for (int i = 0; i < 8; ++i) {
            const char c = static_cast<char>(DataByte(r.DataLow, r.DataHigh, i));
            if (c == '\0')
                break;
            text += c;
        }
        b.firmwareVersion = text;
        break;
    }
    case skBoardId: {
        const uint8_t id = DataByte(r.DataLow, r.DataHigh, 0);
        b.boardId = id > 2 ? 0 : id;
        break;
    }
    case skSealedMode:
        DecodeSealedMode(board, r);
        break;
    case skFeedbackPotDirection:
        DecodeFeedbackPot(board, r);
        break;
    default:
        break; // counted only
    }
}

void TStatusDecoder::DecodeStatus(int board, const TCanRecord& r, bool first)
{
    TBoardState& b = fState.boards[board];
    TStatusRecord& s = b.status;
    const auto byte = [&](int i) { return DataByte(r.DataLow, r.DataHigh, i); };
    const uint16_t position = DataWord(r.DataLow, r.DataHigh, 0);
    const uint8_t bits = byte(7);

    s.timeDelay = byte(3);
    s.timerMode = byte(2);
    uint16_t flags = 0;
    if (byte(4))
        flags |= sfUnderCanControl;
    if (bits & sbArmed)
        flags |= sfArmed;
    if (byte(2) && byte(3))
        flags |= sfTimerModeOn;
    if (bits & sbHardStop)
        flags |= sfHardStopReached;
    if (bits & sbFoamOut)
        flags |= sfFoamOutSelected;
    if (bits & sbPumpsOn)
        flags |= sfPumpsAreOn;
    if (bits & sbFault)
        flags |= sfFaultDetected;
    if (byte(5))
        flags |= sfPilotSwitchOn;
    if (byte(6))
        flags |= sfHighSpeedSolenoidsOn;

    if (PilotSwitchChanged(board, byte(5) != 0))
        s.pilotSwitchChanged = true;
    s.pilotSwitch = byte(5) != 0;
    if (flags != s.flags) {
        s.flagsChanged = true;
        if ((flags ^ s.flags) & sfHighSpeedSolenoidsOn)
            s.highSpeedChanged = true;
        s.flags = flags;
    }
    if (MovedMoreThan2(position, s.position)) {
        s.moved = true;
        s.position = position;
    }
    fState.lastStatusFlags = flags;
    fState.statusBits = bits;
    fState.underCanControl = byte(4) != 0;
    fState.pilotSwitch = byte(5) != 0;
    fState.highSpeedReported = byte(6) != 0;
    fState.timerModeReported = byte(2);
    fState.armed = bits & sbArmed;
    fState.fault = bits & sbFault;
    fState.hardStop = bits & sbHardStop;
    fState.foamOut = bits & sbFoamOut;
    fState.pumpsOn = bits & sbPumpsOn;
    if (first) {
        s.received = true;
        s.moved = s.flagsChanged = s.highSpeedChanged = s.pilotSwitchChanged = true;
        s.position = position;
    }
    if (s.moved || s.flagsChanged || s.highSpeedChanged)
        fActions.CallStatusHandler(skStatus, board);
    // A board that was never given a position is not sent one: position 0
    // would drive its gate against the closed end.
    if (!b.samples.empty()) {
        b.samples.clear();
        if (b.command[ciControlMessage].Word(0) != 0)
            fActions.SendControl(board);
    }
}

void TStatusDecoder::DecodeConfig(int board, const TCanRecord& r)
{
    TConfigRecord& c = fState.boards[board].config;
    bool changed = false;
    auto take = [&changed](auto& field, auto value) {
        if (field != value) {
            field = value;
            changed = true;
        }
    };
    take(c.maximumOpen, DataWord(r.DataLow, r.DataHigh, 0));
    take(c.minimumOpen, DataWord(r.DataLow, r.DataHigh, 2));
    take(c.innerDeadBand, DataByte(r.DataLow, r.DataHigh, 4));
    take(c.outerDeadBand, DataByte(r.DataLow, r.DataHigh, 5));
    take(c.d6, DataByte(r.DataLow, r.DataHigh, 6));
    take(c.d7, DataByte(r.DataLow, r.DataHigh, 7));
    if (!c.received) {
        c.received = true;
        changed = true;
    }
    if (changed) {
        c.changed = true;
        fActions.CallStatusHandler(skConfig, board);
    }
}

void TStatusDecoder::DecodePmwStatus(int board, const TCanRecord& r)
{
    TPmwRecord& p = fState.boards[board].pmw;
    bool changed = false;
    auto take = [&changed](auto& field, auto value) {
        if (field != value) {
            field = value;
            changed = true;
        }
    };
    take(p.frequency, DataWord(r.DataLow, r.DataHigh, 0));
    take(p.proportion, DataByte(r.DataLow, r.DataHigh, 2));
    take(p.enabled, static_cast<uint8_t>(DataByte(r.DataLow, r.DataHigh, 3) == 1 ? 1 : 0));
    take(p.proportionalCurrent, DataByte(r.DataLow, r.DataHigh, 4));
    take(p.maxProportionalCurrent, DataByte(r.DataLow, r.DataHigh, 5));
    if (!p.received) {
        p.received = true;
        changed = true;
    }
    if (changed) {
        p.changed = true;
        fActions.CallStatusHandler(skPmwStatus, board);
    }
}

void TStatusDecoder::DecodeCurrent(int board, const TCanRecord& r)
{
    TBoardState& b = fState.boards[board];
    TCurrentRecord& c = b.current;
    const auto byte = [&](int i) { return DataByte(r.DataLow, r.DataHigh, i); };
    if (fState.responseTimerStart != 0) {
        const int64_t ms = TGPSClock::Instance().ElapsedMs(fState.responseTimerStart);
        if (ms < 2000 && ms > fState.maxResponseTime)
            fState.maxResponseTime = ms;
        fState.responseTimerStart = 0;
    }
    c.setPointEcho = DataWord(r.DataLow, r.DataHigh, 0);
    const uint16_t pot = DataWord(r.DataLow, r.DataHigh, 4);
    if (MovedMoreThan2(pot, c.potPosition)) {
        c.potPosition = pot;
        c.potChanged = true;
    }
    const bool pilot = byte(6) != 0;
    if (PilotSwitchChanged(board, pilot))
        b.status.pilotSwitchChanged = true;
    b.status.pilotSwitch = pilot;
    c.pilotSwitch = byte(6);
    c.underCanControl = byte(7);
    fState.underCanControl = byte(7) != 0;
    uint16_t flags = b.status.flags;
    flags = static_cast<uint16_t>(pilot ? flags | sfPilotSwitchOn : flags & ~sfPilotSwitchOn);
    flags = static_cast<uint16_t>(byte(7) ? flags | sfUnderCanControl : flags & ~sfUnderCanControl);
    if (flags != b.status.flags) {
        b.status.flags = flags;
        b.status.flagsChanged = true;
    }
    const uint16_t position = DataWord(r.DataLow, r.DataHigh, 2);
    if (MovedMoreThan2(position, b.status.position)) {
        b.status.moved = true;
        b.status.position = position;
    }
    c.position = position;
    c.received = true;
    CheckPositionFollow(board);
    fActions.CallStatusHandler(skCurrent, board);
    fActions.CallStatusHandler(skStatus, board);
}

void TStatusDecoder::DecodeSealedMode(int board, const TCanRecord& r)
{
    TBoardState& b = fState.boards[board];
    const bool first = !b.sealedMode.received;
    b.sealedMode.dataLow = r.DataLow;
    b.sealedMode.dataHigh = r.DataHigh;
    b.sealedMode.received = true;
    if (first || !fState.drySealEchoReceived) {
        fState.drySealEchoReceived = true;
        fActions.OutputCurrentSealModeMessage(board);
        return;
    }
    const uint16_t echoedValue = b.sealedMode.Word(0);
    const uint8_t echoedMode = b.sealedMode.Byte(2);
    const uint8_t wantedMode = fState.usingDryZero ? 0 : 1;
    if (echoedValue != static_cast<uint16_t>(b.dryZeroPosition) || echoedMode != wantedMode)
        fActions.RequestDrySealEcho(board);
    if (b.sealedMode.Word(3) != static_cast<uint16_t>(b.zeroPosition)) {
        fActions.SetConfigMinimum(board, static_cast<uint16_t>(b.zeroPosition));
        fActions.RequestDrySealEcho(board);
    }
}

void TStatusDecoder::DecodeFeedbackPot(int board, const TCanRecord& r)
{
    TBoardState& b = fState.boards[board];
    b.feedbackPot.dataLow = r.DataLow;
    b.feedbackPot.dataHigh = r.DataHigh;
    b.feedbackPot.received = true;
    const bool reversed = b.feedbackPot.Byte(0) == 0;
    fState.feedbackPotReversedReported = reversed;
    if (reversed != fState.feedbackPotReversedSet)
        fActions.CallStatusHandler(skFeedbackPotDirection, board);
}

bool TStatusDecoder::PilotSwitchChanged(int board, bool on)
{
    if (on == fState.pilotSwitch)
        return false;
    fState.pilotSwitch = on;
    TBoardState& b = fState.boards[board];
    b.samples.clear();
    TPositionSample s;
    s.ticks = TGPSClock::Instance().Ticks();
    s.position = b.status.position;
    s.target = on ? b.current.setPointEcho : ClosedPosition(board);
    b.samples.push_back(s);
    return true;
}

void TStatusDecoder::CheckPositionFollow(int board)
{
    TBoardState& b = fState.boards[board];
    const uint16_t flags = fState.lastStatusFlags;
    const bool underCan = b.current.underCanControl != 0;
    const int target = underCan ? b.current.setPointEcho : b.current.potPosition;
    const int innerDeadBand = b.config.innerDeadBand;
    const bool following = fState.pilotSwitch && (flags & sfArmed) && !(flags & sfFaultDetected) &&
                           std::abs(static_cast<int>(b.current.position) - target) > innerDeadBand;
    if (!underCan)
        return;
    const uint16_t commanded = b.command[ciControlMessage].Word(0);
    const uint16_t expected = fState.pilotSwitch ? commanded : b.command[ciConfigCmd].Word(2);
    if (b.current.setPointEcho != expected && !following && commanded != 0)
        fActions.SendControl(board);
}

} // namespace orv
