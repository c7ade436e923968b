#include "app/Supervision.h"

#include <exception>

namespace orv {

std::string LinkFailureText(bool haveLink, uint8_t flags)
{
    if (!haveLink)
        return "No fCanport Assigned";
    static const std::pair<uint8_t, const char*> kTexts[] = {
        {lfNotHealthy, "Comport is Inactive; "}, {lfSerialPing, "Serial Comm Failed; "},
        {lfGpioPing, "GPIO Failed; "},         {lfCanPing, "CAN Failed; "},
        {lfUsbCanPing, "USB to CAN Failed; "}, {lfSendBlocked, "Send Watchdog Timer Failed; "},
        {lfReceiveBlocked, "Receive Watchdog Timer Failed; "},
    };
    std::string text;
    for (const auto& [bit, words] : kTexts)
        if (flags & bit)
            text += words;
    return text;
}

void LinkFailureDecision(TStartupStateMachine& machine, uint8_t flags)
{
    const uint8_t s = machine.CurrentState;
    if (s != stNominal && s != stAwaitingInitialization && s != stNamedPortFound)
        return;
    if (flags == lfNotHealthy) {
        // A link that is merely not up yet is normal while it is being set up.
        if (s == stNominal)
            machine.ReportState(sttype_Failure);
        return;
    }
    if (flags != 0)
        machine.ReportState(sttype_Failure);
}

void TSupervisionTick::Run()
{
    if (fHooks.haveDeviceModel && !fHooks.haveDeviceModel())
        return;
    try {
        fFlags = fHooks.linkFailureFlags ? fHooks.linkFailureFlags() : 0;
        if (fFlags != 0)
            LinkFailureDecision(fMachine, fFlags);
        fMachine.StepStateMachine();
    } catch (const std::exception& e) {
        if (fHooks.reportError)
            fHooks.reportError(e.what());
        fMachine.NextState = stApplicationErrorRaised;
        fMachine.StepStateMachine();
    } catch (...) {
        if (fHooks.reportError)
            fHooks.reportError("unknown error");
        fMachine.NextState = stApplicationErrorRaised;
        fMachine.StepStateMachine();
    }
}

} // namespace orv
