#include "app/pages/PageEditPresets.h"

#include "app/pages/PresetTexts.h"
#include "control/AppPreset.h"
#include "ui_PageEditPresets.h"
#include "ui_PageEditPresetsWet.h"

#include <QTableWidget>

namespace orv {

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

void FillCurve(QTableWidget& table, const TPresetTexts* texts)
{
    table.setRowCount(0);
    if (!texts)
        return;
    table.setRowCount(static_cast<int>(texts->curve.size()));
    int row = 0;
    for (const auto& [opening, flow] : texts->curve) {
        table.setItem(row, 0, new QTableWidgetItem(Q(opening)));
        table.setItem(row, 1, new QTableWidgetItem(Q(flow)));
        ++row;
    }
}

} // namespace

TPageEditPresets::TPageEditPresets(Ui::PageEditPresets& ui) : fUi(ui)
{
}

void TPageEditPresets::Show(const TAppPreset* preset, const TDisplayUnits& units)
{
    const TPresetTexts t = preset ? PresetTexts(*preset, units) : TPresetTexts{};
    const auto text = [&](const std::string& s) { return preset ? Q(s) : QStringLiteral("-"); };
    fUi.bsLabelPresetName->setText(text(t.name));
    fUi.bsLabelAppRateValue->setText(text(t.appRate));
    fUi.bsLabelCleanupRateValue->setText(text(t.cleanupRate));
    fUi.bsLabelSwathWidthValue->setText(text(t.swathWidth));
    fUi.bsLabelFixedSpeedValue->setText(text(t.fixedSpeed));
    fUi.bsLabelFullTankValue->setText(text(t.fullTank));
    fUi.bsLabelMaxFlowValue->setText(text(t.maxFlow));
    fUi.bsLabelMaxOpeningValue->setText(text(t.maxOpening));
    fUi.bsLabelPresetValid->setText(text(t.valid));
    FillCurve(*fUi.bsTableCalibrationCurve, preset ? &t : nullptr);
}

TPageEditPresetsWet::TPageEditPresetsWet(Ui::PageEditPresetsWet& ui) : fUi(ui)
{
}

void TPageEditPresetsWet::Show(const TAppPreset* preset, const TDisplayUnits& units)
{
    const TPresetTexts t = preset ? PresetTexts(*preset, units) : TPresetTexts{};
    const auto text = [&](const std::string& s) { return preset ? Q(s) : QStringLiteral("-"); };
    fUi.bsLabelWetPresetName->setText(text(t.name));
    fUi.bsLabelWetMaterial->setText(text(t.material));
    fUi.bsLabelWetLevel->setText(text(t.level));
    fUi.bsLabelWetAppRateValue->setText(text(t.appRate));
    fUi.bsLabelWetSwathWidthValue->setText(text(t.swathWidth));
    fUi.bsLabelWetFixedSpeedValue->setText(text(t.fixedSpeed));
    fUi.bsLabelWetFullTankValue->setText(text(t.fullTank));
    fUi.bsLabelWetMaxFlowValue->setText(text(t.maxFlow));
    fUi.bsLabelWetMaxLeakageValue->setText(text(t.maxLeakage));
    fUi.bsLabelWetRateTweakValue->setText(text(t.rateTweak));
    fUi.bsLabelWetPresetValid->setText(text(t.valid));
    FillCurve(*fUi.bsTableWetCalibrationCurve, preset ? &t : nullptr);
}

} // namespace orv
