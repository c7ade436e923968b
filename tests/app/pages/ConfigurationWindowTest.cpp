// The "Configuration" page of the real window against orvane-sim: settings
// entered through the window's numeric entry, the displayed board of a dual
// gate across a primary-mode change, and the units panel.
#include "app/ModeController.h"
#include "device/ControllerSettings.h"
#include "store/IniFile.h"
#include "tests/app/pages/WindowPageSupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>

namespace orv {
namespace {

using test::AnswerEntry;
using test::Click;
using test::Find;
using test::SimField;
using test::TEntrySeen;

std::vector<std::string> Gate(int boards)
{
    return {"--link", "usbcan", "--port", "2", "--boards", std::to_string(boards), "--status-rate", "10"};
}

// The pilot touches a tab of the page control.
void TouchTab(TFormCanComport& form, int page)
{
    QTabBar* bar = form.PageControl()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(page).center());
}

// From the run page to the service pages, then to "Configuration".
bool OpenConfiguration(test::WindowWithSim& w, const char* changeSettingsButton)
{
    TFormCanComport& form = w.Form();
    Click(form, changeSettingsButton);
    if (!w.ServeUntil([&] { return form.PageControl()->currentIndex() == pgSelectPrimaryMode; }, 10000))
        return false;
    TouchTab(form, pgConfiguration);
    return form.PageControl()->currentIndex() == pgConfiguration;
}

// Touches a settings edit and answers the entry that opens.
TEntrySeen Enter(TFormCanComport& form, const char* edit, std::optional<double> value)
{
    TEntrySeen seen;
    AnswerEntry(value, seen);
    if (auto* e = Find<QLineEdit>(form, edit))
        QTest::mouseClick(e, Qt::LeftButton);
    return seen;
}

std::string Text(TFormCanComport& form, const char* name)
{
    auto* e = Find<QLineEdit>(form, name);
    return e ? e->text().toStdString() : std::string();
}

TEST(ConfigurationWindow, SettingsAreEnteredThroughTheWindowsEntryWithinTheirRanges)
{
    test::WindowWithSim w(Gate(1), pmDryMaterial);
    ASSERT_TRUE(w.Ready()) << w.Why();
    TFormCanComport& form = w.Open();
    ASSERT_TRUE(test::ReachPage(w, pgRunDryMaterial));
    ASSERT_TRUE(OpenConfiguration(w, "bsButtonChangeSystemSettingsRunDry"));

    // The dry zero may not lie below the board's sealed position.
    const std::string sealedText = Find<QLabel>(form, "LabelReadMinimumOpen")->text().toStdString();
    const int sealed = std::atoi(sealedText.c_str());
    ASSERT_GT(sealed, 0) << sealedText;
    const struct {
        const char* edit;
        const char* readback;
        std::string title;
        double inside;
        double outside;
    } cases[] = {
        {"EditOuterDeadband", "LabelReadOuterDeadband", "Outer Deadband (10..150)", 40, 9},
        {"EditOuterDeadband", "LabelReadOuterDeadband", "Outer Deadband (10..150)", 40, 151},
        {"EditInnerDeadBand", "LabelReadInnerDeadBand", "Inner Deadband (2..20)", 6, 21},
        {"EditInnerDeadBand", "LabelReadInnerDeadBand", "Inner Deadband (2..20)", 6, 1},
        {"EditPWMProportion", "LabelReadPWMProportion", "PWM Proportion (30..70)", 55, 29},
        {"EditPWMProportion", "LabelReadPWMProportion", "PWM Proportion (30..70)", 55, 71},
        {"EditPWMFrequency", "LabelReadPWMFrequency", "PWM Frequency (50..255)", 180, 49},
        {"EditPWMFrequency", "LabelReadPWMFrequency", "PWM Frequency (50..255)", 180, 256},
        {"EditDryZeroValue", "LabelReadDryZeroValue",
         "Dry Zero Position (" + std::to_string(sealed) + "..500)", 150, double(sealed - 1)},
    };
    for (const auto& c : cases) {
        TEntrySeen seen = Enter(form, c.edit, c.outside);
        ASSERT_TRUE(seen.opened) << c.edit << ": a touch opens the window's numeric entry";
        EXPECT_EQ(c.title, seen.title) << c.edit;
        EXPECT_EQ("!!R!!", Text(form, c.edit)) << c.edit << " took " << c.outside;
        // Refused text: the next entry starts from what the board reports.
        seen = Enter(form, c.edit, c.inside);
        ASSERT_TRUE(seen.opened) << c.edit;
        EXPECT_EQ(std::atof(Find<QLabel>(form, c.readback)->text().toStdString().c_str()), seen.start) << c.edit;
        EXPECT_EQ(std::to_string(int(c.inside)), Text(form, c.edit)) << c.edit;
        // Cancelled: the edit keeps its value.
        seen = Enter(form, c.edit, std::nullopt);
        EXPECT_TRUE(seen.opened) << c.edit;
        EXPECT_EQ(c.inside, seen.start) << c.edit;
        EXPECT_EQ(std::to_string(int(c.inside)), Text(form, c.edit)) << c.edit;
    }

    // Saved, applied and stored.
    Click(form, "bsButtonSaveConfigChanges");
    EXPECT_TRUE(w.ServeUntil(
        [&] {
            return SimField(w, 0, "outer") == 40 && SimField(w, 0, "inner") == 6 &&
                   SimField(w, 0, "pwmproportion") == 55 && SimField(w, 0, "pwmfrequency") == 180;
        },
        10000))
        << SimField(w, 0, "outer") << " " << SimField(w, 0, "inner") << " " << SimField(w, 0, "pwmproportion") << " "
        << SimField(w, 0, "pwmfrequency");
    TMemIniFile stored(w.Home().File("LastSelectedPreset.ini"));
    EXPECT_EQ(40, stored.ReadInteger("Controller Settings For Mode:1", "SetOuterDeadBand", -1));
    EXPECT_EQ(6, stored.ReadInteger("Controller Settings For Mode:1", "SetInnerDeadBand", -1));
    EXPECT_EQ(55, stored.ReadInteger("Controller Settings For Mode:1", "PWM_Proportion", -1));
    EXPECT_EQ(180, stored.ReadInteger("Controller Settings For Mode:1", "PWM_Frequency", -1));
}

// The quantity unit label of the tank and job figures follows the units panel
// at once.
TEST(ConfigurationWindow, ChoosingAVolumeUnitRefreshesTheQuantityUnitLabel)
{
    test::WindowWithSim w(Gate(1), pmDryMaterial);
    ASSERT_TRUE(w.Ready()) << w.Why();
    TFormCanComport& form = w.Open();
    ASSERT_TRUE(test::ReachPage(w, pgRunDryMaterial));
    EXPECT_EQ("kg", form.Modes()->State().quantityUnitLabel) << "the factory units are kilograms and litres";
    ASSERT_TRUE(OpenConfiguration(w, "bsButtonChangeSystemSettingsRunDry"));

    auto* volume = Find<QComboBox>(form, "bsComboBoxVolumeUnits");
    ASSERT_NE(nullptr, volume);
    volume->setFocus();
    QTest::keyClick(volume, Qt::Key_Home); // "LBS, US Gallons"
    EXPECT_EQ(0, volume->currentIndex());
    EXPECT_EQ("lb", form.Modes()->State().quantityUnitLabel);
    QTest::keyClick(volume, Qt::Key_End); // "Kg, Litres"
    EXPECT_EQ("kg", form.Modes()->State().quantityUnitLabel);
    TMemIniFile stored(w.Home().File("LastSelectedPreset.ini"));
    EXPECT_EQ(2, stored.ReadInteger("Selected Units", "Volume Units", -1));
    EXPECT_EQ(1, stored.ReadInteger("Selected Units", "Mass Units", -1));
}

// A dual gate: "Right" picked in the dry mode, then the wet sealed mode (no
// board choice there). The page must show and save the first board, not the
// right one.
TEST(ConfigurationWindow, ADualGateShowsTheFirstBoardAfterAPrimaryModeChange)
{
    test::WindowWithSim w(Gate(2), pmDryMaterial);
    ASSERT_TRUE(w.Ready()) << w.Why();
    TFormCanComport& form = w.Open();
    ASSERT_TRUE(test::ReachPage(w, pgRunDryMaterial));
    ASSERT_TRUE(OpenConfiguration(w, "bsButtonChangeSystemSettingsRunDry"));
    EXPECT_EQ(1, form.Settings()->DisplayedBoard());
    EXPECT_TRUE(Find<QRadioButton>(form, "bsRadioButtonLeft")->isChecked());

    Click(form, "bsRadioButtonRight");
    ASSERT_EQ(2, form.Settings()->DisplayedBoard());
    ASSERT_TRUE(Enter(form, "EditOuterDeadband", 40).opened);
    Click(form, "bsButtonSaveConfigChanges");
    ASSERT_TRUE(w.ServeUntil([&] { return SimField(w, 2, "outer") == 40; }, 10000)) << SimField(w, 2, "outer");
    EXPECT_EQ(15, SimField(w, 1, "outer"));

    // Wet sealed, picked on "Select Primary Mode"; once it is set up, "Go
    // Active" (enabled only then) leads to its run page.
    TouchTab(form, pgSelectPrimaryMode);
    Click(form, "RadioButtonWetSealed");
    auto* goActive = Find<QPushButton>(form, "bsButtonGoActive");
    ASSERT_TRUE(w.ServeUntil(
        [&] {
            return form.Modes()->PrimaryMode() == pmWetSealed && !form.Modes()->Quantities() && goActive->isEnabled();
        },
        20000))
        << "mode " << int(form.Modes()->PrimaryMode());
    Click(form, "bsButtonGoActive");
    ASSERT_TRUE(w.ServeUntil([&] { return form.PageControl()->currentIndex() == pgRunWetSealed; }, 20000))
        << "page " << form.PageControl()->currentIndex();
    ASSERT_TRUE(OpenConfiguration(w, "bsButtonChangeSystemSettingsWetSealed"));

    EXPECT_EQ(1, form.Settings()->DisplayedBoard()) << "the mode change shows the first board";
    EXPECT_FALSE(Find<QGroupBox>(form, "bsGroupBoxLeftRight")->isVisible());
    EXPECT_EQ("15", Text(form, "EditOuterDeadband")) << "board 1's own value";
    ASSERT_TRUE(Enter(form, "EditInnerDeadBand", 6).opened);
    Click(form, "bsButtonSaveConfigChanges");
    EXPECT_TRUE(w.ServeUntil([&] { return SimField(w, 1, "inner") == 6; }, 10000)) << SimField(w, 1, "inner");
    EXPECT_EQ(5, SimField(w, 2, "inner"));
    EXPECT_EQ(40, SimField(w, 2, "outer"));
    TMemIniFile stored(w.Home().File("LastSelectedPreset.ini"));
    EXPECT_EQ(6, stored.ReadInteger("Controller Settings For Mode:1 Board:1", "SetInnerDeadBand", -1));
    EXPECT_EQ(15, stored.ReadInteger("Controller Settings For Mode:1 Board:1", "SetOuterDeadBand", -1));
    EXPECT_EQ(5, stored.ReadInteger("Controller Settings For Mode:1 Board:2", "SetInnerDeadBand", -1));
    EXPECT_EQ(40, stored.ReadInteger("Controller Settings For Mode:1 Board:2", "SetOuterDeadBand", -1));
}

} // namespace
} // namespace orv
