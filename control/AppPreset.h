#pragma once
#include "control/PresetUnits.h"
#include "control/XYPair.h"
#include "nav/CoordConvert.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace orv {

class TCalculatedQuantities;
class TMemIniFile;

// Raised when a preset cannot be made or loaded.
class EPresetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The primary modes (stored as their number).
enum TPrimaryMode : uint8_t {
    pmFireGate = 0,
    pmDryMaterial = 1,
    pmWetSealed = 2,
    pmMeteringPlate = 3,
    pmSimpleDry = 4,
};

// One material (dry) or one fire-gate drop setting, read from
// "DryMaterialPresets.ini" or "FiregatePresets.ini" in the INI directory.
// Fields are kept in SI units; the file section has its own units and the
// pilot sees display units. Every setter writes through to the file at once.
class TAppPreset {
public:
    using TChangeNotify = std::function<void()>;

    static constexpr double kDefaultFixedSpeed = 62.5854962582814; // m/s, used when a file gives 0

    // Logs the creation, attaches itself to the calculated quantities and
    // loads the named preset. Raises EPresetError without calculated
    // quantities or when the file lists no presets.
    TAppPreset(bool dry, TCalculatedQuantities* quantities, const TDisplayUnits& displayUnits, uint8_t primaryMode,
               std::string iniDirectory, std::string commonName, std::string presetName);
    ~TAppPreset();
    TAppPreset(const TAppPreset&) = delete;
    TAppPreset& operator=(const TAppPreset&) = delete;

    // Reads the named preset, or the first listed one when the name has no
    // section. Raises EPresetError when the file lists no presets.
    void LoadPreset(const std::string& name);

    // Setters. Rates, swath and speed take display units (file units while
    // loading); the full tank takes kg or L (file units while loading).
    // Display rates are in DisplayRateUnit, the one rule of every rate the
    // pilot sees or enters.
    void SetAppRate(double value);
    // The rate in kg/ha or L/ha, as a guidance system or a fire-gate level
    // gives it: stored as it is, with no trip through the display units.
    void SetAppRateSI(double internal);
    void SetCleanupRate(double value);
    void SetSwathWidth(double value);
    void SetFixedAppSpeed(double value);
    void SetFullTank(double value);
    void SetMaxLeakage(double percent);
    void SetRateTweak(double factor);

    // Getters in display units.
    double AppRate() const;
    double CleanupRate() const;
    double SwathWidth() const;
    double FixedAppSpeed() const;

    // Internal (SI) values.
    float AppRateSI() const { return fAppRate; }
    float CleanupRateSI() const { return fCleanupRate; }
    float SwathWidthSI() const { return fSwathWidth; }
    double FixedAppSpeedSI() const { return fFixedAppSpeed; }
    float FullTank() const { return fFullTank; }
    double MaxFlow() const { return fMaxFlow; }
    float MaxOpening() const { return fMaxOpening; }
    double MaxOpeningDerivative() const { return fMaxOpeningDerivative; }
    float MaxLeakage() const { return fMaxLeakage; }
    double RateTweak() const { return fRateTweak; }
    const TPresetUnitCodes& FileUnits() const { return fFileUnits; }

    // The pilot accepted a calibration tweak (the rate tweak). Fire gate: the
    // tweak is stored as "AppRateTweek". Dry: the curve is reshaped so that
    // the present operating point gives the rate asked for, written to the
    // file, and the tweak returns to 1. False when the dry curve was left as
    // it was (logged, and the reason given in `refusal`): no positive
    // operating point, or a reshaped curve whose flow would not rise with the
    // opening all the way (the gate would then open further for less flow).
    bool ApplyRateTweak(std::string* refusal = nullptr);

    // Relative opening for the present relative flow, and that opening in metres.
    double RelativeOpening() const;
    double OpeningDemand() const;

    float RelativeFlow() const { return fRelativeFlow; }
    void SetRelativeFlow(float q) { fRelativeFlow = q; }

    bool Valid() const { return fValid; }
    bool Dry() const { return fDry; }
    bool Changed() const { return fChanged; }
    void ClearChanged() { fChanged = false; }
    uint8_t PrimaryMode() const { return fPrimaryMode; }
    const std::string& SectionName() const { return fSectionName; }
    const std::string& CommonName() const { return fCommonName; }
    const TArrayOfXYPair& OpeningToFlow() const { return fOpeningToFlow; }
    const TArrayOfXYPair& FlowToOpening() const { return fFlowToOpening; }

    // The change notification: runs after every change, only when assigned,
    // and never inside itself.
    void SetOnChange(TChangeNotify notify) { fOnChange = std::move(notify); }
    bool Notifying() const { return fNotifying; }

    // Called by the calculated quantities when they go away first.
    void DetachQuantities() { fQuantities = nullptr; }
    TCalculatedQuantities* Quantities() const { return fQuantities; }

    // The file name of the preset kind.
    static const char* FileNameFor(bool dry);

private:
    std::string ConstantsSection() const;
    std::string CommonSection() const;
    std::string CalibrationSection() const;
    // Units of a value: the file's while loading, the display's otherwise.
    TPresetUnitCodes InputUnits() const;
    TPresetUnitCodes DisplayCodes() const;
    // A rate given to a setter (display units, file units while loading) in
    // kg/ha or L/ha, and an internal rate in display units.
    double RateInput(double value) const;
    double RateDisplay(double internal) const;
    void WriteThrough(const std::string& section, const std::string& key, double fileValue);
    void Changed_();
    void ReadCalibration();
    bool ReshapeDryCurve(std::string& refusal);

    bool fDry;
    TCalculatedQuantities* fQuantities;
    const TDisplayUnits& fDisplayUnits;
    uint8_t fPrimaryMode;
    std::string fIniDirectory;
    std::string fCommonName;
    std::string fSectionName;
    std::unique_ptr<TMemIniFile> fFile;

    float fAppRate = 0;
    double fMaxFlow = 0;
    double fMaxOpeningDerivative = 0;
    double fFixedAppSpeed = 0;
    float fSwathWidth = 0;
    double fRateTweak = 1.0;
    float fFullTank = 1500;
    float fMaxOpening = 0;
    float fCleanupRate = 0;
    float fMaxLeakage = 2.0;
    float fRelativeFlow = 0;
    TPresetUnitCodes fFileUnits;
    TArrayOfXYPair fFlowToOpening;
    TArrayOfXYPair fOpeningToFlow;

    bool fValid = false;
    bool fChanged = false;
    bool fLoading = false;
    bool fNotifying = false;
    TChangeNotify fOnChange;
};

} // namespace orv
