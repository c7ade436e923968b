#pragma once
#include "platform/ProcessRunner.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orv {

// Restarts the USB hubs and waits for the controller port or the USB adapter
// to come back. Runs on the main thread; its waits serve the event loop, so
// USB events and timers are handled meanwhile.
class THubRestart {
public:
    struct Hooks {
        std::function<void(const std::string&)> addDiagnosticsLine;
        // True when the port can be opened (it is closed again at once).
        std::function<bool(int port)> probePort;
        std::function<bool()> usbAdapterSeen;
        std::function<bool()> nominalReachedOnce;
        // -1 when none.
        std::function<int()> lastNominalPort;
    };

    static constexpr int64_t kSettleMs = 500;
    static constexpr int64_t kWaitMs = 15000;
    static constexpr int64_t kStepMs = 100;
    static constexpr int64_t kAdapterSettleMs = 1000;
    // A script stuck in the kernel must not stop the recovery for good.
    static constexpr int64_t kScriptLimitMs = 30000;

    // script: "RestartHub.sh" in the INI folder; workingFolder: that folder.
    THubRestart(IProcessRunner& runner, std::string script, std::string workingFolder, Hooks hooks);

    // True when the port answered a probe or the adapter arrived within 15 s.
    bool RestartHub();

    // The script's exit status at the last restart; -1 when it did not start,
    // was still running or is unknown.
    int LastExitCode() const { return fLastExitCode; }

private:
    // Serves the event loop; true when the application is terminating.
    static bool Delay(int64_t ms);
    bool RunScript();
    bool WaitForPortOrAdapter(bool& terminating);

    IProcessRunner& fRunner;
    std::string fScript;
    std::string fFolder;
    Hooks fHooks;
    int fLastExitCode = -1;
};

} // namespace orv
