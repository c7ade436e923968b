// The "Configuration" settings group, "Status" and "Set Card ID" pages over
// the device model with the fake link and clock.
#include "app/pages/ConfigurationSettingsPage.h"
#include "app/pages/SetCardIdPage.h"
#include "app/pages/StatusPage.h"
#include "tests/device/SettingsTestSupport.h"
#include "ui_PageConfiguration.h"
#include "ui_PageSetCardID.h"
#include "ui_PageStatus.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

using test::StoredSettings;
using test::TBoardReport;

class ConfigurationPageTest : public ::testing::Test, public test::SettingsRig {
protected:
    ConfigurationPageTest()
    {
        ui.setupUi(&widget);
        page = std::make_unique<TConfigurationSettingsPage>(ui, settings,
                                                            [this](const QString& m) { messages << m; });
    }
    void Store(int board, std::map<std::string, std::string> keys = StoredSettings())
    {
        WriteSection(ControllerSettingsSectionForMode(mode, board), keys);
    }
    std::string Stored(int board, const char* key)
    {
        return TMemIniFile(ini.FileName()).ReadString(ControllerSettingsSectionForMode(mode, board), key, "");
    }
    // The board reports the stored settings; the page is shown.
    void ShowBoard1()
    {
        Store(1);
        Report(1, TBoardReport{});
        page->Show();
        link.sent.clear();
    }
    bool SentConfigItem(int item, uint16_t maximum) const
    {
        for (const auto& s : link.sent) {
            const TCanRecord& r = s.record;
            if (CanMessageCode(r.Identifier) == 0x05 && DataByte(r.DataLow, r.DataHigh, 7) == item
                && DataWord(r.DataLow, r.DataHigh, 0) == maximum)
                return true;
        }
        return false;
    }

    QWidget widget;
    Ui::PageConfiguration ui;
    std::unique_ptr<TConfigurationSettingsPage> page;
    QStringList messages;
};

TEST_F(ConfigurationPageTest, ShowFillsTheDisplayedBoardsEditsAndReadbacks)
{
    ShowBoard1();
    EXPECT_EQ(1, settings.DisplayedBoard());
    EXPECT_EQ("900", ui.EditMaximumOpen->text());
    EXPECT_EQ("120", ui.EditMinimumOpen->text());
    EXPECT_EQ("150", ui.EditDryZeroValue->text());
    EXPECT_EQ("95", ui.EditPropCurrentMax->text());
    EXPECT_TRUE(ui.bsCheckBoxPWMEnabled->isChecked());
    EXPECT_TRUE(ui.bsCheckBoxHighSpeedSolenoids->isChecked());
    EXPECT_EQ("40", ui.LabelReadOuterDeadband->text());
    EXPECT_EQ("100", ui.LabelReadPWMFrequency->text());
    EXPECT_EQ("120", ui.LabelReadMinimumOpen->text());
    EXPECT_TRUE(ui.bsCheckBoxReadHighSpeed->isChecked());
    EXPECT_FALSE(ui.bsGroupBoxLeftRight->isHidden());
    EXPECT_TRUE(ui.bsRadioButtonLeft->isChecked());
    EXPECT_FALSE(ui.bsRadioButtonRight->isChecked());
    for (int k = 0; k < kSettingKeyCount; ++k)
        EXPECT_FALSE(page->Marked(k)) << k;
    EXPECT_EQ("", ui.bsLabelSettingsMismatch1->text());
}

TEST_F(ConfigurationPageTest, WetSealedHidesMaximumDryZeroAndTheBoardChoice)
{
    mode = 2;
    Store(1);
    Report(1, TBoardReport{});
    page->Show();
    EXPECT_TRUE(ui.EditMaximumOpen->isHidden());
    EXPECT_TRUE(ui.LabelReadMaximumOpen->isHidden());
    EXPECT_TRUE(ui.EditDryZeroValue->isHidden());
    EXPECT_FALSE(ui.EditMinimumOpen->isHidden());
    EXPECT_TRUE(ui.bsGroupBoxLeftRight->isHidden());
}

