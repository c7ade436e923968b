// The "Run Dry Material" page of the real window against orvane-sim: the
// application rate a guidance system sends, the calibration tweak and the
// bump, and the material combo.
#include "app/ModeController.h"
#include "control/AppPreset.h"
#include "control/CalculatedQuantities.h"
#include "nav/GpsSource.h"
#include "nav/PeloCom.h"
#include "store/IniFile.h"
#include "tests/app/pages/WindowPageSupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTabBar>

#include <fstream>

namespace orv {
namespace {

using test::Click;
using test::Find;

constexpr const char* kSettings = "LastSelectedPreset.ini";
constexpr const char* kPresets = "DryMaterialPresets.ini";

// An armed gate under CAN control with the pilot switch on, at port 2.
std::vector<std::string> ArmedGate(std::vector<std::string> extra = {})
{
    std::vector<std::string> args = {"--link", "usbcan", "--port", "2", "--status-rate", "10",
                                     "--run", "board 0 armed on", "--run", "board 0 cancontrol on",
                                     "--run", "board 0 pilot on"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// A section added behind the program's back survives only while the program
// does not write the file again.
void MarkFile(const std::string& path)
{
    std::ofstream(path, std::ios::app) << "[Untouched]\nMark=1\n";
}

bool StillMarked(const std::string& path)
{
    return TMemIniFile(path).SectionExists("Untouched");
}

QTabWidget* DrySheets(TFormCanComport& form)
{
    return Find<QTabWidget>(form, "bsPageControlRunDry");
}

// The pilot touches a tab of the dry page's sub-pages.
void TouchDrySheet(TFormCanComport& form, int sheet)
{
    QTabBar* bar = DrySheets(form)->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(sheet).center());
}

// The pilot opens the combo's list and touches an entry.
void ChooseInCombo(QComboBox* combo, int index)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    const QRect r = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

// ---------------------------------------------------------------------------
// The application rate of a guidance system, with mixed unit choices.

struct TUnitCase {
    const char* name;
    int area;
    int volume;
    const char* shown; // the run page's rate text for 100 kg/ha
};

class GuidanceRate : public ::testing::TestWithParam<TUnitCase> {};

// The guidance system (orvane-sim's, on COM1) asks for 100 kg/ha. Urea of the
// factory presets (22 m, fixed speed 60 m/s, maximum flow 35 kg/s) through the
// factory tables, worked by hand: relative flow 100 × 60 × 22 / 10000 / 35 =
// 0.377; the curve gives the relative opening 0.4701, the digital table 49.51 %;
// with the dry zero 150 and the maximum 900 the set point is
// 150 + round(750 × 0.4951) = 521.
TEST_P(GuidanceRate, IsStoredAsSentAndSetsTheGateWhateverTheUnits)
{
    const TUnitCase c = GetParam();
    test::WindowWithSim w(ArmedGate({"--nav", "guidance", "--nav-port", "0"}), pmDryMaterial);
    ASSERT_TRUE(w.Ready()) << w.Why();
    {
        TMemIniFile settings(w.Home().File(kSettings));
        settings.WriteInteger("GPS", "SelectedGPS", 1); // a guidance system on COM1
        settings.WriteBool("Controller Settings for Mode:1", "GPS_SPEED_CONTROL", false);
        settings.WriteBool("Controller Settings for Mode:1", "GPS_SWATHWIDTH_CONTROL", false);
        settings.WriteBool("Controller Settings for Mode:1", "GPS_APPRATE_CONTROL", true);
        settings.WriteInteger("Selected Units", "Area Units", c.area);
        settings.WriteInteger("Selected Units", "Volume Units", c.volume);
        settings.WriteInteger("Selected Units", "Mass Units", c.volume == 2 ? 1 : 0);
        settings.UpdateFile();
    }
    TFormCanComport& form = w.Open();
    ASSERT_TRUE(test::ReachPage(w, pgRunDryMaterial));

    ASSERT_TRUE(w.ServeUntil([&] { return form.Modes()->Preset() && form.Modes()->Preset()->AppRateSI() == 100.0f; },
                             20000))
        << "stored " << (form.Modes()->Preset() ? form.Modes()->Preset()->AppRateSI() : -1.0f) << " kg/ha";
    const std::string presets = w.Home().File(kPresets);
    EXPECT_NEAR(100, TMemIniFile(presets).ReadFloat("Urea CONSTANTS", "LastAppRate", 0), 1e-6); // a kg/ha file
    EXPECT_EQ(c.shown, Find<QLabel>(form, "LabelRateValueRunDry")->text().toStdString());
    int last = -1;
    EXPECT_TRUE(w.ServeUntil(
        [&] {
            last = w.SimSetPoint();
            return std::abs(last - 521) <= 1;
        },
        10000))
        << "set point " << last;

    // The guidance system keeps sending the same rate: the preset file is
    // left as it is.
    MarkFile(presets);
    TPeloCom* link = form.Gps()->Link();
    ASSERT_NE(nullptr, link);
    std::optional<int64_t> seen = link->Channels().LastOrvTicks();
    int sentences = 0;
    EXPECT_TRUE(w.ServeUntil(
        [&] {
            const auto now = link->Channels().LastOrvTicks();
            if (now != seen) {
                seen = now;
                ++sentences;
            }
            return sentences >= 4;
        },
        15000));
    EXPECT_TRUE(StillMarked(presets)) << "a repeated \"$ORV\" rewrote " << kPresets;
    EXPECT_EQ(100.0f, form.Modes()->Preset()->AppRateSI());
}

INSTANTIATE_TEST_SUITE_P(MixedUnits, GuidanceRate,
                         ::testing::Values(TUnitCase{"AcresWithKgLitres", 0, 2, "89 lbs/ac"},
                                           TUnitCase{"HectaresWithLbsUsGallons", 1, 0, "100.0 kg/ha"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Calibration tweak and bump.

TEST(DryTweak, AFallingCurveIsRefusedAndAnAppliedTweakLeavesTheBumpAtZeroForGood)
{
    test::WindowWithSim w(ArmedGate(), pmDryMaterial);
    ASSERT_TRUE(w.Ready()) << w.Why();
    TFormCanComport& form = w.Open();
    ASSERT_TRUE(test::ReachPage(w, pgRunDryMaterial));
    ASSERT_TRUE(w.ServeUntil([&] { return form.Modes()->Quantities() && form.Modes()->Preset(); }, 10000));
    TCalculatedQuantities& q = *form.Modes()->Quantities();
    auto* bump = Find<QSlider>(form, "bsSliderBump");
    auto* bumpLabel = Find<QLabel>(form, "LabelBump");
    auto* tweak = Find<QSlider>(form, "bsSliderTweakRunDry");
    auto* tweakLabel = Find<QLabel>(form, "LabelTweakRunDry");
    const std::string settings = w.Home().File(kSettings);
    const std::string presets = w.Home().File(kPresets);

    // The pilot bumps by 20 %.
    TouchDrySheet(form, dsCurrent);
    bump->setValue(120);
    ASSERT_FLOAT_EQ(1.2f, q.Bump());
    ASSERT_NEAR(1.2, TMemIniFile(settings).ReadFloat("Controller Settings for Mode:1", "Bump", 0), 1e-9);

    // -50 %: the factory Urea curve would fall above the operating point.
    TouchDrySheet(form, dsTweak);
    ASSERT_EQ(dsTweak, DrySheets(form)->currentIndex());
    MarkFile(presets);
    tweak->setValue(50);
    Click(form, "bsButtonTweakNext");
    EXPECT_EQ("Tweak of -50% refused: the flow would no longer rise with the opening",
              tweakLabel->text().toStdString());
    EXPECT_EQ(dsTweak, DrySheets(form)->currentIndex()) << "the pilot stays to read why";
    EXPECT_TRUE(StillMarked(presets)) << "the refused curve was written";
    EXPECT_EQ(100, tweak->value());
    EXPECT_FLOAT_EQ(1.2f, q.Bump()) << "nothing changed";

    // +10 %: the curve is reshaped and the bump goes back to 0 %, everywhere.
    tweak->setValue(110);
    Click(form, "bsButtonTweakNext");
    EXPECT_FALSE(StillMarked(presets)) << "the reshaped curve is written";
    EXPECT_EQ(dsSystem, DrySheets(form)->currentIndex());
    EXPECT_FLOAT_EQ(1.0f, q.Bump());
    EXPECT_EQ(100, bump->value());
    EXPECT_EQ("Bump: 0%", bumpLabel->text().toStdString());
    EXPECT_NEAR(1.0, TMemIniFile(settings).ReadFloat("Controller Settings for Mode:1", "Bump", 0), 1e-9);

    // The next mode set ("Go Active") keeps it.
    auto goActive = [&] {
        Click(form, "bsButtonChangeSystemSettingsRunDry");
        if (!w.ServeUntil([&] { return form.PageControl()->currentIndex() == pgSelectPrimaryMode; }, 10000))
            return false;
        Click(form, "bsButtonGoActive");
        return w.ServeUntil([&] { return form.PageControl()->currentIndex() == pgRunDryMaterial; }, 20000);
    };
    ASSERT_TRUE(goActive());
    ASSERT_NE(nullptr, form.Modes()->Quantities());
    EXPECT_FLOAT_EQ(1.0f, form.Modes()->Quantities()->Bump());
    EXPECT_EQ(100, bump->value());

    // A confirmed automatic bump (the confirmation's action; the tank page
    // that proposes it after a fill comes later) is stored the same way.
    form.Modes()->Adjust().ApplyAutoBump(1.15);
    EXPECT_EQ(115, bump->value());
    EXPECT_EQ("Bump: 15%", bumpLabel->text().toStdString());
    EXPECT_NEAR(1.15, TMemIniFile(settings).ReadFloat("Controller Settings for Mode:1", "Bump", 0), 1e-6);
    ASSERT_TRUE(goActive());
    EXPECT_NEAR(1.15, form.Modes()->Quantities()->Bump(), 1e-6);
}

// ---------------------------------------------------------------------------
// The material combo.

TEST(DryMaterialCombo, ShowsTheMaterialInUseAndTheSameChoiceAsksNothing)
{
    test::WindowWithSim w(ArmedGate(), pmDryMaterial);
    ASSERT_TRUE(w.Ready()) << w.Why();
    TFormCanComport& form = w.Open();
    ASSERT_TRUE(test::ReachPage(w, pgRunDryMaterial));
    ASSERT_TRUE(w.ServeUntil([&] { return form.Modes()->Quantities() && form.Modes()->Preset(); }, 10000));
    auto* combo = Find<QComboBox>(form, "bsComboBoxDryPreset");
    TouchDrySheet(form, dsCurrent);
    ASSERT_EQ("Urea", combo->currentText().toStdString());
    const int other = combo->findText("Superphosphate");
    ASSERT_GE(other, 0);
    form.Modes()->Quantities()->Figures().presentFullTank = 1500; // a full load aboard
    TAppPreset* inUse = form.Modes()->Preset();

    // Another material, refused.
    ChooseInCombo(combo, other);
    ASSERT_EQ(dsConfirm, DrySheets(form)->currentIndex());
    EXPECT_EQ("Are you SURE you want to zero everything and CHANGE THE MATERIAL?",
              Find<QLabel>(form, "LabelConfirmQuestion")->text().toStdString());
    Click(form, "bsButtonConfirmNo");
    EXPECT_NE(dsConfirm, DrySheets(form)->currentIndex());
    EXPECT_EQ("Urea", combo->currentText().toStdString()) << "the combo shows the material in use";
    EXPECT_EQ(inUse, form.Modes()->Preset());

    // The material in use, chosen again: no question, the load stays.
    ChooseInCombo(combo, combo->findText("Urea"));
    EXPECT_NE(dsConfirm, DrySheets(form)->currentIndex()) << "the same material asked the question";
    EXPECT_EQ(inUse, form.Modes()->Preset());
    EXPECT_EQ(1500, form.Modes()->Quantities()->Figures().presentFullTank);
    EXPECT_EQ("Urea", combo->currentText().toStdString());
}

} // namespace
} // namespace orv
