#include "ui/UnitFormat.h"

#include "store/Format.h"
#include "ui/Units.h"

#include <cmath>

namespace orv {

int64_t RoundHalfEven(double v)
{
    if (!std::isfinite(v))
        return 0;
    const double r = std::nearbyint(v); // default rounding mode: to nearest, ties to even
    return static_cast<int64_t>(r);
}

std::string FormatAppRate(double kgPerHa, const TDisplayUnits& units)
{
    return FormatRate(true, kgPerHa, units);
}

std::string FormatRate(bool dry, double internal, const TDisplayUnits& units)
{
    const TRateUnit unit = DisplayRateUnit(dry, units);
    return FormatQuantity(internal * unit.factor, unit.label, unit.wholeNumbers);
}

std::string FormatSwathWidth(double metres, const TDisplayUnits& units)
{
    if (ImperialLength(units))
        return Format("%.0f %s", metres / 0.3048, "ft");
    return Format("%.1f %s", metres, "m");
}

std::string FormatQuantity(double displayValue, const std::string& label, bool imperial)
{
    return Format(imperial ? "%.0f %s" : "%.1f %s", displayValue, label);
}

std::string FormatFireTank(double litres, const TDisplayUnits& units)
{
    if (units.volume == 0)
        return Format("%.0f Gallons", litres * 0.264172051);
    if (units.volume == 1)
        return Format("%.0f Gallons", litres * 0.219969);
    return Format("%.0f Litres", litres);
}

std::string FormatPercent1(double percent)
{
    return Format("%.1f%%", percent);
}

std::string FormatPercent0(double percent)
{
    return Format("%.0f%%", percent);
}

std::string OpeningDistanceUnitLabel(const TDisplayUnits& units)
{
    return ImperialLength(units) ? "Inches" : "cm";
}

std::string FormatGateOpening(double metres, const TDisplayUnits& units)
{
    if (!ImperialLength(units))
        return Format("%.1f cm", metres * 100);
    const double inches = metres * 100 / 2.54;
    const double wholePart = std::trunc(inches);
    const int64_t whole = std::isfinite(wholePart) ? static_cast<int64_t>(wholePart) : 0;
    int64_t n = RoundHalfEven((inches - wholePart) * 32);
    if (n == 32)
        return Format("%d in.", whole + 1);
    if (n <= 0)
        return Format("%d in.", whole); // a negative fraction is dropped
    int64_t denominator = 32;
    while (n % 2 == 0 && denominator > 2) {
        n /= 2;
        denominator /= 2;
    }
    return Format("%d %d/%d in.", whole, n, denominator);
}

std::string QuantityUnitLabel(uint8_t primaryMode, const TDisplayUnits& units)
{
    if (primaryMode == 0)
        return VolumeUnit(units.volume).label;
    return MassUnit(units.mass).label;
}

std::array<std::string, 6> SimpleStepCaptions(const TDisplayUnits& units)
{
    if (ImperialLength(units))
        return {"+ 1/2", "+ 1/8", "+ 1/32", "- 1/2", "- 1/8", "- 1/32"};
    return {"+ 2", "+ 0.5", "+ 0.1", "- 2", "- 0.5", "- 0.1"};
}

} // namespace orv
