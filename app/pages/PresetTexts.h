#pragma once
#include "nav/CoordConvert.h"

#include <string>
#include <utility>
#include <vector>

namespace orv {

class TAppPreset;

// The values of a preset as the preset pages show them, in display units.
struct TPresetTexts {
    std::string name;
    std::string material;  // fire gate
    std::string level;     // fire gate
    std::string appRate;
    std::string cleanupRate;
    std::string swathWidth;
    std::string fixedSpeed;
    std::string fullTank;
    std::string maxFlow;
    std::string maxOpening;
    std::string maxLeakage;
    std::string rateTweak;
    std::string valid;
    std::vector<std::pair<std::string, std::string>> curve; // relative opening, relative flow
};

TPresetTexts PresetTexts(const TAppPreset& preset, const TDisplayUnits& units);

} // namespace orv
