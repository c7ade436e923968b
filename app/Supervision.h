#pragma once
#include "app/StateMachine.h"
#include "link/LinkHealth.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orv {

// "Comport is Inactive; CAN Failed; …" for log lines; the text for no link.
std::string LinkFailureText(bool haveLink, uint8_t flags);

// Turns link failure flags into a failure of the state that is waiting on the
// link ("Nominal", "Awaiting Initialization", "Named Port Found").
void LinkFailureDecision(TStartupStateMachine& machine, uint8_t flags);

// One 10 ms supervision tick: the link check, then one step of the machine.
// An exception in either sends the machine to "Application Error Raised".
class TSupervisionTick {
public:
    struct Hooks {
        std::function<bool()> haveDeviceModel;
        std::function<uint8_t()> linkFailureFlags;
        std::function<void(const std::string&)> reportError; // text of the exception
    };

    TSupervisionTick(TStartupStateMachine& machine, Hooks hooks) : fMachine(machine), fHooks(std::move(hooks)) {}

    // Runs the tick; the caller has already taken the busy guard.
    void Run();
    uint8_t LastLinkFailureFlags() const { return fFlags; }

private:
    TStartupStateMachine& fMachine;
    Hooks fHooks;
    uint8_t fFlags = 0;
};

} // namespace orv
