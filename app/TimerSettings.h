#pragma once

namespace orv {

class IModeHost;
struct TModeState;

// The boards' timer mode, time delay and multi-output: wanted values kept in
// the mode state and pushed to every present board where they differ.
class TTimerSettings {
public:
    TTimerSettings(TModeState& state, IModeHost& host);

    // Only once the boards reported their settings.
    void ApplyTimerSettings();
    // "Test Timer Mode": toggles the wanted timer mode on the first board.
    void TestTimerModeClick();

private:
    TModeState& fState;
    IModeHost& fHost;
};

} // namespace orv
