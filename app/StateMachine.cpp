#include "app/StateMachine.h"

#include "store/Format.h"

namespace orv {

const TStateDefinition kStateDefinitions[kStateCount] = {
    {"Not Started", "In Not Started", "Done Not Started", "Failed While Not Started", 0},
    {"Nominal", "Nominal Condition Reached", "Normal Success", "Normal Failed", 0},
    {"Awaiting Initialization", "", "Awaiting Initialization Success", "Awaiting Initialization Failed", 0},
    {"Restarting HUB", "Restart HUB Entered", "Restart HUB Success", "Restart HUB Failed", 0},
    {"Setting Up", "Start Up Entered", "Start Up Success", "Start Up Failed", 0},
    {"Named Port Found", "Named Port Found Entered", "Named Port Found Success", "Named Port Found Failed", 0},
    {"Searching For GPIOPort", "Search for GPIO Port Entered", "Search for GPIO Port Success",
     "Search for GPIO Port Failed", 0},
    {"Searching For Direct Port", "Search for Direct Port Entered", "Search for Direct Port Success",
     "Search for Direct Port Failed", 0},
    {"Searching For USB to CAN Port", "Search for USB to Can Converter Entered",
     "Search for USB to Can Converter Success", "Search for USB to Can Converter Failed", 0},
    {"Find Port Failed", "Find Port Failed", "Find Port Success", "Find Port Failed Failed", 1},
    {"Find Named Port Failed", "Find Named Port Failed", "Find Named Port Success", "Find Bamed Port Failed Failed",
     3},
    {"Initialization Failed", "Initialization Failed Entered", "Initialization Failed Success",
     "Initialization Failed Failed", 1},
    {"Nominal System Failed", "Nominal System Failure Entered", "Nominal System Failure Success",
     "Nominal System Failure Failed", 0},
    {"Application Error Raised", "Application Exception Raised Entered", "Application Exception Raised Success",
     "Application Exception Raised Failed", 0},
    {"Attempting Fast Recovery", "Attempting Fast Recovery from a Failed State",
     "Attempt to make a fast recovery success", "Attempt to make a fast recovery failed", 0},
    {"Attempted Fast Recovery Failed", "Actions After Failed Fast Recovery", "Actions After Failed Fast Recovery Success",
     "Actions After Failed Fast Recovery have Failed", 10},
    {"Attempting Recovery", "Attempt to Recover from a Failure Entered", "Attempt to Recover from a Failure Success",
     "Attempt to Recover from a Failure Failed", 2},
};

TStateSet MakeStateSet(std::initializer_list<int> states)
{
    TStateSet s = 0;
    for (int i : states)
        s |= StateBit(i);
    return s;
}

namespace {
std::vector<std::string> TextList(const char* text)
{
    if (!text || !*text)
        return {};
    return {text};
}
} // namespace

TStartupStateMachine::TStartupStateMachine()
{
    InitStateTable(nullptr);
}

const char* TStartupStateMachine::StateName(int i)
{
    return i >= 0 && i < kStateCount ? kStateDefinitions[i].name : "";
}

void TStartupStateMachine::InitStateTable(std::function<void()> disableTick)
{
    for (int i = 0; i < kStateCount; ++i) {
        TStateRecord& r = fStates[i];
        r = TStateRecord{};
        r.onReEntryFail = [disableTick](int) {
            if (disableTick)
                disableTick();
        };
        r.EnteredText = TextList(kStateDefinitions[i].enteredText);
        r.SuccessText = TextList(kStateDefinitions[i].successText);
        r.FailureText = TextList(kStateDefinitions[i].failureText);
        r.MaxPasses = kStateDefinitions[i].maxPasses;
    }
    CurrentState = stNotStarted;
    PreviousState = stNotStarted;
    NextState = stSettingUp;
    VisitedStates = 0;
}

void TStartupStateMachine::Show(const std::vector<std::string>& lines)
{
    if (!lines.empty() && fShowText)
        fShowText(lines);
}

void TStartupStateMachine::Debug(const std::string& line)
{
    if (fDebug)
        fDebug(line);
}

void TStartupStateMachine::StepStateMachine()
{
    VisitedStates |= StateBit(CurrentState);
    if (NextState == CurrentState) {
        TStateRecord& s = fStates[CurrentState];
        s.PassCount += 1;
        if (s.MaxPasses > 0 && s.PassCount > s.MaxPasses)
            ReportState(sttype_TooManyPasses);
        else if (s.onExecute)
            s.onExecute();
        else
            Debug(Format("fOnGeneralContinue: %s", StateName(CurrentState)));
    } else {
        EnterState();
    }
}

void TStartupStateMachine::EnterState()
{
    PreviousState = CurrentState;
    CurrentState = NextState;
    TStateRecord& s = fStates[CurrentState];
    Debug(Format("Entering state: %s", StateName(CurrentState)));
    Show(s.EnteredText);
    if (s.onEnter)
        s.onEnter(CurrentState);
}

void TStartupStateMachine::ReportState(TStateResult result)
{
    TStateRecord& s = fStates[CurrentState];
    switch (result) {
    case sttype_success:
        s.Succeeded = true;
        Show(s.SuccessText);
        Show(s.EnteredText);
        switch (CurrentState) {
        case stNotStarted:
            NextState = stSettingUp;
            break;
        case stAwaitingInitialization:
        case stAttemptingFastRecovery:
        case stAttemptingRecovery:
            NextState = stNominal;
            break;
        case stNamedPortFound:
            NextState = stAwaitingInitialization;
            break;
        case stSearchingGpioPort:
        case stSearchingDirectPort:
        case stSearchingUsbToCanPort:
            NextState = stNamedPortFound;
            break;
        default:
            break;
        }
        break;
    case sttype_Failure:
        Show(s.FailureText);
        FailureTransition();
        break;
    case sttype_TooManyPasses:
        if (s.onReEntryFail)
            s.onReEntryFail(CurrentState);
        else if (CurrentState == stNotStarted)
            NextState = stApplicationErrorRaised;
        break;
    }
}

void TStartupStateMachine::FailureTransition()
{
    TStateRecord& s = fStates[CurrentState];
    if (s.onFail)
        s.onFail();
    switch (CurrentState) {
    case stNotStarted:
        NextState = stApplicationErrorRaised;
        break;
    case stNamedPortFound:
        NextState = stFindNamedPortFailed;
        break;
    case stSearchingGpioPort:
        NextState = stSearchingDirectPort;
        break;
    case stSearchingDirectPort:
        NextState = stSearchingUsbToCanPort;
        break;
    case stSearchingUsbToCanPort:
        NextState = stRestartingHub;
        break;
    case stFindNamedPortFailed:
        NextState = Visited(stNominal) ? uint8_t(stAttemptingFastRecovery) : SearchStartState;
        break;
    case stNominal:
    case stAttemptingRecovery:
        NextState = stAttemptingFastRecovery;
        break;
    case stAttemptingFastRecovery:
        NextState = stAttemptedFastRecoveryFailed;
        break;
    default:
        break;
    }
}

void TStartupStateMachine::ResetPassCounters(TStateSet keep)
{
    for (int i = 0; i < kStateCount; ++i)
        if (!(keep & StateBit(i)))
            fStates[i].PassCount = 0;
}

} // namespace orv
