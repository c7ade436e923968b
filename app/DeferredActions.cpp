#include "app/DeferredActions.h"

#include <algorithm>

namespace orv {

TDeferredActions::TDeferredActions(Hooks hooks) : fHooks(std::move(hooks)) {}

bool TDeferredActions::Pending(int kind) const
{
    return std::any_of(fQueue.begin(), fQueue.end(), [kind](const TEntry& e) { return e.kind == kind; });
}

bool TDeferredActions::Request(int kind, Action action)
{
    if (!fRunning && fQueue.empty() && !WaitsRunning()) {
        fRunning = true;
        struct TReset {
            bool& running;
            ~TReset() { running = false; }
        } reset{fRunning};
        action();
        return true;
    }
    if (!Pending(kind))
        fQueue.push_back({kind, std::move(action)});
    if (fHooks.callAgain)
        fHooks.callAgain();
    return false;
}

void TDeferredActions::RunPending()
{
    if (fQueue.empty())
        return;
    if (fRunning || WaitsRunning()) {
        if (fHooks.callAgain)
            fHooks.callAgain();
        return;
    }
    fRunning = true;
    struct TReset {
        bool& running;
        ~TReset() { running = false; }
    } reset{fRunning};
    while (!fQueue.empty()) {
        Action action = std::move(fQueue.front().action);
        fQueue.pop_front();
        action();
    }
}

} // namespace orv
