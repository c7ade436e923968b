#include "tests/app/modes/ModeTestSupport.h"
#include "app/GoActive.h"
#include "ui/PageTable.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::ModeRig;

class PrimaryMode : public ::testing::Test {
protected:
    void SetUp() override
    {
        rig.Board(0);
        rig.host.pageMode = osNominal;
        rig.host.shownPage = pgSelectPrimaryMode;
        rig.controller.Start();
    }
    void Set(uint8_t mode)
    {
        rig.controller.State().primaryMode = mode;
        rig.controller.Modes().NewQuantities();
        rig.controller.Modes().SetPrimaryMode(mode);
    }
    // Positions of the Control Messages sent (each once: the fake link is a GPIO board).
    std::vector<int> SentPositions() const
    {
        std::vector<int> positions;
        for (const auto& s : rig.link.sent)
            if (CanMessageCode(s.record.Identifier) == 0x01)
                positions.push_back(DataByte(s.record.DataLow, s.record.DataHigh, 0) |
                                    DataByte(s.record.DataLow, s.record.DataHigh, 1) << 8);
        return positions;
    }
    ModeRig rig;
};

TEST_F(PrimaryMode, StartReadsTheStoredModeAndChecksItsButton)
{
    EXPECT_EQ(rig.controller.PrimaryMode(), pmDryMaterial);
    EXPECT_TRUE(rig.host.view.Checked(rcModeRadio1));
    EXPECT_EQ(rig.host.view.Text(rcGateBanner), "Orvane Gate is NOT ARMED");
    EXPECT_EQ(rig.host.view.Text(rcDryBanner), "ORVANE INLINE GATE");
    EXPECT_EQ(rig.host.view.Text(rcMeteringBanner), "ORVANE INLINE GATE");
}

TEST(PrimaryModeStart, WithoutThePrimaryModeSectionDryMaterialIsWritten)
{
    ModeRig rig;
    rig.host.ini.EraseSection("PrimaryMode");
    rig.controller.Start();
    EXPECT_EQ(rig.controller.PrimaryMode(), pmDryMaterial);
    TMemIniFile disk(rig.home.File("LastSelectedPreset.ini"));
    EXPECT_EQ(disk.ReadInteger("PrimaryMode", "PrimaryModeID", -1), 1);
}

TEST_F(PrimaryMode, FireGate)
{
    rig.controller.SetDryZeroInUse(true); // unparked before the change
    ASSERT_TRUE(rig.model.UsingDryZero());
    Set(pmFireGate);
    ASSERT_NE(rig.controller.Preset(), nullptr);
    EXPECT_FALSE(rig.controller.Preset()->Dry());
    EXPECT_EQ(rig.controller.Preset()->SectionName(), "WATER Level 5.0");
    ASSERT_NE(rig.controller.Quantities(), nullptr);
    EXPECT_FLOAT_EQ(rig.controller.Quantities()->CoverageLevel(), 5.0f);
    EXPECT_EQ(rig.controller.Quantities()->Preset(), rig.controller.Preset());
    EXPECT_FALSE(rig.controller.State().flowBlocked);
    EXPECT_FALSE(rig.model.UsingDryZero()) << "the fire gate is parked";
    EXPECT_EQ(rig.host.view.Text(rcGateLeakage), "2%");
    EXPECT_EQ(rig.host.view.Text(rcGateLevel), "5.0");
    EXPECT_EQ(rig.host.view.Items(rcGateMaterial), (std::vector<std::string>{"RETARDANT", "WATER"}));
    EXPECT_EQ(rig.host.view.selected[rcGateMaterial], 1);
    EXPECT_EQ(rig.host.pageMode, osNominal);
    EXPECT_TRUE(rig.host.updateQuantities);
    EXPECT_EQ(rig.host.gpsStarts, 1);
}

