#include "app/pages/PresetTexts.h"

#include "control/AppPreset.h"
#include "control/FiregateNames.h"
#include "control/PresetUnits.h"
#include "store/Format.h"
#include "ui/UnitFormat.h"
#include "ui/Units.h"

#include <cmath>

namespace orv {

namespace {

// The amount unit of a preset in the display units, and whether it is imperial.
struct TAmountUnit {
    std::string label;
    double factor;
    bool imperial;
};

TAmountUnit AmountUnit(bool dry, const TDisplayUnits& units)
{
    if (dry) {
        const bool pounds = units.mass == 0;
        return {MassUnit(units.mass).label, MassUnit(units.mass).factor, pounds};
    }
    const bool gallons = units.volume == 0 || units.volume == 1;
    const double factor = units.volume == 0 ? 0.264172051 : units.volume == 1 ? 0.219969 : 1.0;
    return {VolumeUnit(units.volume).label, factor, gallons};
}

} // namespace

TPresetTexts PresetTexts(const TAppPreset& p, const TDisplayUnits& units)
{
    const TAmountUnit amount = AmountUnit(p.Dry(), units);
    // Converted here from SI with the units asked for, so the numbers always
    // match their labels.
    const TPresetUnitCodes codes = PresetUnitCodes(units);
    TPresetTexts t;
    t.name = p.SectionName();
    if (!p.Dry()) {
        t.material = FiregateMaterial(p.SectionName());
        t.level = Format("%.1F", static_cast<double>(FiregateLevel(p.SectionName())));
    }
    t.appRate = FormatRate(p.Dry(), p.AppRateSI(), units);
    t.cleanupRate = FormatRate(p.Dry(), p.CleanupRateSI(), units);
    t.swathWidth = FormatSwathWidth(p.SwathWidthSI(), units);
    const TUnitRecord& speed = SpeedUnit(units.speed);
    const bool imperialSpeed = units.speed == 0 || units.speed == 2;
    t.fixedSpeed = FormatQuantity(SpeedFromInternal(codes, p.FixedAppSpeedSI()), speed.label, imperialSpeed);
    t.fullTank = FormatQuantity(p.FullTank() * amount.factor, amount.label, amount.imperial);
    t.maxFlow = FormatQuantity(p.MaxFlow() * amount.factor, amount.label + "/s", amount.imperial);
    t.maxOpening = FormatGateOpening(p.MaxOpening(), units);
    t.maxLeakage = FormatPercent1(p.MaxLeakage());
    t.rateTweak = Format("%d%%", static_cast<int>(RoundHalfEven(p.RateTweak() * 100) - 100));
    t.valid = p.Valid() ? "Valid" : "PRESET FILE NOT VALID!!!";
    for (const auto& pair : p.OpeningToFlow())
        t.curve.emplace_back(Format("%.3f", pair.X), Format("%.5f", pair.Y));
    return t;
}

} // namespace orv
