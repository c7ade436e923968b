#pragma once
#include "app/ModeView.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// What to do with the "NOT PARKED" sheet of the dry page.
enum class TParkSheetAction { None, ShowParkWarning, ShowPresetSheet };

// The arming banner of a run page, worked out from the present boards' flags.
struct TGateBannerState {
    std::string text;
    TViewColour colour = TViewColour::SkyBlue;
    bool showManual = false;                 // the manual setting caption and value
    std::vector<std::string> warnings;       // yellow warning lines, in order
    TParkSheetAction parkSheet = TParkSheetAction::None;
    std::string logLine;                     // logged when the park warning is shown
};

struct TGateBannerInput {
    bool runGate = true;                     // "Run Gate", else "Run Dry Material"
    std::vector<uint16_t> presentFlags;      // status flag words of the present boards
    bool dryZeroInUse = false;               // the gate is not parked
    bool parkSheetShown = false;
};

// Banner texts: the first matching row wins.
TGateBannerState ComputeGateBanner(const TGateBannerInput& input);

// The banner texts before any status arrived.
constexpr const char* kRunGateInitialBanner = "Orvane Gate is NOT ARMED";
constexpr const char* kDryInitialBanner = "ORVANE INLINE GATE";

} // namespace orv