TEST_F(PrimaryMode, DryMaterial)
{
    rig.model.setPos(0, 600);
    Set(pmDryMaterial);
    ASSERT_NE(rig.controller.Preset(), nullptr);
    EXPECT_TRUE(rig.controller.Preset()->Dry());
    EXPECT_EQ(rig.controller.Preset()->SectionName(), "Urea");
    EXPECT_EQ(rig.host.view.selected[rcDryPresetCombo], 0);
    EXPECT_EQ(rig.host.view.Items(rcDryPresetCombo).size(), 4u);
    EXPECT_EQ(rig.model.CommandedPosition(0), 120) << "every board is set to its sealed position";
    EXPECT_TRUE(rig.host.view.enabled[rcDryAutoBump]);
    EXPECT_TRUE(rig.host.view.Visible(rcDryTankGauge));
    EXPECT_EQ(rig.host.view.Text(rcDryRateValue), "150.0 kg/ha");
    EXPECT_EQ(rig.host.view.Text(rcDrySwathValue), "22.0 m");
    EXPECT_FALSE(rig.controller.State().flowBlocked);
    TMemIniFile disk(rig.home.File("LastSelectedPreset.ini"));
    EXPECT_EQ(disk.ReadString("Controller Settings for Mode:1", "Current Preset", ""), "Urea");
}

TEST_F(PrimaryMode, DryMaterialWithAnUnknownPresetTakesTheFirstListed)
{
    rig.host.ini.WriteString("Controller Settings for Mode:1", "Current Preset", "Gone");
    Set(pmDryMaterial);
    ASSERT_NE(rig.controller.Preset(), nullptr);
    EXPECT_EQ(rig.controller.Preset()->SectionName(), "Urea");
}

TEST_F(PrimaryMode, DryMaterialWithoutPresetsOrCalibrationsAsksForService)
{
    rig.home.Write("DryMaterialPresets.ini", "[PRESETS]\n");
    rig.host.calibrationsEmpty = true;
    Set(pmDryMaterial);
    EXPECT_EQ(rig.controller.Preset(), nullptr);
    EXPECT_TRUE(rig.host.Debugged("calling DoingService at SetPrimaryMode,tlts_DryMaterial"));
    EXPECT_TRUE(rig.host.pageMode & osService);
}

TEST_F(PrimaryMode, WetSealed)
{
    rig.controller.SetDryZeroInUse(true); // unparked before the change
    ASSERT_TRUE(rig.model.UsingDryZero());
    rig.model.setPos(0, 600); // the previous mode's opening
    rig.link.sent.clear();
    Set(pmWetSealed);
    EXPECT_EQ(rig.controller.Preset(), nullptr);
    EXPECT_EQ(rig.controller.Quantities(), nullptr);
    EXPECT_TRUE(rig.controller.State().flowBlocked);
    EXPECT_EQ(rig.controller.State().gpsCapabilities, 0);
    EXPECT_FALSE(rig.host.view.enabled[rcDryGpsSpeed]);
    EXPECT_FALSE(rig.model.UsingDryZero()) << "the wet sealed gate is parked";
    EXPECT_EQ(rig.model.CommandedPosition(0), 120) << "closed on the sealed position";
    EXPECT_EQ(SentPositions(), std::vector<int>{120});
    EXPECT_TRUE(rig.host.updateQuantities);
    // Going live needs no preset here.
    rig.host.shownPage = pgRunWetSealed;
    EXPECT_NO_THROW(rig.controller.GoActive().GoLive());
}

TEST_F(PrimaryMode, MeteringPlate)
{
    rig.model.setPos(0, 600); // the previous mode's opening
    rig.link.sent.clear();
    Set(pmMeteringPlate);
    EXPECT_TRUE(rig.controller.State().flowBlocked);
    EXPECT_EQ(rig.controller.State().gpsCapabilities, 0);
    EXPECT_EQ(rig.controller.State().gpsFlags, 0);
    EXPECT_EQ(rig.model.CommandedPosition(0), 150) << "closed on the dry zero";
    EXPECT_EQ(SentPositions(), std::vector<int>{150});
}

TEST_F(PrimaryMode, AModeWithoutFlowSendsNoPositionItDoesNotKnow)
{
    rig.model.SetZeroPosition(0, 0); // never loaded
    rig.model.setPos(0, 600);
    rig.link.sent.clear();
    for (uint8_t mode : {pmWetSealed, pmMeteringPlate}) {
        Set(mode);
        EXPECT_TRUE(SentPositions().empty()) << int(mode);
    }
}

