#include "app/GateBanner.h"
#include "app/ParkState.h"
#include "tests/app/modes/ModeTestSupport.h"
#include "ui/PageTable.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr uint16_t A = 0x01;  // Under Can Control (AUTO)
constexpr uint16_t R = 0x02;  // Armed
constexpr uint16_t T = 0x04;  // Timer Mode On
constexpr uint16_t F = 0x10;  // Foam Out Selected

struct BannerCase {
    const char* name;
    bool runGate;
    std::vector<uint16_t> flags;
    const char* text;
    TViewColour colour;
    bool manual;
};

TEST(GateBanner, FirstMatchingRowWins)
{
    const BannerCase cases[] = {
        {"foam on the gate page", true, {A | R | F}, "Orvane: FOAMING IN PROGRESS!", TViewColour::Magenta, false},
        {"foam is no row on the dry page", false, {A | R | F}, "Orvane Gate is ARMED AND READY", TViewColour::Green, false},
        {"armed and auto", true, {A | R}, "Orvane Gate is ARMED AND READY", TViewColour::Green, false},
        {"auto only", true, {A}, "Orvane Gate is in AUTO, but NOT ARMED", TViewColour::Yellow, false},
        {"armed only", true, {R}, "Orvane Gate is ARMED but under MANUAL CONTROL", TViewColour::Cream, true},
        {"nothing", true, {0}, "Orvane Gate is NOT ARMED and under MANUAL CONTROL", TViewColour::SkyBlue, true},
        {"no board", false, {}, "Orvane Gate is NOT ARMED and under MANUAL CONTROL", TViewColour::SkyBlue, true},
        // Every board on the gate page, any board on the dry page.
        {"gate: one of two armed", true, {A | R, A}, "Orvane Gate is in AUTO, but NOT ARMED", TViewColour::Yellow, false},
        {"dry: one of two armed", false, {A | R, A}, "Orvane Gate is ARMED AND READY", TViewColour::Green, false},
        {"gate: one of two auto", true, {A | R, R}, "Orvane Gate is ARMED but under MANUAL CONTROL", TViewColour::Cream, true},
    };
    for (const auto& c : cases) {
        const TGateBannerState s = ComputeGateBanner({c.runGate, c.flags, false, false});
        EXPECT_EQ(s.text, c.text) << c.name;
        EXPECT_EQ(s.colour, c.colour) << c.name;
        EXPECT_EQ(s.showManual, c.manual) << c.name;
    }
}

TEST(GateBanner, WarningLines)
{
    EXPECT_EQ(ComputeGateBanner({true, {A | R | T}, false, false}).warnings,
              (std::vector<std::string>{"Timer is enabled, and should not be!!!"}));
    EXPECT_EQ(ComputeGateBanner({false, {A | T | F}, false, false}).warnings,
              (std::vector<std::string>{"Foaming is enabled, and should not be!!!",
                                        "Timer is enabled, and should not be!!!"}));
    EXPECT_TRUE(ComputeGateBanner({false, {A | R}, false, false}).warnings.empty());
}

TEST(GateBanner, NotParkedSheetOnlyInTheNotArmedRowsWhileTheDryZeroIsInUse)
{
    struct Case {
        std::vector<uint16_t> flags;
        bool dryZero;
        bool shown;
        TParkSheetAction action;
        const char* log;
    };
    const Case cases[] = {
        {{A}, true, false, TParkSheetAction::ShowParkWarning, "Showing Park Warning in auto, not armed"},
        {{0}, true, false, TParkSheetAction::ShowParkWarning, "Showing Park Warning in manual, not armed"},
        {{A}, false, false, TParkSheetAction::None, ""},
        {{A}, true, true, TParkSheetAction::None, ""},
        {{A | R}, true, true, TParkSheetAction::ShowPresetSheet, ""},
        {{R}, true, true, TParkSheetAction::ShowPresetSheet, ""},
        {{A | R}, true, false, TParkSheetAction::None, ""},
    };
    for (const auto& c : cases) {
        const TGateBannerState s = ComputeGateBanner({false, c.flags, c.dryZero, c.shown});
        EXPECT_EQ(s.parkSheet, c.action);
        EXPECT_EQ(s.logLine, c.log);
    }
    // Never on the gate page.
    EXPECT_EQ(ComputeGateBanner({true, {A}, true, false}).parkSheet, TParkSheetAction::None);
}

