#include "control/AppPreset.h"

#include "control/CalculatedQuantities.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "store/Log.h"
#include "ui/Units.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

uint8_t ReadUnitCode(const TMemIniFile& file, const std::string& section, const char* key)
{
    const int64_t v = file.ReadInteger(section, key, 0);
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// Clears the loading flag however the load ends.
class TLoadingScope {
public:
    explicit TLoadingScope(bool& flag) : fFlag(flag) { fFlag = true; }
    ~TLoadingScope() { fFlag = false; }

private:
    bool& fFlag;
};

// Each flow at least the one before it, and above it wherever the old curve
// rose: otherwise the flow-to-opening table would send the gate further open
// for less flow, or have two openings for one flow.
bool StillRises(const TArrayOfXYPair& before, const TArrayOfXYPair& after)
{
    for (size_t i = 1; i < after.Length(); ++i) {
        if (after[i].Y < after[i - 1].Y)
            return false;
        if (before[i].Y > before[i - 1].Y && !(after[i].Y > after[i - 1].Y))
            return false;
    }
    return true;
}

} // namespace

const char* TAppPreset::FileNameFor(bool dry)
{
    return dry ? "DryMaterialPresets.ini" : "FiregatePresets.ini";
}

TAppPreset::TAppPreset(bool dry, TCalculatedQuantities* quantities, const TDisplayUnits& displayUnits,
                       uint8_t primaryMode, std::string iniDirectory, std::string commonName, std::string presetName)
    : fDry(dry),
      fQuantities(quantities),
      fDisplayUnits(displayUnits),
      fPrimaryMode(primaryMode),
      fIniDirectory(std::move(iniDirectory)),
      fCommonName(std::move(commonName)),
      fSectionName(presetName)
{
    Log("Creating %s Preset: %s (%s) for Primary Mode %d in Ini Directory: %s", dry ? "Dry" : "Wet", presetName,
        fCommonName, static_cast<int>(primaryMode), fIniDirectory);
    if (!fQuantities)
        throw EPresetError("No calculated quanities defined before loading preset");
    fQuantities->AttachPreset(this);
    try {
        LoadPreset(presetName);
    } catch (...) {
        // The quantities must not keep a preset that was never made.
        if (fQuantities)
            fQuantities->DetachPreset(this);
        throw;
    }
    fChanged = true;
}

TAppPreset::~TAppPreset()
{
    if (fQuantities)
        fQuantities->DetachPreset(this);
}

std::string TAppPreset::ConstantsSection() const
{
    return fSectionName + " CONSTANTS";
}

std::string TAppPreset::CommonSection() const
{
    // Dry presets keep everything in their own section.
    return fDry ? ConstantsSection() : fCommonName + " CONSTANTS";
}

std::string TAppPreset::CalibrationSection() const
{
    return fSectionName + " OPENING_TO_FLOW_RELATIVES";
}

TPresetUnitCodes TAppPreset::DisplayCodes() const
{
    return PresetUnitCodes(fDisplayUnits);
}

TPresetUnitCodes TAppPreset::InputUnits() const
{
    return fLoading ? fFileUnits : DisplayCodes();
}

void TAppPreset::WriteThrough(const std::string& section, const std::string& key, double fileValue)
{
    if (fLoading || !fFile)
        return;
    fFile->WriteFloat(section, key, fileValue);
    // The same value again (a guidance system repeats its rate in every
    // sentence) leaves the file alone.
    if (fFile->Modified())
        fFile->UpdateFile();
}

double TAppPreset::RateInput(double value) const
{
    if (fLoading)
        return RateToInternal(fDry, fFileUnits, value);
    const double factor = DisplayRateUnit(fDry, fDisplayUnits).factor;
    return factor > 0 ? value / factor : value;
}

double TAppPreset::RateDisplay(double internal) const
{
    return internal * DisplayRateUnit(fDry, fDisplayUnits).factor;
}

void TAppPreset::Changed_()
{
    fChanged = true;
    if (!fOnChange || fNotifying)
        return;
    fNotifying = true;
    try {
        fOnChange();
    } catch (...) {
        fNotifying = false;
        throw;
    }
    fNotifying = false;
}

