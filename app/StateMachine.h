#pragma once
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace orv {

// States of the start-up state machine, by index.
enum TStartupState : uint8_t {
    stNotStarted = 0,
    stNominal = 1,
    stAwaitingInitialization = 2,
    stRestartingHub = 3,
    stSettingUp = 4,
    stNamedPortFound = 5,
    stSearchingGpioPort = 6,
    stSearchingDirectPort = 7,
    stSearchingUsbToCanPort = 8,
    stFindPortFailed = 9,
    stFindNamedPortFailed = 10,
    stInitializationFailed = 11,
    stNominalSystemFailed = 12,
    stApplicationErrorRaised = 13,
    stAttemptingFastRecovery = 14,
    stAttemptedFastRecoveryFailed = 15,
    stAttemptingRecovery = 16,
};
constexpr int kStateCount = 17;

enum TStateResult { sttype_success, sttype_Failure, sttype_TooManyPasses };

// A set of state indices 0..31.
using TStateSet = uint32_t;
constexpr TStateSet StateBit(int s) { return 1u << s; }
TStateSet MakeStateSet(std::initializer_list<int> states);

struct TStateRecord {
    bool Succeeded = false;
    std::function<void(int)> onEnter;
    std::function<void()> onExecute;
    std::function<void()> onFail;
    int32_t PassCount = 0;
    int32_t MaxPasses = 0;
    std::function<void(int)> onReEntryFail;
    std::vector<std::string> FailureText;
    std::vector<std::string> SuccessText;
    std::vector<std::string> EnteredText;
};

// The constant part of each state: name, texts and pass limit.
struct TStateDefinition {
    const char* name;
    const char* enteredText; // empty: the list is cleared
    const char* successText;
    const char* failureText;
    int32_t maxPasses;
};
extern const TStateDefinition kStateDefinitions[kStateCount];

// The start-up state machine: the table, the stepping and the transitions.
// Handlers are installed from outside, so tests drive it without a window.
class TStartupStateMachine {
public:
    using ShowTextFn = std::function<void(const std::vector<std::string>&)>;
    using DebugFn = std::function<void(const std::string&)>;

    TStartupStateMachine();

    // Fills every record from the definitions, clears handlers and flags, and
    // installs the default re-entry failure (disable the supervision tick).
    void InitStateTable(std::function<void()> disableTick);

    // The diagnostics box: replaced by a text list when that list is not empty.
    void SetShowText(ShowTextFn fn) { fShowText = std::move(fn); }
    void SetDebug(DebugFn fn) { fDebug = std::move(fn); }

    void StepStateMachine();
    void EnterState();
    void ReportState(TStateResult result);
    void FailureTransition();
    void ResetPassCounters(TStateSet keep);

    TStateRecord& State(int i) { return fStates[i]; }
    const TStateRecord& State(int i) const { return fStates[i]; }
    static const char* StateName(int i);

    uint8_t CurrentState = stNotStarted;
    uint8_t PreviousState = stNotStarted;
    uint8_t NextState = stSettingUp;
    uint8_t SearchStartState = stSearchingGpioPort;
    TStateSet VisitedStates = 0;

    bool Visited(int s) const { return (VisitedStates & StateBit(s)) != 0; }

private:
    void Show(const std::vector<std::string>& lines);
    void Debug(const std::string& line);

    TStateRecord fStates[kStateCount];
    ShowTextFn fShowText;
    DebugFn fDebug;
};

} // namespace orv
