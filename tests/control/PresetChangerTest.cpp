#include "control/PresetChanger.h"

#include "control/CalculatedQuantities.h"
#include "store/IniFile.h"
#include "tests/control/PresetFiles.h"
#include "tests/support/TempDir.h"
#include "ui/UnitFormat.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orv {
namespace {

class PresetChangerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.Write("DryMaterialPresets.ini", test::kDryPresets);
        dir.Write("FiregatePresets.ini", test::kFiregatePresets);
        settings = std::make_unique<TMemIniFile>(dir.File("LastSelectedPreset.ini"));
    }

    TPresetChanger Changer()
    {
        TPresetHost host;
        host.preset = &preset;
        host.quantities = [this] { return q.get(); };
        host.units = &units;
        host.settings = settings.get();
        host.iniDirectory = dir.Path();
        host.primaryMode = [this] { return mode; };
        host.onPresetChanged = [this] { ++notifications; };
        TPresetHooks hooks;
        hooks.askConfirmation = [this](const std::string& question, std::function<void()> yes,
                                       std::function<void()> no) {
            questions.push_back(question);
            confirm = std::move(yes);
            refuse = std::move(no);
        };
        hooks.zeroJob = [this] { calls.push_back("zeroJob"); };
        hooks.backupSettings = [this] { calls.push_back("backup"); };
        hooks.returnToPreviousPage = [this] { calls.push_back("previous"); };
        hooks.refreshTankDisplay = [this] { calls.push_back("tank"); };
        hooks.applyTimerSettings = [this] { calls.push_back("timer"); };
        hooks.showSelection = [this](const TPresetSelection& s) { shown.push_back(s); };
        hooks.showPresetInUse = [this](const std::string& name) { inUse.push_back(name); };
        return TPresetChanger(std::move(host), std::move(hooks));
    }

    test::TempDir dir;
    TDisplayUnits units; // US gallons
    uint8_t mode = pmDryMaterial;
    std::unique_ptr<TMemIniFile> settings;
    std::unique_ptr<TCalculatedQuantities> q;
    std::unique_ptr<TAppPreset> preset;
    std::vector<std::string> questions;
    std::vector<std::string> calls;
    std::vector<TPresetSelection> shown;
    std::vector<std::string> inUse;
    std::function<void()> confirm;
    std::function<void()> refuse;
    int notifications = 0;
};

TEST_F(PresetChangerTest, SelectingWritesTheCurrentPresetOfTheMode)
{
    q = std::make_unique<TCalculatedQuantities>(pmDryMaterial, dir.Path(), units);
    preset = std::make_unique<TAppPreset>(true, q.get(), units, pmDryMaterial, dir.Path(), "Urea", "Urea");
    TPresetChanger changer = Changer();
    const TPresetSelection s = changer.SelectPreset();
    EXPECT_EQ(s.caption, "Selected Dry Preset:");
    EXPECT_EQ(s.dialText, "Dial Value: 0.0");
    EXPECT_FALSE(s.zeroTimeDelay);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(TMemIniFile(dir.File("LastSelectedPreset.ini"))
                  .ReadString("Controller Settings for Mode:1", "Current Preset", ""),
              "Urea");

    mode = pmMeteringPlate;
    EXPECT_EQ(changer.SelectPreset().caption, "Metering Plate:");
    EXPECT_TRUE(TMemIniFile(dir.File("LastSelectedPreset.ini"))
                    .ValueExists("Controller Settings for Mode:3", "Current Preset"));
    EXPECT_EQ(TMemIniFile(dir.File("LastSelectedPreset.ini"))
                  .ReadString("Controller Settings for Mode:3", "Current Preset", "x"),
              "");
    EXPECT_EQ(TPresetChanger::SelectionCaption(pmFireGate), "Selected Fire Gate Preset:");
    EXPECT_EQ(TPresetChanger::SelectionCaption(pmWetSealed), "Wet Sealed:");
}

