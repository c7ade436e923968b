#pragma once
#include <string>
#include <vector>

namespace orv {

// The controls of the run pages and of "Select Primary Mode" that the mode
// logic drives, by role. The window's view finds each one by its object name.
enum TRunControl : int {
    // "Select Primary Mode"
    rcModeRadio0, // + primary mode: "Fire Gate" … "Simple Dry Material"
    rcModeRadio1,
    rcModeRadio2,
    rcModeRadio3,
    rcModeRadio4,
    rcGoActive,
    rcNotReadyWarning,
    rcTestTimerMode,
    rcPresetNotValid,
    rcFirmwareLeft,
    rcFirmwareRight,
    // "Run Gate"
    rcGatePages,
    rcGateBanner,
    rcGateManualCaption,
    rcGateManualValue,
    rcGateManualValue2,
    rcGateTimerWarning,
    rcGateSpeedGauge,
    rcGateOpeningGauge,
    rcGateSetMark,
    rcGateSetMark2,
    rcGateWarningMark,
    rcGateMaterial,
    rcGateLevel,
    rcGateLeakage,
    rcGateRateValue,
    rcGateSwathValue,
    rcGateGpsSpeed,
    rcGateGpsSwath,
    rcGateGpsRate,
    rcGateTweakSlider,
    rcGateTweakLabel,
    rcGateFirmware,
    rcGateGpsStatus,
    rcGateDialValue,
    // "Run Dry Material"
    rcDryPages,
    rcDryBanner,
    rcDryManualCaption,
    rcDryManualValue,
    rcDryWarning1,
    rcDryWarning2,
    rcDrySpeedGauge,
    rcDryOpeningGauge,
    rcDryTargetGauge,
    rcDryTargetText,
    rcDryTankGauge,
    rcDryPresetCaption,
    rcDryPresetCombo,
    rcDryRateCaption,
    rcDryRateValue,
    rcDrySwathValue,
    rcDryDialValue,
    rcDryGpsStatus,
    rcDryFirmware,
    rcDryGpsSpeed,
    rcDryGpsSwath,
    rcDryGpsRate,
    rcDryBumpSlider,
    rcDryBumpLabel,
    rcDryAutoBump,
    rcDryVariableRate,
    rcDryParkButton,
    rcDryTweakSlider,
    rcDryTweakUpDown,
    rcDryTweakLabel,
    rcSimpleParkButton,
    rcSimpleOpeningGauge,
    rcSimpleTargetGauge,
    rcSimpleFixedTarget,
    rcSimpleStep0, // … rcSimpleStep5: "+" steps then "-" steps, largest first
    rcSimpleStep1,
    rcSimpleStep2,
    rcSimpleStep3,
    rcSimpleStep4,
    rcSimpleStep5,
    rcSimpleFixedSpeed,
    rcConfirmQuestion,
    // "Run Wet Sealed" and "Metering Plate"
    rcWetBanner,
    rcMeteringBanner,
    rcMeteringGauge,
    rcRunControlCount
};

// Sub-pages of the "Run Dry Material" page control, in tab order.
enum TDrySheet : int {
    dsCurrent = 0,
    dsTweak = 1,
    dsSystem = 2,
    dsAppInfo = 3,
    dsPark = 4,
    dsSimple = 5,
    dsAdjustJob = 6,
    dsZeroLoad = 7,
    dsAdjustCleanup = 8,
    dsConfirm = 9,
};

// Sub-pages of the "Run Gate" page control.
enum TGateSheet : int { gsCurrent = 0, gsSystem = 1, gsTweek = 2, gsFoaming = 3 };

// The skin's named colours of the banner and warnings.
enum class TViewColour { Normal, Magenta, Green, Yellow, Cream, SkyBlue };

// What the mode logic shows. Gauges take a value (per mille unless said
// otherwise) and a text; sliders and up-downs a value and a range; marks a
// per-mille position along their gauge.
class IModeView {
public:
    virtual ~IModeView() = default;
    virtual void SetText(TRunControl c, const std::string& text) = 0;
    virtual void SetValue(TRunControl c, int value) = 0;
    virtual void SetRange(TRunControl c, int minimum, int maximum, int step) = 0;
    virtual void SetChecked(TRunControl c, bool on) = 0;
    virtual void SetVisible(TRunControl c, bool on) = 0;
    virtual void SetEnabled(TRunControl c, bool on) = 0;
    virtual void SetColour(TRunControl c, TViewColour colour) = 0;
    // Combo boxes: the items and the selected index (-1 none).
    virtual void SetItems(TRunControl c, const std::vector<std::string>& items, int selected) = 0;
    // Page controls: the shown sub-page.
    virtual void ShowSheet(TRunControl pages, int sheet) = 0;
    virtual int Sheet(TRunControl pages) const = 0;

    virtual bool Checked(TRunControl c) const = 0;
    virtual bool Enabled(TRunControl c) const = 0;
    virtual int Value(TRunControl c) const = 0;
    virtual std::string Text(TRunControl c) const = 0;
    virtual std::vector<std::string> Items(TRunControl c) const = 0;
};

// What the pilot did on those pages.
enum TRunAction : int {
    raModeRadio,        // value: the primary mode of the radio button
    raGoActive,
    raTestTimerMode,
    raChangeSystemSettings,
    raShutDown,
    raPark,
    raGpsSpeedCheck,    // value: checked
    raGpsSwathCheck,
    raGpsRateCheck,
    raBumpSlider,       // value: slider position
    raBumpUp,
    raBumpDown,
    raTweakSlider,      // value: slider or up-down position
    raTweakNext,
    raAutoBump,         // value: checked
    raVariableRate,     // value: checked
    raRateClick,
    raSwathClick,
    raSimpleStep,       // value: button index 0..5
    raFixedSpeedClick,
    raConfirmYes,
    raConfirmNo,
    raDryPresetChosen,  // value: combo index
    raScreenBrightness, // value: 20..255
};

} // namespace orv
