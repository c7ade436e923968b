#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimCanFrame.h"

namespace orv::sim {

// What one gate controller board remembers. The units are the board's own
// raw counts; the application passes them through unchanged.
struct TBoardState {
    uint8_t Address = 0;          // 0 single board, 1 left, 2 right
    uint16_t Position = 500;      // measured gate position
    uint16_t SetPoint = 500;      // commanded position last received over CAN
    uint16_t PotPosition = 500;   // local set point (the panel pot)
    uint8_t ControlMode = 0;      // D2 of the last Control Message
    bool TimerMode = false;
    uint8_t TimeDelay = 0;
    bool MultiOutput = false;
    bool UnderCanControl = false;
    bool PilotSwitch = false;
    bool HighSpeedSolenoids = false;
    bool Armed = false;
    bool Fault = false;
    bool HardStop = false;
    bool FoamOut = false;
    bool PumpsOn = false;
    // The gate itself: its speed under the valve and the ends of its travel
    // (the sensor reads 0..1023). Pushing against the open end is reported
    // as a hard stop.
    uint16_t GateSpeed = 500;     // counts per second
    uint16_t TravelMin = 0;
    uint16_t TravelMax = 1000;
    bool Moving = false;
    bool StopReached = false;
    double TravelCarry = 0;       // part of a count travelled but not yet shown
    // "Config: "
    uint16_t MaximumOpen = 900;
    uint16_t MinimumOpen = 500;
    uint8_t InnerDeadBand = 5;
    uint8_t OuterDeadBand = 15;
    uint8_t ConfigD6 = 0;
    uint8_t ConfigD7 = 0;
    // "PMW Status: "
    uint16_t PwmFrequency = 200;
    uint8_t PwmProportion = 50;
    bool PwmEnabled = true;
    uint8_t ProportionalCurrent = 60;
    uint8_t MaxProportionalCurrent = 90;
    uint8_t MaxPwmValue = 255;
    uint8_t PumpStopDelay = 0;
    // "Sealed Mode"
    uint16_t DrySealValue = 0;
    uint8_t DrySealMode = 1;
    bool FeedbackPotNormal = true;
    std::string Firmware = "SIM 1.0";
};

// One simulated controller board on the CAN bus: it takes the commands
// addressed to it and answers the requests. Handling is driven by a table of
// (code, handler) so that further messages are one entry and one method each.
class TControllerBoard {
public:
    explicit TControllerBoard(uint8_t address);

    uint8_t Address() const { return fState.Address; }
    TBoardState& State() { return fState; }
    const TBoardState& State() const { return fState; }

    // Whether the frame is for this board: its own address, the unaddressed
    // board 0 (every board listens to it) or the unaddressed board ID command.
    bool Accepts(const TSimCanFrame& frame) const;
    // Handles a command; the replies go to `replies`. False when the board
    // does not know the code (it stays silent).
    bool Handle(const TSimCanFrame& frame, std::vector<TSimCanFrame>& replies);

    // Sets a field by name (see FieldNames) from text; false with a reason.
    bool SetField(const std::string& name, const std::string& value, std::string& error);
    // The field's value as text; false when there is no such field.
    bool GetField(const std::string& name, std::string& value) const;
    static std::string FieldNames();
    // The fields a board keeps across power cycles, in the order they are saved.
    static std::vector<std::string> StoredFieldNames();

    // Moves the gate for the time elapsed (see GateMotion.h).
    void Advance(double seconds);
    // "board 1: position 500 pilot off armed off ..."
    std::string Summary() const;

    TSimCanFrame StatusFrame() const;
    TSimCanFrame CurrentFrame() const;
    TSimCanFrame ConfigFrame() const;
    TSimCanFrame PwmFrame() const;
    TSimCanFrame SealedModeFrame() const;
    TSimCanFrame FeedbackPotFrame() const;

private:
    using THandler = void (TControllerBoard::*)(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    struct THandlerEntry {
        uint8_t Code;
        THandler Handler;
    };
    static const THandlerEntry kHandlers[];

    TSimCanFrame Reply(uint8_t code) const;

    void OnStatusRequest(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnConfigRequest(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnRequestPwm(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnRequestRevision(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnRequestBoardId(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnRequestDrySeal(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnGetFeedbackPot(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnRequestMaxPwm(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnRequestPumpStopDelay(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnControlMessage(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnConfigCmd(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnSetPwm(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnSetHighspeed(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnSetBoardId(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnSetDrySeal(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnSetFeedbackPot(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnSetMaxPwm(const TSimCanFrame&, std::vector<TSimCanFrame>&);
    void OnSetPumpStopDelay(const TSimCanFrame&, std::vector<TSimCanFrame>&);

    TBoardState fState;
};

} // namespace orv::sim
