#pragma once
#include "nav/CoordConvert.h"

#include <array>
#include <cstdint>
#include <string>

namespace orv {

// One display unit: the code is the index in its table and the combo index.
struct TUnitRecord {
    uint8_t code;
    const char* comboText;  // nullptr: the unit has no combo of its own (mass)
    const char* label;      // main label ("ft", "kts", "gal", "ac")
    const char* smallLabel; // small length unit ("in", "cm"); "" elsewhere
    double factor;          // internal (SI) value × factor = display value
};

// Area units also name the rate units that follow them.
struct TAreaUnitRecord {
    uint8_t code;
    const char* comboText;
    const char* label;
    const char* massRateLabel;
    const char* volumeRateLabel;
    double factor; // hectares to the display area unit
};

extern const std::array<TUnitRecord, 3> kLengthUnits;
extern const std::array<TAreaUnitRecord, 2> kAreaUnits;
extern const std::array<TUnitRecord, 4> kSpeedUnits;
extern const std::array<TUnitRecord, 3> kVolumeUnits;
extern const std::array<TUnitRecord, 2> kMassUnits;

// The unit of a code. A code outside its table (a damaged settings file) is
// shown in the SI unit of that table rather than read past its end.
const TUnitRecord& LengthUnit(uint8_t code);
const TAreaUnitRecord& AreaUnit(uint8_t code);
const TUnitRecord& SpeedUnit(uint8_t code);
const TUnitRecord& VolumeUnit(uint8_t code);
const TUnitRecord& MassUnit(uint8_t code);

// Feet and inches (codes 0 and 2) rather than metres.
bool ImperialLength(const TDisplayUnits& units);
// The mass code that goes with a volume choice: kilograms with litres only.
uint8_t MassCodeForVolume(uint8_t volumeCode);

// The unit an application rate is shown and entered in. It follows the area
// choice alone, so that the label always names the unit the number is in:
// per acre a dry rate is in pounds and a fire-gate rate in gallons (imperial
// gallons for "LBS, Gallons", US gallons otherwise); per hectare in kg or L.
// Internal kg/ha or L/ha × factor = display value. Every rate the pilot sees
// or enters, and every rate the guidance link brings, goes through it.
struct TRateUnit {
    double factor = 1;
    const char* label = "kg/ha";
    bool wholeNumbers = false; // per-acre rates are shown as whole numbers
};
TRateUnit DisplayRateUnit(bool dry, const TDisplayUnits& units);

// Labels and factors of one unit record, fixed when the calculated quantities
// are made or a primary mode is set up.
struct TDisplayFactors {
    double speed = 1;
    double mass = 1;
    double volume = 1;
    double area = 1;
    double massRate = 1;
    double volumeRate = 1;
    double length = 1;
    std::string speedLabel = "m/s";
    std::string massLabel = "kg";
    std::string volumeLabel = "L";
    std::string areaLabel = "ha";
    std::string massRateLabel = "kg/ha";
    std::string volumeRateLabel = "L/ha";
    std::string lengthLabel = "m";
    std::string smallLengthLabel = "cm";
};

TDisplayFactors ComputeDisplayFactors(const TDisplayUnits& units);

} // namespace orv
