#include "app/HubRestart.h"

#include "nav/GPSClock.h"
#include "store/Log.h"

namespace orv {

THubRestart::THubRestart(IProcessRunner& runner, std::string script, std::string workingFolder, Hooks hooks)
    : fRunner(runner), fScript(std::move(script)), fFolder(std::move(workingFolder)), fHooks(std::move(hooks))
{
}

bool THubRestart::Delay(int64_t ms)
{
    return TGPSClock::Instance().Delay(ms, true);
}

bool THubRestart::RestartHub()
{
    if (fHooks.addDiagnosticsLine)
        fHooks.addDiagnosticsLine("Now Restarting HUB");
    Log("Restarting HUB");

    // Once the application is terminating nothing is waited for any more.
    bool terminating = RunScript();
    if (!terminating)
        terminating = Delay(kSettleMs);
    const bool ok = !terminating && WaitForPortOrAdapter(terminating);
    Log(ok ? "Finished Successfully Restarting HUB" : "Failed to restart HUB");
    return ok;
}

// True when the application began terminating during the wait.
bool THubRestart::RunScript()
{
    fLastExitCode = -1;
    TProcessStart start;
    start.file = fScript;
    start.workingFolder = fFolder;
    start.show = TShowMode::Hidden;
    auto process = fRunner.Start(start);
    if (!process) {
        // The 15 s wait still gives the adapter its chance.
        Log("Could not start %s", fScript);
        return false;
    }
    int code = -1;
    switch (WaitForExit(*process, Delay, kScriptLimitMs, &code)) {
    case TWaitResult::Exited:
        fLastExitCode = code;
        if (code != 0)
            Log("%s ended with exit code %d", fScript, code);
        return false;
    case TWaitResult::TimedOut:
        // Left to finish on its own; it is reaped later.
        Log("%s still running after %d ms", fScript, static_cast<int>(kScriptLimitMs));
        return false;
    case TWaitResult::Terminating:
        return true;
    }
    return false;
}

bool THubRestart::WaitForPortOrAdapter(bool& terminating)
{
    if (fHooks.addDiagnosticsLine)
        fHooks.addDiagnosticsLine("Waiting unit USB Insert or Restart of Can Port");
    auto& clock = TGPSClock::Instance();
    TDeadline deadline;
    clock.SetDeadline(kWaitMs, deadline);
    for (;;) {
        const bool knownPort = fHooks.nominalReachedOnce && fHooks.nominalReachedOnce() && fHooks.lastNominalPort &&
                               fHooks.lastNominalPort() >= 0;
        if (knownPort && fHooks.probePort && fHooks.probePort(fHooks.lastNominalPort())) {
            Log("CanPort found.");
            return true;
        }
        if (fHooks.usbAdapterSeen && fHooks.usbAdapterSeen()) {
            Log("USB Insert event detected");
            // Give the new device a moment to settle before it is opened.
            Delay(kAdapterSettleMs);
            return true;
        }
        if (!clock.DeadlineRunning(deadline))
            return false;
        if (Delay(kStepMs)) {
            terminating = true;
            return false;
        }
    }
}

} // namespace orv
