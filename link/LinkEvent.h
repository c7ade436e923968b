#pragma once
#include <condition_variable>
#include <mutex>
#include <string>

namespace orv {

// A manual-reset event: stays signalled until reset; a wait returns at once
// while it is signalled.
class TLinkEvent {
public:
    explicit TLinkEvent(std::string name) : fName(std::move(name)) {}
    const std::string& Name() const { return fName; }

    void Set()
    {
        {
            std::lock_guard lock(fMutex);
            fSignalled = true;
        }
        fCond.notify_all();
    }
    void Reset()
    {
        std::lock_guard lock(fMutex);
        fSignalled = false;
    }
    // True when signalled, false on the time-out.
    bool Wait(int ms)
    {
        std::unique_lock lock(fMutex);
        return fCond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return fSignalled; });
    }

private:
    std::string fName;
    std::mutex fMutex;
    std::condition_variable fCond;
    bool fSignalled = false;
};

} // namespace orv
