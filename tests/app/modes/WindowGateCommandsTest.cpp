// What the real window commands the simulated gate to do, through what a pilot
// does: a switch already on at start, a damaged settings file, a GPS that does
// not come back after a recovery, a change to a mode that keeps the gate shut.
#include "app/FormCanComport.h"
#include "app/ModeController.h"
#include "store/IniFile.h"
#include "tests/app/WindowWithSim.h"
#include "ui/PageTable.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTabWidget>

#include <cstdlib>
#include <gtest/gtest.h>

namespace orv {
namespace {

constexpr int kControllerPort = 2;
constexpr int kNavPort = 3;

// Urea of the factory presets through the factory tables and gate settings
// (sealed 100, dry zero 150, maximum 900): 406 at 30 m/s, 645 at the preset's
// fixed speed of 60 m/s (see RunModesEndToEndTest).
constexpr int kUreaAt30 = 406;
constexpr int kUreaAtFixedSpeed = 645;
constexpr int kSealed = 100;
constexpr int kDryZero = 150;

std::vector<std::string> SimArgs(bool pilotOn)
{
    std::vector<std::string> a = {"--link", "usbcan", "--port", std::to_string(kControllerPort), "--status-rate", "10",
                                  "--run", "board 0 armed on", "--run", "board 0 cancontrol on", "--nav", "nmea",
                                  "--nav-port", std::to_string(kNavPort), "--nav-baud", "4800", "--speed-profile",
                                  "const:30"};
    if (pilotOn) {
        a.push_back("--run");
        a.push_back("board 0 pilot on");
    }
    return a;
}

bool Ok(const std::string& answer)
{
    return answer.rfind("OK", 0) == 0;
}

// The value of a simulated board's field ("board 0 min" answers "OK ... 500").
int SimField(test::SimProcess& sim, const std::string& field)
{
    const std::string answer = sim.Command("board 0 " + field);
    const size_t at = answer.rfind(' ');
    return !Ok(answer) || at == std::string::npos ? -1 : std::atoi(answer.c_str() + at + 1);
}

// The simulator's log lines that contain `text`.
std::vector<std::string> LogLines(const test::SimProcess& sim, const std::string& text)
{
    std::vector<std::string> lines;
    const std::string log = sim.LogText();
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.find(text) != std::string::npos)
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& l : lines)
        text += l + "\n";
    return text;
}

std::string LabelText(TFormCanComport& form, const char* name)
{
    QLabel* label = form.findChild<QLabel*>(name);
    return label ? label->text().toStdString() : std::string("<no label ") + name + ">";
}

void Click(TFormCanComport& form, const char* name)
{
    QAbstractButton* button = form.findChild<QAbstractButton*>(name);
    ASSERT_NE(nullptr, button) << name;
    button->click();
}

// Start-up until the dry gate follows the GPS speed of 30 m/s.
::testing::AssertionResult DryGateFlying(test::WindowWithSim& w)
{
    TFormCanComport& form = w.Open();
    if (!w.ServeUntil([&] { return w.InNominal() && form.PageControl()->currentIndex() == pgRunDryMaterial; },
                      40000))
        return ::testing::AssertionFailure() << "no run page; state " << int(form.StateMachine().CurrentState)
                                             << ", page " << form.PageControl()->currentIndex();
    if (!Ok(w.Sim().Command("board 0 pilot on")))
        return ::testing::AssertionFailure() << "simulator refused the pilot switch";
    if (!w.ServeUntil([&] { return std::abs(w.SimSetPoint() - kUreaAt30) <= 1; }, 15000))
        return ::testing::AssertionFailure() << "set point " << w.SimSetPoint() << " at 30 m/s";
    return ::testing::AssertionSuccess();
}

TEST(WindowGateCommands, ASwitchOnAtStartNeverCommandsPositionZero)
{
    test::WindowWithSim w(SimArgs(true), pmDryMaterial, kControllerPort, kNavPort);
    ASSERT_TRUE(w.Ready()) << w.Why();
    ASSERT_TRUE(DryGateFlying(w));
    // The timer bits go out before any position is known; they must not ask
    // the gate to follow position 0, and nothing else may send position 0.
    std::vector<std::string> zero;
    for (const std::string& line : LogLines(w.Sim(), "Control Message board 0 position 0 "))
        if (line.find(" mode 0 ") == std::string::npos || line.size() < 7 || line.substr(line.size() - 7) == " mask 0")
            zero.push_back(line);
    EXPECT_EQ("", Joined(zero)) << "no Control Message may ask the gate for position 0";
}

struct DamageCase {
    const char* name;
    const char* key;   // nullptr: the whole section is missing
    const char* value;
};

void PrintTo(const DamageCase& c, std::ostream* os)
{
    *os << c.name;
}

class WindowSettingsDamage : public ::testing::TestWithParam<DamageCase> {};

