#include "app/pages/PageConfigurationUnits.h"
#include "app/pages/PageEditPresets.h"
#include "control/AppPreset.h"
#include "control/CalculatedQuantities.h"
#include "store/IniFile.h"
#include "tests/control/PresetFiles.h"
#include "tests/support/TempDir.h"
#include "ui_PageConfiguration.h"
#include "ui_PageEditPresets.h"
#include "ui_PageEditPresetsWet.h"

#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

class PresetPagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.Write("DryMaterialPresets.ini", test::kDryPresets);
        dir.Write("FiregatePresets.ini", test::kFiregatePresets);
    }

    test::TempDir dir;
    TDisplayUnits units; // feet, knots, acres, US gallons, pounds
};

TEST_F(PresetPagesTest, DryPageShowsThePresetInDisplayUnits)
{
    QWidget sheet;
    Ui::PageEditPresets ui;
    ui.setupUi(&sheet);
    TPageEditPresets page(ui);
    page.Show(nullptr, units);
    EXPECT_EQ(ui.bsLabelAppRateValue->text(), "-");

    TCalculatedQuantities q(pmDryMaterial, dir.Path(), units);
    TAppPreset p(true, &q, units, pmDryMaterial, dir.Path(), "Wheat", "Wheat");
    page.Show(&p, units);
    EXPECT_EQ(ui.bsLabelPresetName->text(), "Wheat");
    EXPECT_EQ(ui.bsLabelAppRateValue->text(), "100 lbs/ac");
    EXPECT_EQ(ui.bsLabelSwathWidthValue->text(), "50 ft");
    EXPECT_EQ(ui.bsLabelFixedSpeedValue->text(), "120 kts");
    EXPECT_EQ(ui.bsLabelFullTankValue->text(), "2000 lb");
    EXPECT_EQ(ui.bsLabelMaxFlowValue->text(), "44 lb/s");
    EXPECT_EQ(ui.bsLabelMaxOpeningValue->text(), "4 in.");
    EXPECT_EQ(ui.bsLabelPresetValid->text(), "Valid");
    ASSERT_EQ(ui.bsTableCalibrationCurve->rowCount(), 2);
    EXPECT_EQ(ui.bsTableCalibrationCurve->item(1, 0)->text(), "1.000");
    EXPECT_EQ(ui.bsTableCalibrationCurve->item(1, 1)->text(), "1.00000");

    TDisplayUnits metric;
    metric.length = 1;
    metric.speed = 3;
    metric.area = 1;
    metric.volume = 2;
    metric.mass = 1;
    page.Show(&p, metric);
    EXPECT_EQ(ui.bsLabelAppRateValue->text(), "112.1 kg/ha");
    EXPECT_EQ(ui.bsLabelSwathWidthValue->text(), "15.2 m");
    EXPECT_EQ(ui.bsLabelFixedSpeedValue->text(), "222.2 kph"); // 61.733 m/s
    EXPECT_EQ(ui.bsLabelFullTankValue->text(), "907.2 kg");
    EXPECT_EQ(ui.bsLabelMaxOpeningValue->text(), "10.2 cm");
}

TEST_F(PresetPagesTest, WetPageShowsMaterialLevelLeakageAndTweak)
{
    QWidget sheet;
    Ui::PageEditPresetsWet ui;
    ui.setupUi(&sheet);
    TPageEditPresetsWet page(ui);
    TCalculatedQuantities q(pmFireGate, dir.Path(), units);
    TAppPreset p(false, &q, units, pmFireGate, dir.Path(), "COMMON", "WATER Level 5.0");
    page.Show(&p, units);
    EXPECT_EQ(ui.bsLabelWetPresetName->text(), "WATER Level 5.0");
    EXPECT_EQ(ui.bsLabelWetMaterial->text(), "WATER");
    EXPECT_EQ(ui.bsLabelWetLevel->text(), "5.0");
    EXPECT_EQ(ui.bsLabelWetAppRateValue->text(), "2178 gal/ac");
    EXPECT_EQ(ui.bsLabelWetFullTankValue->text(), "528 gal");
    EXPECT_EQ(ui.bsLabelWetMaxFlowValue->text(), "600 gal/s");
    EXPECT_EQ(ui.bsLabelWetMaxLeakageValue->text(), "3.5%");
    EXPECT_EQ(ui.bsLabelWetRateTweakValue->text(), "10%");
    EXPECT_EQ(ui.bsTableWetCalibrationCurve->rowCount(), 2);

    TAppPreset invalid(false, &q, units, pmFireGate, dir.Path(), "COMMON", "RETARDANT Level 2.0");
    page.Show(&invalid, units);
    EXPECT_EQ(ui.bsLabelWetPresetValid->text(), "PRESET FILE NOT VALID!!!");
    EXPECT_EQ(ui.bsLabelWetAppRateValue->text(), "871 gal/ac"); // 8149.17 L/ha
}

class ConfigurationUnitsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui.setupUi(&sheet);
        settings = std::make_unique<TMemIniFile>(dir.File("LastSelectedPreset.ini"));
        page = std::make_unique<TPageConfigurationUnits>(
            ui, units, [this] { return settings.get(); }, [this] { ++labelRefreshes; });
    }

    test::TempDir dir;
    QWidget sheet;
    Ui::PageConfiguration ui;
    TDisplayUnits units;
    std::unique_ptr<TMemIniFile> settings;
    std::unique_ptr<TPageConfigurationUnits> page;
    int labelRefreshes = 0;
};

TEST_F(ConfigurationUnitsTest, CombosListTheUnitsInCodeOrder)
{
    ASSERT_EQ(ui.bsComboBoxSpeedUnits->count(), 4);
    EXPECT_EQ(ui.bsComboBoxSpeedUnits->itemText(3), "KPH");
    ASSERT_EQ(ui.bsComboBoxLengthUnits->count(), 3);
    EXPECT_EQ(ui.bsComboBoxLengthUnits->itemText(2), "US Survey Feet");
    ASSERT_EQ(ui.bsComboBoxAreaUnits->count(), 2);
    EXPECT_EQ(ui.bsComboBoxAreaUnits->itemText(1), "Hectares");
    ASSERT_EQ(ui.bsComboBoxVolumeUnits->count(), 3);
    EXPECT_EQ(ui.bsComboBoxVolumeUnits->itemText(0), "LBS, US Gallons");
}

TEST_F(ConfigurationUnitsTest, ShowingSetsTheCombosWithoutWriting)
{
    units.speed = 3;
    units.length = 1;
    units.area = 1;
    units.volume = 2;
    page->Show();
    EXPECT_EQ(ui.bsComboBoxSpeedUnits->currentIndex(), 3);
    EXPECT_EQ(ui.bsComboBoxLengthUnits->currentIndex(), 1);
    EXPECT_EQ(ui.bsComboBoxAreaUnits->currentIndex(), 1);
    EXPECT_EQ(ui.bsComboBoxVolumeUnits->currentIndex(), 2);
    EXPECT_FALSE(settings->SectionExists("Selected Units"));
    EXPECT_EQ(labelRefreshes, 0);
}

TEST_F(ConfigurationUnitsTest, ChoosingAUnitStoresAndSavesIt)
{
    page->Show();
    ui.bsComboBoxVolumeUnits->setCurrentIndex(2);
    EXPECT_EQ(units.volume, 2);
    EXPECT_EQ(units.mass, 1);
    EXPECT_EQ(labelRefreshes, 1);
    ui.bsComboBoxSpeedUnits->setCurrentIndex(1);
    EXPECT_EQ(units.speed, 1);
    EXPECT_EQ(labelRefreshes, 1);
    TMemIniFile onDisk(dir.File("LastSelectedPreset.ini"));
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Volume Units", -1), 2);
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Mass Units", -1), 1);
    EXPECT_EQ(onDisk.ReadInteger("Selected Units", "Speed Units", -1), 1);
    ui.bsComboBoxLengthUnits->setCurrentIndex(-1); // nothing selected: ignored
    EXPECT_EQ(units.length, 0);
}

} // namespace
} // namespace orv
