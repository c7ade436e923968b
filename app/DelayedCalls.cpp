#include "app/DelayedCalls.h"

#include "nav/GPSClock.h"

namespace orv {

const TLoopIntervalDef kLoopIntervals[5] = {
    {"Update Speed", 200},
    {"Check GPS Com", 100},
    {"Tank Level Display", 100},
    {"Predicted Opening", 200},
    {"Text Displays", 500},
};

void TDelayedCalls::CallLater(int delayMs, const std::string& name, std::function<void()> procedure)
{
    const TGPSClock& clock = TGPSClock::Instance();
    for (TEntry& e : fEntries) {
        if (e.name != name)
            continue;
        if (e.armTicks != 0)
            return;
        e.armTicks = clock.Ticks();
        e.delayMs = delayMs;
        e.procedure = std::move(procedure);
        return;
    }
    fEntries.push_back({name, std::move(procedure), clock.Ticks(), delayMs});
}

void TDelayedCalls::RunDueCalls()
{
    const TGPSClock& clock = TGPSClock::Instance();
    for (size_t i = 0; i < fEntries.size(); ++i) {
        TEntry& e = fEntries[i];
        if (e.armTicks == 0 || clock.Ticks() - e.armTicks <= int64_t(e.delayMs) * clock.TicksPerMs())
            continue;
        e.armTicks = 0;
        // The procedure may arm entries again (and grow the table).
        std::function<void()> proc = e.procedure;
        if (proc)
            proc();
    }
}

bool TDelayedCalls::Armed(const std::string& name) const
{
    for (const TEntry& e : fEntries)
        if (e.name == name)
            return e.armTicks != 0;
    return false;
}

} // namespace orv
