#include "sim/ControllerBoard.h"

#include "sim/BoardMessages.h"
#include "sim/GateMotion.h"

#include <charconv>

namespace orv::sim {

namespace {

bool ParseBool(const std::string& text, bool& out)
{
    if (text == "on" || text == "1" || text == "yes" || text == "true") {
        out = true;
        return true;
    }
    if (text == "off" || text == "0" || text == "no" || text == "false") {
        out = false;
        return true;
    }
    return false;
}

bool ParseNumber(const std::string& text, long max, long& out)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= 0 && out <= max;
}

// A board field: how to parse it into the state (none: read-only), how to
// show it, and whether the board keeps it across power cycles.
struct TField {
    const char* Name;
    bool (*Set)(TBoardState&, const std::string&);
    std::string (*Get)(const TBoardState&);
    bool Stored = false;
};

template <bool TBoardState::*M>
bool SetBool(TBoardState& s, const std::string& v) { return ParseBool(v, s.*M); }
template <bool TBoardState::*M>
std::string GetBool(const TBoardState& s) { return s.*M ? "on" : "off"; }

template <typename T, T TBoardState::*M>
bool SetNumber(TBoardState& s, const std::string& v)
{
    long n = 0;
    if (!ParseNumber(v, long(T(~T(0))), n))
        return false;
    s.*M = T(n);
    return true;
}
template <typename T, T TBoardState::*M>
std::string GetNumber(const TBoardState& s) { return std::to_string(s.*M); }

bool SetFirmware(TBoardState& s, const std::string& v)
{
    if (v.size() > 8)
        return false;
    s.Firmware = v;
    return true;
}
std::string GetFirmware(const TBoardState& s) { return s.Firmware; }

bool SetAddress(TBoardState& s, const std::string& v)
{
    long n = 0;
    if (!ParseNumber(v, 2, n))
        return false;
    s.Address = uint8_t(n);
    return true;
}

#define BOOL_FIELD(name, member) {name, &SetBool<&TBoardState::member>, &GetBool<&TBoardState::member>}
#define U16_FIELD(name, member) {name, &SetNumber<uint16_t, &TBoardState::member>, &GetNumber<uint16_t, &TBoardState::member>}
#define U8_FIELD(name, member) {name, &SetNumber<uint8_t, &TBoardState::member>, &GetNumber<uint8_t, &TBoardState::member>}
#define STORED_BOOL(name, member) {name, &SetBool<&TBoardState::member>, &GetBool<&TBoardState::member>, true}
#define STORED_U16(name, member) {name, &SetNumber<uint16_t, &TBoardState::member>, &GetNumber<uint16_t, &TBoardState::member>, true}
#define STORED_U8(name, member) {name, &SetNumber<uint8_t, &TBoardState::member>, &GetNumber<uint8_t, &TBoardState::member>, true}
#define READ_ONLY(name, getter) {name, nullptr, getter}

const TField kFields[] = {
    BOOL_FIELD("pilot", PilotSwitch),
    BOOL_FIELD("armed", Armed),
    BOOL_FIELD("cancontrol", UnderCanControl),
    BOOL_FIELD("fault", Fault),
    BOOL_FIELD("hardstop", HardStop),
    BOOL_FIELD("foam", FoamOut),
    BOOL_FIELD("pumps", PumpsOn),
    STORED_BOOL("highspeed", HighSpeedSolenoids),
    BOOL_FIELD("timer", TimerMode),
    U8_FIELD("delay", TimeDelay),
    BOOL_FIELD("multi", MultiOutput),
    U8_FIELD("mode", ControlMode),
    U16_FIELD("position", Position),
    U16_FIELD("setpoint", SetPoint),
    U16_FIELD("pot", PotPosition),
    READ_ONLY("target", [](const TBoardState& s) { return std::to_string(TargetPosition(s)); }),
    READ_ONLY("moving", &GetBool<&TBoardState::Moving>),
    READ_ONLY("stopreached", &GetBool<&TBoardState::StopReached>),
    STORED_U16("speed", GateSpeed),
    STORED_U16("travelmin", TravelMin),
    STORED_U16("travelmax", TravelMax),
    STORED_U16("max", MaximumOpen),
    STORED_U16("min", MinimumOpen),
    STORED_U8("inner", InnerDeadBand),
    STORED_U8("outer", OuterDeadBand),
    STORED_U16("pwmfrequency", PwmFrequency),
    STORED_U8("pwmproportion", PwmProportion),
    STORED_BOOL("pwmenabled", PwmEnabled),
    STORED_U8("current", ProportionalCurrent),
    STORED_U8("maxcurrent", MaxProportionalCurrent),
    STORED_U8("maxpwm", MaxPwmValue),
    STORED_U8("pumpdelay", PumpStopDelay),
    STORED_U16("dryseal", DrySealValue),
    STORED_U8("sealmode", DrySealMode),
    STORED_BOOL("potnormal", FeedbackPotNormal),
    {"firmware", &SetFirmware, &GetFirmware, true},
    {"address", &SetAddress, &GetNumber<uint8_t, &TBoardState::Address>, true},
};

#undef BOOL_FIELD
#undef U16_FIELD
#undef U8_FIELD
#undef STORED_BOOL
#undef STORED_U16
#undef STORED_U8
#undef READ_ONLY

const TField* FindField(const std::string& name)
{
    for (const auto& f : kFields)
        if (name == f.Name)
            return &f;
    return nullptr;
}

} // namespace