TEST_F(ConfigurationPageTest, MissingKeysAndMismatchesAreMarked)
{
    auto keys = StoredSettings();
    keys.erase("SetInnerDeadBand");
    keys.erase("PWM_Enabled");
    Store(1, keys);
    Report(1, TBoardReport{});
    page->Show();
    EXPECT_TRUE(page->Marked(cskInnerDeadBand));
    EXPECT_TRUE(page->PanelFocused());
    EXPECT_FALSE(page->Marked(cskOuterDeadBand));
    EXPECT_EQ("90", ui.EditInnerDeadBand->text());

    // Complete now, but the board disagrees on both deadbands.
    Store(1);
    TBoardReport wrong;
    wrong.innerDeadBand = 3;
    wrong.outerDeadBand = 30;
    Report(1, wrong);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    EXPECT_FALSE(settings.CheckControllerSettings(1));
    settings.ShowSettingsMismatch(1);
    EXPECT_TRUE(page->Marked(cskInnerDeadBand));
    EXPECT_TRUE(page->Marked(cskOuterDeadBand));
    EXPECT_FALSE(page->Marked(cskMaximumOpening));
    EXPECT_FALSE(page->PanelFocused());
    EXPECT_EQ("Missmatched 1: OuterDeadBand InnerDeadBand ", ui.bsLabelSettingsMismatch1->text().toStdString());
    EXPECT_EQ("", ui.bsLabelSettingsMismatch2->text());
}

TEST_F(ConfigurationPageTest, MaximumOf1022IsSavedAppliedAndReadBack)
{
    ShowBoard1();
    ui.EditMaximumOpen->setText("1022");
    ui.bsButtonSaveConfigChanges->click();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ("1022", Stored(1, "SetMaximumOpening"));
    EXPECT_EQ(1022, settings.Values(1)[cskMaximumOpening]);
    EXPECT_TRUE(SentConfigItem(1, 1022));
    EXPECT_EQ("1022", ui.EditMaximumOpen->text());
}

TEST_F(ConfigurationPageTest, SecondPressWhileTheApplyWaitsIsDropped)
{
    ShowBoard1();
    ui.EditInnerDeadBand->setText("7");
    int nested = 0;
    onPump = [&] {
        if (nested++ == 0)
            ui.bsButtonSaveConfigChanges->click(); // pressed again during a wait
    };
    ui.bsButtonSaveConfigChanges->click();
    int innerCommands = 0;
    for (const auto& s : link.sent)
        innerCommands += CanMessageCode(s.record.Identifier) == 0x05 && DataByte(s.record.DataLow, s.record.DataHigh, 7) == 3;
    EXPECT_EQ(1, innerCommands);
    EXPECT_EQ("7", Stored(1, "SetInnerDeadBand"));
}

TEST_F(ConfigurationPageTest, InvalidTextsAreRefusedAndNothingChanges)
{
    struct Case {
        QLineEdit* Ui::PageConfiguration::*edit;
        int key;
        const char* text;
    };
    const Case cases[] = {
        {&Ui::PageConfiguration::EditMaximumOpen, cskMaximumOpening, "1023"},
        {&Ui::PageConfiguration::EditMaximumOpen, cskMaximumOpening, ""},
        {&Ui::PageConfiguration::EditInnerDeadBand, cskInnerDeadBand, "!!R!!"},
        {&Ui::PageConfiguration::EditDryZeroValue, cskDryZeroOpening, "2000"},
    };
    ShowBoard1();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        page->Show();
        messages.clear();
        link.sent.clear();
        (ui.*c.edit)->setText(c.text);
        ui.bsButtonSaveConfigChanges->click();
        EXPECT_EQ(QStringList{"The marked values are not valid integers"}, messages);
        EXPECT_TRUE(page->Marked(c.key));
        EXPECT_EQ("900", ini.ReadString(ControllerSettingsSectionForMode(mode, 1), "SetMaximumOpening", ""));
        EXPECT_EQ(900, settings.Values(1)[cskMaximumOpening]);
        EXPECT_TRUE(link.sent.empty());
    }
}

TEST_F(ConfigurationPageTest, OnlyTheFirstFailingEditIsMarked)
{
    ShowBoard1();
    ui.EditPWMProportion->setText("x");
    ui.EditProportionalCurrent->setText("256");
    ui.EditMinimumOpen->setText("5000");
    EXPECT_FALSE(page->ReadSettingsEdits());
    EXPECT_TRUE(page->Marked(cskProportionalCurrent));
    EXPECT_FALSE(page->Marked(cskSealedPosition));
    EXPECT_FALSE(page->Marked(cskPwmProportion));
    EXPECT_EQ(120, model.ZeroPosition(1));
}

TEST_F(ConfigurationPageTest, CheckBoxesAndZerosAreTakenOnSave)
{
    ShowBoard1();
    ui.bsCheckBoxHighSpeedSolenoids->setChecked(false);
    ui.EditMinimumOpen->setText("125");
    ui.EditDryZeroValue->setText("160");
    page->SaveConfigChanges();
    EXPECT_EQ("0", Stored(1, "MaxSolenoids_Enabled"));
    EXPECT_EQ("125", Stored(1, "SetSealedPosition"));
    EXPECT_EQ("160", Stored(1, "SetDryZeroOpening"));
    EXPECT_EQ(125, model.ZeroPosition(1));
    EXPECT_EQ(160, model.DryZeroPosition(1));
    bool highSpeedOff = false;
    for (const auto& s : link.sent)
        highSpeedOff |= CanMessageCode(s.record.Identifier) == 0x0B && s.record.DataLow == 0;
    EXPECT_TRUE(highSpeedOff);
}

