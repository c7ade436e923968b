#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

namespace orv {

// Timer handlers wait while serving the event loop, so the same timer can fire
// again inside its own handler; the busy list keeps a handler from re-entering.
class TBusyList {
public:
    // True when the object was already busy (the caller must return at once).
    bool EnterBusy(const void* object);
    void LeaveBusy(const void* object);
    bool IsBusy(const void* object) const { return fBusy.count(object) != 0; }

private:
    std::set<const void*> fBusy;
};

// Leaves the busy list on every way out of a handler.
class TBusyScope {
public:
    TBusyScope(TBusyList& list, const void* object) : fList(list), fObject(object), fWasBusy(list.EnterBusy(object)) {}
    ~TBusyScope()
    {
        if (!fWasBusy)
            fList.LeaveBusy(fObject);
    }
    bool WasBusy() const { return fWasBusy; }

private:
    TBusyList& fList;
    const void* fObject;
    bool fWasBusy;
};

struct TRateLimitedResult {
    bool ok;
    bool called;
};

// Runs a procedure at most once per period, and reports failure on the call
// after maxCalls calls (then counts again from zero).
class TRateLimiter {
public:
    TRateLimitedResult RateLimitedCall(const std::string& procedure, const std::function<void()>& proc,
                                       int64_t periodMs, int maxCalls);
    void ResetRateLimitedCall(const std::string& procedure);

private:
    struct Entry {
        int64_t lastCallTicks = 0;
        bool everCalled = false;
        int count = 0;
    };
    std::map<std::string, Entry> fEntries;
};

} // namespace orv
