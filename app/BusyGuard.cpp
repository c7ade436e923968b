#include "app/BusyGuard.h"

#include "nav/GPSClock.h"

namespace orv {

bool TBusyList::EnterBusy(const void* object)
{
    return !fBusy.insert(object).second;
}

void TBusyList::LeaveBusy(const void* object)
{
    fBusy.erase(object);
}

TRateLimitedResult TRateLimiter::RateLimitedCall(const std::string& procedure, const std::function<void()>& proc,
                                                 int64_t periodMs, int maxCalls)
{
    Entry& e = fEntries[procedure];
    const TGPSClock& clock = TGPSClock::Instance();
    if (e.everCalled && clock.ElapsedMs(e.lastCallTicks) < periodMs)
        return {true, false};
    if (proc)
        proc();
    e.lastCallTicks = clock.Ticks();
    e.everCalled = true;
    if (maxCalls < 1) {
        e.count = 0;
        return {true, true};
    }
    e.count += 1;
    const bool ok = e.count <= maxCalls;
    if (!ok)
        e.count = 0;
    return {ok, true};
}

void TRateLimiter::ResetRateLimitedCall(const std::string& procedure)
{
    // Only the count: the period still runs from the last real call.
    auto it = fEntries.find(procedure);
    if (it != fEntries.end())
        it->second.count = 0;
}

} // namespace orv
