#pragma once
#include "nav/CoordConvert.h"
#include "ui/UnitSettings.h"

#include <QObject>

#include <functional>

class QComboBox;

namespace Ui {
class PageConfiguration;
}

namespace orv {

class TMemIniFile;

// The "Displayed Units:" panel of the "Configuration" page: four combo boxes
// that set the display unit record and store it in "Selected Units".
class TPageConfigurationUnits {
public:
    // settings gives the window's present "LastSelectedPreset.ini" cache (it
    // may be replaced when the file is stamped); unitLabelChanged runs after
    // a volume choice, so the window refreshes its quantity unit label.
    TPageConfigurationUnits(Ui::PageConfiguration& ui, TDisplayUnits& units, std::function<TMemIniFile*()> settings,
                            std::function<void()> unitLabelChanged);

    // Sets each combo to the record's code; call each time the page is shown
    // and after the record was loaded from the settings file.
    void Show();

    QComboBox* Combo(TUnitChoice which) const;

private:
    void Chosen(TUnitChoice which, int index);

    Ui::PageConfiguration& fUi;
    TDisplayUnits& fUnits;
    std::function<TMemIniFile*()> fSettings;
    std::function<void()> fUnitLabelChanged;
    QObject fContext; // owns the combo connections
    bool fShowing = false;
};

} // namespace orv
