#pragma once
#include "platform/ProcessRunner.h"

#include <functional>
#include <memory>
#include <vector>

namespace orv {

// Records what was started; each program ends when the test says so.
class FakeProcessRunner final : public IProcessRunner {
public:
    struct State {
        bool finished = false;
        bool killed = false;
        int exitCode = 0;
        int polls = 0;
        // Ends by itself at this poll (1 = the first); 0 = only when told.
        int finishAtPoll = 1;
    };

    std::unique_ptr<IProcess> Start(const TProcessStart& start) override
    {
        starts.push_back(start);
        if (onStart)
            onStart(start);
        if (failStart)
            return nullptr;
        last = std::make_shared<State>();
        last->finishAtPoll = finishAtPoll;
        last->exitCode = exitCode;
        return std::make_unique<Process>(last);
    }

    std::vector<TProcessStart> starts;
    bool failStart = false;
    int finishAtPoll = 1;
    int exitCode = 0;
    // Runs at every start (a test can fire device events from here).
    std::function<void(const TProcessStart&)> onStart;
    std::shared_ptr<State> last;

private:
    class Process final : public IProcess {
    public:
        explicit Process(std::shared_ptr<State> s) : fState(std::move(s)) {}
        bool Finished(int& exitCode) override
        {
            ++fState->polls;
            if (fState->finishAtPoll > 0 && fState->polls >= fState->finishAtPoll)
                fState->finished = true;
            exitCode = fState->exitCode;
            return fState->finished;
        }
        void Kill() override
        {
            fState->killed = true;
            fState->finished = true;
            fState->exitCode = 137;
        }
        int Pid() const override { return 4242; }

    private:
        std::shared_ptr<State> fState;
    };
};

} // namespace orv
