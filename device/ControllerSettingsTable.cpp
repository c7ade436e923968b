#include "device/ControllerSettingsTable.h"

#include "store/Format.h"

#include <charconv>
#include <cmath>

namespace orv {

// The closed positions are signed 16-bit in the device model.
const TSettingKeyDef kSettingKeys[kSettingKeyCount] = {
    {"ProportionalCurrent", swByte, 90, 255, scPwmParameters, 4, "ProportionalCurrent"},
    {"MaxProportionalCurrent", swByte, 90, 255, scPwmParameters, 5, "MaxProportionalCurrent"},
    {"SetOuterDeadBand", swByte, 90, 255, scConfigCmd, 4, "OuterDeadBand"},
    {"SetInnerDeadBand", swByte, 90, 255, scConfigCmd, 3, "InnerDeadBand"},
    {"SetMaximumOpening", swWord, 9000, 65535, scConfigCmd, 1, "MaximumOpen"},
    {"SetSealedPosition", swWord, 9000, 32767, scZero, 0, "MinimumOpen"},
    {"SetDryZeroOpening", swWord, 9000, 32767, scDryZero, 0, "MinimumOpen"},
    {"PWM_Proportion", swByte, 90, 255, scPwmParameters, 2, "PWM_Proportion"},
    {"PWM_Frequency", swWord, 9000, 65535, scPwmParameters, 1, "PWM_Frequency"},
    {"PWM_Enabled", swBool, 0, 1, scPwmParameters, 3, "PWM_Enabled"},
    {"MaxSolenoids_Enabled", swBool, 0, 1, scHighSpeed, 0, "HighSpeedSolenoids"},
};

namespace {
constexpr std::array<bool, kSettingKeyCount> kAll{true, true, true, true, true, true, true, true, true, true, true};
constexpr std::array<bool, kSettingKeyCount> kNoDryZero{true, true, true, true, true, true, false, true, true, true, true};
constexpr std::array<bool, kSettingKeyCount> kNoMaxNoDryZero{true, true, true, true, false, true, false,
                                                             true, true, true, true};

// The save's validation: key and largest value, in the order checked.
struct TEditRule {
    int key;
    int maxValue;
};
constexpr TEditRule kEditRules[] = {
    {cskProportionalCurrent, 255}, {cskMaxProportionalCurrent, 255}, {cskOuterDeadBand, 255},
    {cskInnerDeadBand, 255},       {cskMaximumOpening, 1022},        {cskSealedPosition, 1022},
    {cskPwmFrequency, 255},        {cskPwmProportion, 255},          {cskDryZeroOpening, 1022},
};
} // namespace

const TModeSettingsDef kModeSettings[kPrimaryModeCount] = {
    {0, kNoDryZero},      // fire gate
    {1, kAll},            // dry material
    {1, kNoMaxNoDryZero}, // wet sealed
    {1, kAll},            // metering plate
    {1, kAll},            // simple dry
};

const std::array<int, kSettingKeyCount> kSettingsReadOrder = {
    cskMaximumOpening, cskSealedPosition,     cskDryZeroOpening,         cskOuterDeadBand,
    cskInnerDeadBand,  cskProportionalCurrent, cskMaxProportionalCurrent, cskPwmFrequency,
    cskPwmProportion,  cskPwmEnabled,          cskMaxSolenoids,
};

const std::array<int, kSettingKeyCount> kSettingsTakeOrder = {
    cskProportionalCurrent, cskMaxProportionalCurrent, cskPwmFrequency,   cskPwmProportion,
    cskPwmEnabled,          cskMaxSolenoids,           cskOuterDeadBand,  cskInnerDeadBand,
    cskSealedPosition,      cskDryZeroOpening,         cskMaximumOpening,
};

const std::array<int, 10> kSettingsCheckOrder = {
    cskSealedPosition,         cskMaximumOpening, cskOuterDeadBand, cskInnerDeadBand, cskProportionalCurrent,
    cskMaxProportionalCurrent, cskPwmFrequency,   cskPwmProportion, cskPwmEnabled,    cskMaxSolenoids,
};

const TSettingEditDef kSettingEdits[9] = {
    {cskProportionalCurrent, "Proportional Current", 0, 255, 3},
    {cskMaxProportionalCurrent, "Proportional Max Current", 0, 255, 3},
    {cskOuterDeadBand, "Outer Deadband", 10, 150, 3},
    {cskInnerDeadBand, "Inner Deadband", 2, 20, 2},
    {cskMaximumOpening, "Maximum Opening", 200, 1023, 4},
    {cskSealedPosition, "Sealed Position", 0, 500, 3},
    {cskDryZeroOpening, "Dry Zero Position", 1, 500, 3},
    {cskPwmFrequency, "PWM Frequency", 50, 255, 3},
    {cskPwmProportion, "PWM Proportion", 30, 70, 2},
};

const TSettingEditDef* SettingEditDef(int key)
{
    for (const TSettingEditDef& d : kSettingEdits)
        if (d.key == key)
            return &d;
    return nullptr;
}

int SettingEditStart(const std::string& editText, const std::string& readbackText, int minimum)
{
    int v = 0;
    if (ParseDecimal(editText, v) || ParseDecimal(readbackText, v))
        return v;
    return minimum;
}

std::string SettingEditText(double value, int minimum, int maximum)
{
    const double v = std::nearbyint(value); // halves to even
    if (!std::isfinite(v) || v < minimum || v > maximum)
        return "!!R!!";
    return std::to_string(static_cast<int>(v));
}

const TModeSettingsDef& ModeSettings(int primaryMode)
{
    return kModeSettings[primaryMode >= 0 && primaryMode < kPrimaryModeCount ? primaryMode : 1];
}

bool ModeUsesKey(int primaryMode, int key)
{
    return key >= 0 && key < kSettingKeyCount && ModeSettings(primaryMode).used[key];
}

bool ModeHasDryZero(int primaryMode)
{
    return primaryMode == 1 || primaryMode == 3 || primaryMode == 4;
}

std::string ControllerSettingsSection(int sectionMode, int board)
{
    const bool perBoard = (sectionMode == 0 || sectionMode == 1 || sectionMode == 4) && board != 0;
    if (perBoard)
        return Format("Controller Settings For Mode:%d Board:%d", sectionMode, board);
    return Format("Controller Settings For Mode:%d", sectionMode);
}

std::string ControllerSettingsSectionForMode(int primaryMode, int board)
{
    return ControllerSettingsSection(ModeSettings(primaryMode).sectionMode, board);
}

TBoardSettings DefaultBoardSettings()
{
    TBoardSettings s{};
    for (int k = 0; k < kSettingKeyCount; ++k)
        s[k] = kSettingKeys[k].defaultValue;
    return s;
}

bool ParseDecimal(const std::string& text, int& value)
{
    const std::string t = Trim(text);
    size_t pos = 0;
    bool negative = false;
    if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
        negative = t[0] == '-';
        pos = 1;
    }
    if (pos >= t.size())
        return false;
    unsigned long long v = 0; // unsigned: a second sign is refused
    auto [end, ec] = std::from_chars(t.data() + pos, t.data() + t.size(), v, 10);
    if (ec != std::errc() || end != t.data() + t.size() || v > 1'000'000'000)
        return false;
    value = negative ? -static_cast<int>(v) : static_cast<int>(v);
    return true;
}

int ValidateSettingsTexts(const TSettingsTexts& texts, int primaryMode, TBoardSettings& values)
{
    for (const TEditRule& rule : kEditRules) {
        if (!ModeUsesKey(primaryMode, rule.key))
            continue;
        int v = 0;
        if (!ParseDecimal(texts[rule.key], v) || v < 0 || v > rule.maxValue)
            return rule.key;
        values[rule.key] = v;
    }
    return -1;
}

} // namespace orv
