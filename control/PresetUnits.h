#pragma once
#include "nav/CoordConvert.h"

#include <cstdint>

namespace orv {

// Unit codes of a preset file section or of the display (same meanings as the
// display unit record): length 0/2 feet, 1 metres; volume 0 US gallons,
// 1 imperial gallons, 2 litres; mass 0 pounds, 1 kilograms; speed 0 knots,
// 1 m/s, 2 mph, 3 km/h; area read and kept but never used (rates per acre are
// assumed whenever the volume or mass unit is imperial).
struct TPresetUnitCodes {
    uint8_t length = 0;
    uint8_t volume = 0;
    uint8_t mass = 0;
    uint8_t speed = 0;
    uint8_t area = 0;
};

// The codes of a display unit record. Rates in display units do not go
// through these codes: they follow DisplayRateUnit (ui/Units.h), whose unit
// depends on the area choice, not on the file rule below.
TPresetUnitCodes PresetUnitCodes(const TDisplayUnits& units);

// Conversions between a value in the given units (v) and the internal SI
// value (i). dry selects masses (kg, kg/ha) over volumes (L, L/ha). A code
// outside its list is taken as the SI unit.
double RateToInternal(bool dry, const TPresetUnitCodes& u, double v);
double RateFromInternal(bool dry, const TPresetUnitCodes& u, double i);
double QuantityToInternal(bool dry, const TPresetUnitCodes& u, double v);
double QuantityFromInternal(bool dry, const TPresetUnitCodes& u, double i);
double SpeedToInternal(const TPresetUnitCodes& u, double v);
double SpeedFromInternal(const TPresetUnitCodes& u, double i);
double LengthToInternal(const TPresetUnitCodes& u, double v);
double LengthFromInternal(const TPresetUnitCodes& u, double i);

} // namespace orv