void TAppPreset::LoadPreset(const std::string& name)
{
    TLoadingScope loading(fLoading);
    fRateTweak = 1.0;
    fFile = std::make_unique<TMemIniFile>(PathJoin(fIniDirectory, {}, FileNameFor(fDry)));

    if (fFile->SectionExists(name + " CONSTANTS")) {
        fSectionName = name;
    } else {
        const auto listed = fFile->ReadSection("PRESETS");
        if (listed.empty())
            throw EPresetError(fDry ? "Presets are missing from dry materials presets"
                                    : "Presets are missing from firegate presets");
        fSectionName = listed.front();
    }

    const std::string section = ConstantsSection();
    fFileUnits.length = ReadUnitCode(*fFile, section, "LENGTH UNITS");
    fFileUnits.volume = ReadUnitCode(*fFile, section, "VOLUME UNITS");
    fFileUnits.mass = ReadUnitCode(*fFile, section, "MASS UNITS");
    fFileUnits.speed = ReadUnitCode(*fFile, section, "SPEED UNITS");
    fFileUnits.area = ReadUnitCode(*fFile, section, "AREA UNITS");

    if (fDry) {
        SetAppRate(fFile->ReadFloat(section, "LastAppRate", 100));
        SetCleanupRate(fFile->ReadFloat(section, "LastCleanupRate", 0));
        SetFullTank(fFile->ReadFloat(section, "PresetFullTank", 0));
    } else {
        SetAppRate(fFile->ReadFloat(section, "LastAppRate", 435));
        SetRateTweak(fFile->ReadFloat(section, "AppRateTweek", 1.0));
        SetFullTank(fFile->ReadFloat(CommonSection(), "PresetFullTank", 0));
        SetMaxLeakage(fFile->ReadFloat(CommonSection(), "MaxPercentLeakage", 2.0));
    }
    SetFixedAppSpeed(fFile->ReadFloat(section, "FixedAppSpeed", 0));
    SetSwathWidth(fFile->ReadFloat(section, "LastAppSwathWidth", 0));
    fMaxFlow = QuantityToInternal(fDry, fFileUnits, fFile->ReadFloat(section, "MAXIMUM FLOW", 1.0));
    double opening = fFile->ReadFloat(section, "MAXIMUM OPENING", 1.0);
    if (fFileUnits.length == 0 || fFileUnits.length == 2)
        opening *= 0.0254; // inches
    fMaxOpening = fPrimaryMode == pmDryMaterial ? static_cast<float>(opening) : 0.0f;
    fMaxOpeningDerivative = fFile->ReadFloat(section, "MAXIMUM OPENING DERIVATIVE", 1.0);

    ReadCalibration();
    if (fPrimaryMode == pmSimpleDry)
        fValid = true; // the simple mode flies a fixed opening, not the curve
}

void TAppPreset::ReadCalibration()
{
    const auto lines = fFile->ReadSectionValues(CalibrationSection());
    fValid = lines.size() > 1;
    fOpeningToFlow.Clear();
    fFlowToOpening.Clear();
    if (!fValid)
        return;
    int bad = 0;
    TArrayOfXYPair pairs = ParseXYLines(lines, &bad);
    if (bad > 0) {
        // A curve with a damaged line could put the gate anywhere: refuse it.
        Log("Preset %s: %d calibration lines are not numbers; preset not valid", fSectionName, bad);
        fValid = false;
        return;
    }
    fOpeningToFlow = pairs;
    fFlowToOpening = pairs.Exchanged();
}

void TAppPreset::SetAppRate(double value)
{
    SetAppRateSI(RateInput(value));
}

void TAppPreset::SetAppRateSI(double internal)
{
    if (fNotifying)
        return;
    fAppRate = static_cast<float>(internal);
    WriteThrough(ConstantsSection(), "LastAppRate", RateFromInternal(fDry, fFileUnits, fAppRate));
    Changed_();
}

void TAppPreset::SetCleanupRate(double value)
{
    if (fNotifying)
        return;
    fCleanupRate = static_cast<float>(RateInput(value));
    WriteThrough(ConstantsSection(), "LastCleanupRate", RateFromInternal(fDry, fFileUnits, fCleanupRate));
    Changed_();
}

void TAppPreset::SetSwathWidth(double value)
{
    fSwathWidth = static_cast<float>(LengthToInternal(InputUnits(), value));
    WriteThrough(ConstantsSection(), "LastAppSwathWidth", LengthFromInternal(fFileUnits, fSwathWidth));
    Changed_();
}

void TAppPreset::SetFixedAppSpeed(double value)
{
    double speed = SpeedToInternal(InputUnits(), value);
    if (fLoading && speed == 0)
        speed = kDefaultFixedSpeed;
    fFixedAppSpeed = speed;
    WriteThrough(ConstantsSection(), "FixedAppSpeed", SpeedFromInternal(fFileUnits, fFixedAppSpeed));
    Changed_();
}

