#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// Intervals of the quantity loop, ms.
enum TLoopInterval : int {
    liUpdateSpeed = 0,
    liCheckGpsCom = 1,
    liTankLevelDisplay = 2,
    liPredictedOpening = 3,
    liTextDisplays = 4,
};
struct TLoopIntervalDef {
    const char* name;
    int ms;
};
extern const TLoopIntervalDef kLoopIntervals[5];
inline int LoopIntervalMs(TLoopInterval i) { return kLoopIntervals[i].ms; }

// Calls put off by a delay: repeated requests within the delay give one call.
// Entries are named by their procedure; at most one entry per name.
class TDelayedCalls {
public:
    // Arms the procedure's entry (appending it when missing); an armed entry
    // is left as it is.
    void CallLater(int delayMs, const std::string& name, std::function<void()> procedure);
    // Runs, in order, every armed entry whose delay has passed (strictly),
    // and marks it idle.
    void RunDueCalls();
    bool Armed(const std::string& name) const;

private:
    struct TEntry {
        std::string name;
        std::function<void()> procedure;
        int64_t armTicks = 0; // 0 = idle
        int delayMs = 0;
    };
    std::vector<TEntry> fEntries;
};

} // namespace orv
