#pragma once
#include <cstdint>

namespace orv {

class IModeHost;
class TParkState;
class TRateLoop;
struct TModeHooks;
struct TModeState;

// What the mode shows of the boards' reports: the arming banner, the opening
// gauges, the manual setting, and the park rule and guidance output that
// follow a change of a board's flags.
class TBoardDisplays {
public:
    TBoardDisplays(TModeState& state, IModeHost& host, const TModeHooks& hooks, TParkState& park, TRateLoop& loop);

    // A new device model: its first status sets the time delay again.
    void DeviceModelCreated();

    // The mode's part of a board's flag change: copy of its status, the
    // reported time delay (once), banner or fault log line, park rule,
    // guidance output.
    void StatusFlagsChanged(int board);
    void GatePositionDisplay(int board, int position);
    void PotSettingDisplay(int board, int pot);

    // The banner of the mode's run page.
    void ShowGateBanner();
    // The gate status sent to a guidance system: 20 when the board is under
    // CAN control and armed, else 10; plus 1 while its pilot switch is on.
    void UpdateGuidanceOutput(int board);
    static uint16_t GateStatusOf(uint16_t flags, bool pilotSwitch);

private:
    TModeState& fState;
    IModeHost& fHost;
    const TModeHooks& fHooks;
    TParkState& fPark;
    TRateLoop& fLoop;
};

} // namespace orv
