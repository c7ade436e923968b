#pragma once
#include "nav/CoordConvert.h"

namespace Ui {
class PageEditPresets;
class PageEditPresetsWet;
} // namespace Ui

namespace orv {

class TAppPreset;

// "Edit Presets": the current dry preset in display units. Presets are made
// and edited in their files; "New Preset" and "Save Preset Edits" do nothing.
class TPageEditPresets {
public:
    explicit TPageEditPresets(Ui::PageEditPresets& ui);
    // Shows the preset (or dashes without one). Call when the page is shown,
    // when the preset changes and when the units change.
    void Show(const TAppPreset* preset, const TDisplayUnits& units);

private:
    Ui::PageEditPresets& fUi;
};

// "Edit Presets Wet": the current fire-gate preset in display units.
class TPageEditPresetsWet {
public:
    explicit TPageEditPresetsWet(Ui::PageEditPresetsWet& ui);
    void Show(const TAppPreset* preset, const TDisplayUnits& units);

private:
    Ui::PageEditPresetsWet& fUi;
};

} // namespace orv
