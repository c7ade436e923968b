#include "app/pages/RunPagesView.h"

#include "ui_PageMeteringPlate.h"
#include "ui_PageRunDryMaterial.h"
#include "ui_PageRunGate.h"
#include "ui_PageRunWetSealed.h"
#include "ui_PageSelectPrimaryMode.h"

#include <QCheckBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace orv {
namespace {

struct Pages {
    Pages()
    {
        gate.setupUi(&gateSheet);
        dry.setupUi(&drySheet);
        select.setupUi(&selectSheet);
        wet.setupUi(&wetSheet);
        metering.setupUi(&meteringSheet);
        sheets[pgRunGate] = &gateSheet;
        sheets[pgRunDryMaterial] = &drySheet;
        sheets[pgSelectPrimaryMode] = &selectSheet;
        sheets[pgRunWetSealed] = &wetSheet;
        sheets[pgMeteringPlate] = &meteringSheet;
    }
    QWidget gateSheet, drySheet, selectSheet, wetSheet, meteringSheet;
    Ui::PageRunGate gate;
    Ui::PageRunDryMaterial dry;
    Ui::PageSelectPrimaryMode select;
    Ui::PageRunWetSealed wet;
    Ui::PageMeteringPlate metering;
    std::array<QWidget*, kPageCount> sheets{};
};

TEST(RunPagesView, EveryControlIsOnItsPage)
{
    Pages p;
    TRunPagesView view(p.sheets, nullptr);
    for (int c = 0; c < rcRunControlCount; ++c)
        EXPECT_NE(view.Widget(static_cast<TRunControl>(c)), nullptr) << "control " << c;
}

TEST(RunPagesView, DrySubPagesInTheirOrder)
{
    Pages p;
    const char* titles[] = {"Current", "Tweak:", "System:", "App Info", "Park", "Simple",
                            "Adjust Job", "Zero Load", "Adjust Cleanup", "Confirm Action"};
    ASSERT_EQ(p.dry.bsPageControlRunDry->count(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(p.dry.bsPageControlRunDry->tabText(i).toStdString(), titles[i]);
    const char* gate[] = {"Current", "System", "Tweek", "Foaming"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(p.gate.bsPageControlRunGate->tabText(i).toStdString(), gate[i]);
    EXPECT_EQ(p.select.RadioGroupPrimaryMode->title().toStdString(), "Primary Mode of Operation:");
    EXPECT_EQ(p.select.RadioButtonSimpleDry->text().toStdString(), "Simple Dry Material");
}

TEST(RunPagesView, PilotActionsReachTheHandlerButProgramChangesDoNot)
{
    Pages p;
    std::vector<std::pair<TRunAction, int>> actions;
    TRunPagesView view(p.sheets, [&](TRunAction a, int v) { actions.push_back({a, v}); });

    view.SetValue(rcDryBumpSlider, 120);
    view.SetChecked(rcDryAutoBump, true);
    EXPECT_TRUE(actions.empty());
    EXPECT_EQ(view.Value(rcDryBumpSlider), 120);

    p.select.RadioButtonWetSealed->click();
    p.dry.bsButtonSimpleStep4->click();
    p.dry.bsCheckBoxGpsSpeedRunDry->click();
    p.dry.bsSliderBump->setValue(130);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(p.dry.LabelRateValueRunDry, &press);
    const std::vector<std::pair<TRunAction, int>> expected = {
        {raModeRadio, 2}, {raSimpleStep, 4}, {raGpsSpeedCheck, 1}, {raBumpSlider, 130}, {raRateClick, 0}};
    EXPECT_EQ(actions, expected);
}

TEST(RunPagesView, GaugeTextsAndColours)
{
    Pages p;
    TRunPagesView view(p.sheets, nullptr);
    view.SetText(rcDryOpeningGauge, "Gate: 50% open");
    EXPECT_EQ(view.Text(rcDryOpeningGauge), "Gate: 50% open");
    EXPECT_EQ(p.dry.bsGaugeDryOpening->text().toStdString(), "Gate: 50% open");
    view.SetValue(rcDryOpeningGauge, 2000);
    EXPECT_EQ(view.Value(rcDryOpeningGauge), 1000);
    view.SetColour(rcDryBanner, TViewColour::Green);
    EXPECT_NE(p.dry.bsLabelGateBannerRunDry->styleSheet().indexOf("#00FF00"), -1);
    view.ShowSheet(rcDryPages, dsPark);
    EXPECT_EQ(view.Sheet(rcDryPages), dsPark);
    view.SetItems(rcDryPresetCombo, {"Urea", "Seed"}, 1);
    EXPECT_EQ(view.Text(rcDryPresetCombo), "Seed");
}

} // namespace
} // namespace orv
