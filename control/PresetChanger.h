#pragma once
#include "control/AppPreset.h"

#include <functional>
#include <memory>
#include <string>

namespace orv {

class TCalculatedQuantities;
class TMemIniFile;

// What the page shows after a preset was made current.
struct TPresetSelection {
    std::string caption;   // "Selected Dry Preset:" …
    std::string presetName;
    std::string dialText;  // "Dial Value: %.1F"
    bool zeroTimeDelay = false; // fire gate: the wanted time delay of the timer settings is 0
};

// The main window's objects a preset change works on. The window owns them;
// the functions give the present ones, as they are remade at mode changes.
struct TPresetHost {
    std::unique_ptr<TAppPreset>* preset = nullptr;        // the window's current preset
    std::function<TCalculatedQuantities*()> quantities;  // may return nullptr
    const TDisplayUnits* units = nullptr;
    TMemIniFile* settings = nullptr;                      // "LastSelectedPreset.ini"
    std::string iniDirectory;
    std::function<uint8_t()> primaryMode;
    std::function<void()> onPresetChanged;                // every new preset's change notification
};

// The window's work around a preset change; every hook is optional.
struct TPresetHooks {
    // Shows the question on the confirmation sheet; calls confirm or refuse.
    std::function<void(const std::string& question, std::function<void()> confirm, std::function<void()> refuse)>
        askConfirmation;
    std::function<void()> zeroJob;            // as "New Job" does, with its own question
    std::function<void()> backupSettings;     // INI backup of "LastSelectedPreset.ini"
    std::function<void()> returnToPreviousPage;
    // After a refused change: the preset combo shows the material in use again.
    std::function<void(const std::string& presetName)> showPresetInUse;
    std::function<void()> refreshTankDisplay;
    std::function<void()> refreshSwathDisplay;
    std::function<void()> refreshFullTankDisplay;
    std::function<void()> refreshRateDisplay;
    std::function<void()> applyTimerSettings;
    std::function<void(const TPresetSelection&)> showSelection;
};

// Making a preset current: the selection of a preset for a mode, the fire-gate
// level change and the dry material change.
class TPresetChanger {
public:
    TPresetChanger(TPresetHost host, TPresetHooks hooks);

    // Writes "Current Preset" for the mode, saves, and returns (and shows)
    // the caption and dial text.
    TPresetSelection SelectPreset();

    // The pilot chose another level of a fire-gate material.
    void ChangeFiregateLevel(const std::string& material, const std::string& levelText);

    // The pilot chose an entry of the dry preset combo box. Asks for
    // confirmation; false when the request was ignored (a change is under
    // way, nothing is chosen, no calculated quantities exist, or the entry is
    // the material in use: choosing it again changes nothing).
    bool RequestDryMaterialChange(const std::string& presetName);
    bool ChangeInProgress() const { return fChanging; }

    static std::string SelectionCaption(uint8_t primaryMode);
    static const char* const kMaterialQuestion;

private:
    void ChangeDryMaterial(const std::string& presetName);
    std::unique_ptr<TAppPreset>& Preset() { return *fHost.preset; }
    static void Call(const std::function<void()>& f)
    {
        if (f)
            f();
    }

    TPresetHost fHost;
    TPresetHooks fHooks;
    bool fChanging = false;
};

} // namespace orv
