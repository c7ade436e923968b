#pragma once
#include <string>

namespace orv {

// What the settings page shows of a board's own reports.
struct TControllerReadback {
    int proportionalCurrent = 0;
    int maxProportionalCurrent = 0;
    int pwmFrequency = 0;
    int pwmProportion = 0;
    bool pwmEnabled = false;
    bool highSpeed = false; // status bit 9
    int outerDeadBand = 0;
    int innerDeadBand = 0;
    int maximumOpen = 0;
    bool showDryZero = false; // only in the modes that use the dry zero
    int dryZero = 0;
    int sealed = 0;
};

// The settings page as the settings logic sees it. Keys are TSettingKey;
// the two check-box keys (PWM enabled, high-speed solenoids) share one
// check-box panel, which takes the focused look when either is marked.
class IControllerSettingsView {
public:
    virtual ~IControllerSettingsView() = default;
    // The edit (or check box) of a key shows a value of the displayed board.
    virtual void ShowSettingValue(int key, int value) = 0;
    // Keys the primary mode does not use have their edits hidden.
    virtual void ShowSettingControl(int key, bool visible) = 0;
    // Every edit back to the normal window colour, the panel to its normal look.
    virtual void ClearSettingMarks() = 0;
    // Yellow edit, or the panel's focused look for the check-box keys.
    virtual void MarkSetting(int key) = 0;
    // label 0 serves boards 0 and 1, label 1 board 2.
    virtual void ShowMismatchText(int label, const std::string& text) = 0;
    virtual void ShowReadback(const TControllerReadback& readback) = 0;
    virtual void ShowHighSpeedReadback(bool on) = 0;
};

} // namespace orv