const TControllerBoard::THandlerEntry TControllerBoard::kHandlers[] = {
    {cmdStatusRequest, &TControllerBoard::OnStatusRequest},
    {cmdConfigRequest, &TControllerBoard::OnConfigRequest},
    {cmdRequestPwmParameters, &TControllerBoard::OnRequestPwm},
    {cmdRequestRevision, &TControllerBoard::OnRequestRevision},
    {cmdRequestBoardId, &TControllerBoard::OnRequestBoardId},
    {cmdRequestDrySeal, &TControllerBoard::OnRequestDrySeal},
    {cmdGetFeedbackPotDirection, &TControllerBoard::OnGetFeedbackPot},
    {cmdRequestMaxPwmValue, &TControllerBoard::OnRequestMaxPwm},
    {cmdRequestPumpStopDelay, &TControllerBoard::OnRequestPumpStopDelay},
    {cmdControlMessage, &TControllerBoard::OnControlMessage},
    {cmdConfigCmd, &TControllerBoard::OnConfigCmd},
    {cmdSetPwmParameters, &TControllerBoard::OnSetPwm},
    {cmdSetHighspeedSolenoids, &TControllerBoard::OnSetHighspeed},
    {cmdSetBoardId, &TControllerBoard::OnSetBoardId},
    {cmdSetDrySeal, &TControllerBoard::OnSetDrySeal},
    {cmdSetFeedbackPotDirection, &TControllerBoard::OnSetFeedbackPot},
    {cmdSetMaxPwmValue, &TControllerBoard::OnSetMaxPwm},
    {cmdSetPumpStopDelay, &TControllerBoard::OnSetPumpStopDelay},
};

TControllerBoard::TControllerBoard(uint8_t address)
{
    fState.Address = address;
}

bool TControllerBoard::Accepts(const TSimCanFrame& frame) const
{
    if ((frame.Id & 0x1FFF0000) != kControllerIdFlag && frame.Code() != cmdSetBoardId)
        return false;
    if (frame.Code() == cmdSetBoardId)
        return true;
    return frame.Board() == 0 || frame.Board() == fState.Address;
}

bool TControllerBoard::Handle(const TSimCanFrame& frame, std::vector<TSimCanFrame>& replies)
{
    for (const auto& entry : kHandlers) {
        if (entry.Code == frame.Code()) {
            (this->*entry.Handler)(frame, replies);
            return true;
        }
    }
    return false;
}

TSimCanFrame TControllerBoard::Reply(uint8_t code) const
{
    return BoardFrame(code, fState.Address);
}

TSimCanFrame TControllerBoard::StatusFrame() const
{
    const auto& s = fState;
    TSimCanFrame f = Reply(stStatus);
    f.SetWord(0, s.Position);
    f.Data[2] = s.TimerMode;
    f.Data[3] = s.TimeDelay;
    f.Data[4] = s.UnderCanControl;
    f.Data[5] = s.PilotSwitch;
    f.Data[6] = s.HighSpeedSolenoids;
    f.Data[7] = uint8_t((s.Armed ? sbArmed : 0) | (s.Fault ? sbFault : 0) | (s.HardStop || s.StopReached ? sbHardStop : 0)
        | (s.FoamOut ? sbFoamOut : 0) | (s.PumpsOn ? sbPumpsOn : 0));
    return f;
}

