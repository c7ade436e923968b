#pragma once
#include "device/BoardState.h"
#include "device/ControllerLink.h"
#include "device/StatusDecoder.h"
#include "nav/GPSClock.h"

#include <array>
#include <functional>
#include <string>

namespace orv {

// The application's model of the gate controller boards: their last reports,
// the outgoing data of every command, and the operations that command them.
// All of it runs on the main thread.
class TDeviceModel : public IDecodeActions {
public:
    using StatusHandler = std::function<void(int board)>;
    static constexpr int kMaxFramesPerPoll = 32;
    using TextCallback = std::function<void(const std::string&)>;

    TDeviceModel();
    ~TDeviceModel() override;

    // The link in use; none while it is being rebuilt.
    void SetControllerLink(IControllerLink* link) { fLink = link; }
    IControllerLink* ControllerLink() const { return fLink; }
    bool ControllerLinkHealthy() const { return fLink && fLink->LinkHealthy(); }

    // Polling and decoding.
    void PollController();
    void DecodeControllerFrame(const TCanRecord& record) { fDecoder.DecodeControllerFrame(record); }
    void RequestAllOrvStatus();
    void SetStatusHandler(int kind, StatusHandler handler);
    void SetFirstFrameCallback(std::function<void()> cb) { fOnFirstFrame = std::move(cb); }
    void SetDiagnosticsCallbacks(TextCallback addLine, TextCallback appendFragment);

    // Boards.
    int FirstBoard() const { return fState.FirstBoard(); }
    int BoardCount() const { return fState.BoardCount(); }
    bool BoardPresent(int board) const { return fState.Present(board); }
    bool SettingsReported() const;
    const TDeviceState& State() const { return fState; }
    TDeviceState& MutableState() { return fState; }
    const TBoardState& Board(int board) const { return fState.boards[Clamp(board)]; }
    void ClearBoardsPresent() { fState.boardsPresent = 0; }

    // Readbacks.
    uint16_t StatusFlags(int b) const { return Board(b).status.flags; }
    uint16_t Position(int b) const { return Board(b).status.position; }
    uint8_t TimeDelay(int b) const { return Board(b).status.timeDelay; }
    uint8_t TimerModeReported(int b) const { return Board(b).status.timerMode; }
    bool PilotSwitchReported(int b);
    uint16_t MaximumOpen(int b) const { return Board(b).config.maximumOpen; }
    uint16_t MinimumOpen(int b) const { return Board(b).config.minimumOpen; }
    uint8_t InnerDeadBand(int b) const { return Board(b).config.innerDeadBand; }
    uint8_t OuterDeadBand(int b) const { return Board(b).config.outerDeadBand; }
    uint16_t PwmFrequency(int b) const { return Board(b).pmw.frequency; }
    uint8_t PwmProportion(int b) const { return Board(b).pmw.proportion; }
    uint8_t ProportionalCurrent(int b) const { return Board(b).pmw.proportionalCurrent; }
    uint8_t MaxProportionalCurrent(int b) const { return Board(b).pmw.maxProportionalCurrent; }
    bool PwmEnabled(int b) const { return Board(b).pmw.enabled != 0; }
    uint16_t CanSetPointEcho(int b) const { return Board(b).current.setPointEcho; }
    uint16_t PotPosition(int b) const { return Board(b).current.potPosition; }
    std::string FirmwareVersion(int b) const { return Board(b).firmwareVersion.substr(0, 8); }
    uint16_t SealedModeValue() const { return Board(fState.lastBoard).sealedMode.Word(0); }
    static std::string StatusKindName(int kind);
    static std::string StatusFlagName(int bit);

    // Closed positions.
    int16_t ZeroPosition(int b) const { return Board(b).zeroPosition; }
    void SetZeroPosition(int b, int16_t v);
    int16_t DryZeroPosition(int b) const { return Board(b).dryZeroPosition; }
    void SetDryZeroPosition(int b, int16_t v);
    bool UsingDryZero() const { return fState.usingDryZero; }
    void SetUsingDryZero(bool on);
    void OutputCurrentSealModeMessage(int board) override;
    void RequestDrySealEcho(int board) override;
    bool MinimumMatchesZero(int b) const;

    // Position.
    void setPos(int board, int pos);
    uint16_t CommandedPosition(int b) const { return Board(b).command[ciControlMessage].Word(0); }
    void SendControl(int board) override;
    void SetControlBits(int board, uint8_t bits);
    void SetFoamOut(int board, bool on);
    void SetControlTimerMode(int board, bool on);
    void SetControlTimeDelay(int board, uint8_t delay);
    void SetControlMultiOutput(int board, bool on);
    TBoardSet BoardsHeldClosed() const { return fState.boardsHeldClosed; }
    void SetBoardsHeldClosed(TBoardSet set) { fState.boardsHeldClosed = set; }

    // Settings.
    void SetConfigMaximumOpen(int b, uint16_t v);
    void SetConfigMinimum(int b, uint16_t v) override;
    void SetConfigInnerDeadBand(int b, uint8_t v);
    void SetConfigOuterDeadBand(int b, uint8_t v);
    uint16_t ConfigMinimum(int b) const { return Board(b).command[ciConfigCmd].Word(2); }
    void SendConfigCmd(int board, uint8_t item);
    void SetPwmFrequencyValue(int b, uint16_t v);
    void SetPwmProportionValue(int b, uint8_t v);
    void SetPwmEnabledValue(int b, bool v);
    void SetProportionalCurrentValue(int b, uint8_t v);
    void SetMaxProportionalCurrentValue(int b, uint8_t v);
    void SendPwmParameters(int board, uint8_t item);
    void SetHighSpeedSolenoids(int b, bool on);
    void SendMessageSet(int board, std::initializer_list<int> indices);

    // Other commands.
    void SetFeedbackPotReversed(bool on);
    void RequestFeedbackPotDirection();
    void SetBoardID(int n);
    void SendControllerMessage(int board, int index, uint32_t dataLow, uint32_t dataHigh);

    int64_t MaxResponseTime() const { return fState.maxResponseTime; }

protected:
    // IDecodeActions
    void FirstFrameDecoded() override;
    void CallStatusHandler(int kind, int board) override;

    static int Clamp(int b) { return b < 0 || b > 2 ? 0 : b; }
    void DebugLine(const std::string& text);
    void FollowPosition();
    void QueuePositionSample(int board, int target);

    IControllerLink* fLink = nullptr;
    TDeviceState fState;
    TStatusDecoder fDecoder{fState, *this};
    std::array<StatusHandler, kStatusKindCount> fHandlers{};
    std::function<void()> fOnFirstFrame;
    TextCallback fAddLine;
    TextCallback fAppendFragment;
    TDeadline fFollowInterval;
    TDeadline fPollInterval;
    bool fBoardIdRequestPending = false;
};

} // namespace orv
