#pragma once
#include <string>

namespace orv::test {

// A metric dry preset "Urea" (kg, m, m/s) and an imperial one "Wheat"
// (lb, ft, knots), both with a linear curve.
inline const char* const kDryPresets =
    "[PRESETS]\n"
    "Urea=\n"
    "Wheat=\n"
    "[Urea CONSTANTS]\n"
    "LENGTH UNITS=1\nVOLUME UNITS=2\nMASS UNITS=1\nSPEED UNITS=1\nAREA UNITS=1\n"
    "LastAppRate=160\nLastCleanupRate=40\nPresetFullTank=900\nFixedAppSpeed=50\nLastAppSwathWidth=20\n"
    "MAXIMUM FLOW=20\nMAXIMUM OPENING=0.1\nMAXIMUM OPENING DERIVATIVE=1.5\n"
    "[Urea OPENING_TO_FLOW_RELATIVES]\n"
    "0.000=0.00000\n0.250=0.25000\n0.500=0.50000\n0.800=0.80000\n0.820=0.82000\n1.000=1.00000\n"
    "[Wheat CONSTANTS]\n"
    "LENGTH UNITS=0\nVOLUME UNITS=0\nMASS UNITS=0\nSPEED UNITS=0\nAREA UNITS=0\n"
    "LastAppRate=100\nLastCleanupRate=0\nPresetFullTank=2000\nFixedAppSpeed=120\nLastAppSwathWidth=50\n"
    "MAXIMUM FLOW=44.0924\nMAXIMUM OPENING=4\n"
    "[Wheat OPENING_TO_FLOW_RELATIVES]\n"
    "0.000=0.00000\n1.000=1.00000\n";

// A fire-gate preset in US gallons, knots and feet, with the common section.
inline const char* const kFiregatePresets =
    "[PRESETS]\n"
    "WATER Level 5.0=\n"
    "RETARDANT Level 2.0=\n"
    "[COMMON CONSTANTS]\n"
    "PresetFullTank=528\nMaxPercentLeakage=3.5\n"
    "[WATER Level 5.0 CONSTANTS]\n"
    "LENGTH UNITS=0\nVOLUME UNITS=0\nMASS UNITS=0\nSPEED UNITS=0\nAREA UNITS=0\n"
    "LastAppRate=2178\nAppRateTweek=1.1\nPresetFullTank=999\nMaxPercentLeakage=9\n"
    "FixedAppSpeed=120\nLastAppSwathWidth=50\nMAXIMUM FLOW=600\nMAXIMUM OPENING=12\n"
    "[WATER Level 5.0 OPENING_TO_FLOW_RELATIVES]\n"
    "0.000=0.00000\n1.000=1.00000\n"
    "[RETARDANT Level 2.0 CONSTANTS]\n"
    "LENGTH UNITS=1\nVOLUME UNITS=2\nSPEED UNITS=1\n"
    "LastAppRate=8149.16666\nFixedAppSpeed=0\nLastAppSwathWidth=15\nMAXIMUM FLOW=2000\n"
    "[RETARDANT Level 2.0 OPENING_TO_FLOW_RELATIVES]\n"
    "0.000=0.00000\n";

} // namespace orv::test
