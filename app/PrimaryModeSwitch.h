#pragma once
#include "control/FiregateNames.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

class IModeHost;
class TBoardDisplays;
class TGpsControl;
class TParkState;
class TRateAdjust;
class TRateLoop;
class TTimerSettings;
struct TModeHooks;
struct TModeState;

// The parts a mode change works with.
struct TModeParts {
    TParkState& park;
    TTimerSettings& timers;
    TGpsControl& gps;
    TRateLoop& loop;
    TRateAdjust& adjust;
    TBoardDisplays& displays;
};

// The mode change: SetPrimaryMode for every mode, the mode's calculated
// quantities and preset, the "Versions" record and the mode's radio button.
class TPrimaryModeSwitch {
public:
    TPrimaryModeSwitch(TModeState& state, IModeHost& host, const TModeHooks& hooks, TModeParts parts);

    // Start: "PrimaryModeID" (1 and written when the section is missing),
    // with its radio button checked.
    void ReadPrimaryMode();
    void WritePrimaryMode();

    // The pilot picked a radio button; returns true when the change chain
    // should start (the controller link is nominal).
    bool RadioGroupPrimaryModeClick(int mode);

    void SetPrimaryMode(uint8_t mode);
    // New calculated quantities for the current mode (the preset goes with
    // the old ones).
    void NewQuantities();
    void WriteVersions();

    // The preset names listed in "PRESETS" of a preset file.
    std::vector<std::string> PresetNames(bool dry) const;
    const TFiregateMaterialList& FiregateMaterials() const { return fMaterials; }

    // Called whenever a new preset is made: the preset's change notification.
    std::function<void()> onPresetChange;

private:
    std::string ModeSection(int mode) const;
    void ReadGateIsDual();
    void ApplyControllerSettings();
    void ConfigureSerialChannels();
    void SetFireGate();
    void SetDryMaterial(uint8_t& pageModeCopy);
    void SetWetSealed();
    void SetMeteringPlate();
    // Every present board to the mode's closed position (the dry zero or the
    // sealed position), sent now.
    void CloseAndSend(bool dryZero);
    void SetSimpleDry();
    void MakePreset(bool dry, const std::string& common, const std::string& name);
    void CloseAllBoards();
    void RestoreBump();

    TModeState& fState;
    IModeHost& fHost;
    const TModeHooks& fHooks;
    TModeParts fParts;
    TFiregateMaterialList fMaterials;
};

} // namespace orv
