#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace orv {

class IProcess;
class IProcessRunner;
class TMemIniFile;
struct TProcessStart;

// The panel PC's services: the write protection of the system volume, the
// technician's desktop (ended while the program runs), the installation's
// shutdown script and the remote-support identifier.
// Every script or program is started through the platform's runner, waited
// for with a limit while the window's events are served, and its exit code
// logged.
class TSystemServices {
public:
    // delay(ms): waits while serving events; true when the program is ending.
    using Delay = std::function<bool(int64_t ms)>;
    static constexpr int64_t kScriptLimitMs = 30000;

    TSystemServices(IProcessRunner& runner, std::string iniDirectory, bool noKillExplorer, Delay delay);

    // Start-up, right after the protected files were checked: runs
    // "CheckEWF.sh" (a stale "EWF_State.txt" deleted first) and, when the
    // overlay is off, "EnableEWF.sh" — except on a development machine
    // ("NoKillExplorer"), which is only told. Warns when the INI folder itself
    // lies on an overlay or tmpfs, where settings vanish at power-off.
    void CheckAndEnableWriteFilter();
    bool CheckWriteFilter();
    void EnableWriteFilter();

    // The desktop around the program (nothing with "NoKillExplorer").
    void EndShell();
    void StartShell();
    // "Shut Down": "ShutDown.sh" of the INI folder when present, else the
    // desktop. Nothing with "NoKillExplorer". True when the script ran.
    bool CloseAndShutDown();

    // Runs one program or script and waits up to the limit; its exit code,
    // or -1 when it did not start, did not end in time or the program is
    // ending.
    int RunAndWait(const TProcessStart& start, const std::string& what);

    std::string FilePath(const std::string& name) const;
    bool NoKillExplorer() const { return fNoKillExplorer; }

private:
    int WaitAndLog(IProcess& process, const std::string& what);

    IProcessRunner& fRunner;
    std::string fDir;
    bool fNoKillExplorer;
    Delay fDelay;
};

// The remote-support identifier: "[Remote Support] IdFile" of the start-up
// file names a text file, "IdPattern" a regular expression whose first group
// (or whole match) is the identifier (default: the first run of digits).
// Read unsigned; 0 when absent, unreadable or out of range.
uint32_t ReadRemoteSupportId(const TMemIniFile& startupIni);
// "Pelorin Quick Support ID: %u", or empty for 0 (the label stays hidden).
std::string RemoteSupportText(uint32_t id);

} // namespace orv
