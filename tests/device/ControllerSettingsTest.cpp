#include "device/ControllerSettings.h"

#include "tests/device/SettingsTestSupport.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::StoredSettings;
using test::TBoardReport;

// Table and names

TEST(ControllerSettingsTable, KeysWidthsDefaultsAndMismatchNames)
{
    struct Row {
        const char* key;
        TSettingWidth width;
        int def;
        const char* mismatch;
    };
    const Row expected[kSettingKeyCount] = {
        {"ProportionalCurrent", swByte, 90, "ProportionalCurrent"},
        {"MaxProportionalCurrent", swByte, 90, "MaxProportionalCurrent"},
        {"SetOuterDeadBand", swByte, 90, "OuterDeadBand"},
        {"SetInnerDeadBand", swByte, 90, "InnerDeadBand"},
        {"SetMaximumOpening", swWord, 9000, "MaximumOpen"},
        {"SetSealedPosition", swWord, 9000, "MinimumOpen"},
        {"SetDryZeroOpening", swWord, 9000, "MinimumOpen"},
        {"PWM_Proportion", swByte, 90, "PWM_Proportion"},
        {"PWM_Frequency", swWord, 9000, "PWM_Frequency"},
        {"PWM_Enabled", swBool, 0, "PWM_Enabled"},
        {"MaxSolenoids_Enabled", swBool, 0, "HighSpeedSolenoids"},
    };
    for (int k = 0; k < kSettingKeyCount; ++k) {
        SCOPED_TRACE(k);
        EXPECT_STREQ(expected[k].key, kSettingKeys[k].key);
        EXPECT_EQ(expected[k].width, kSettingKeys[k].width);
        EXPECT_EQ(expected[k].def, kSettingKeys[k].defaultValue);
        EXPECT_STREQ(expected[k].mismatch, kSettingKeys[k].mismatchName);
    }
    EXPECT_FALSE(ModeUsesKey(0, cskDryZeroOpening));
    EXPECT_TRUE(ModeUsesKey(0, cskMaximumOpening));
    for (int mode : {1, 3, 4})
        for (int k = 0; k < kSettingKeyCount; ++k)
            EXPECT_TRUE(ModeUsesKey(mode, k));
    EXPECT_FALSE(ModeUsesKey(2, cskMaximumOpening));
    EXPECT_FALSE(ModeUsesKey(2, cskDryZeroOpening));
    EXPECT_TRUE(ModeUsesKey(2, cskSealedPosition));
}

