#include "control/PresetChanger.h"

#include "control/CalculatedQuantities.h"
#include "control/FiregateNames.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/Log.h"

namespace orv {

const char* const TPresetChanger::kMaterialQuestion =
    "Are you SURE you want to zero everything and CHANGE THE MATERIAL?";

namespace {

std::string ModeSection(int mode)
{
    return Format("Controller Settings for Mode:%d", mode);
}

// Clears the flag however the change ends.
class TChangingScope {
public:
    explicit TChangingScope(bool& flag) : fFlag(flag) { fFlag = true; }
    ~TChangingScope() { fFlag = false; }

private:
    bool& fFlag;
};

} // namespace

TPresetChanger::TPresetChanger(TPresetHost host, TPresetHooks hooks) : fHost(std::move(host)), fHooks(std::move(hooks))
{
}

std::string TPresetChanger::SelectionCaption(uint8_t primaryMode)
{
    switch (primaryMode) {
    case pmFireGate:
        return "Selected Fire Gate Preset:";
    case pmWetSealed:
        return "Wet Sealed:";
    case pmMeteringPlate:
        return "Metering Plate:";
    default:
        return "Selected Dry Preset:"; // dry material and simple dry share the run page
    }
}

TPresetSelection TPresetChanger::SelectPreset()
{
    const uint8_t mode = fHost.primaryMode();
    TPresetSelection s;
    s.caption = SelectionCaption(mode);
    s.zeroTimeDelay = mode == pmFireGate;
    const bool named = mode == pmFireGate || mode == pmDryMaterial || mode == pmSimpleDry;
    s.presetName = named && Preset() ? Preset()->SectionName() : std::string();
    fHost.settings->WriteString(ModeSection(mode), "Current Preset", s.presetName);
    fHost.settings->UpdateFile();
    TCalculatedQuantities* q = fHost.quantities();
    s.dialText = Format("Dial Value: %.1F", q ? q->DialValue() : 0.0);
    if (fHooks.showSelection)
        fHooks.showSelection(s);
    return s;
}

void TPresetChanger::ChangeFiregateLevel(const std::string& material, const std::string& levelText)
{
    TCalculatedQuantities* q = fHost.quantities();
    if (!q || fChanging)
        return;
    TChangingScope changing(fChanging);
    Log("Preset Level Change");
    const std::string name = FiregatePresetName(material, levelText);
    const float level = FiregateLevel(name);

    // The load in the tank counts as used up by the change.
    q->Figures().presentTankDispersed = q->Figures().presentFullTank;
    Call(fHooks.refreshTankDisplay);

    Preset().reset();
    Preset() = std::make_unique<TAppPreset>(false, q, *fHost.units, fHost.primaryMode(), fHost.iniDirectory,
                                            "COMMON", name);
    q->SetCoverageLevel(level);
    Preset()->SetOnChange(fHost.onPresetChanged);
    q->AttachPreset(Preset().get());

    fHost.settings->WriteString(ModeSection(0), "Current Preset", name);
    fHost.settings->UpdateFile();

    SelectPreset();
    // In L/ha as the level defines it: a trip through the display units could
    // only lose precision.
    Preset()->SetAppRateSI(FiregateLevelRate(level));
    q->Recompute();
    Call(fHooks.refreshSwathDisplay);
    Call(fHooks.applyTimerSettings);
}

bool TPresetChanger::RequestDryMaterialChange(const std::string& presetName)
{
    if (fChanging || presetName.empty() || !fHost.quantities())
        return false;
    if (Preset() && SameText(Preset()->SectionName(), presetName))
        return false; // a yes would empty a full tank for nothing
    if (!fHooks.askConfirmation) {
        ChangeDryMaterial(presetName);
        return true;
    }
    fHooks.askConfirmation(
        kMaterialQuestion, [this, presetName] { ChangeDryMaterial(presetName); },
        [this] {
            Call(fHooks.returnToPreviousPage);
            if (fHooks.showPresetInUse)
                fHooks.showPresetInUse(Preset() ? Preset()->SectionName() : std::string());
        });
    return true;
}

void TPresetChanger::ChangeDryMaterial(const std::string& presetName)
{
    TCalculatedQuantities* q = fHost.quantities();
    if (!q || fChanging)
        return;
    TChangingScope changing(fChanging);
    Call(fHooks.zeroJob);
    q->Figures().presentFullTank = 0;
    Call(fHooks.refreshTankDisplay);

    Preset().reset();
    Preset() = std::make_unique<TAppPreset>(true, q, *fHost.units, fHost.primaryMode(), fHost.iniDirectory,
                                            presetName, presetName);
    Preset()->SetOnChange(fHost.onPresetChanged);
    q->AttachPreset(Preset().get());
    fHost.settings->WriteString(ModeSection(1), "Current Preset", Preset()->SectionName());
    Call(fHooks.backupSettings);

    SelectPreset();
    Call(fHooks.refreshSwathDisplay);
    Call(fHooks.refreshFullTankDisplay);
    Call(fHooks.refreshRateDisplay);
    Call(fHooks.applyTimerSettings);
}

} // namespace orv
