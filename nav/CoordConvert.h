#pragma once
#include <cstdint>

namespace orv {

// The pilot's choice of display units. Internal values are always SI; these
// codes say how they are shown and entered. The codes are indexes of the unit
// tables (ui/Units.h): length 0 feet, 1 metres, 2 US survey feet; area 0 acres,
// 1 hectares; speed 0 knots, 1 m/s, 2 mph, 3 km/h; volume 0 US gallons,
// 1 imperial gallons, 2 litres; mass 0 pounds, 1 kilograms.
struct TDisplayUnits {
    uint8_t length = 0;
    uint8_t speed = 0;
    uint8_t area = 0;
    uint8_t volume = 0;
    uint8_t mass = 0;
};

// Quantity kinds of ConvertForDisplay.
enum TDisplayQuantity : int {
    dqVolume = 1, // value in litres
    dqMass = 2,   // value in kilograms
};

// Holds the display unit record shared by reference with the calculated
// quantities and the presets, and the angle helpers of the gate geometry.
class TCoordConvert {
public:
    TCoordConvert() = default;
    ~TCoordConvert();
    TCoordConvert(const TCoordConvert&) = delete;
    TCoordConvert& operator=(const TCoordConvert&) = delete;

    TDisplayUnits& Units() { return fUnits; }
    const TDisplayUnits& Units() const { return fUnits; }

    // An internal volume (litres) or mass (kg) in the record's display unit;
    // any other kind comes back unchanged.
    static float ConvertForDisplay(const TDisplayUnits& units, int kind, float value);

    // Arc sine and the converter's arc cosine, built on the arc tangent so that
    // the result keeps full precision near ±1. SafeArcCos of a negative x is
    // the arc cosine minus pi (range -pi/2..pi/2): the door geometry relies on
    // it. Inputs outside -1..1 are not defined.
    static double SafeArcSin(double x);
    static double SafeArcCos(double x);

private:
    TDisplayUnits fUnits;
};

} // namespace orv
