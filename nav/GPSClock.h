#pragma once
#include "platform/DateTime.h"
#include "platform/TimeSource.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace orv {

// A deadline: (start, end) in counter ticks. All zero = expired, so a freshly
// zeroed owner starts with every deadline expired.
struct TDeadline {
    int64_t start = 0;
    int64_t end = 0;
};

// The one process-wide clock under every time-out, repeat interval, settling
// delay and stopwatch. It never touches the system clock.
class TGPSClock {
public:
    // Lets Delay(…, pump = true) serve the event loop; returns true when the
    // application is terminating, which cuts the wait short.
    using PumpHook = std::function<bool()>;

    explicit TGPSClock(ITimeSource& source);

    // The process-wide instance, made on first use with the default source.
    static TGPSClock& Instance();
    static bool Exists();
    // Replaces the process-wide instance (tests: a fake source). Returns it.
    static TGPSClock& Install(ITimeSource& source);
    static void Uninstall();

    static void SetPumpHook(PumpHook hook);

    int64_t Ticks() const { return fSource.Ticks(); }
    int64_t TicksPerMs() const { return fTicksPerMs; }
    int64_t SetDeadline(int64_t ms, TDeadline& d) const;
    bool DeadlineRunning(const TDeadline& d) const;
    int64_t ElapsedMs(int64_t startTicks) const;
    // Busy-waits; with pump the event loop keeps running. True when cut short.
    bool Delay(int64_t ms, bool pump) const;
    // Waits with pump now running on the calling thread (a wait whose pump
    // runs a handler that waits too counts twice). While it is not 0, an
    // event handler is running inside some wait, and whatever that wait's
    // caller holds must stay alive.
    static int PumpingWaits();

    int32_t StartStopwatch();
    int64_t StopwatchMs(int32_t id) const;
    int64_t StopStopwatch(int32_t id);

    TDateTime Now() const;

    // The GPS time mark: one per process.
    void OpenTimeMark(int slot);
    void CloseTimeMark();
    bool TimeMarkOpen() const { return fMarkId != 0; }
    int64_t TimeMarkSlot(int slot) const { return slot >= 0 && slot <= 1 ? fMarkSlots[slot] : 0; }

private:
    ITimeSource& fSource;
    int64_t fFrequency;
    int64_t fTicksPerMs;
    TDateTime fBaseTime;
    int64_t fBaseTicks;
    std::map<int32_t, int64_t> fStopwatches;
    int32_t fMarkId = 0;
    int64_t fMarkSlots[2] = {0, 0};
};

// Helpers for the time mark that do nothing when no clock exists yet.
void OpenTimeMark(int slot);
void CloseTimeMark();
bool TimeMarkOpen();

} // namespace orv
