#pragma once
#include "tests/support/TempDir.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace orv::test {

// Runs the real program `orvane` (beside the test binary) headless, with its
// own INI folder, a given ports folder and "NoKillExplorer"; its debug output
// is kept in a file that tests wait on. Every wait is bounded.
class AppProcess {
public:
    // `display` empty: the offscreen platform; otherwise an X display (":99")
    // the window is shown on, for tests that type and click as a pilot does.
    AppProcess(const std::string& iniDir, const std::string& portsDir, const std::string& display = {});
    ~AppProcess();
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    bool Started() const { return fPid > 0; }
    // Debug output so far.
    std::string Output() const;
    // Waits until the output holds `text` at least `count` times.
    bool WaitForOutput(const std::string& text, int timeoutMs, int count = 1) const;
    // Number of times `text` appears in the output.
    int CountOutput(const std::string& text) const;
    // SIGTERM, then wait; the exit code, or -1 when it had to be killed or crashed.
    int Stop(int timeoutMs = 15000);

private:
    TempDir fTemp;
    std::string fOutputPath;
    pid_t fPid = -1;
};

} // namespace orv::test
