#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

#include "tests/support/TempDir.h"

namespace orv::test {

// Sets an environment variable for a scope (ORVANE_PORTS to a simulator's
// folder), restoring the previous value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string fName;
    bool fHad = false;
    std::string fOld;
};

// Runs orvane-sim (found beside the test binary, or at $ORVANE_SIM) as a
// child process for one test:
//
//     SimProcess sim({"--link", "usbcan", "--port", "2", "--silent-decoys", "2"});
//     ASSERT_TRUE(sim.Ready()) << sim.StartError();
//     ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
//     ... open sim.PortPath(2) ...
//     EXPECT_EQ(sim.Command("unplug 1"), "OK unplugged, back in 1 s");
//
// The simulator gets a private ports folder and log file unless another
// folder is given (two simulators in one folder: pass the first one's
// PortsDir()). Every wait is bounded. The destructor stops the simulator
// (its links vanish with it); it also dies with the test process.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args, int readyTimeoutMs = 10000);
    SimProcess(const std::vector<std::string>& args, const std::string& portsDir, int readyTimeoutMs = 10000);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The "READY ..." line arrived.
    bool Ready() const { return !fReadyLine.empty(); }
    const std::string& ReadyLine() const { return fReadyLine; }
    // Why it is not ready: the simulator's error output or exit status.
    std::string StartError() const;

    const std::string& PortsDir() const { return fPortsDir; }
    // PortsDir()/COM<N+1>, the name the application opens for port N.
    std::string PortPath(int portNumber) const;
    std::string LogPath() const { return fLogPath; }
    // Everything logged so far.
    std::string LogText() const;
    // Waits until the log contains `text`; false on time-out.
    bool WaitForLog(const std::string& text, int timeoutMs = 5000) const;

    // Sends one command and returns its answer line ("OK ..." / "ERROR ..."),
    // or "" when none came in time.
    std::string Command(const std::string& line, int timeoutMs = 5000);
    // Returns once at least `seconds` have passed inside the simulator (a
    // timed mark command ran), so that a test can let its clock run without
    // sleeping; false when the mark did not come in time.
    bool LetTimePass(double seconds, int timeoutMs = 10000);

    bool Running();
    // SIGTERM and wait (SIGKILL after the time-out); the exit status as
    // waitpid gives it, -1 when already reaped.
    int Stop(int timeoutMs = 5000);
    pid_t Pid() const { return fPid; }

    static std::string BinaryPath();

private:
    void Start(const std::vector<std::string>& args, int readyTimeoutMs);
    // Next stdout line, or false on time-out / end.
    bool ReadLine(std::string& line, int timeoutMs);

    TempDir fTemp;
    std::string fPortsDir;
    std::string fLogPath;
    std::string fErrPath;
    pid_t fPid = -1;
    int fStatus = -1;
    int fIn = -1;   // simulator's standard input
    int fOut = -1;  // simulator's standard output
    std::string fOutText;
    std::string fReadyLine;
    int fMarks = 0;
};

} // namespace orv::test
