#pragma once
#include "nav/CoordConvert.h"

#include <array>
#include <cstdint>
#include <string>

namespace orv {

// Texts of values in the pilot's display units. Imperial values are whole
// numbers, metric ones carry one decimal.

// Application rate, internal kg/ha: "120 lbs/ac" or "134.5 kg/ha" (by the area code).
std::string FormatAppRate(double kgPerHa, const TDisplayUnits& units);
// A dry (kg/ha) or fire-gate (L/ha) rate in its display unit (DisplayRateUnit).
std::string FormatRate(bool dry, double internal, const TDisplayUnits& units);
// Swath width, internal metres: "90 ft" or "27.4 m".
std::string FormatSwathWidth(double metres, const TDisplayUnits& units);
// A value already in display units with its label.
std::string FormatQuantity(double displayValue, const std::string& label, bool imperial);
// Fire-gate tank contents, internal litres: "528 Gallons" or "2000 Litres".
std::string FormatFireTank(double litres, const TDisplayUnits& units);
// A percentage with one decimal ("12.5%") or whole ("13%").
std::string FormatPercent1(double percent);
std::string FormatPercent0(double percent);
// The unit caption of the opening-distance page: "Inches" or "cm".
std::string OpeningDistanceUnitLabel(const TDisplayUnits& units);
// A gate opening length, internal metres: "10.0 cm" or "3 15/16 in.".
std::string FormatGateOpening(double metres, const TDisplayUnits& units);
// The quantity unit of the tank and job displays: the volume label in
// fire-gate mode ("gal" or "L"), the mass label ("lb" or "kg") otherwise.
std::string QuantityUnitLabel(uint8_t primaryMode, const TDisplayUnits& units);
// Captions of the six fixed-opening step buttons of the simple sub-page:
// three "+" steps then three "-" steps, largest first.
std::array<std::string, 6> SimpleStepCaptions(const TDisplayUnits& units);

// Nearest integer, halves to even.
int64_t RoundHalfEven(double v);

} // namespace orv