TEST(ControllerSettingsTable, SectionNames)
{
    struct Case {
        int primaryMode;
        int board;
        const char* section;
    };
    const Case cases[] = {
        {0, 0, "Controller Settings For Mode:0"},
        {0, 1, "Controller Settings For Mode:0 Board:1"},
        {0, 2, "Controller Settings For Mode:0 Board:2"},
        {1, 0, "Controller Settings For Mode:1"},
        {1, 2, "Controller Settings For Mode:1 Board:2"},
        {2, 0, "Controller Settings For Mode:1"}, // modes 1 to 4 share mode 1's sections
        {2, 1, "Controller Settings For Mode:1 Board:1"},
        {3, 2, "Controller Settings For Mode:1 Board:2"},
        {4, 1, "Controller Settings For Mode:1 Board:1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.section, ControllerSettingsSectionForMode(c.primaryMode, c.board));
    // Section modes other than 0, 1 and 4 never carry the board.
    EXPECT_EQ("Controller Settings For Mode:2", ControllerSettingsSection(2, 1));
    EXPECT_EQ("Controller Settings For Mode:4 Board:2", ControllerSettingsSection(4, 2));
}

TEST(ControllerSettingsTable, SettingsTextsAreCheckedInOrderAgainstTheirRanges)
{
    struct Case {
        int mode;
        std::vector<std::pair<int, const char*>> texts; // changes to a valid set
        int failing;
    };
    const Case cases[] = {
        {1, {}, -1},
        {1, {{cskMaximumOpening, "1022"}}, -1},
        {1, {{cskMaximumOpening, "1023"}}, cskMaximumOpening},
        {1, {{cskMaximumOpening, ""}}, cskMaximumOpening},
        {1, {{cskOuterDeadBand, "256"}}, cskOuterDeadBand},
        {1, {{cskInnerDeadBand, " 12 "}}, -1},
        {1, {{cskInnerDeadBand, "0x10"}}, cskInnerDeadBand},
        {1, {{cskPwmFrequency, "1e2"}}, cskPwmFrequency},
        {1, {{cskSealedPosition, "-1"}}, cskSealedPosition},
        {1, {{cskSealedPosition, "--1"}}, cskSealedPosition},
        // The first failing edit in the save's order is the one reported.
        {1, {{cskPwmProportion, "x"}, {cskProportionalCurrent, "300"}, {cskMaximumOpening, "2000"}},
         cskProportionalCurrent},
        {1, {{cskPwmProportion, "x"}, {cskSealedPosition, "1023"}}, cskSealedPosition},
        {1, {{cskDryZeroOpening, "1023"}}, cskDryZeroOpening},
        {0, {{cskDryZeroOpening, "1023"}}, -1},
        // The wet sealed gate has no maximum opening edit.
        {2, {{cskMaximumOpening, ""}}, -1},
    };
    for (const Case& c : cases) {
        TSettingsTexts texts;
        for (int k = 0; k < kSettingKeyCount; ++k)
            texts[k] = "20";
        for (const auto& [key, text] : c.texts)
            texts[key] = text;
        TBoardSettings values = DefaultBoardSettings();
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " first change " << (c.texts.empty() ? "" : c.texts[0].second));
        EXPECT_EQ(c.failing, ValidateSettingsTexts(texts, c.mode, values));
        if (c.failing < 0)
            EXPECT_EQ(20, values[cskOuterDeadBand]);
    }
}

TEST(ControllerSettingsTable, NumericEntryStartAndResult)
{
    EXPECT_EQ(42, SettingEditStart("42", "17", 10));
    EXPECT_EQ(17, SettingEditStart("", "17", 10));
    EXPECT_EQ(17, SettingEditStart("!!R!!", "17", 10));
    EXPECT_EQ(10, SettingEditStart("", "", 10));
    // The entry takes a maximum opening of 1023, which the save then refuses.
    const TSettingEditDef* max = SettingEditDef(cskMaximumOpening);
    ASSERT_NE(nullptr, max);
    EXPECT_EQ("1023", SettingEditText(1023, max->minimum, max->maximum));
    EXPECT_EQ("!!R!!", SettingEditText(1024, max->minimum, max->maximum));
    EXPECT_EQ("!!R!!", SettingEditText(199, max->minimum, max->maximum));
    EXPECT_EQ("2", SettingEditText(2.5, 0, 10));
    EXPECT_EQ(nullptr, SettingEditDef(cskPwmEnabled));
    const TSettingEditDef* inner = SettingEditDef(cskInnerDeadBand);
    ASSERT_NE(nullptr, inner);
    EXPECT_STREQ("Inner Deadband", inner->name);
    EXPECT_EQ(2, inner->minimum);
    EXPECT_EQ(20, inner->maximum);
    EXPECT_EQ(2, inner->wholeDigits);
}

class ControllerSettingsTest : public ::testing::Test, public test::SettingsRig {
protected:
    ControllerSettingsTest() { settings.SetView(&view); }

    std::string Section(int board) const { return ControllerSettingsSectionForMode(mode, board); }
    void StoreSection(int board, std::map<std::string, std::string> keys = StoredSettings())
    {
        WriteSection(Section(board), keys);
    }
    // What was sent: code and item (D7 of Config Cmd, D6 of Set PWM Parameters).
    std::vector<std::pair<int, int>> SentItems(int board) const
    {
        std::vector<std::pair<int, int>> out;
        for (const auto& s : link.sent) {
            EXPECT_EQ(board, CanBoard(s.record.Identifier));
            const int code = CanMessageCode(s.record.Identifier);
            const int item = code == 0x05 ? DataByte(s.record.DataLow, s.record.DataHigh, 7)
                             : code == 0x06 ? DataByte(s.record.DataLow, s.record.DataHigh, 6)
                                            : -1;
            out.push_back({code, item});
        }
        return out;
    }

    test::RecordingSettingsView view;
};

// Loading

TEST_F(ControllerSettingsTest, CompleteSectionLoadsIntoTheBoardAndTheEdits)
{
    Report(1, TBoardReport{});
    settings.SetDisplayedBoard(1);
    StoreSection(1);
    EXPECT_TRUE(settings.LoadControllerSettings(1));
    const TBoardSettings& v = settings.Values(1);
    EXPECT_EQ(80, v[cskProportionalCurrent]);
    EXPECT_EQ(900, v[cskMaximumOpening]);
    EXPECT_EQ(1, v[cskMaxSolenoids]);
    EXPECT_EQ(120, model.ZeroPosition(1));
    EXPECT_EQ(150, model.DryZeroPosition(1));
    EXPECT_EQ(100, view.values[cskPwmFrequency]);
    EXPECT_TRUE(view.marks.empty());
    EXPECT_TRUE(view.hidden.empty());
}

TEST_F(ControllerSettingsTest, MissingAndInvalidKeysTakeDefaultsAndAreMarked)
{
    settings.SetDisplayedBoard(1);
    auto keys = StoredSettings();
    keys.erase("PWM_Frequency");
    keys.erase("MaxSolenoids_Enabled");
    keys["SetOuterDeadBand"] = "300"; // beyond its byte
    keys["SetInnerDeadBand"] = "abc";
    StoreSection(1, keys);
    EXPECT_FALSE(settings.LoadControllerSettings(1));
    const TBoardSettings& v = settings.Values(1);
    EXPECT_EQ(9000, v[cskPwmFrequency]);
    EXPECT_EQ(0, v[cskMaxSolenoids]);
    EXPECT_EQ(90, v[cskOuterDeadBand]);
    EXPECT_EQ(90, v[cskInnerDeadBand]);
    EXPECT_EQ(80, v[cskProportionalCurrent]);
    EXPECT_EQ((std::set<int>{cskPwmFrequency, cskMaxSolenoids, cskOuterDeadBand, cskInnerDeadBand}), view.marks);
    // Nothing was written: the missing keys stay missing.
    EXPECT_FALSE(ini.ValueExists(Section(1), "PWM_Frequency"));
}

TEST_F(ControllerSettingsTest, WetSealedNeverReadsOrWritesMaximumAndDryZero)
{
    mode = 2;
    settings.SetDisplayedBoard(1);
    auto keys = StoredSettings();
    keys["SetMaximumOpening"] = "not read";
    keys["SetDryZeroOpening"] = "not read";
    StoreSection(1, keys);
    EXPECT_TRUE(settings.LoadControllerSettings(1));
    EXPECT_EQ(120, settings.Values(1)[cskMaximumOpening]); // the zero
    EXPECT_EQ(0, model.DryZeroPosition(1));
    EXPECT_EQ((std::set<int>{cskMaximumOpening, cskDryZeroOpening}), view.hidden);
    EXPECT_TRUE(view.marks.empty());

    settings.StoreControllerSettings(1, 2);
    EXPECT_FALSE(ini.ValueExists(Section(2), "SetMaximumOpening"));
    EXPECT_FALSE(ini.ValueExists(Section(2), "SetDryZeroOpening"));
    EXPECT_EQ("120", ini.ReadString(Section(2), "SetSealedPosition", ""));
    // A section without them is complete for this mode.
    EXPECT_TRUE(settings.LoadControllerSettings(2));
}

TEST_F(ControllerSettingsTest, FireGateHasNoDryZero)
{
    mode = 0;
    settings.SetDisplayedBoard(1);
    auto keys = StoredSettings();
    keys.erase("SetDryZeroOpening");
    StoreSection(1, keys);
    EXPECT_TRUE(settings.LoadControllerSettings(1));
    EXPECT_EQ(std::set<int>{cskDryZeroOpening}, view.hidden);
    EXPECT_EQ("Controller Settings For Mode:0 Board:1", Section(1));
}

TEST_F(ControllerSettingsTest, IncompleteBoardInheritsTheHighestCompleteBoardAndKeepsItUnderItsName)
{
    auto broadcast = StoredSettings();
    broadcast["SetInnerDeadBand"] = "7";
    StoreSection(0, broadcast);
    auto left = StoredSettings();
    left["SetInnerDeadBand"] = "9";
    left["SetSealedPosition"] = "130";
    StoreSection(1, left);
    WriteSection(Section(2), {{"SetInnerDeadBand", "11"}}); // incomplete

    EXPECT_TRUE(settings.LoadControllerSettings(2));
    EXPECT_EQ(9, settings.Values(2)[cskInnerDeadBand]);
    EXPECT_EQ(130, model.ZeroPosition(2));
    EXPECT_EQ("Controller Settings For Mode:1 Board:2", Section(2));
    EXPECT_EQ("9", ini.ReadString(Section(2), "SetInnerDeadBand", ""));
    // Written through to the file.
    TMemIniFile onDisk(ini.FileName());
    for (const auto& [key, value] : left)
        EXPECT_EQ(value, onDisk.ReadString(Section(2), key, "")) << key;
}

TEST_F(ControllerSettingsTest, NoCompleteBoardLeavesTheFileAndTheBoardAlone)
{
    Report(2, TBoardReport{}); // present, its settings reported: commands would go out
    link.sent.clear();
    WriteSection(Section(1), {{"SetSealedPosition", "120"}});
    EXPECT_FALSE(settings.LoadControllerSettings(2));
    EXPECT_FALSE(ini.SectionExists(Section(2)));
    EXPECT_EQ(9000, settings.Values(2)[cskSealedPosition]) << "the default stands in on the page";
    EXPECT_EQ(0, model.ZeroPosition(2)) << "but never on the gate";
    EXPECT_EQ(0, model.DryZeroPosition(2));
    EXPECT_TRUE(link.sent.empty()) << "a failed load sends nothing";
}

TEST_F(ControllerSettingsTest, ADamagedValueSendsNothingAndTheWholeSectionDoesOnceMended)
{
    Report(1, TBoardReport{});
    link.sent.clear();
    auto stored = StoredSettings();
    stored["SetDryZeroOpening"] = "70000"; // beyond its field
    StoreSection(1, stored);
    EXPECT_FALSE(settings.LoadControllerSettings(1));
    EXPECT_TRUE(link.sent.empty());
    EXPECT_EQ(0, model.ZeroPosition(1)) << "the sealed position read before the damaged key stays back too";

    StoreSection(1);
    EXPECT_TRUE(settings.LoadControllerSettings(1));
    EXPECT_EQ(120, model.ZeroPosition(1));
    EXPECT_EQ(150, model.DryZeroPosition(1));
    EXPECT_FALSE(link.sent.empty()) << "a whole section sets the board's minimum";
}

TEST_F(ControllerSettingsTest, NothingWithoutTheFileOrTheModel)
{
    StoreSection(1);
    TControllerSettingsHost host = Host();
    host.settingsFile = [] { return static_cast<TMemIniFile*>(nullptr); };
    TControllerSettings noFile(host);
    EXPECT_FALSE(noFile.LoadControllerSettings(1));
    EXPECT_EQ(0, model.ZeroPosition(1));
    host = Host();
    host.deviceModel = [] { return static_cast<TDeviceModel*>(nullptr); };
    TControllerSettings noModel(host);
    EXPECT_FALSE(noModel.LoadControllerSettings(1));
    noModel.ApplyControllerSettings(1);
    EXPECT_FALSE(noModel.AllControllerSettingsApplied());
    EXPECT_TRUE(link.sent.empty());
}

TEST_F(ControllerSettingsTest, AFileThatCannotBeWrittenKeepsTheSettingsInUse)
{
    TControllerSettingsHost host = Host();
    host.saveSettingsFile = [] { throw EIniWriteError("disk write-protected"); };
    TControllerSettings settings2(host);
    StoreSection(1);
    ASSERT_TRUE(settings2.LoadControllerSettings(1));
    EXPECT_NO_THROW(settings2.StoreControllerSettings(1, 2));
    EXPECT_EQ("900", ini.ReadString(Section(2), "SetMaximumOpening", ""));
}

// Applying

TEST_F(ControllerSettingsTest, ApplySendsEveryDifferenceInOrderAndFailsAfterTwoSeconds)
{
    TBoardReport differing;
    differing.maximumOpen = 700;
    differing.minimumOpen = 100;
    differing.innerDeadBand = 3;
    differing.outerDeadBand = 30;
    differing.pwmFrequency = 90;
    differing.pwmProportion = 40;
    differing.pwmEnabled = 0;
    differing.proportionalCurrent = 70;
    differing.maxProportionalCurrent = 85;
    differing.highSpeed = false;
    Report(1, differing);
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    model.SetZeroPosition(1, 110); // the board's zero moved since
    link.sent.clear();
    debug.clear();

    int64_t requestedAt = -1;
    onPump = [&] {
        if (requestedAt < 0 && !link.sent.empty() && CanMessageCode(link.sent.back().record.Identifier) == 0x08)
            requestedAt = clock.NowMs();
    };
    settings.ApplyControllerSettings(1);
    const int64_t endedAt = clock.NowMs();

    const std::vector<std::pair<int, int>> expected = {
        {0x05, 4}, {0x05, 3}, {0x05, 1}, {0x05, 2},          // outer, inner, maximum, the zero
        {0x0B, -1},                                          // high-speed solenoids
        {0x06, 4}, {0x06, 5}, {0x06, 1}, {0x06, 2}, {0x06, 3}, // current, max current, frequency, proportion, enabled
        {0x08, -1},
        // asked again, one report at a time, every 0.3 s
        {0x0A, -1}, {0x08, -1}, {0x0A, -1}, {0x08, -1}, {0x0A, -1}, {0x08, -1},
    };
    EXPECT_EQ(expected, SentItems(1));
    const TCanRecord& config = link.sent[0].record;
    EXPECT_EQ(40, DataByte(config.DataLow, config.DataHigh, 5));
    EXPECT_EQ(120, DataWord(link.sent[3].record.DataLow, link.sent[3].record.DataHigh, 2));
    EXPECT_EQ(1u, link.sent[4].record.DataLow);
    const TCanRecord& pwm = link.sent[9].record;
    EXPECT_EQ(100, DataWord(pwm.DataLow, pwm.DataHigh, 0));
    EXPECT_EQ(50, DataByte(pwm.DataLow, pwm.DataHigh, 2));
    EXPECT_EQ(1, DataByte(pwm.DataLow, pwm.DataHigh, 3));
    EXPECT_EQ(50, DataByte(pwm.DataLow, pwm.DataHigh, 7));

    EXPECT_TRUE(Debugged("Max Valves Enabled"));
    EXPECT_FALSE(Debugged("settings Unchanged"));
    EXPECT_TRUE(Debugged("apply settings failed for board 1"));
    ASSERT_GE(requestedAt, 0);
    EXPECT_GE(endedAt - requestedAt, 1990);
    EXPECT_LE(endedAt - requestedAt, 2150);
    EXPECT_FALSE(settings.SettingsMatch(1));
    EXPECT_FALSE(settings.ConfigSettingsApplied());
    EXPECT_FALSE(settings.PwmSettingsApplied());
    EXPECT_EQ(std::vector<bool>{false}, dryZeroCalls); // no board armed under CAN control
}

TEST_F(ControllerSettingsTest, EverythingMatchingSendsOnlyTheRequest)
{
    Report(1, TBoardReport{});
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    link.sent.clear();
    const int64_t start = clock.NowMs();
    settings.ApplyControllerSettings(1);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0x08, -1}}), SentItems(1));
    EXPECT_TRUE(Debugged("settings Unchanged"));
    EXPECT_TRUE(Debugged("apply settings PASSED"));
    EXPECT_LT(clock.NowMs() - start, 50);
    EXPECT_TRUE(settings.SettingsMatch(1));
    EXPECT_TRUE(settings.ConfigSettingsApplied());
    EXPECT_TRUE(settings.PwmSettingsApplied());
    EXPECT_TRUE(settings.AllControllerSettingsApplied());
}

