#include "control/CalculatedQuantities.h"

#include "control/AppPreset.h"
#include "nav/GPSClock.h"
#include "store/Format.h"
#include "store/IniPaths.h"
#include "store/Log.h"
#include "ui/UnitFormat.h"

#include <cmath>

namespace orv {

TCalculatedQuantities::TCalculatedQuantities(uint8_t primaryMode, std::string iniDirectory,
                                             const TDisplayUnits& displayUnits)
    : fPrimaryMode(primaryMode),
      fIniDirectory(std::move(iniDirectory)),
      fDisplayUnits(displayUnits),
      fCalibration(fIniDirectory, primaryMode)
{
    Log("Creating Calc Quantities for Primary Mode %d in Ini Directory: %s", static_cast<int>(primaryMode),
        fIniDirectory);
    const TGPSClock& clock = TGPSClock::Instance();
    fTicksPerMs = clock.TicksPerMs() > 0 ? clock.TicksPerMs() : 1;
    fStepTicks = fTicksPerMs * 3;
    UpdateDisplayUnits();
    if (primaryMode == pmFireGate) {
        fModel.LoadModelValues(PathJoin(fIniDirectory, {}, "FiregateModelValues.ini"));
        fModel.LoadTankCoefficients(PathJoin(fIniDirectory, {}, "Tank_Coefficients.ini"));
        fModel.BuildEquivalentTables();
    }
    fCalibration.LoadDial();
    fCalibration.LoadDigitalToPhysical();
}

TCalculatedQuantities::~TCalculatedQuantities()
{
    if (fPreset)
        fPreset->DetachQuantities();
}

void TCalculatedQuantities::AttachPreset(TAppPreset* preset)
{
    if (fPreset && fPreset != preset)
        fPreset->DetachQuantities();
    fPreset = preset;
    if (!fPreset)
        return;
    fPreset->ClearChanged();
    Recompute();
}

void TCalculatedQuantities::DetachPreset(TAppPreset* preset)
{
    if (fPreset == preset)
        fPreset = nullptr;
}

void TCalculatedQuantities::UpdateDisplayUnits()
{
    fFactors = ComputeDisplayFactors(fDisplayUnits);
}

void TCalculatedQuantities::ComputeDigitalAtFixedSpeed()
{
    fDigitalOpeningFixed = static_cast<float>(fCalibration.PhysicalToDigital().Interpolate(fRelativeOpeningFixed) * 100);
}

void TCalculatedQuantities::Recompute()
{
    if (fPrimaryMode == pmSimpleDry) {
        ComputeDigitalAtFixedSpeed();
        if (fPreset)
            fPreset->ClearChanged();
        return;
    }
    if (!fPreset)
        return;
    TAppPreset& p = *fPreset;
    const double rate = fCleanupActive ? p.CleanupRateSI() : fRateScaling * p.AppRateSI();
    fTargetRate = rate;
    const double flowAtFixedSpeed = p.FixedAppSpeedSI() * p.SwathWidthSI() * rate / 10000;
    p.SetRelativeFlow(p.MaxFlow() == 0 ? 1.0f : static_cast<float>(flowAtFixedSpeed / p.MaxFlow()));
    // Without a physical maximum opening the gate cannot be placed: no opening.
    const double maxPhysical = fCalibration.MaxPhysicalOpening();
    double r0 = 0;
    if (maxPhysical > 0)
        r0 = p.FlowToOpening().Interpolate(p.RelativeFlow()) * p.MaxOpening() / maxPhysical;
    fRelativeOpeningFixed = std::isfinite(r0) ? static_cast<float>(r0) : 0.0f;
    ComputeDigitalAtFixedSpeed();
    p.ClearChanged();
}

float TCalculatedQuantities::CurrentOpening()
{
    if (!fPreset)
        return 0;
    const float ratio = SpeedRatio();
    if (fPrimaryMode == pmSimpleDry)
        fCurrentRelativeOpening = ratio * fRelativeOpeningFixed;
    else
        fCurrentRelativeOpening = ratio * fBump * fRelativeOpeningFixed;
    // A changed preset takes effect from the next computation.
    if (fPreset->Changed())
        Recompute();
    double result = fCalibration.PhysicalToDigital().Interpolate(fCurrentRelativeOpening) * 100;
    if (!std::isfinite(result))
        result = 0;
    fLastOpening = static_cast<float>(result);
    return fLastOpening;
}

void TCalculatedQuantities::SetBump(float factor)
{
    fBump = factor;
    Recompute();
}

void TCalculatedQuantities::SetCoverageLevel(float level)
{
    fCoverageLevel = level;
    fTargetRate = level * kCoverageRatePerLevel;
}

void TCalculatedQuantities::SetFixedOpening(float metres)
{
    fFixedOpening = metres;
    const double maxPhysical = fCalibration.MaxPhysicalOpening();
    SetRelativeOpening(maxPhysical > 0 ? static_cast<float>(metres / maxPhysical) : 0.0f);
    fRelativeOpeningFixed = fCurrentRelativeOpening;
    fBump = 1;
    ComputeDigitalAtFixedSpeed();
}

float TCalculatedQuantities::SpeedRatio() const
{
    if (!fPreset || !fUseGpsSpeed)
        return 1;
    const double fixed = fPrimaryMode == pmSimpleDry ? fFixedSpeed : fPreset->FixedAppSpeedSI();
    if (!(fixed > 0))
        return 1;
    const double ratio = fGpsSpeed / fixed;
    if (!std::isfinite(ratio) || ratio < 0.1)
        return 1;
    return static_cast<float>(ratio);
}

float TCalculatedQuantities::SpeedInUse()
{
    if (fUseGpsSpeed)
        fSpeedInUse = static_cast<float>(fGpsSpeed);
    else if (fPrimaryMode == pmSimpleDry)
        fSpeedInUse = fFixedSpeed;
    else
        fSpeedInUse = fPreset ? static_cast<float>(fPreset->FixedAppSpeedSI()) : 0.0f;
    return fSpeedInUse;
}

double TCalculatedQuantities::DisplaySpeed()
{
    double factor = 1;
    switch (fDisplayUnits.speed) {
    case 0:
        factor = kKnotsPerMs;
        break;
    case 2:
        factor = kMphPerMs;
        break;
    case 3:
        factor = kKphPerMs;
        break;
    default:
        break;
    }
    return SpeedInUse() * factor;
}

double TCalculatedQuantities::TargetRate() const
{
    return fTargetRate * (fPrimaryMode == pmFireGate ? fFactors.volumeRate : fFactors.massRate);
}

float TCalculatedQuantities::Flow()
{
    const float speed = SpeedInUse();
    fFlow = fPreset ? static_cast<float>(fTargetRate * fPreset->SwathWidthSI() * speed / 10000) : 0.0f;
    return fFlow;
}

double TCalculatedQuantities::DialValue() const
{
    const TArrayOfXYPair& openingToDial = fCalibration.OpeningToDial();
    if (!fPreset || openingToDial.Length() < 2)
        return 0;
    // The dial table is in centimetres: the relative opening is taken as a
    // share of the gate's maximum physical opening.
    const double cm = static_cast<double>(fRelativeOpeningFixed) * fBump * fCalibration.MaxPhysicalOpening() * 100;
    return openingToDial.Interpolate(cm);
}

bool TCalculatedQuantities::SetOpeningFromDigital(double percent)
{
    const TArrayOfXYPair& table = fCalibration.DigitalToPhysical();
    if (table.Empty())
        return false;
    SetRelativeOpening(static_cast<float>(table.Interpolate(percent / 100)));
    return true;
}

void TCalculatedQuantities::SetRelativeOpening(float r)
{
    fCurrentRelativeOpening = r;
    const float maxPhysical = fCalibration.MaxPhysicalOpening();
    fOpeningDistance = maxPhysical != 0 ? maxPhysical * r : r * 0.1f;
}

bool TCalculatedQuantities::SaveDigitalToPhysical(const TArrayOfXYPair& pairs, int referenceIndex)
{
    if (!fCalibration.SaveDigitalToPhysical(pairs, referenceIndex))
        return false;
    Recompute();
    return true;
}

bool TCalculatedQuantities::SetMaxOpening(int index, double cm)
{
    return fCalibration.SetMaxOpening(index, cm);
}

float TCalculatedQuantities::MaxLeakage() const
{
    return fPreset ? fPreset->MaxLeakage() : 2.0f;
}

double TCalculatedQuantities::RequiredEquivalentOpening(double level)
{
    const double tweak = fPreset ? fPreset->RateTweak() : 1.0;
    return fModel.RequiredEquivalentOpening(level, Flow() * tweak);
}

double TCalculatedQuantities::StepDropModel(const TDropBoardInput& board)
{
    const int64_t now = TGPSClock::Instance().Ticks();
    const double gateArea = fModel.GateArea(static_cast<double>(fOpeningDistance) * 100);
    const double tweak = fPreset ? fPreset->RateTweak() : 1.0;
    return fModel.Step(now, fTicksPerMs, board, MaxLeakage(), tweak, gateArea);
}

double TCalculatedQuantities::TankRemaining() const
{
    return fFigures.presentFullTank - fFigures.presentTankDispersed - fFigures.presentTankCleanupDispersed;
}

void TCalculatedQuantities::SetTankState(uint8_t state)
{
    fModel.SetTankState(state, TGPSClock::Instance().Ticks());
}

std::string TCalculatedQuantities::ModelTraceLine(const std::string& gaugeText)
{
    const double flow = Flow();
    const double ratio = flow > 0 ? fModel.ModelFlow() / (flow * 1000) : 1.0;
    return Format("Q:%.1F; A: %S I: %S; B: %.2F; F: %.0f; C/E: %.3F", TankRemaining(), gaugeText,
                  FormatGateOpening(fModelledDoorOpening / 100.0, fDisplayUnits), 0.0, fModel.ModelFlow(), ratio);
}

} // namespace orv