TEST_P(WindowSettingsDamage, AFailedLoadSendsNothingToTheBoards)
{
    const DamageCase c = GetParam();
    test::WindowWithSim w(SimArgs(false), pmDryMaterial, kControllerPort, kNavPort);
    ASSERT_TRUE(w.Ready()) << w.Why();
    {
        TMemIniFile ini(w.Home().File("LastSelectedPreset.ini"));
        if (c.key)
            ini.WriteString("Controller Settings for Mode:1", c.key, c.value);
        else
            ini.EraseSection("Controller Settings for Mode:1");
        ini.UpdateFile();
    }
    const int minimum = SimField(w.Sim(), "min");
    const int maximum = SimField(w.Sim(), "max");
    TFormCanComport& form = w.Open();
    // The mode could not be set: the service pages with "Select Primary Mode".
    ASSERT_TRUE(w.ServeUntil(
        [&] {
            return w.InNominal() && (form.PageMode() & osService) &&
                   form.PageControl()->currentIndex() == pgSelectPrimaryMode;
        },
        40000))
        << "state " << int(form.StateMachine().CurrentState) << ", page " << form.PageControl()->currentIndex();
    // Whatever was written has reached the simulator by the time it has
    // answered a few more status requests.
    const size_t statusRequests = LogLines(w.Sim(), "Status Request board 0").size();
    ASSERT_TRUE(w.ServeUntil([&] { return LogLines(w.Sim(), "Status Request board 0").size() >= statusRequests + 5; },
                             10000));
    for (const char* command : {"Config Cmd board", "Set PWM Parameters board", "set Dry Seal Value and Mode board"})
        EXPECT_EQ("", Joined(LogLines(w.Sim(), command))) << command;
    EXPECT_EQ(minimum, SimField(w.Sim(), "min"));
    EXPECT_EQ(maximum, SimField(w.Sim(), "max"));
}

INSTANTIATE_TEST_SUITE_P(Settings, WindowSettingsDamage,
                         ::testing::Values(DamageCase{"SectionMissing", nullptr, nullptr},
                                           DamageCase{"SealedPositionNotANumber", "SetSealedPosition", "1O0"},
                                           DamageCase{"DryZeroBeyondItsField", "SetDryZeroOpening", "70000"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WindowGpsLoss, WithoutTheGpsPortAfterARecoveryTheGateTakesTheFixedSpeedUntilTheRetriedStartSucceeds)
{
    test::WindowWithSim w(SimArgs(false), pmDryMaterial, kControllerPort, kNavPort);
    ASSERT_TRUE(w.Ready()) << w.Why();
    ASSERT_TRUE(DryGateFlying(w));
    TFormCanComport& form = w.Form();
    EXPECT_EQ("Status: A", LabelText(form, "LabelGpsStatusRunDry"));

    // The GPS receiver goes away, and the controller link fails and recovers
    // while it is gone.
    ASSERT_TRUE(Ok(w.Sim().Command("nav unplug")));
    ASSERT_TRUE(Ok(w.Sim().Command("unplug 2")));
    ASSERT_TRUE(w.ServeUntil([&] { return form.FailurePageShown(); }, 20000));
    ASSERT_TRUE(w.ServeUntil([&] { return !form.FailurePageShown() && w.InNominal(); }, 40000))
        << "state " << int(form.StateMachine().CurrentState);

    int setPoint = -1;
    EXPECT_TRUE(w.ServeUntil(
        [&] {
            setPoint = w.SimSetPoint();
            return std::abs(setPoint - kUreaAtFixedSpeed) <= 1;
        },
        15000))
        << "without the GPS the set point is " << setPoint;
    EXPECT_EQ("Generic GPS Port Not Connecting", LabelText(form, "LabelGpsStatusRunDry"));

    // The receiver is plugged in again: the start is retried and the gate
    // follows the GPS speed once more.
    ASSERT_TRUE(Ok(w.Sim().Command("nav plug")));
    EXPECT_TRUE(w.ServeUntil(
        [&] {
            setPoint = w.SimSetPoint();
            return std::abs(setPoint - kUreaAt30) <= 1;
        },
        30000))
        << "with the GPS back the set point is " << setPoint;
    EXPECT_EQ("Status: A", LabelText(form, "LabelGpsStatusRunDry"));
}

struct ClosedModeCase {
    const char* name;
    const char* radio;
    int closed;
};

void PrintTo(const ClosedModeCase& c, std::ostream* os)
{
    *os << c.name;
}

class WindowClosedModes : public ::testing::TestWithParam<ClosedModeCase> {};

TEST_P(WindowClosedModes, AModeWithoutFlowClosesTheGateItWasOpenedIn)
{
    const ClosedModeCase c = GetParam();
    test::WindowWithSim w(SimArgs(false), pmDryMaterial, kControllerPort, kNavPort);
    ASSERT_TRUE(w.Ready()) << w.Why();
    ASSERT_TRUE(DryGateFlying(w));
    TFormCanComport& form = w.Form();

    // The pilot picks the mode on "Select Primary Mode" and goes active.
    Click(form, "bsButtonChangeSystemSettingsRunDry");
    ASSERT_EQ(pgSelectPrimaryMode, form.PageControl()->currentIndex());
    Click(form, c.radio);
    int setPoint = -1;
    EXPECT_TRUE(w.ServeUntil(
        [&] {
            setPoint = w.SimSetPoint();
            return setPoint == c.closed;
        },
        20000))
        << c.name << ": after the mode change the set point is " << setPoint;
    QAbstractButton* goActive = form.findChild<QAbstractButton*>("bsButtonGoActive");
    ASSERT_NE(nullptr, goActive);
    ASSERT_TRUE(w.ServeUntil([&] { return goActive->isEnabled() && !form.Modes()->Events().PendingSet(); }, 20000));
    goActive->click();
    ASSERT_TRUE(w.ServeUntil([&] { return !(form.PageMode() & osService); }, 20000));
    // Long enough for the quantity loop and the position following to have
    // sent anything they would.
    const size_t statusRequests = LogLines(w.Sim(), "Status Request board 0").size();
    ASSERT_TRUE(w.ServeUntil([&] { return LogLines(w.Sim(), "Status Request board 0").size() >= statusRequests + 10; },
                             10000));
    EXPECT_EQ(c.closed, w.SimSetPoint()) << c.name << ": active";
}

INSTANTIATE_TEST_SUITE_P(Modes, WindowClosedModes,
                         ::testing::Values(ClosedModeCase{"MeteringPlate", "RadioButtonMeteringPlate", kDryZero},
                                           ClosedModeCase{"WetSealed", "RadioButtonWetSealed", kSealed}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orv
