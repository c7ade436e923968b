#pragma once

namespace orv {

class IModeHost;
class TPrimaryModeSwitch;
class TTimerSettings;
struct TModeHooks;
struct TModeState;

// From set-up to an active gate: the readiness test behind "Go Active", the
// button itself and GoLive.
class TGoActive {
public:
    static const char* const kNotReadyWarning;

    TGoActive(TModeState& state, IModeHost& host, const TModeHooks& hooks, TPrimaryModeSwitch& modes,
              TTimerSettings& timers);

    // Enables "Go Active" iff the controller settings of the mode are
    // applied; otherwise shows the warning and asks for the service pages.
    bool TestReadyToGoActive();
    // Raises "preset not valid" for an invalid preset (not in wet sealed).
    void GoLive();
    void bsButtonGoActiveClick();
    // reGoActive.
    void GoActiveEvent();

private:
    TModeState& fState;
    IModeHost& fHost;
    const TModeHooks& fHooks;
    TPrimaryModeSwitch& fModes;
    TTimerSettings& fTimers;
};

} // namespace orv
