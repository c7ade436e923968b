#pragma once
#include <cstdint>

namespace orv::sim {

struct TBoardState;

// The board's position loop, as the gate is seen from the cockpit: the valve
// drives the gate toward a target at a fixed speed, starts only when the
// error leaves the outer deadband, stops as soon as it is inside the inner
// deadband, never leaves the mechanical travel and freezes on a fault.

// The position the gate closes to: the dry seal value while the board is told
// to use it (mode 0 with a value set), else the configured minimum.
uint16_t ClosedPosition(const TBoardState& s);

// Where the board drives the gate now: the CAN set point while it is under
// CAN control and either the pilot holds the switch or the application asks
// it to follow (control mode 2); the panel pot while the pilot flies it by
// hand; the closed position otherwise. Always between the closed position
// and the configured maximum.
uint16_t TargetPosition(const TBoardState& s);

// Moves the gate for `seconds` of elapsed time at the board's speed.
void AdvanceGate(TBoardState& s, double seconds);

} // namespace orv::sim
