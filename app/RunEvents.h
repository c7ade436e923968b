#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace orv {

// Deferred run events, one bit each in the pending set.
enum TRunEvent : int {
    reNone = 0,             // posting it stops the dispatcher and clears the set
    reSetPrimaryMode = 1,
    reGoActive = 2,
    reNewQuantities = 3,
    reControllerReady = 4,
};

// What the dispatcher runs; the handlers post the next event themselves.
struct TRunEventHandlers {
    std::function<void()> setPrimaryMode;  // reSetPrimaryMode (controller ready)
    std::function<void()> goActive;        // reGoActive
    std::function<void()> newQuantities;   // reNewQuantities
    std::function<void()> controllerReady; // reControllerReady (controller ready)
    // True once the boards reported their settings.
    std::function<bool()> settingsReported;
    // The dispatcher timer.
    std::function<void(bool on)> enableTimer;
    // Saved before and restored after each tick.
    std::function<uint8_t()> pageMode;
    std::function<void(uint8_t)> restorePageMode;
    // The application error report.
    std::function<void(const std::string&)> reportError;
};

// The chain of deferred run events that brings a ready controller to an
// active gate, one step per dispatcher tick at the earliest.
class TRunEvents {
public:
    explicit TRunEvents(TRunEventHandlers handlers);

    // Event 0 stops the dispatcher and clears the set; 1..7 set the bit and
    // start the dispatcher.
    void PostRunEvent(int event);
    bool Pending(int event) const { return event > 0 && event < 8 && (fPending & (1u << event)); }
    uint8_t PendingSet() const { return fPending; }

    // One dispatcher tick (the caller guards it against re-entrance).
    // Exceptions of the handlers are reported and passed on.
    void Dispatch();

private:
    // Clears the event's bit; true when it was set.
    bool Take(int event);

    TRunEventHandlers fHandlers;
    uint8_t fPending = 0;
};

} // namespace orv