TSimCanFrame TControllerBoard::CurrentFrame() const
{
    const auto& s = fState;
    TSimCanFrame f = Reply(stCurrent);
    // The set point in use: the commanded one while the pilot's switch is on,
    // else the configured minimum the gate closes to.
    f.SetWord(0, s.UnderCanControl && !s.PilotSwitch ? s.MinimumOpen : s.SetPoint);
    f.SetWord(2, s.Position);
    f.SetWord(4, s.PotPosition);
    f.Data[6] = s.PilotSwitch;
    f.Data[7] = s.UnderCanControl;
    return f;
}

void TControllerBoard::OnStatusRequest(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    replies.push_back(StatusFrame());
    replies.push_back(CurrentFrame());
}

TSimCanFrame TControllerBoard::ConfigFrame() const
{
    const auto& s = fState;
    TSimCanFrame f = Reply(stConfig);
    f.SetWord(0, s.MaximumOpen);
    f.SetWord(2, s.MinimumOpen);
    f.Data[4] = s.InnerDeadBand;
    f.Data[5] = s.OuterDeadBand;
    f.Data[6] = s.ConfigD6;
    f.Data[7] = s.ConfigD7;
    return f;
}

TSimCanFrame TControllerBoard::PwmFrame() const
{
    const auto& s = fState;
    TSimCanFrame f = Reply(stPwmStatus);
    f.SetWord(0, s.PwmFrequency);
    f.Data[2] = s.PwmProportion;
    f.Data[3] = s.PwmEnabled;
    f.Data[4] = s.ProportionalCurrent;
    f.Data[5] = s.MaxProportionalCurrent;
    return f;
}

TSimCanFrame TControllerBoard::SealedModeFrame() const
{
    TSimCanFrame f = Reply(stSealedMode);
    f.SetWord(0, fState.DrySealValue);
    f.Data[2] = fState.DrySealMode;
    f.SetWord(3, fState.MinimumOpen);
    return f;
}

TSimCanFrame TControllerBoard::FeedbackPotFrame() const
{
    TSimCanFrame f = Reply(stFeedbackPotDirection);
    f.Data[0] = fState.FeedbackPotNormal ? 1 : 0;
    f.Data[1] = 1;
    return f;
}

void TControllerBoard::OnConfigRequest(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    replies.push_back(ConfigFrame());
}

void TControllerBoard::OnRequestPwm(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    replies.push_back(PwmFrame());
}

void TControllerBoard::OnRequestRevision(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    TSimCanFrame f = Reply(stFirmwareVersion);
    for (size_t i = 0; i < f.Data.size() && i < fState.Firmware.size(); ++i)
        f.Data[i] = uint8_t(fState.Firmware[i]);
    replies.push_back(f);
}

void TControllerBoard::OnRequestBoardId(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    TSimCanFrame f = Reply(stBoardId);
    f.Data[0] = fState.Address;
    replies.push_back(f);
}

void TControllerBoard::OnRequestDrySeal(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    replies.push_back(SealedModeFrame());
}

void TControllerBoard::OnGetFeedbackPot(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    replies.push_back(FeedbackPotFrame());
}

void TControllerBoard::OnRequestMaxPwm(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    TSimCanFrame f = Reply(stMaxPwmValue);
    f.Data[0] = fState.MaxPwmValue;
    replies.push_back(f);
}

void TControllerBoard::OnRequestPumpStopDelay(const TSimCanFrame&, std::vector<TSimCanFrame>& replies)
{
    TSimCanFrame f = Reply(stPumpStopDelay);
    f.Data[0] = fState.PumpStopDelay;
    replies.push_back(f);
}

void TControllerBoard::OnControlMessage(const TSimCanFrame& frame, std::vector<TSimCanFrame>&)
{
    auto& s = fState;
    s.SetPoint = frame.Word(0);
    s.ControlMode = frame.Data[2];
    s.FoamOut = frame.Data[3] != 0;
    const uint8_t mask = frame.Data[7];
    if (mask & 0x01)
        s.TimerMode = frame.Data[4] != 0;
    if (mask & 0x02)
        s.TimeDelay = frame.Data[5];
    if (mask & 0x04)
        s.MultiOutput = frame.Data[6] != 0;
}

