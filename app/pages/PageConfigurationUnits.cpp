#include "app/pages/PageConfigurationUnits.h"

#include "store/IniFile.h"
#include "store/Log.h"
#include "ui/Units.h"
#include "ui_PageConfiguration.h"

#include <QComboBox>

namespace orv {

namespace {

template <class Table>
void Fill(QComboBox& combo, const Table& table)
{
    combo.clear();
    for (const auto& unit : table)
        combo.addItem(QString::fromUtf8(unit.comboText));
}

} // namespace

TPageConfigurationUnits::TPageConfigurationUnits(Ui::PageConfiguration& ui, TDisplayUnits& units,
                                                 std::function<TMemIniFile*()> settings,
                                                 std::function<void()> unitLabelChanged)
    : fUi(ui), fUnits(units), fSettings(std::move(settings)), fUnitLabelChanged(std::move(unitLabelChanged))
{
    fShowing = true;
    Fill(*fUi.bsComboBoxSpeedUnits, kSpeedUnits);
    Fill(*fUi.bsComboBoxLengthUnits, kLengthUnits);
    Fill(*fUi.bsComboBoxAreaUnits, kAreaUnits);
    Fill(*fUi.bsComboBoxVolumeUnits, kVolumeUnits);
    fShowing = false;
    for (const TUnitChoice which : {ucSpeed, ucLength, ucArea, ucVolume}) {
        QObject::connect(Combo(which), &QComboBox::currentIndexChanged, &fContext,
                         [this, which](int index) { Chosen(which, index); });
    }
}

QComboBox* TPageConfigurationUnits::Combo(TUnitChoice which) const
{
    switch (which) {
    case ucSpeed:
        return fUi.bsComboBoxSpeedUnits;
    case ucLength:
        return fUi.bsComboBoxLengthUnits;
    case ucArea:
        return fUi.bsComboBoxAreaUnits;
    case ucVolume:
        return fUi.bsComboBoxVolumeUnits;
    }
    return nullptr;
}

void TPageConfigurationUnits::Show()
{
    fShowing = true;
    for (const TUnitChoice which : {ucSpeed, ucLength, ucArea, ucVolume})
        Combo(which)->setCurrentIndex(UnitChoiceCode(fUnits, which));
    fShowing = false;
}

void TPageConfigurationUnits::Chosen(TUnitChoice which, int index)
{
    if (fShowing || index < 0)
        return;
    TMemIniFile* settings = fSettings ? fSettings() : nullptr;
    if (!settings)
        return;
    try {
        if (!StoreUnitChoice(*settings, fUnits, which, index))
            return;
    } catch (const std::exception& e) {
        // The choice holds for this run; the file keeps the old one.
        Log("Display units not saved: %s", e.what());
    }
    if (which == ucVolume && fUnitLabelChanged)
        fUnitLabelChanged();
}

} // namespace orv
