#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace orv {

// The settings block of one controller board, in the order of the key table.
enum TSettingKey : int {
    cskProportionalCurrent = 0,
    cskMaxProportionalCurrent = 1,
    cskOuterDeadBand = 2,
    cskInnerDeadBand = 3,
    cskMaximumOpening = 4,
    cskSealedPosition = 5,
    cskDryZeroOpening = 6,
    cskPwmProportion = 7,
    cskPwmFrequency = 8,
    cskPwmEnabled = 9,
    cskMaxSolenoids = 10,
};
constexpr int kSettingKeyCount = 11;

enum TSettingWidth : uint8_t { swByte, swWord, swBool };

// Which command carries a setting to the board.
enum TSettingCommand : uint8_t {
    scConfigCmd,       // "Config Cmd" with its item
    scPwmParameters,   // "Set PWM Parameters" with its item
    scZero,            // SetZeroPosition
    scDryZero,         // SetDryZeroPosition
    scHighSpeed,       // "Set Highspeed Solenoids"
};

struct TSettingKeyDef {
    const char* key;          // INI key
    TSettingWidth width;
    int defaultValue;         // when the key is missing
    int maxValue;             // largest value the board's field holds
    TSettingCommand command;
    uint8_t item;             // item number within its command
    const char* mismatchName;
};
extern const TSettingKeyDef kSettingKeys[kSettingKeyCount];

// Per primary mode: the section mode and the keys the mode uses.
struct TModeSettingsDef {
    int sectionMode;
    std::array<bool, kSettingKeyCount> used;
};
constexpr int kPrimaryModeCount = 5;
extern const TModeSettingsDef kModeSettings[kPrimaryModeCount];

// The row of a primary mode; a mode outside 0..4 is treated as dry material
// (1), the mode a fresh installation starts in.
const TModeSettingsDef& ModeSettings(int primaryMode);
bool ModeUsesKey(int primaryMode, int key);
// Modes whose closed position is the dry zero while the gate is unparked.
bool ModeHasDryZero(int primaryMode);

// "Controller Settings For Mode:%d Board:%d", or without the board part for
// board 0 and for section modes other than 0, 1 and 4.
std::string ControllerSettingsSection(int sectionMode, int board);
std::string ControllerSettingsSectionForMode(int primaryMode, int board);

// One value per key.
using TBoardSettings = std::array<int, kSettingKeyCount>;
TBoardSettings DefaultBoardSettings();

// Texts of the settings edits of the "Configuration" page, by key (the two
// check-box keys are not read from texts).
using TSettingsTexts = std::array<std::string, kSettingKeyCount>;

// Validates the edit texts in the save order, stopping at the first failure:
// each must be a decimal integer within its range. Keys the mode does not use
// are not validated (their edits are hidden). Returns the failing key, or -1
// with the parsed values in `values`.
int ValidateSettingsTexts(const TSettingsTexts& texts, int primaryMode, TBoardSettings& values);
// A decimal integer: optional sign, digits, surrounding blanks allowed.
bool ParseDecimal(const std::string& text, int& value);

// The numeric entry of a settings edit: its title name, range and the whole
// digits the entry shows. The dry zero's minimum is the board's reported
// sealed position at the time (1 when unknown); the one here stands in.
struct TSettingEditDef {
    int key;
    const char* name;
    int minimum;
    int maximum;
    int wholeDigits;
};
extern const TSettingEditDef kSettingEdits[9];
const TSettingEditDef* SettingEditDef(int key);
// The entry starts from the edit's integer, else the read-back's, else the
// range's minimum.
int SettingEditStart(const std::string& editText, const std::string& readbackText, int minimum);
// What a confirmed entry leaves in the edit: the value inside the range,
// "!!R!!" (refused by the save) outside it.
std::string SettingEditText(double value, int minimum, int maximum);

// Orders in which the algorithms visit the keys.
extern const std::array<int, kSettingKeyCount> kSettingsReadOrder;
extern const std::array<int, kSettingKeyCount> kSettingsTakeOrder;
// Mismatch names are collected in this order (the dry zero shares the
// minimum's name and is checked with it).
extern const std::array<int, 10> kSettingsCheckOrder;

} // namespace orv
