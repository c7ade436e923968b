#include "platform/ProcessRunner.h"

#include <algorithm>

namespace orv {

TWaitResult WaitForExit(IProcess& process, const std::function<bool(int64_t ms)>& delay, int64_t maxMs,
                        int* exitCode, int64_t pollMs)
{
    if (pollMs <= 0)
        pollMs = 1;
    int64_t waited = 0;
    for (;;) {
        int code = -1;
        if (process.Finished(code)) {
            if (exitCode)
                *exitCode = code;
            return TWaitResult::Exited;
        }
        if (maxMs >= 0 && waited >= maxMs)
            return TWaitResult::TimedOut;
        const int64_t step = maxMs >= 0 ? std::min(pollMs, maxMs - waited) : pollMs;
        if (delay(step))
            return TWaitResult::Terminating;
        waited += step;
    }
}

} // namespace orv
