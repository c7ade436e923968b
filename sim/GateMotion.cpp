#include "sim/GateMotion.h"

#include "sim/ControllerBoard.h"

#include <algorithm>
#include <cstdlib>

namespace orv::sim {

namespace {
} // namespace

uint16_t ClosedPosition(const TBoardState& s)
{
    if (s.DrySealMode == 0 && s.DrySealValue != 0)
        return s.DrySealValue;
    return s.MinimumOpen;
}

uint16_t TargetPosition(const TBoardState& s)
{
    const uint16_t closed = ClosedPosition(s);
    uint16_t target = closed;
    // The pilot's switch opens the gate: with it off the gate closes whatever
    // the application commands.
    if (s.UnderCanControl && s.PilotSwitch)
        target = s.SetPoint;
    else if (!s.UnderCanControl && s.PilotSwitch)
        target = s.PotPosition;
    // A maximum below the closed position leaves the gate closed.
    return std::max(closed, std::min(target, s.MaximumOpen));
}

void AdvanceGate(TBoardState& s, double seconds)
{
    if (s.Fault) {
        s.Moving = false;
        s.TravelCarry = 0;
        return;
    }
    const int target = TargetPosition(s);
    const int position = s.Position;
    const int error = target - position;
    if (std::abs(error) <= s.InnerDeadBand || (!s.Moving && std::abs(error) <= s.OuterDeadBand)) {
        s.Moving = false;
        s.StopReached = false;
        s.TravelCarry = 0;
        return;
    }
    s.Moving = true;
    const int direction = error > 0 ? 1 : -1;
    // The valve closes as soon as the gate enters the inner deadband.
    const int stopAt = target - direction * int(s.InnerDeadBand);
    const int lo = std::min(s.TravelMin, s.TravelMax), hi = std::max(s.TravelMin, s.TravelMax);
    const int limit = std::clamp(stopAt, lo, hi);
    const int room = std::abs(limit - position);
    // A gate outside its travel (set by hand) is pushed back in at once.
    const bool outside = position < lo || position > hi;

    s.TravelCarry += double(s.GateSpeed) * std::max(0.0, seconds);
    const int steps = int(s.TravelCarry);
    s.TravelCarry -= steps;
    int next = position;
    if ((limit - position) * direction >= 0)
        next = position + direction * std::min(steps, room);
    else if (outside)
        next = limit;
    s.Position = uint16_t(next);

    if (next != limit) {
        s.StopReached = false;
        return;
    }
    s.TravelCarry = 0;
    if (limit == stopAt) {
        s.Moving = false;
        s.StopReached = false;
    } else {
        // Driven against an end of travel: the valve keeps pushing. At the
        // open end the board reports it as a hard stop.
        s.StopReached = direction > 0 && limit == hi;
    }
}

} // namespace orv::sim
