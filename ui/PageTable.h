#pragma once
#include <cstdint>
#include <string>

namespace orv {

// The pages of the main page control, in tab order; the index is used by the
// visible-tab masks and by every rule that names a page by number.
enum TPageIndex : int {
    pgDiagnostics = 0,
    pgStatus = 1,
    pgRunGate = 2,
    pgRunDryMaterial = 3,
    pgSelectPrimaryMode = 4,
    pgConfiguration = 5,
    pgEditPresetsWet = 6,
    pgEditPresets = 7,
    pgEditCalibrations = 8,
    pgStartCalCurve = 9,
    pgTestCalPoint = 10,
    pgMaxMinOpenings = 11,
    pgAlignPositionSensor = 12,
    pgTankLevel = 13,
    pgTankSplits = 14,
    pgDryZero = 15,
    pgRunWetSealed = 16,
    pgMeteringPlate = 17,
    pgCalibrateOpeningDistance = 18,
    pgMatchManualDial = 19,
    pgSetCardID = 20,
    pgTunePWM = 21,
    pgCycleTests = 22,
    pgLoadRite = 23,
    pgReceivers = 24,
};

constexpr int kPageCount = 25;

struct TPageRecord {
    TPageIndex index;
    const char* caption;
};

extern const TPageRecord kPageTable[kPageCount];

// Visible-tab masks, bit i for page i.
constexpr uint32_t kFailureTabMask = 0x1;
constexpr uint32_t kServiceTabMask = 0x1FC1032;
constexpr uint32_t kNominalTabMask = 0x0;

// Page-mode bits of the main window's operating status.
constexpr uint8_t osFailure = 0x01;
constexpr uint8_t osNominal = 0x08;
constexpr uint8_t osService = 0x10;

} // namespace orv