TEST_F(ConfigurationPageTest, RightAndLeftShowTheirBoard)
{
    auto right = StoredSettings();
    right["SetOuterDeadBand"] = "44";
    Store(1);
    Store(2, right);
    Report(1, TBoardReport{});
    page->Show();
    ui.bsRadioButtonRight->click();
    EXPECT_EQ(2, settings.DisplayedBoard());
    EXPECT_EQ("44", ui.EditOuterDeadband->text());
    ui.bsRadioButtonLeft->click();
    EXPECT_EQ(1, settings.DisplayedBoard());
    EXPECT_EQ("40", ui.EditOuterDeadband->text());
    EXPECT_EQ("40", ui.LabelReadOuterDeadband->text());
}

// The page's part of the entry: title, start value, range and the text taken.
// The window installs its own entry (TFormModeHost::EditNumber); that path is
// tested through the real window in ConfigurationWindowTest.
TEST_F(ConfigurationPageTest, ClickOnAnEditOpensTheNumericEntryOnceThereIsOne)
{
    ShowBoard1();
    QTest::mouseClick(ui.EditOuterDeadband, Qt::LeftButton); // typed edits: nothing opens
    QString title;
    double start = -1;
    int digits = -1;
    std::optional<double> answer = 1023;
    page->SetNumericEntry([&](const QString& t, double s, int d) {
        title = t;
        start = s;
        digits = d;
        return answer;
    });
    QTest::mouseClick(ui.EditMaximumOpen, Qt::LeftButton);
    EXPECT_EQ("Maximum Opening (200..1023)", title.toStdString());
    EXPECT_EQ(900, start);
    EXPECT_EQ(4, digits);
    EXPECT_EQ("1023", ui.EditMaximumOpen->text()); // accepted here, refused by the save
    EXPECT_FALSE(page->ReadSettingsEdits());

    // Outside the range; an empty edit starts from the read-back.
    answer = 5;
    ui.EditOuterDeadband->clear();
    QTest::mouseClick(ui.EditOuterDeadband, Qt::LeftButton);
    EXPECT_EQ(40, start);
    EXPECT_EQ("!!R!!", ui.EditOuterDeadband->text());

    // The dry zero starts at the board's sealed position.
    answer = std::nullopt;
    QTest::mouseClick(ui.EditDryZeroValue, Qt::LeftButton);
    EXPECT_EQ("Dry Zero Position (120..500)", title.toStdString());
    EXPECT_EQ("150", ui.EditDryZeroValue->text()); // cancelled: unchanged

    page->SetNumericEntry([](const QString&, double, int) -> std::optional<double> { throw std::runtime_error("x"); });
    EXPECT_NO_THROW(page->EditControllerSetting(cskInnerDeadBand));
    EXPECT_EQ("5", ui.EditInnerDeadBand->text());
}

TEST_F(ConfigurationPageTest, PageWithoutBoardsShowsNeitherSide)
{
    page->Show();
    EXPECT_EQ(0, settings.DisplayedBoard());
    EXPECT_FALSE(ui.bsRadioButtonLeft->isChecked());
    EXPECT_FALSE(ui.bsRadioButtonRight->isChecked());
}

// "Status"

TEST(StatusPageTest, OneItemPerDisplayedBitTickedFromTheFlagWord)
{
    QWidget widget;
    Ui::PageStatus ui;
    ui.setupUi(&widget);
    TStatusPage page(ui);
    QListWidget* list = ui.CheckListBoxStatus;
    ASSERT_EQ(8, list->count());
    const int bits[] = {0, 1, 2, 3, 4, 5, 8, 9};
    const char* names[] = {"Under Can Control",  "Armed",        "Timer Mode On",   "Hard Stop Reached",
                           "Foam Out Selected", "Pumps Are On", "Pilot Switch On", "High Speed Solenoids On"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(bits[i], list->item(i)->data(TStatusPage::kBitRole).toInt());
        EXPECT_EQ(names[i], list->item(i)->text().toStdString());
        EXPECT_EQ(Qt::Unchecked, list->item(i)->checkState());
    }
    page.ShowStatusFlags(0x0303); // under CAN, armed, pilot switch, high speed
    for (int i = 0; i < 8; ++i) {
        const bool on = bits[i] == 0 || bits[i] == 1 || bits[i] == 8 || bits[i] == 9;
        EXPECT_EQ(on ? Qt::Checked : Qt::Unchecked, list->item(i)->checkState()) << bits[i];
    }
    page.ShowStatusFlags(0xFFFF0000u); // only bits above 15
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Qt::Unchecked, list->item(i)->checkState());
    // An item carrying a bit above 15 counts as clear.
    list->item(0)->setData(TStatusPage::kBitRole, 17);
    page.ShowStatusFlags(0xFFFFFFFFu);
    EXPECT_EQ(Qt::Unchecked, list->item(0)->checkState());
    EXPECT_EQ(Qt::Checked, list->item(1)->checkState());
}