TEST_F(PrimaryMode, SimpleDry)
{
    rig.host.ini.WriteFloat("Simple", "FixedSpeed", 50.0);
    rig.host.ini.WriteFloat("Simple", "FixedOpening", 0.04);
    Set(pmSimpleDry);
    ASSERT_NE(rig.controller.Preset(), nullptr);
    EXPECT_EQ(rig.controller.Preset()->SectionName(), "Simple");
    EXPECT_TRUE(rig.controller.Preset()->Valid());
    EXPECT_FLOAT_EQ(rig.controller.Quantities()->FixedSpeed(), 50.0f);
    EXPECT_FLOAT_EQ(rig.controller.Quantities()->FixedOpening(), 0.04f);
    EXPECT_EQ(rig.host.view.Text(rcSimpleFixedTarget), "Fixed Target: 4.0 cm");
    EXPECT_EQ(rig.host.view.Text(rcSimpleStep0), "+ 2");
    EXPECT_EQ(rig.model.CommandedPosition(0), 120);
    EXPECT_FALSE(rig.controller.State().flowBlocked);
}

TEST_F(PrimaryMode, SettingsNotAppliedShowTheServicePages)
{
    rig.host.applyMatches = {false, false, false};
    Set(pmDryMaterial);
    EXPECT_TRUE(rig.host.Debugged("calling Doing Service at SetPrimaryMode"));
    EXPECT_EQ(rig.host.pageMode, osNominal | osService);
    EXPECT_EQ(rig.host.shownPage, pgSelectPrimaryMode);
    EXPECT_TRUE(rig.host.updateQuantities);
    EXPECT_EQ(rig.controller.Preset(), nullptr) << "the mode's set-up stops before the preset";
}

TEST_F(PrimaryMode, VersionsRecord)
{
    Set(pmDryMaterial);
    TMemIniFile disk(rig.home.File("LastSelectedPreset.ini"));
    EXPECT_EQ(disk.ReadString("Versions", "Application", ""), "1.2.3");
    EXPECT_TRUE(disk.ValueExists("Versions", "Firmware"));
}

TEST(PrimaryModeDual, GateIsDualCorrectedAndRightBoardOnlyAfterTheLeft)
{
    ModeRig rig;
    rig.Board(1);
    rig.Board(2);
    rig.host.pageMode = osNominal;
    rig.controller.Start();
    rig.host.ini.WriteBool("Controller Settings for Mode:1", "GateIsDual", false);
    rig.host.applyMatches = {true, false, true};
    rig.controller.Modes().NewQuantities();
    rig.controller.Modes().SetPrimaryMode(pmDryMaterial);
    EXPECT_TRUE(rig.controller.State().gateIsDual);
    TMemIniFile disk(rig.home.File("LastSelectedPreset.ini"));
    EXPECT_TRUE(disk.ReadBool("Controller Settings for Mode:1", "GateIsDual", false));
    EXPECT_EQ(rig.host.applies, (std::vector<int>{1})) << "the right board waits for the left";

    rig.host.applies.clear();
    rig.host.applyMatches = {true, true, true};
    rig.controller.Modes().SetPrimaryMode(pmDryMaterial);
    EXPECT_EQ(rig.host.applies, (std::vector<int>{1, 2}));
}

TEST_F(PrimaryMode, RadioClickStartsTheChainOnlyWhenCheckedAndNominal)
{
    rig.host.view.checked[rcModeRadio0] = false;
    rig.controller.Action(raModeRadio, pmFireGate);
    EXPECT_EQ(rig.controller.PrimaryMode(), pmDryMaterial);
    EXPECT_FALSE(rig.controller.Events().Pending(reNewQuantities));
    EXPECT_FALSE(rig.host.view.Enabled(rcGoActive));

    rig.host.view.checked[rcModeRadio0] = true;
    rig.controller.Action(raModeRadio, pmFireGate);
    EXPECT_EQ(rig.controller.PrimaryMode(), pmFireGate);
    EXPECT_TRUE(rig.controller.Events().Pending(reNewQuantities));
    TMemIniFile disk(rig.home.File("LastSelectedPreset.ini"));
    EXPECT_EQ(disk.ReadInteger("PrimaryMode", "PrimaryModeID", -1), 0);
}

TEST_F(PrimaryMode, ChainFromControllerReadyToActiveGate)
{
    rig.host.pageMode = osFailure;
    rig.controller.OnControllerReady();
    EXPECT_EQ(rig.host.pageMode, osNominal);
    for (int i = 0; i < 5 && rig.controller.Events().PendingSet(); ++i)
        rig.controller.TimerRunEventTimer();
    EXPECT_EQ(rig.controller.Events().PendingSet(), 0);
    ASSERT_NE(rig.controller.Preset(), nullptr);
    EXPECT_TRUE(rig.host.view.Enabled(rcGoActive));
    EXPECT_EQ(rig.host.pageMode, osNominal);
}

