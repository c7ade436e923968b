#include "ui/PageTable.h"

namespace orv {

const TPageRecord kPageTable[kPageCount] = {
    {pgDiagnostics, "Diagnostics"},
    {pgStatus, "Status"},
    {pgRunGate, "Run Gate"},
    {pgRunDryMaterial, "Run Dry Material"},
    {pgSelectPrimaryMode, "Select Primary Mode"},
    {pgConfiguration, "Configuration"},
    {pgEditPresetsWet, "Edit Presets Wet"},
    {pgEditPresets, "Edit Presets"},
    {pgEditCalibrations, "Edit Calibrations"},
    {pgStartCalCurve, "Start Cal Curve"},
    {pgTestCalPoint, "Test Cal Point"},
    {pgMaxMinOpenings, "Max Min Openings"},
    {pgAlignPositionSensor, "Align Position Sensor"},
    {pgTankLevel, "Tank Level"},
    {pgTankSplits, "Tank Splits"},
    {pgDryZero, "Dry Zero"},
    {pgRunWetSealed, "Run Wet Sealed"},
    {pgMeteringPlate, "Metering Plate"},
    {pgCalibrateOpeningDistance, "Calibrate Opening Distance"},
    {pgMatchManualDial, "Match Manual Dial"},
    {pgSetCardID, "Set Card ID"},
    {pgTunePWM, "Tune PWM"},
    {pgCycleTests, "Cycle Tests"},
    {pgLoadRite, "LoadRite"},
    {pgReceivers, "Receivers"},
};

} // namespace orv