void TAppPreset::SetFullTank(double value)
{
    fFullTank = static_cast<float>(fLoading ? QuantityToInternal(fDry, fFileUnits, value) : value);
    WriteThrough(fDry ? ConstantsSection() : CommonSection(), "PresetFullTank",
                 QuantityFromInternal(fDry, fFileUnits, fFullTank));
    Changed_();
}

void TAppPreset::SetMaxLeakage(double percent)
{
    fMaxLeakage = static_cast<float>(percent);
    WriteThrough(CommonSection(), "MaxPercentLeakage", fMaxLeakage);
    Changed_();
}

void TAppPreset::SetRateTweak(double factor)
{
    fRateTweak = factor;
    Changed_();
}

double TAppPreset::AppRate() const
{
    return RateDisplay(fAppRate);
}

double TAppPreset::CleanupRate() const
{
    return RateDisplay(fCleanupRate);
}

double TAppPreset::SwathWidth() const
{
    return LengthFromInternal(DisplayCodes(), fSwathWidth);
}

double TAppPreset::FixedAppSpeed() const
{
    return SpeedFromInternal(DisplayCodes(), fFixedAppSpeed);
}

double TAppPreset::RelativeOpening() const
{
    return fFlowToOpening.Interpolate(fRelativeFlow);
}

double TAppPreset::OpeningDemand() const
{
    return RelativeOpening() * fMaxOpening;
}

bool TAppPreset::ApplyRateTweak(std::string* refusal)
{
    if (!fDry) {
        if (fFile) {
            fFile->WriteFloat(ConstantsSection(), "AppRateTweek", fRateTweak);
            fFile->UpdateFile();
        }
        return true;
    }
    std::string why;
    const bool reshaped = ReshapeDryCurve(why);
    if (refusal)
        *refusal = why;
    fRateTweak = 1.0;
    Changed_();
    return reshaped;
}

bool TAppPreset::ReshapeDryCurve(std::string& refusal)
{
    const double t = fRateTweak;
    auto refuse = [&](const char* why) {
        Log("Calibration tweak not applied to %s: %s; curve unchanged", fSectionName, why);
        refusal = why;
        return false;
    };
    if (!(fAppRate > 0 && fFixedAppSpeed > 0 && fSwathWidth > 0 && fMaxFlow > 0))
        return refuse("no positive operating point");
    if (!(t > 0) || !std::isfinite(t))
        return refuse("tweak not positive");
    if (fOpeningToFlow.Length() < 2)
        return refuse("no calibration curve");

    const double q = static_cast<double>(fAppRate) * fFixedAppSpeed * fSwathWidth / 10000 / fMaxFlow;
    const double r = fFlowToOpening.Interpolate(q);
    if (!(r > 0) || !std::isfinite(r))
        return refuse("no positive operating point");
    const double base = q / t;
    const double below = q / (t * r);

    TArrayOfXYPair curve = fOpeningToFlow;
    for (auto& p : curve) {
        const double d = p.X - r;
        const double w = std::fabs(d) <= 0.03 ? 1.0 : std::max(0.0, 1 - std::fabs(d) / 0.03 * 0.1);
        double target = base;
        if (d > 0)
            target = base + d;
        else if (d < 0)
            target = base + d * below;
        p.Y = target * w + (1 - w) * p.Y;
    }
    if (!StillRises(fOpeningToFlow, curve))
        return refuse("the flow would no longer rise with the opening");
    const double m = curve[curve.Length() - 1].Y;
    if (!(m > 0) || !std::isfinite(m))
        return refuse("the reshaped curve ends at no flow");
    for (auto& p : curve)
        p.Y = p.Y / m;
    fMaxFlow = fMaxFlow * m;
    fOpeningToFlow = curve;
    fFlowToOpening = curve.Exchanged();

    if (fFile) {
        fFile->EraseSection(CalibrationSection());
        fFile->WriteFloat(ConstantsSection(), "MAXIMUM FLOW", QuantityFromInternal(true, fFileUnits, fMaxFlow));
        for (const auto& p : fOpeningToFlow)
            fFile->WriteString(CalibrationSection(), Format("%.3f", p.X), Format("%.5f", p.Y));
        fFile->UpdateFile();
    }
    Log("Calibration tweak %.3f applied to %s", t, fSectionName);
    return true;
}

} // namespace orv