TEST_F(PresetChangerTest, FiregateLevelChange)
{
    mode = pmFireGate;
    q = std::make_unique<TCalculatedQuantities>(pmFireGate, dir.Path(), units);
    preset = std::make_unique<TAppPreset>(false, q.get(), units, pmFireGate, dir.Path(), "COMMON", "RETARDANT Level 2.0");
    q->Figures().presentFullTank = 1800;
    TPresetChanger changer = Changer();
    changer.ChangeFiregateLevel("WATER", "5.0");
    ASSERT_TRUE(preset);
    EXPECT_EQ(preset->SectionName(), "WATER Level 5.0");
    EXPECT_EQ(q->Preset(), preset.get());
    EXPECT_EQ(q->Figures().presentTankDispersed, 1800); // the load counts as used
    EXPECT_FLOAT_EQ(q->CoverageLevel(), 5);
    // The level's rate, 20372.9 L/ha (2178.0 US gallons per acre).
    EXPECT_NEAR(preset->AppRateSI(), 20372.91665, 0.01);
    EXPECT_GE(notifications, 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Selected Fire Gate Preset:");
    EXPECT_TRUE(shown[0].zeroTimeDelay);
    TMemIniFile file(dir.File("LastSelectedPreset.ini"));
    EXPECT_EQ(file.ReadString("Controller Settings for Mode:0", "Current Preset", ""), "WATER Level 5.0");
    EXPECT_NEAR(TMemIniFile(dir.File("FiregatePresets.ini")).ReadFloat("WATER Level 5.0 CONSTANTS", "LastAppRate", 0),
                2178.0, 0.01);
    EXPECT_EQ(calls, (std::vector<std::string>{"tank", "timer"}));
}

TEST_F(PresetChangerTest, DryMaterialChangeAsksFirstAndChangesOnConfirmation)
{
    q = std::make_unique<TCalculatedQuantities>(pmDryMaterial, dir.Path(), units);
    preset = std::make_unique<TAppPreset>(true, q.get(), units, pmDryMaterial, dir.Path(), "Urea", "Urea");
    q->Figures().presentFullTank = 900;
    TPresetChanger changer = Changer();
    ASSERT_TRUE(changer.RequestDryMaterialChange("Wheat"));
    ASSERT_EQ(questions, std::vector<std::string>{"Are you SURE you want to zero everything and CHANGE THE MATERIAL?"});
    EXPECT_EQ(preset->SectionName(), "Urea"); // nothing yet
    confirm();
    EXPECT_EQ(preset->SectionName(), "Wheat");
    EXPECT_EQ(q->Preset(), preset.get());
    EXPECT_EQ(q->Figures().presentFullTank, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"zeroJob", "tank", "backup", "timer"}));
    EXPECT_EQ(TMemIniFile(dir.File("LastSelectedPreset.ini"))
                  .ReadString("Controller Settings for Mode:1", "Current Preset", ""),
              "Wheat");
    preset->SetMaxLeakage(3); // the new preset notifies the window
    EXPECT_GE(notifications, 1);
}

TEST_F(PresetChangerTest, RefusalChangesNothing)
{
    q = std::make_unique<TCalculatedQuantities>(pmDryMaterial, dir.Path(), units);
    preset = std::make_unique<TAppPreset>(true, q.get(), units, pmDryMaterial, dir.Path(), "Urea", "Urea");
    TPresetChanger changer = Changer();
    ASSERT_TRUE(changer.RequestDryMaterialChange("Wheat"));
    refuse();
    EXPECT_EQ(preset->SectionName(), "Urea");
    EXPECT_EQ(calls, std::vector<std::string>{"previous"});
    EXPECT_EQ(inUse, std::vector<std::string>{"Urea"}) << "the combo goes back to the material in use";
    EXPECT_FALSE(settings->SectionExists("Controller Settings for Mode:1"));
}

TEST_F(PresetChangerTest, ChoosingTheMaterialInUseAsksNothingAndKeepsTheTank)
{
    q = std::make_unique<TCalculatedQuantities>(pmDryMaterial, dir.Path(), units);
    preset = std::make_unique<TAppPreset>(true, q.get(), units, pmDryMaterial, dir.Path(), "Urea", "Urea");
    q->Figures().presentFullTank = 900;
    TAppPreset* before = preset.get();
    TPresetChanger changer = Changer();
    EXPECT_FALSE(changer.RequestDryMaterialChange("Urea"));
    EXPECT_FALSE(changer.RequestDryMaterialChange("UREA")); // preset names are INI sections
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(preset.get(), before);
    EXPECT_EQ(q->Figures().presentFullTank, 900);
}

// A level's rate is litres per hectare by definition; the display units only
// show it.
TEST_F(PresetChangerTest, FiregateLevelRateIsStoredInLitresPerHectareWhateverTheUnits)
{
    mode = pmFireGate;
    const struct {
        uint8_t area, volume;
        const char* shown;
    } cases[] = {{0, 0, "2178 gal/ac"}, {0, 1, "1814 gal/ac"}, {0, 2, "2178 gal/ac"},
                 {1, 0, "20372.9 L/ha"}, {1, 2, "20372.9 L/ha"}};
    for (const auto& c : cases) {
        units = TDisplayUnits{};
        units.area = c.area;
        units.volume = c.volume;
        units.mass = c.volume == 2 ? 1 : 0;
        dir.Write("FiregatePresets.ini", test::kFiregatePresets);
        q = std::make_unique<TCalculatedQuantities>(pmFireGate, dir.Path(), units);
        preset = std::make_unique<TAppPreset>(false, q.get(), units, pmFireGate, dir.Path(), "COMMON",
                                              "RETARDANT Level 2.0");
        TPresetChanger changer = Changer();
        changer.ChangeFiregateLevel("WATER", "5.0");
        const std::string what = "area " + std::to_string(c.area) + ", volume " + std::to_string(c.volume);
        EXPECT_NEAR(preset->AppRateSI(), 20372.91665, 0.01) << what;
        EXPECT_EQ(FormatRate(false, preset->AppRateSI(), units), c.shown) << what;
        // The WATER section is in US gallons per acre.
        EXPECT_NEAR(TMemIniFile(dir.File("FiregatePresets.ini")).ReadFloat("WATER Level 5.0 CONSTANTS", "LastAppRate", 0),
                    2178.0, 0.01)
            << what;
        preset.reset();
    }
}

TEST_F(PresetChangerTest, RequestsAreIgnoredWithoutQuantitiesOrAName)
{
    TPresetChanger changer = Changer();
    EXPECT_FALSE(changer.RequestDryMaterialChange("Wheat")); // no calculated quantities
    q = std::make_unique<TCalculatedQuantities>(pmDryMaterial, dir.Path(), units);
    EXPECT_FALSE(changer.RequestDryMaterialChange(""));
    EXPECT_TRUE(questions.empty());
}

} // namespace
} // namespace orv