TEST_F(ControllerSettingsTest, OnlyTheReportThatDiffersIsAskedForAgain)
{
    TBoardReport r;
    r.pwmProportion = 40;
    Report(1, r);
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    link.sent.clear();
    settings.ApplyControllerSettings(1);
    std::vector<std::pair<int, int>> expected = {{0x06, 2}, {0x08, -1}};
    expected.insert(expected.end(), 6, {0x08, -1});
    EXPECT_EQ(expected, SentItems(1));
}

TEST_F(ControllerSettingsTest, MatchWaitEndsWhenTheBoardReportsTheNewValues)
{
    TBoardReport before;
    before.outerDeadBand = 30;
    before.pwmProportion = 40;
    Report(1, before);
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    int64_t requestedAt = -1;
    bool reported = false;
    onPump = [&] {
        if (requestedAt < 0 && !link.sent.empty() && CanMessageCode(link.sent.back().record.Identifier) == 0x08)
            requestedAt = clock.NowMs();
        if (!reported && requestedAt >= 0 && clock.NowMs() - requestedAt >= 300) {
            reported = true;
            Report(1, TBoardReport{}); // the board took both values
        }
    };
    settings.ApplyControllerSettings(1);
    EXPECT_TRUE(Debugged("apply settings PASSED"));
    EXPECT_LE(clock.NowMs() - requestedAt, 450);
    EXPECT_TRUE(settings.SettingsMatch(1));
    // The displayed board's reports set both flags again: ready to go.
    EXPECT_EQ(1, settings.DisplayedBoard());
    EXPECT_TRUE(settings.ConfigSettingsApplied());
    EXPECT_TRUE(settings.PwmSettingsApplied());
    EXPECT_GE(readyTests, 1);
    EXPECT_EQ("", view.labels[0]);
}

