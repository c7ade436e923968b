#pragma once
#include <string>

namespace orv {

class IModeHost;
class TConfirmation;
class TGpsControl;
struct TModeHooks;
struct TModeState;

// The pilot's shaping of the rate: bump and calibration tweak, the automatic
// bump proposal, variable rate, the rate and swath entries, and the fixed
// opening and speed of the simple dry mode; with the rate displays that
// follow every preset change.
class TRateAdjust {
public:
    static constexpr int kSliderMin = 50;
    static constexpr int kSliderMax = 150;

    TRateAdjust(TModeState& state, IModeHost& host, const TModeHooks& hooks, TGpsControl& gps,
                TConfirmation& confirmation);

    // The preset's change notification. Errors show the failure text, stop
    // the controller check and are passed on.
    void RefreshRateDisplays();
    // Rate and swath texts of the mode's run page.
    void ShowRateAndSwath();
    // Current opening and dial value.
    void RecomputeOpening();

    // Bump (dry modes).
    void BumpSliderChange(int value);
    void BumpUpClick() { BumpStep(+1); }
    void BumpDownClick() { BumpStep(-1); }

    // Calibration tweak.
    void TweakChange(int value);
    void TweakNextClick();

    // Automatic bump after a fill; true when a question was asked.
    bool ProposeAutoBump();
    void ApplyAutoBump(double proposal);
    // The proposal from the tank figures (the present bump when out of limits).
    static double AutoBumpProposal(double fullTank, double dispersed, double cleanupDispersed, double bump);
    void AutoBumpClick(bool on);

    void VariableRateClick(bool on);
    void RateValueClick();
    void SwathValueClick();

    // Simple dry mode.
    void SimpleStepClick(int index);
    void FixedSpeedClick();
    void ShowFixedTarget();
    void ShowSimpleCaptions();
    // The fixed-opening step of a button caption (metres, signed); 0 when
    // the caption is not a step.
    static double StepOfCaption(const std::string& caption, bool metric);

private:
    void BumpStep(int direction);
    void SetBump(int sliderValue);
    // The bump in use: calculated quantities, slider, label and "Bump" key.
    void StoreBump(double factor, int sliderValue);
    void ShowTweak(int value);
    bool DryMode() const;

    TModeState& fState;
    IModeHost& fHost;
    const TModeHooks& fHooks;
    TGpsControl& fGps;
    TConfirmation& fConfirmation;
    bool fRefreshing = false;
    bool fBumping = false;
    int fTweakShown = 100;
};

} // namespace orv
