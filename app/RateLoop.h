#pragma once
#include "app/DelayedCalls.h"
#include "nav/GPSClock.h"

#include <string>

namespace orv {

class IModeHost;
class TGpsControl;
struct TModeHooks;
struct TModeState;

// The quantity loop: every 20 ms the speed, the opening for the target rate
// and the set position of every board, with the displays that follow them.
class TRateLoop {
public:
    TRateLoop(TModeState& state, IModeHost& host, const TModeHooks& hooks, TGpsControl& gps);

    // One tick (the caller guards it against re-entrance). Errors are
    // reported and passed on.
    void TimerUpdateQuantities();

    // The board's set position from the current opening, handed to the
    // device model when it differs from the commanded one.
    void SendOpening(int board);
    void SendAllOpenings();
    void SetFlowBlocked(bool blocked);

    // The measured opening of the displayed board; the opening text follows
    // once 200 ms after the first of a burst of calls.
    void ShowPredictedOpening(double percent);
    void RefreshPredictedOpeningText();

    // The speed step: the GPS speed into the calculated quantities and the
    // speed gauge of the mode's run page.
    void UpdateSpeed();

    TDelayedCalls& DelayedCalls() { return fCalls; }

    // Pages on which the set-up procedures own the gate.
    static bool ProcedurePage(int page);
    // Pages on which no opening is sent.
    static bool NoOpeningPage(int page);

private:
    void PollGuidance();
    void ShowSpeedGauge(int value, const std::string& text);
    void ShowTarget(int board, int target, int sealed, int span);

    TModeState& fState;
    IModeHost& fHost;
    const TModeHooks& fHooks;
    TGpsControl& fGps;
    TDelayedCalls fCalls;
    TDeadline fSpeedDeadline;
    TDeadline fTankDeadline;
};

} // namespace orv