TEST(ParkRule, Table)
{
    struct Case {
        uint8_t mode;
        bool want;
        uint16_t flags;
        bool pilot;
        bool modelDryZero;
        bool result;
    };
    const Case cases[] = {
        // Auto, armed, pilot switch on, parked: unpark in the dry modes.
        {1, false, A | R, true, false, true},
        {3, false, A | R, true, false, true},
        {4, false, A | R, true, false, true},
        {0, false, A | R, true, false, false},
        {2, false, A | R, true, false, false},
        // Not without the pilot switch, nor without auto.
        {1, false, A | R, false, false, false},
        {1, false, R, true, false, false},
        // Armed under manual control with the dry zero in use: park, in every mode.
        {0, true, R, false, true, false},
        {1, true, R, true, true, false},
        {2, true, R, false, true, false},
        // Otherwise the choice stays.
        {1, true, A | R, true, true, true},
        {1, true, 0, false, true, true},
        {1, false, R, false, false, false},
    };
    for (const auto& c : cases) {
        TStatusRecord s;
        s.flags = c.flags;
        s.pilotSwitch = c.pilot;
        EXPECT_EQ(TParkState::ParkRule(c.mode, c.want, s, c.modelDryZero), c.result)
            << "mode " << int(c.mode) << " flags " << c.flags << " pilot " << c.pilot;
    }
}

TEST(ParkState, ButtonCaptionsAndTheArmedCondition)
{
    test::ModeRig rig;
    rig.Board(0);
    TParkState& park = rig.controller.Park();
    park.SetDryZeroInUse(true);
    EXPECT_EQ(rig.host.view.Text(rcDryParkButton), "Park");
    EXPECT_EQ(rig.host.view.Text(rcSimpleParkButton), "Park");
    EXPECT_TRUE(rig.model.UsingDryZero());

    // Not under CAN control and armed: the button does nothing.
    park.ParkButtonClick();
    EXPECT_TRUE(park.DryZeroInUse());
    rig.Status(0, 120, true, false);
    park.ParkButtonClick();
    EXPECT_TRUE(park.DryZeroInUse());

    rig.Status(0, 120, true, true);
    park.ParkButtonClick();
    EXPECT_FALSE(park.DryZeroInUse());
    EXPECT_EQ(rig.host.view.Text(rcDryParkButton), "UnPark");
    EXPECT_EQ(rig.host.view.Text(rcSimpleParkButton), "UnPark");
}

TEST(ParkState, StatusChangesUnparkAndParkExceptOnCycleTests)
{
    test::ModeRig rig;
    rig.Board(0);
    rig.controller.State().primaryMode = pmDryMaterial;
    rig.controller.SetDryZeroInUse(false);

    rig.Status(0, 120, true, true, true);
    rig.controller.StatusFlagsChanged(0);
    EXPECT_TRUE(rig.controller.DryZeroInUse()) << "armed in auto with the pilot switch on unparks";

    rig.Status(0, 120, false, true, false);
    rig.host.shownPage = pgCycleTests;
    rig.controller.StatusFlagsChanged(0);
    EXPECT_TRUE(rig.controller.DryZeroInUse()) << "the cycle tests own the gate";

    rig.host.shownPage = pgRunDryMaterial;
    rig.controller.StatusFlagsChanged(0);
    EXPECT_FALSE(rig.controller.DryZeroInUse()) << "armed under manual control parks";
}

TEST(ParkState, BannerOfTheDryPageShowsTheParkWarning)
{
    test::ModeRig rig;
    rig.Board(0);
    rig.controller.State().primaryMode = pmDryMaterial;
    rig.controller.SetDryZeroInUse(true);
    rig.Status(0, 120, true, false);
    rig.controller.Displays().ShowGateBanner();
    EXPECT_EQ(rig.host.view.Text(rcDryBanner), "Orvane Gate is in AUTO, but NOT ARMED");
    EXPECT_EQ(rig.host.view.colour[rcDryBanner], TViewColour::Yellow);
    EXPECT_EQ(rig.host.view.Sheet(rcDryPages), dsPark);
    rig.Status(0, 120, true, true);
    rig.controller.Displays().ShowGateBanner();
    EXPECT_EQ(rig.host.view.Sheet(rcDryPages), dsCurrent);
}

} // namespace
} // namespace orv
