#include "nav/GuidanceChannels.h"

#include "nav/GPSClock.h"
#include "store/Log.h"

#include <algorithm>
#include <stdexcept>

namespace orv {

TGuidanceChannels::TGuidanceChannels() = default;

void TGuidanceChannels::SetLocal(int channel, double value)
{
    Channel& c = fChannels.at(channel);
    const bool differs = c.local != value;
    if (c.method == 1 || c.method == 2)
        c.localStamp = TGPSClock::Instance().Ticks();
    if (differs)
        c.local = value;
}

void TGuidanceChannels::SetRemoteTimeout(int channel, int64_t ms)
{
    if (ms < 0)
        throw std::invalid_argument("SetRemoteTimeout: negative time-out");
    fChannels.at(channel).timeoutMs = ms;
}

void TGuidanceChannels::StampNmea()
{
    fLastNmea = TGPSClock::Instance().Ticks();
}

void TGuidanceChannels::StampOrv()
{
    fLastOrv = TGPSClock::Instance().Ticks();
}

bool TGuidanceChannels::Fresh(int64_t stampTicks, int channel) const
{
    const TGPSClock& clock = TGPSClock::Instance();
    const int64_t elapsed = clock.Ticks() - stampTicks;
    return elapsed <= fChannels[channel].timeoutMs * clock.TicksPerMs();
}

TGpsSpeed TGuidanceChannels::GetSpeed() const
{
    const Channel& c = fChannels[gchSpeed];
    TGpsSpeed local{static_cast<float>(c.local), false};
    const TGpsSpeed remote{static_cast<float>(c.remote), true};
    if (c.method == kMitigationNotSet)
        throw EMitigationError();
    if (c.method != kMitigationRemoteWhileFresh || RemoteDisabled(gchSpeed))
        return local;
    if (fLastNmea) {
        const int64_t latest = fLastOrv ? std::max(*fLastNmea, *fLastOrv) : *fLastNmea;
        return Fresh(latest, gchSpeed) ? remote : local;
    }
    if (!fLastOrv)
        return local;
    if (!Fresh(*fLastOrv, gchSpeed)) {
        DebugOut("remote speed expired");
        return local;
    }
    return remote;
}

} // namespace orv