TEST_F(ControllerSettingsTest, ModesWithoutDryZeroParkTheGateAndAnArmedDryGateUnparks)
{
    mode = 0;
    TBoardReport r;
    r.minimumOpen = 100; // does not match the zero
    Report(1, r);
    StoreSection(1);
    WriteSection(ControllerSettingsSectionForMode(1, 1), StoredSettings());
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    settings.ApplyControllerSettings(1);
    EXPECT_EQ((std::vector<bool>{false, false}), dryZeroCalls);

    dryZeroCalls.clear();
    mode = 1;
    r.armed = r.underCanControl = true;
    Report(1, r);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    settings.ApplyControllerSettings(1);
    EXPECT_EQ(std::vector<bool>{true}, dryZeroCalls);
    EXPECT_TRUE(model.UsingDryZero());
}

// Checking

TEST_F(ControllerSettingsTest, MismatchTextNamesTheWrongValuesInOrder)
{
    TBoardReport wrong;
    wrong.outerDeadBand = 30;
    wrong.innerDeadBand = 3;
    Report(1, wrong);
    Report(2, wrong);
    StoreSection(1);
    StoreSection(2);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    ASSERT_TRUE(settings.LoadControllerSettings(2));
    EXPECT_FALSE(settings.CheckControllerSettings(1));
    EXPECT_EQ("Missmatched 1: OuterDeadBand InnerDeadBand ", view.labels[0]);
    EXPECT_FALSE(settings.CheckControllerSettings(2));
    EXPECT_EQ("Missmatched 2: OuterDeadBand InnerDeadBand ", view.labels[1]);

    TBoardReport all;
    all.minimumOpen = 1;
    all.maximumOpen = 1;
    all.outerDeadBand = 1;
    all.innerDeadBand = 1;
    all.proportionalCurrent = 1;
    all.maxProportionalCurrent = 1;
    all.pwmFrequency = 1;
    all.pwmProportion = 1;
    all.pwmEnabled = 0;
    all.highSpeed = false;
    Report(1, all);
    EXPECT_FALSE(settings.CheckControllerSettings(1));
    EXPECT_EQ("Missmatched 1: MinimumOpen MaximumOpen OuterDeadBand InnerDeadBand ProportionalCurrent "
              "MaxProportionalCurrent PWM_Frequency PWM_Proportion PWM_Enabled HighSpeedSolenoids ",
              view.labels[0]);

    Report(1, TBoardReport{});
    EXPECT_TRUE(settings.CheckControllerSettings(1));
    EXPECT_EQ("", view.labels[0]);
}

