#pragma once
#include <deque>
#include <functional>

namespace orv {

// Actions that free or replace what a wait may still be using: the link, the
// device model and its search, the window's timers and pages (RETRY, Try
// Restart, Restart Application, the shut-down buttons, a page rebuild).
//
// Every wait on the main thread keeps serving the event loop, so a button
// pressed during a wait runs inside it, and an action that ran there would
// pull the link or the model out from under the code that waits. Asked for
// while a wait runs, an action is kept instead, and runs once every wait has
// returned and the event loop runs on its own again.
class TDeferredActions {
public:
    using Action = std::function<void()>;
    struct Hooks {
        std::function<int()> waitsRunning; // waits now serving the event loop
        std::function<void()> callAgain;   // have RunPending called again soon from the event loop
    };

    explicit TDeferredActions(Hooks hooks);

    // Runs the action at once when no wait runs; otherwise keeps it, once per
    // kind (a button pressed twice during one wait acts once). True when it
    // ran at once.
    bool Request(int kind, Action action);

    // From the event loop: runs the kept actions in the order they were asked
    // for, unless a wait runs (then it asks to be called again). An action
    // asked for during the waits of one that runs follows it.
    void RunPending();

    bool Pending() const { return !fQueue.empty(); }
    bool Pending(int kind) const;

private:
    struct TEntry {
        int kind;
        Action action;
    };

    bool WaitsRunning() const { return fHooks.waitsRunning && fHooks.waitsRunning() > 0; }

    Hooks fHooks;
    std::deque<TEntry> fQueue;
    bool fRunning = false;
};

} // namespace orv
