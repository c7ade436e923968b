#pragma once
#include "control/AppPreset.h"
#include "control/CalculatedQuantities.h"
#include "device/BoardState.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// GPS control flag bits (flags and capability mask alike).
constexpr uint8_t kGpsSpeedBit = 0x20;
constexpr uint8_t kGpsSwathBit = 0x10;
constexpr uint8_t kGpsRateBit = 0x08;
constexpr uint8_t kGpsAllBits = kGpsSpeedBit | kGpsSwathBit | kGpsRateBit;

// The state of the primary mode shared by the mode switch and the rate loop.
// The calculated quantities come first so that the preset, made for them,
// goes first.
struct TModeState {
    uint8_t primaryMode = pmDryMaterial;
    bool gateIsDual = false;
    int currentBoard = 0;
    std::unique_ptr<TCalculatedQuantities> quantities;
    std::unique_ptr<TAppPreset> preset;

    float currentOpening = 0;      // percent of the digital range
    double displayPercent = 0;     // measured opening for the predicted-opening text
    bool flowBlocked = false;
    bool dryZeroInUse = false;     // the window's copy of the park state

    uint8_t gpsFlags = 0;          // requested GPS control flags
    uint8_t gpsCapabilities = kGpsSpeedBit;

    // Timer settings wanted on the boards.
    bool timerModeWanted = false;
    uint8_t timeDelayWanted = 0;
    bool multiOutputWanted = false;

    // The unit of the tank and job quantities: "gal" or "L" for the fire
    // gate, "lb" or "kg" otherwise (refreshed by the window's unit labels).
    std::string quantityUnitLabel = "lb";

    bool autoBumpEnabled = false;
    int bumpStep = 1;
    bool variableRate = false;
    double foamingPumpFlow = 0.16;
    bool foamOnInactive = false;

    // Per board: pilot switch state and its "activated" mark (tank logic),
    // the display copy of the status, the displayed position and pot.
    std::array<bool, kBoardCount> pilotSwitch{};
    std::array<bool, kBoardCount> pilotSwitchActivated{};
    std::array<TStatusRecord, kBoardCount> statusCopy{};
    std::array<bool, kBoardCount> timeDelayTaken{};
    std::array<double, kBoardCount> openingPercent{};
    std::array<int, kBoardCount> displayedPosition{};
    std::array<int, kBoardCount> displayedPot{};
};

} // namespace orv