TEST(ControllerSettingsRules, MinimumRuleByModeDryZeroAndEcho)
{
    using test::SettingsRig;
    // Stored: zero 120, dry zero 150.
    struct Case {
        int mode;
        bool dryZeroInUse;
        uint16_t reportedMinimum;
        int echoedDrySeal; // -1: no echo received
        bool matches;
    };
    const Case cases[] = {
        {0, false, 120, -1, true},  {0, false, 150, -1, false}, {2, true, 120, -1, true},
        {1, false, 120, -1, true},  {1, true, 150, -1, true},   {1, true, 120, -1, false},
        {1, true, 120, 150, true},  {1, true, 120, 140, false}, {4, false, 150, 150, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " in use " << c.dryZeroInUse << " min "
                                        << c.reportedMinimum << " echo " << c.echoedDrySeal);
        SettingsRig rig;
        rig.mode = c.mode;
        rig.WriteSection(ControllerSettingsSectionForMode(c.mode, 1), StoredSettings());
        TBoardReport r;
        r.minimumOpen = c.reportedMinimum;
        if (c.mode == 2)
            r.maximumOpen = 120; // the wet sealed gate's maximum is its zero
        rig.Report(1, r);
        ASSERT_TRUE(rig.settings.LoadControllerSettings(1));
        rig.model.SetDryZeroPosition(1, 150); // fire gate and wet sealed do not load it
        rig.model.MutableState().usingDryZero = c.dryZeroInUse;
        if (c.echoedDrySeal >= 0)
            rig.Feed(test::Report(0x19, 1, {uint8_t(c.echoedDrySeal), uint8_t(c.echoedDrySeal >> 8), 0, 120, 0}));
        rig.model.MutableState().usingDryZero = c.dryZeroInUse;
        EXPECT_EQ(c.matches, rig.settings.CheckControllerSettings(1));
    }
}

