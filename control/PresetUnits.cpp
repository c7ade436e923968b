#include "control/PresetUnits.h"

namespace orv {

namespace {
constexpr double kAcresPerHectare = 2.471053814672;
constexpr double kUsGallonsPerLitre = 0.264172051;
constexpr double kImperialGallonsPerLitre = 0.219969;
constexpr double kPoundsPerKg = 2.20462;
constexpr double kKnotsPerMs = 1.9438445;
constexpr double kMphPerMs = 2.23694;
constexpr double kKphPerMs = 3.6;
constexpr double kMetresPerFoot = 0.3048;

// Display or file units per internal unit of an amount (1 for SI).
double AmountFactor(bool dry, const TPresetUnitCodes& u)
{
    if (dry)
        return u.mass == 0 ? kPoundsPerKg : 1.0;
    if (u.volume == 0)
        return kUsGallonsPerLitre;
    if (u.volume == 1)
        return kImperialGallonsPerLitre;
    return 1.0;
}

double SpeedFactor(const TPresetUnitCodes& u)
{
    switch (u.speed) {
    case 0:
        return kKnotsPerMs;
    case 2:
        return kMphPerMs;
    case 3:
        return kKphPerMs;
    default:
        return 1.0;
    }
}

bool Imperial(bool dry, const TPresetUnitCodes& u)
{
    return AmountFactor(dry, u) != 1.0;
}

} // namespace

double RateToInternal(bool dry, const TPresetUnitCodes& u, double v)
{
    if (!Imperial(dry, u))
        return v;
    return v * kAcresPerHectare / AmountFactor(dry, u);
}

double RateFromInternal(bool dry, const TPresetUnitCodes& u, double i)
{
    if (!Imperial(dry, u))
        return i;
    return i * AmountFactor(dry, u) / kAcresPerHectare;
}

double QuantityToInternal(bool dry, const TPresetUnitCodes& u, double v)
{
    if (!Imperial(dry, u))
        return v;
    return v / AmountFactor(dry, u);
}

double QuantityFromInternal(bool dry, const TPresetUnitCodes& u, double i)
{
    if (!Imperial(dry, u))
        return i;
    return i * AmountFactor(dry, u);
}

double SpeedToInternal(const TPresetUnitCodes& u, double v)
{
    const double f = SpeedFactor(u);
    return f == 1.0 ? v : v / f;
}

double SpeedFromInternal(const TPresetUnitCodes& u, double i)
{
    const double f = SpeedFactor(u);
    return f == 1.0 ? i : i * f;
}

double LengthToInternal(const TPresetUnitCodes& u, double v)
{
    return u.length == 0 || u.length == 2 ? v * kMetresPerFoot : v;
}

double LengthFromInternal(const TPresetUnitCodes& u, double i)
{
    return u.length == 0 || u.length == 2 ? i / kMetresPerFoot : i;
}

TPresetUnitCodes PresetUnitCodes(const TDisplayUnits& units)
{
    TPresetUnitCodes c;
    c.length = units.length;
    c.volume = units.volume;
    c.mass = units.mass;
    c.speed = units.speed;
    c.area = units.area;
    return c;
}

} // namespace orv
