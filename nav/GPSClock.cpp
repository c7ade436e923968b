#include "nav/GPSClock.h"

#include <limits>
#include <mutex>
#include <stdexcept>

namespace orv {

namespace {

std::mutex gInstanceMutex;
std::unique_ptr<TGPSClock> gInstance;
TGPSClock::PumpHook gPump;
thread_local int tPumpingWaits = 0;

int64_t CheckedMul(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_mul_overflow(a, b, &r))
        throw std::range_error("TGPSClock: 64-bit overflow");
    return r;
}

int64_t CheckedAdd(int64_t a, int64_t b)
{
    int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        throw std::range_error("TGPSClock: 64-bit overflow");
    return r;
}

} // namespace

TGPSClock::TGPSClock(ITimeSource& source)
    : fSource(source),
      fFrequency(source.Frequency()),
      fTicksPerMs(fFrequency / 1000 > 0 ? fFrequency / 1000 : 1),
      fBaseTime(source.WallClockNow()),
      fBaseTicks(source.Ticks())
{
}

TGPSClock& TGPSClock::Instance()
{
    std::lock_guard lock(gInstanceMutex);
    if (!gInstance)
        gInstance = std::make_unique<TGPSClock>(DefaultTimeSource());
    return *gInstance;
}

bool TGPSClock::Exists()
{
    std::lock_guard lock(gInstanceMutex);
    return gInstance != nullptr;
}

TGPSClock& TGPSClock::Install(ITimeSource& source)
{
    std::lock_guard lock(gInstanceMutex);
    gInstance = std::make_unique<TGPSClock>(source);
    return *gInstance;
}

void TGPSClock::Uninstall()
{
    std::lock_guard lock(gInstanceMutex);
    gInstance.reset();
}

int TGPSClock::PumpingWaits()
{
    return tPumpingWaits;
}

void TGPSClock::SetPumpHook(PumpHook hook)
{
    gPump = std::move(hook);
}

int64_t TGPSClock::SetDeadline(int64_t ms, TDeadline& d) const
{
    const int64_t now = Ticks();
    d.start = now;
    d.end = CheckedAdd(now, CheckedMul(ms, fTicksPerMs));
    return d.end;
}

bool TGPSClock::DeadlineRunning(const TDeadline& d) const
{
    const int64_t now = Ticks();
    return d.start <= now && now <= d.end && !(d.start == 0 && d.end == 0);
}

int64_t TGPSClock::ElapsedMs(int64_t startTicks) const
{
    return (Ticks() - startTicks) / fTicksPerMs;
}

bool TGPSClock::Delay(int64_t ms, bool pump) const
{
    const int64_t until = CheckedAdd(Ticks(), CheckedMul(ms, fTicksPerMs));
    struct TDepth {
        bool counted;
        explicit TDepth(bool c) : counted(c) { tPumpingWaits += counted; }
        ~TDepth() { tPumpingWaits -= counted; }
    } depth(pump);
    while (Ticks() < until) {
        if (pump && gPump && gPump())
            return true;
    }
    return false;
}

int32_t TGPSClock::StartStopwatch()
{
    const int32_t id = fStopwatches.empty() ? 1 : fStopwatches.rbegin()->first + 1;
    fStopwatches[id] = Ticks();
    return id;
}

int64_t TGPSClock::StopwatchMs(int32_t id) const
{
    auto it = fStopwatches.find(id);
    return it == fStopwatches.end() ? 0 : ElapsedMs(it->second);
}

int64_t TGPSClock::StopStopwatch(int32_t id)
{
    const int64_t ms = StopwatchMs(id);
    fStopwatches.erase(id);
    return ms;
}

TDateTime TGPSClock::Now() const
{
    const int64_t ms = (Ticks() - fBaseTicks) / fTicksPerMs;
    return fBaseTime + static_cast<double>(ms) / kMsPerDay;
}

void TGPSClock::OpenTimeMark(int slot)
{
    if (slot < 0 || slot > 1)
        return;
    if (fMarkId == 0)
        fMarkId = StartStopwatch();
    fMarkSlots[slot] = StopwatchMs(fMarkId);
}

void TGPSClock::CloseTimeMark()
{
    if (fMarkId != 0)
        StopStopwatch(fMarkId);
    fMarkId = 0;
}

void OpenTimeMark(int slot)
{
    if (TGPSClock::Exists())
        TGPSClock::Instance().OpenTimeMark(slot);
}

void CloseTimeMark()
{
    if (TGPSClock::Exists())
        TGPSClock::Instance().CloseTimeMark();
}

bool TimeMarkOpen()
{
    return TGPSClock::Exists() && TGPSClock::Instance().TimeMarkOpen();
}

} // namespace orv