TEST_F(ControllerSettingsTest, AllAppliedNeedsEveryBoardInFireGateModeOnlyTheFirstOtherwise)
{
    EXPECT_FALSE(settings.AllControllerSettingsApplied()); // no board
    Report(1, TBoardReport{});
    Report(2, TBoardReport{});
    settings.SetSettingsMatch(1, true);
    settings.SetSettingsMatch(2, false);
    mode = 0;
    EXPECT_FALSE(settings.AllControllerSettingsApplied());
    settings.SetSettingsMatch(2, true);
    EXPECT_TRUE(settings.AllControllerSettingsApplied());
    mode = 1;
    settings.SetSettingsMatch(2, false);
    EXPECT_TRUE(settings.AllControllerSettingsApplied());
    settings.SetSettingsMatch(1, false);
    EXPECT_FALSE(settings.AllControllerSettingsApplied());
}

TEST_F(ControllerSettingsTest, ReadyTestRunsOnlyWithBothAppliedFlags)
{
    settings.SetDisplayedBoard(1);
    settings.ResetAppliedFlags();
    settings.SetSettingsMatch(1, true);
    EXPECT_EQ(0, readyTests);
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    Report(1, TBoardReport{}); // Config and PMW Status of the displayed board
    EXPECT_TRUE(settings.ConfigSettingsApplied());
    EXPECT_TRUE(settings.PwmSettingsApplied());
    EXPECT_GE(readyTests, 1);
    EXPECT_TRUE(settings.SettingsMatch(1));
}