// The application asks for the configuration only while it starts, so a
// board reports its configuration back after every change; an unknown item
// changes nothing and is answered all the same.
void TControllerBoard::OnConfigCmd(const TSimCanFrame& frame, std::vector<TSimCanFrame>& replies)
{
    auto& s = fState;
    switch (frame.Data[7]) {
    case 1: s.MaximumOpen = frame.Word(0); break;
    case 2: s.MinimumOpen = frame.Word(2); break;
    case 3: s.InnerDeadBand = frame.Data[4]; break;
    case 4: s.OuterDeadBand = frame.Data[5]; break;
    default: break;
    }
    replies.push_back(ConfigFrame());
}

void TControllerBoard::OnSetPwm(const TSimCanFrame& frame, std::vector<TSimCanFrame>& replies)
{
    auto& s = fState;
    switch (frame.Data[6]) {
    case 1: s.PwmFrequency = frame.Word(0); break;
    case 2: s.PwmProportion = frame.Data[2]; break;
    case 3: s.PwmEnabled = frame.Data[3] != 0; break;
    case 4: s.ProportionalCurrent = frame.Data[4]; break;
    case 5: s.MaxProportionalCurrent = frame.Data[5]; break;
    default: break;
    }
    replies.push_back(PwmFrame());
}

void TControllerBoard::OnSetHighspeed(const TSimCanFrame& frame, std::vector<TSimCanFrame>&)
{
    fState.HighSpeedSolenoids = frame.Data[0] != 0;
}

void TControllerBoard::OnSetBoardId(const TSimCanFrame& frame, std::vector<TSimCanFrame>&)
{
    // A board keeps its address when told an impossible one.
    if (frame.Data[0] <= 2)
        fState.Address = frame.Data[0];
}

void TControllerBoard::OnSetDrySeal(const TSimCanFrame& frame, std::vector<TSimCanFrame>& replies)
{
    fState.DrySealValue = frame.Word(0);
    fState.DrySealMode = frame.Data[2];
    replies.push_back(SealedModeFrame());
}

void TControllerBoard::OnSetFeedbackPot(const TSimCanFrame& frame, std::vector<TSimCanFrame>& replies)
{
    fState.FeedbackPotNormal = frame.Data[0] != 0;
    replies.push_back(FeedbackPotFrame());
}

void TControllerBoard::OnSetMaxPwm(const TSimCanFrame& frame, std::vector<TSimCanFrame>&)
{
    fState.MaxPwmValue = frame.Data[0];
}

void TControllerBoard::OnSetPumpStopDelay(const TSimCanFrame& frame, std::vector<TSimCanFrame>&)
{
    fState.PumpStopDelay = frame.Data[0];
}

bool TControllerBoard::SetField(const std::string& name, const std::string& value, std::string& error)
{
    const TField* field = FindField(name);
    if (!field) {
        error = "unknown field \"" + name + "\" (fields: " + FieldNames() + ")";
        return false;
    }
    if (!field->Set) {
        error = name + " is read-only";
        return false;
    }
    if (!field->Set(fState, value)) {
        error = "bad value \"" + value + "\" for " + name;
        return false;
    }
    return true;
}

bool TControllerBoard::GetField(const std::string& name, std::string& value) const
{
    const TField* field = FindField(name);
    if (!field)
        return false;
    value = field->Get(fState);
    return true;
}

std::vector<std::string> TControllerBoard::StoredFieldNames()
{
    std::vector<std::string> names;
    for (const auto& f : kFields)
        if (f.Stored)
            names.push_back(f.Name);
    return names;
}

void TControllerBoard::Advance(double seconds)
{
    AdvanceGate(fState, seconds);
}

std::string TControllerBoard::FieldNames()
{
    std::string names;
    for (const auto& f : kFields)
        names += (names.empty() ? "" : " ") + std::string(f.Name);
    return names;
}

std::string TControllerBoard::Summary() const
{
    std::string text = "board " + std::to_string(fState.Address) + ":";
    for (const auto& f : kFields)
        text += std::string(" ") + f.Name + "=" + f.Get(fState);
    return text;
}

} // namespace orv::sim
