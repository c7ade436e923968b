#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// How a started program is seen: hidden ones get no terminal (their standard
// input and output go to /dev/null), shown ones share the application's.
enum class TShowMode { Hidden, Shown };

struct TProcessStart {
    // A script ("….sh", run by /bin/sh so it needs no execute bit) or a
    // program (a bare name is looked up on PATH).
    std::string file;
    std::vector<std::string> arguments;
    // Empty: the application's own working folder.
    std::string workingFolder;
    TShowMode show = TShowMode::Hidden;
};

// One started program. Polling never blocks, so the main thread can keep its
// event loop running while it waits.
class IProcess {
public:
    virtual ~IProcess() = default;
    // True once the program has ended; exitCode is then its exit status
    // (128 + signal number when it was killed, -1 when unknown).
    virtual bool Finished(int& exitCode) = 0;
    // Ends the program and whatever it started.
    virtual void Kill() = 0;
    virtual int Pid() const = 0;
};

// Starts scripts and programs. A start that fails gives nullptr.
class IProcessRunner {
public:
    virtual ~IProcessRunner() = default;
    virtual std::unique_ptr<IProcess> Start(const TProcessStart& start) = 0;
};

// Waits for the end of a started program. delay(ms) waits that long while
// serving the event loop and returns true when the application is
// terminating, which ends the wait. maxMs < 0: no limit.
enum class TWaitResult { Exited, Terminating, TimedOut };
TWaitResult WaitForExit(IProcess& process, const std::function<bool(int64_t ms)>& delay, int64_t maxMs = -1,
                        int* exitCode = nullptr, int64_t pollMs = 10);

// The process-wide runner over posix_spawn.
IProcessRunner& DefaultProcessRunner();

} // namespace orv