TEST_F(PrimaryMode, ReadinessAndItsWarning)
{
    rig.host.applyMatches = {false, false, false};
    rig.controller.GoActive().TestReadyToGoActive();
    EXPECT_FALSE(rig.host.view.Enabled(rcGoActive));
    EXPECT_TRUE(rig.host.view.Visible(rcNotReadyWarning));
    EXPECT_EQ(rig.host.view.Text(rcNotReadyWarning), TGoActive::kNotReadyWarning);
    EXPECT_NE(std::string(TGoActive::kNotReadyWarning).find("You must reset these under the Configuration tab"),
              std::string::npos);
    EXPECT_TRUE(rig.host.Debugged("calling DoingService at TestReadyToGoActive"));
    EXPECT_EQ(rig.host.pageMode, osNominal | osService);

    // Already in service: no second request.
    rig.host.debug.clear();
    rig.controller.GoActive().TestReadyToGoActive();
    EXPECT_FALSE(rig.host.Debugged("calling DoingService at TestReadyToGoActive"));

    rig.host.match = {true, true, true};
    EXPECT_TRUE(rig.controller.GoActive().TestReadyToGoActive());
    EXPECT_TRUE(rig.host.view.Enabled(rcGoActive));
    EXPECT_FALSE(rig.host.view.Visible(rcNotReadyWarning));
}

TEST_F(PrimaryMode, ReadinessNeedsEveryBoardOnTheFireGateAndSomeBoard)
{
    ModeRig empty;
    EXPECT_FALSE(empty.controller.GoActive().TestReadyToGoActive()) << "no board present";
}

TEST_F(PrimaryMode, GoLiveRefusesAnInvalidPresetAndNeedsTheNominalLink)
{
    Set(pmDryMaterial);
    rig.home.Write("DryMaterialPresets.ini",
                   "[PRESETS]\nBad=\n[Bad CONSTANTS]\nLastAppRate=1\n[Bad OPENING_TO_FLOW_RELATIVES]\n0=0\n");
    rig.controller.Preset()->LoadPreset("Bad");
    ASSERT_FALSE(rig.controller.Preset()->Valid());
    EXPECT_THROW(rig.controller.GoActive().GoLive(), std::runtime_error);
    EXPECT_TRUE(rig.host.view.Visible(rcPresetNotValid));

    rig.host.pageMode = osService;
    rig.controller.GoActive().GoLive();
    EXPECT_EQ(rig.host.failurePages, 1);
}

TEST_F(PrimaryMode, GoActiveAfterAModePickedOutsideTheChainMakesItsQuantities)
{
    Set(pmWetSealed);
    rig.host.pageMode = osNominal | osService;
    rig.controller.State().primaryMode = pmFireGate;
    rig.controller.Action(raGoActive, 0);
    ASSERT_NE(rig.controller.Quantities(), nullptr);
    EXPECT_EQ(rig.controller.Quantities()->PrimaryMode(), pmFireGate);
    EXPECT_NE(rig.controller.Preset(), nullptr);
    EXPECT_EQ(rig.host.pageMode, osNominal);
}

TEST_F(PrimaryMode, TimerSettingsDifferOnlyWhereTheBoardDiffers)
{
    rig.Status(0, 120, false, false, false, 1, 125);
    rig.link.sent.clear();
    rig.controller.ApplyTimerSettings();
    ASSERT_EQ(rig.link.sent.size(), 1u);
    const TCanRecord& r = rig.link.sent[0].record;
    EXPECT_EQ(DataByte(r.DataLow, r.DataHigh, 4), 0) << "timer mode off";
    EXPECT_EQ(DataByte(r.DataLow, r.DataHigh, 5), 0) << "time delay 0";

    rig.Status(0, 120, false, false, false, 0, 0);
    rig.link.sent.clear();
    rig.controller.ApplyTimerSettings();
    EXPECT_TRUE(rig.link.sent.empty());

    rig.controller.Action(raTestTimerMode, 0);
    ASSERT_EQ(rig.link.sent.size(), 1u);
    const TCanRecord& t = rig.link.sent[0].record;
    EXPECT_EQ(DataByte(t.DataLow, t.DataHigh, 4), 1);
    EXPECT_EQ(DataByte(t.DataLow, t.DataHigh, 5), 125);
}

} // namespace
} // namespace orv