// Status handlers and the displayed board

TEST_F(ControllerSettingsTest, ReportsSettleTheDisplayedBoardAndShowItsReadbacks)
{
    StoreSection(2);
    TBoardReport r;
    r.outerDeadBand = 33;
    Report(2, r);
    EXPECT_EQ(2, settings.DisplayedBoard());
    EXPECT_EQ(33, view.readback.outerDeadBand);
    EXPECT_EQ(95, view.readback.maxProportionalCurrent);
    EXPECT_TRUE(view.readback.showDryZero);
    EXPECT_GE(view.readbacks, 2);
    // The PMW report becomes the data of the next PWM command.
    const TCommandData& pwm = model.Board(2).command[ciSetPwmParameters];
    EXPECT_EQ(100, pwm.Word(0));
    EXPECT_EQ(50, pwm.Byte(2));
    EXPECT_EQ(1, pwm.Byte(3));
    EXPECT_EQ(80, pwm.Byte(4));
    EXPECT_EQ(95, pwm.Byte(5));
}

TEST_F(ControllerSettingsTest, MismatchColoursMarkWhatTheBoardDisagreesWith)
{
    settings.SetDisplayedBoard(1);
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    TBoardReport r;
    r.maximumOpen = 800;
    r.pwmEnabled = 0;
    r.minimumOpen = 150;
    Report(1, r);
    settings.ShowSettingsMismatch(1);
    EXPECT_EQ((std::set<int>{cskSealedPosition, cskMaximumOpening, cskPwmEnabled}), view.marks);
    model.MutableState().usingDryZero = true; // the minimum is now the dry zero: right
    settings.ShowSettingsMismatch(1);
    EXPECT_EQ((std::set<int>{cskMaximumOpening, cskPwmEnabled}), view.marks);
    // Another board's mismatch does not colour the page.
    view.marks.clear();
    settings.ShowSettingsMismatch(2);
    EXPECT_TRUE(view.marks.empty());
}

