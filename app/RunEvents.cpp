#include "app/RunEvents.h"

#include "store/Log.h"

#include <exception>

namespace orv {

namespace {
constexpr uint8_t kFailureBit = 0x01;
constexpr uint8_t kServiceBit = 0x10;
} // namespace

TRunEvents::TRunEvents(TRunEventHandlers handlers) : fHandlers(std::move(handlers)) {}

void TRunEvents::PostRunEvent(int event)
{
    if (event == reNone) {
        if (fHandlers.enableTimer)
            fHandlers.enableTimer(false);
        fPending = 0;
        return;
    }
    if (event < 1 || event > 7)
        return;
    fPending = static_cast<uint8_t>(fPending | (1u << event));
    if (fHandlers.enableTimer)
        fHandlers.enableTimer(true);
}

bool TRunEvents::Take(int event)
{
    if (!Pending(event))
        return false;
    fPending = static_cast<uint8_t>(fPending & ~(1u << event));
    return true;
}

namespace {

void Run(const std::function<void()>& f)
{
    if (f)
        f();
}

} // namespace

void TRunEvents::Dispatch()
{
    const uint8_t savedPageMode = fHandlers.pageMode ? fHandlers.pageMode() : 0;
    struct Restore {
        const TRunEventHandlers& h;
        uint8_t mode;
        ~Restore()
        {
            if (!h.restorePageMode)
                return;
            // A failure or service condition that arose during the tick stays:
            // the saved mode would otherwise hide the pages that deal with it.
            const uint8_t now = h.pageMode ? h.pageMode() : mode;
            const uint8_t raised = static_cast<uint8_t>(now & ~mode & (kFailureBit | kServiceBit));
            h.restorePageMode(static_cast<uint8_t>(mode | raised));
        }
    } restore{fHandlers, savedPageMode};

    if (fPending == 0) {
        if (fHandlers.enableTimer)
            fHandlers.enableTimer(false);
        return;
    }
    try {
        const auto ready = [this] { return fHandlers.settingsReported && fHandlers.settingsReported(); };
        if (Take(reGoActive))
            Run(fHandlers.goActive);
        // Steps that need the boards' settings stay pending until they came.
        if (Pending(reSetPrimaryMode) && ready()) {
            Take(reSetPrimaryMode);
            Run(fHandlers.setPrimaryMode);
        }
        if (Take(reNewQuantities))
            Run(fHandlers.newQuantities);
        if (Pending(reControllerReady) && ready()) {
            Take(reControllerReady);
            Run(fHandlers.controllerReady);
        }
    } catch (const std::exception& e) {
        if (fHandlers.reportError)
            fHandlers.reportError(std::string("Error Raised in TimerRunEventTimer: ") + e.what());
        throw;
    }
}

} // namespace orv