// "Set Card ID"

class SetCardIdPageTest : public ::testing::Test, public test::SettingsRig {
protected:
    SetCardIdPageTest()
    {
        ui.setupUi(&widget);
        page = std::make_unique<TSetCardIdPage>(ui, [this] { return withModel ? &model : nullptr; });
    }
    void Status(int board) { Feed(test::Report(0x03, board, {0x10, 0x01, 0, 0, 0, 0, 0, 0})); }

    bool withModel = true;
    QWidget widget;
    Ui::PageSetCardID ui;
    std::unique_ptr<TSetCardIdPage> page;
};

TEST_F(SetCardIdPageTest, ListsTheAnsweringAddresses)
{
    EXPECT_FALSE(ui.bsLabelCardIdInstructions->text().isEmpty());
    EXPECT_EQ("Currently Connected Controller IDs:", ui.bsLabelConnectedIDsCaption->text().toStdString());
    struct Case {
        std::vector<int> boards;
        const char* text;
        bool enabled;
        bool left;
        bool right;
    };
    const Case cases[] = {
        {{}, "", true, false, false},
        {{0}, "  Broadcast  ", true, false, false},
        {{1}, "  Left Gate  ", true, true, false},
        {{2}, "  Right Gate  ", true, false, true},
        {{1, 2}, "  Left Gate    Right Gate  ", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        model.ClearBoardsPresent();
        for (int b : c.boards)
            Status(b);
        page->ShowConnectedControllerIDs();
        EXPECT_EQ(c.text, ui.bsLabelConnectedIDs->text().toStdString());
        EXPECT_EQ(c.enabled, ui.bsCheckBoxLeftGate->isEnabled());
        EXPECT_EQ(c.enabled, ui.bsCheckBoxRightGate->isEnabled());
        EXPECT_EQ(c.left, ui.bsCheckBoxLeftGate->isChecked());
        EXPECT_EQ(c.right, ui.bsCheckBoxRightGate->isChecked());
    }
}

TEST_F(SetCardIdPageTest, TickingLeftAddressesTheBroadcastControllerAndShowsItsNewAddress)
{
    Status(0);
    page->ShowConnectedControllerIDs();
    link.sent.clear();
    // The controller answers under its new address while the page waits.
    onPump = [this] {
        if (!link.sent.empty() && !model.BoardPresent(0) && !model.BoardPresent(1))
            Status(1);
    };
    ui.bsCheckBoxLeftGate->click();
    ASSERT_FALSE(link.sent.empty());
    const TCanRecord& r = link.sent[0].record;
    EXPECT_EQ(0x14, CanMessageCode(r.Identifier));
    EXPECT_EQ(1, DataByte(r.DataLow, r.DataHigh, 0));
    EXPECT_EQ(1, DataByte(r.DataLow, r.DataHigh, 7));
    EXPECT_EQ("  Left Gate  ", ui.bsLabelConnectedIDs->text().toStdString());
    EXPECT_TRUE(ui.bsCheckBoxLeftGate->isChecked());
}

TEST_F(SetCardIdPageTest, PresentAddressIsNotSentAgainAndNoModelDoesNothing)
{
    Status(2);
    page->ShowConnectedControllerIDs();
    link.sent.clear();
    onPump = [this] { Status(2); };
    ui.bsCheckBoxRightGate->setChecked(false);
    ui.bsCheckBoxRightGate->click(); // ticked again: board 2 is already there
    EXPECT_TRUE(link.sent.empty());
    EXPECT_EQ("  Right Gate  ", ui.bsLabelConnectedIDs->text().toStdString());

    withModel = false;
    ui.bsCheckBoxLeftGate->click();
    EXPECT_TRUE(link.sent.empty());
    EXPECT_TRUE(ui.bsCheckBoxLeftGate->isChecked()); // no refresh either
}

} // namespace
} // namespace orv