TEST_F(ControllerSettingsTest, HighSpeedChangeIsHandledOnceAndRechecks)
{
    settings.SetDisplayedBoard(1);
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    Report(1, TBoardReport{});
    EXPECT_TRUE(settings.HighSpeedStatusChanged(1));
    EXPECT_TRUE(view.highSpeedReadback);
    EXPECT_TRUE(settings.SettingsMatch(1));
    EXPECT_FALSE(settings.HighSpeedStatusChanged(1));
}

TEST_F(ControllerSettingsTest, LeftAndRightLoadTheirBoard)
{
    auto right = StoredSettings();
    right["SetOuterDeadBand"] = "44";
    StoreSection(1);
    StoreSection(2, right);
    Report(1, TBoardReport{});
    settings.SelectDisplayedBoard(false);
    EXPECT_EQ(2, settings.DisplayedBoard());
    EXPECT_EQ(44, view.values[cskOuterDeadBand]);
    settings.SelectDisplayedBoard(true);
    EXPECT_EQ(1, settings.DisplayedBoard());
    EXPECT_EQ(40, view.values[cskOuterDeadBand]);
    EXPECT_EQ(40, view.readback.outerDeadBand);
}

// Editing

TEST_F(ControllerSettingsTest, TakenEditsBecomeTheDisplayedBoardsSettings)
{
    settings.SetDisplayedBoard(2);
    TBoardSettings values = DefaultBoardSettings();
    values[cskSealedPosition] = 111;
    values[cskDryZeroOpening] = 222;
    values[cskMaximumOpening] = 999;
    values[cskPwmEnabled] = 1;
    settings.TakeSettingsEdits(values);
    EXPECT_EQ(111, model.ZeroPosition(2));
    EXPECT_EQ(222, model.DryZeroPosition(2));
    EXPECT_EQ(999, settings.Values(2)[cskMaximumOpening]);
    EXPECT_EQ(1, settings.Values(2)[cskPwmEnabled]);

    mode = 2;
    values[cskMaximumOpening] = 555;
    values[cskDryZeroOpening] = 333;
    settings.TakeSettingsEdits(values);
    EXPECT_EQ(999, settings.Values(2)[cskMaximumOpening]);
    EXPECT_EQ(222, model.DryZeroPosition(2));
}

TEST_F(ControllerSettingsTest, SavingTheDisplayedBoardStoresLoadsAndApplies)
{
    TBoardReport r;
    r.innerDeadBand = 3;
    Report(1, r);
    settings.SetDisplayedBoard(1);
    StoreSection(1);
    ASSERT_TRUE(settings.LoadControllerSettings(1));
    TBoardSettings values = settings.Values(1);
    values[cskInnerDeadBand] = 6;
    settings.TakeSettingsEdits(values);
    link.sent.clear();
    settings.SaveDisplayedBoard();
    EXPECT_EQ("6", TMemIniFile(ini.FileName()).ReadString(Section(1), "SetInnerDeadBand", ""));
    const std::vector<std::pair<int, int>> sent = SentItems(1);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0x05, 3}, {0x08, -1}}), decltype(sent)(sent.begin(), sent.begin() + 2));
    EXPECT_TRUE(Debugged("apply settings failed for board 1"));
}

} // namespace
} // namespace orv
