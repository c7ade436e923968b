#pragma once
#include "platform/ProcessRunner.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace orv::test {

// The delay for waits on real child processes: they need real time to run.
// Every such wait is bounded by WaitForExit's limit.
inline bool RealDelay(int64_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return false;
}

// Runs a script with the real runner and returns its exit status (-1 when
// it did not start or did not end within 20 s).
inline int RunScript(const std::string& script, const std::string& folder)
{
    TProcessStart start;
    start.file = script;
    start.workingFolder = folder;
    auto p = DefaultProcessRunner().Start(start);
    if (!p)
        return -1;
    int code = -1;
    if (WaitForExit(*p, RealDelay, 20000, &code) != TWaitResult::Exited) {
        p->Kill();
        return -1;
    }
    return code;
}

} // namespace orv::test
