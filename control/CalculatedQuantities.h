#pragma once
#include "control/AccountingFigures.h"
#include "control/FiregateModel.h"
#include "control/GateCalibration.h"
#include "control/XYPair.h"
#include "nav/CoordConvert.h"
#include "ui/Units.h"

#include <cstdint>
#include <string>

namespace orv {

class TAppPreset;

// The computational core of one primary mode: the gate calibration tables,
// the chain from target rate, speed and swath to a gate opening, the display
// factors, the fire-gate model and the job figures. Made anew at every mode
// change; main thread only.
class TCalculatedQuantities {
public:
    // Speed factors of DisplaySpeed (m/s to the display unit).
    static constexpr double kKnotsPerMs = 1.94384;
    static constexpr double kMphPerMs = 2.23694;
    static constexpr double kKphPerMs = 3.6;
    // Target rate of a fire-gate coverage level, L/ha per level.
    static constexpr double kCoverageRatePerLevel = 4074;

    TCalculatedQuantities(uint8_t primaryMode, std::string iniDirectory, const TDisplayUnits& displayUnits);
    ~TCalculatedQuantities();
    TCalculatedQuantities(const TCalculatedQuantities&) = delete;
    TCalculatedQuantities& operator=(const TCalculatedQuantities&) = delete;

    uint8_t PrimaryMode() const { return fPrimaryMode; }
    const std::string& IniDirectory() const { return fIniDirectory; }

    // The current preset (not owned). Attaching clears its changed flag and
    // recomputes; a preset that goes away detaches itself.
    void AttachPreset(TAppPreset* preset);
    void DetachPreset(TAppPreset* preset);
    TAppPreset* Preset() const { return fPreset; }

    // The opening chain: target rate, flow and relative opening at the fixed speed.
    void Recompute();
    // The opening to command now, percent of the digital range.
    float CurrentOpening();
    float LastComputedOpening() const { return fLastOpening; }

    void SetBump(float factor);
    float Bump() const { return fBump; }
    void SetCoverageLevel(float level);
    float CoverageLevel() const { return fCoverageLevel; }
    void SetRateScaling(float factor) { fRateScaling = factor; }
    float RateScaling() const { return fRateScaling; }
    void SetCleanupActive(bool on) { fCleanupActive = on; }
    bool CleanupActive() const { return fCleanupActive; }
    void SetVariableRate(bool on) { fVariableRate = on; }
    bool VariableRate() const { return fVariableRate; }
    void SetMaxVariableRate(float v) { fMaxVariableRate = v; }
    float MaxVariableRate() const { return fMaxVariableRate; }

    // Simple dry mode: a fixed opening (m) and a fixed speed (m/s).
    void SetFixedOpening(float metres);
    float FixedOpening() const { return fFixedOpening; }
    void SetFixedSpeed(float metresPerSecond) { fFixedSpeed = metresPerSecond; }
    float FixedSpeed() const { return fFixedSpeed; }

    // GPS speed (m/s) and whether it is used.
    void SetGpsSpeed(double metresPerSecond) { fGpsSpeed = metresPerSecond; }
    double GpsSpeed() const { return fGpsSpeed; }
    void SetUseGpsSpeed(bool on) { fUseGpsSpeed = on; }
    bool UseGpsSpeed() const { return fUseGpsSpeed; }

    float SpeedRatio() const;
    float SpeedInUse();
    double DisplaySpeed();
    // Target rate in display units (mass or, in fire-gate mode, volume rate).
    double TargetRate() const;
    double TargetRateSI() const { return fTargetRate; }
    // Flow (kg/s or L/s) at the target rate, swath and speed in use.
    float Flow();
    double DialValue() const;

    // Opening of a digital percent from the calibration; false without table.
    bool SetOpeningFromDigital(double percent);
    void SetRelativeOpening(float r);
    float CurrentRelativeOpening() const { return fCurrentRelativeOpening; }
    float RelativeOpeningAtFixedSpeed() const { return fRelativeOpeningFixed; }
    float DigitalOpeningAtFixedSpeed() const { return fDigitalOpeningFixed; }
    float OpeningDistance() const { return fOpeningDistance; } // m

    bool SaveDigitalToPhysical(const TArrayOfXYPair& pairs, int referenceIndex);
    bool SetMaxOpening(int index, double cm);
    float MaxPhysicalOpening() const { return fCalibration.MaxPhysicalOpening(); }
    const TGateCalibration& Calibration() const { return fCalibration; }
    TGateCalibration& Calibration() { return fCalibration; }

    // Display factors, fixed from the unit record when called.
    void UpdateDisplayUnits();
    const TDisplayFactors& Factors() const { return fFactors; }

    // Fire-gate model.
    TFiregateModel& Model() { return fModel; }
    const TFiregateModel& Model() const { return fModel; }
    double RequiredEquivalentOpening(double level);
    double StepDropModel(const TDropBoardInput& board);
    double LevelFromVolume(double litres) const { return fModel.LevelFromVolume(litres); }
    double TankRemaining() const;
    uint8_t TankState() const { return fModel.TankState(); }
    void SetTankState(uint8_t state);
    float ModelledDoorOpening() const { return fModelledDoorOpening; } // cm
    void SetModelledDoorOpening(float cm) { fModelledDoorOpening = cm; }
    // The model trace line; gaugeText is the opening gauge's text.
    std::string ModelTraceLine(const std::string& gaugeText);
    int64_t ModelStepTicks() const { return fStepTicks; }

    TAccountingFigures& Figures() { return fFigures; }
    const TAccountingFigures& Figures() const { return fFigures; }
    float ProbeQuantity() const { return fProbeQuantity; }
    void SetProbeQuantity(float v) { fProbeQuantity = v; }

private:
    void ComputeDigitalAtFixedSpeed();
    float MaxLeakage() const;

    uint8_t fPrimaryMode;
    std::string fIniDirectory;
    const TDisplayUnits& fDisplayUnits;
    TAppPreset* fPreset = nullptr;

    TGateCalibration fCalibration;
    TFiregateModel fModel;
    TDisplayFactors fFactors;
    TAccountingFigures fFigures;

    float fBump = 1.0f;
    float fRelativeOpeningFixed = 0;
    float fCurrentRelativeOpening = 0;
    float fDigitalOpeningFixed = 0;
    float fLastOpening = 0;
    float fOpeningDistance = 0;
    float fFixedOpening = 0;
    float fFixedSpeed = 0;
    double fGpsSpeed = 0;
    bool fUseGpsSpeed = false;
    float fSpeedInUse = 0;
    double fTargetRate = 0;
    float fFlow = 0;
    float fCoverageLevel = 0;
    bool fCleanupActive = false;
    bool fVariableRate = false;
    float fMaxVariableRate = 0;
    float fRateScaling = 1.0f;
    float fProbeQuantity = 9999;
    float fModelledDoorOpening = 0;
    int64_t fStepTicks = 0;
    int64_t fTicksPerMs = 1;
};

} // namespace orv
