#pragma once
#include "device/Messages.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>

namespace orv {

constexpr int kBoardCount = 3;

// "Status: " as last reported, with its change marks.
struct TStatusRecord {
    uint16_t flags = 0;
    uint8_t timerMode = 0;
    uint8_t timeDelay = 90;
    uint16_t position = 9000;
    bool pilotSwitch = false;
    bool received = false;
    bool moved = false;
    bool flagsChanged = false;
    bool highSpeedChanged = false;
    bool pilotSwitchChanged = false;
};

struct TConfigRecord {
    uint16_t maximumOpen = 0;
    uint16_t minimumOpen = 0;
    uint8_t innerDeadBand = 0;
    uint8_t outerDeadBand = 0;
    uint8_t d6 = 0;
    uint8_t d7 = 90;
    bool received = false;
    bool changed = false;
};

struct TPmwRecord {
    uint16_t frequency = 9000;
    uint8_t proportion = 90;
    uint8_t enabled = 0;
    uint8_t proportionalCurrent = 90;
    uint8_t maxProportionalCurrent = 90;
    bool received = false;
    bool changed = false;
};

struct TCurrentRecord {
    uint16_t setPointEcho = 0;
    uint16_t position = 0;
    uint16_t potPosition = 0;
    uint8_t pilotSwitch = 0;
    uint8_t underCanControl = 0;
    bool received = false;
    bool potChanged = false;
};

// Raw 8 data bytes of a report kept whole ("Sealed Mode", feedback pot).
struct TRawRecord {
    uint32_t dataLow = 0;
    uint32_t dataHigh = 0;
    bool received = false;
    uint8_t Byte(int i) const { return DataByte(dataLow, dataHigh, i); }
    uint16_t Word(int i) const { return DataWord(dataLow, dataHigh, i); }
};

// The outgoing data of one command.
struct TCommandData {
    uint32_t dataLow = 0;
    uint32_t dataHigh = 0;
    uint8_t Byte(int i) const { return DataByte(dataLow, dataHigh, i); }
    uint16_t Word(int i) const { return DataWord(dataLow, dataHigh, i); }
    void SetByte(int i, uint8_t v) { SetDataByte(dataLow, dataHigh, i, v); }
    void SetWord(int i, uint16_t v) { SetDataWord(dataLow, dataHigh, i, v); }
};

// A commanded position on its way to the gate; only whether any wait matters.
struct TPositionSample {
    int64_t ticks = 0;
    int position = 0;
    int target = 0;
};

// Everything the application knows of one board.
struct TBoardState {
    TBoardState();

    TStatusRecord status;
    TConfigRecord config;
    TPmwRecord pmw;
    TCurrentRecord current;
    std::string firmwareVersion;
    uint8_t boardId = 0;
    TRawRecord sealedMode;
    TRawRecord feedbackPot;

    std::array<TCommandData, kCommandCount> command{};
    uint8_t pendingChangeBits = 0;
    uint16_t lastSentPosition = 25000;
    std::deque<TPositionSample> samples;
    int16_t zeroPosition = 0;
    int16_t dryZeroPosition = 0;
    int64_t lastDrySealRequestTicks = 0;
    bool drySealRequested = false;
};

using TBoardSet = uint8_t; // bit b = board b
constexpr TBoardSet BoardBit(int b) { return static_cast<TBoardSet>(1u << b); }

// What every board reported last, the link-independent state of the model.
struct TDeviceState {
    std::array<TBoardState, kBoardCount> boards;
    TBoardSet boardsPresent = 0;
    TBoardSet boardsHeldClosed = 0;
    int lastBoard = 0;
    uint16_t lastStatusFlags = 0;
    uint8_t statusBits = 0;
    bool armed = false, fault = false, hardStop = false, foamOut = false, pumpsOn = false;
    bool underCanControl = false;
    uint8_t timerModeReported = 0;
    bool pilotSwitch = false;
    bool highSpeedReported = false;
    uint8_t controlMode = 0;
    bool usingDryZero = false;
    bool drySealEchoReceived = false;
    bool feedbackPotReversedSet = false;
    bool feedbackPotReversedReported = false;
    int64_t responseTimerStart = 0;
    int64_t maxResponseTime = 0;
    bool firstFrameSeen = false;
    bool revisionRequested = false;
    std::array<uint32_t, kStatusKindCount> frameCounts{};
    uint32_t unknownBoardFrames = 0;
    uint32_t unknownCodeFrames = 0;

    bool Present(int b) const { return b >= 0 && b < kBoardCount && (boardsPresent & BoardBit(b)); }
    int FirstBoard() const;
    int BoardCount() const;
};

} // namespace orv
