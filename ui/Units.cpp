#include "ui/Units.h"

namespace orv {

const std::array<TUnitRecord, 3> kLengthUnits = {{
    {0, "Feet, Inches", "ft", "in", 1 / 0.3048},
    {1, "Meters, cm", "m", "cm", 1},
    {2, "US Survey Feet", "ft", "in", 1 / 0.3048},
}};

const std::array<TAreaUnitRecord, 2> kAreaUnits = {{
    {0, "Acres", "ac", "lbs/ac", "gal/ac", 2.4710538},
    {1, "Hectares", "ha", "kg/ha", "L/ha", 1},
}};

const std::array<TUnitRecord, 4> kSpeedUnits = {{
    {0, "Knots", "kts", "", 1.9438446},
    {1, "M/S", "m/s", "", 1},
    {2, "MPH", "mph", "", 2.2369399},
    {3, "KPH", "kph", "", 3.6},
}};

const std::array<TUnitRecord, 3> kVolumeUnits = {{
    {0, "LBS, US Gallons", "gal", "", 0.26417205},
    {1, "LBS, Gallons", "gal", "", 0.219969},
    {2, "Kg, Litres", "L", "", 1},
}};

const std::array<TUnitRecord, 2> kMassUnits = {{
    {0, nullptr, "lb", "", 2.20462},
    {1, nullptr, "kg", "", 1},
}};

const TUnitRecord& LengthUnit(uint8_t code)
{
    return code < kLengthUnits.size() ? kLengthUnits[code] : kLengthUnits[1];
}

const TAreaUnitRecord& AreaUnit(uint8_t code)
{
    return code < kAreaUnits.size() ? kAreaUnits[code] : kAreaUnits[1];
}

const TUnitRecord& SpeedUnit(uint8_t code)
{
    return code < kSpeedUnits.size() ? kSpeedUnits[code] : kSpeedUnits[1];
}

const TUnitRecord& VolumeUnit(uint8_t code)
{
    return code < kVolumeUnits.size() ? kVolumeUnits[code] : kVolumeUnits[2];
}

const TUnitRecord& MassUnit(uint8_t code)
{
    return code < kMassUnits.size() ? kMassUnits[code] : kMassUnits[1];
}

bool ImperialLength(const TDisplayUnits& units)
{
    return units.length == 0 || units.length == 2;
}

uint8_t MassCodeForVolume(uint8_t volumeCode)
{
    return volumeCode == 2 ? 1 : 0;
}

TRateUnit DisplayRateUnit(bool dry, const TDisplayUnits& units)
{
    const TAreaUnitRecord& area = AreaUnit(units.area);
    TRateUnit r;
    r.label = dry ? area.massRateLabel : area.volumeRateLabel;
    if (area.code == 0) {
        // The per-acre labels name pounds and gallons whatever the mass and
        // volume choice, so the number is in pounds or gallons too.
        const double amount = dry ? MassUnit(0).factor : VolumeUnit(units.volume == 1 ? 1 : 0).factor;
        r.factor = amount / area.factor;
        r.wholeNumbers = true;
    }
    return r;
}

TDisplayFactors ComputeDisplayFactors(const TDisplayUnits& units)
{
    TDisplayFactors f;
    const TUnitRecord& speed = SpeedUnit(units.speed);
    f.speed = speed.factor;
    f.speedLabel = speed.label;
    const TUnitRecord& mass = MassUnit(units.mass);
    f.mass = mass.factor;
    f.massLabel = mass.label;
    const TUnitRecord& volume = VolumeUnit(units.volume);
    f.volume = volume.factor;
    f.volumeLabel = volume.label;
    const TAreaUnitRecord& area = AreaUnit(units.area);
    f.area = area.factor;
    f.areaLabel = area.label;
    const TRateUnit massRate = DisplayRateUnit(true, units);
    const TRateUnit volumeRate = DisplayRateUnit(false, units);
    f.massRate = massRate.factor;
    f.massRateLabel = massRate.label;
    f.volumeRate = volumeRate.factor;
    f.volumeRateLabel = volumeRate.label;
    const TUnitRecord& length = LengthUnit(units.length);
    f.length = length.factor;
    f.lengthLabel = length.label;
    f.smallLengthLabel = length.smallLabel;
    return f;
}

} // namespace orv
