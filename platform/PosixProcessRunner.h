#pragma once
#include "platform/ProcessRunner.h"

namespace orv {

// Starts programs with posix_spawn in a process group of their own, with no
// descriptor of the application but the standard ones, and the default
// signal dispositions. A program dropped before it has ended is reaped later,
// so no zombie is left behind.
class TPosixProcessRunner final : public IProcessRunner {
public:
    std::unique_ptr<IProcess> Start(const TProcessStart& start) override;

    // Reaps the programs that were dropped while running and have ended since.
    static void ReapDropped();
    // Dropped programs still running.
    static int DroppedCount();
};

} // namespace orv
