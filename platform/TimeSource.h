#pragma once
#include <cstdint>

namespace orv {

// The monotonic counter under every time-out of the application, and the wall
// clock read once when the high-resolution clock is created. Tests replace it
// so that time-outs of seconds run without sleeping.
class ITimeSource {
public:
    virtual ~ITimeSource() = default;
    // Counter ticks; monotonic, never goes back.
    virtual int64_t Ticks() = 0;
    // Ticks per second; a multiple of 1000 so ticks per millisecond is exact.
    virtual int64_t Frequency() = 0;
    // Local wall-clock date-time as days since 1899-12-30 (fraction = time of day).
    virtual double WallClockNow() = 0;
};

// steady_clock in nanoseconds.
class SteadyTimeSource final : public ITimeSource {
public:
    int64_t Ticks() override;
    int64_t Frequency() override { return 1'000'000'000; }
    double WallClockNow() override;
};

// Process-wide source used when nobody injected another.
ITimeSource& DefaultTimeSource();

} // namespace orv
