// The real program against the simulated hardware, as a user runs it.
#include "store/IniFile.h"
#include "tests/support/AppProcess.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

using test::AppProcess;
using test::SimProcess;

struct LinkCase {
    const char* link;
    int port;
    int storedTarget;
};

class EndToEnd : public ::testing::TestWithParam<LinkCase> {};

// Three link kinds, the whole search of each kind before them: up to 6+6+11 s.
constexpr int kFindMs = 60000;

TEST_P(EndToEnd, FindsTheControllerAmongDecoysRemembersItAndGoesStraightBackNextTime)
{
    const LinkCase c = GetParam();
    SimProcess sim({"--link", c.link, "--port", std::to_string(c.port), "--silent-decoys", "1", "--garbage-decoys",
                    "1"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    {
        AppProcess app(home.Path(), sim.PortsDir());
        ASSERT_TRUE(app.Started());
        ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", kFindMs)) << app.Output();
        EXPECT_EQ(1, app.CountOutput("Entering state: Awaiting Initialization"));
        EXPECT_EQ(0, app.Stop());
    }
    TMemIniFile startup(home.File("OrvStartup.ini"));
    EXPECT_EQ(c.port, startup.ReadInteger("Comm Settings", "LastOrvPort", 255));
    EXPECT_EQ(c.storedTarget, startup.ReadInteger("Comm Settings", "CurrentCommTarget", 0));

    // The next start verifies the remembered port without searching.
    AppProcess again(home.Path(), sim.PortsDir());
    ASSERT_TRUE(again.WaitForOutput("Entering state: Nominal", 20000)) << again.Output();
    EXPECT_EQ(0, again.CountOutput("Entering state: Searching"));
    EXPECT_EQ(1, again.CountOutput("Entering state: Named Port Found"));
    EXPECT_EQ(0, again.Stop());
}

TEST_P(EndToEnd, ComesBackToNominalAfterTheControllerIsUnpluggedAndAfterItFallsSilent)
{
    const LinkCase c = GetParam();
    SimProcess sim({"--link", c.link, "--port", std::to_string(c.port)});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    AppProcess app(home.Path(), sim.PortsDir());
    ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", kFindMs)) << app.Output();

    const std::string kRecovery = "Entering state: Attempting Fast Recovery";
    const std::string kNominal = "Entering state: Nominal";
    // Pulled out for two seconds, every time it comes back without a restart.
    for (int round = 1; round <= 2; ++round) {
        const int recoveries = app.CountOutput(kRecovery);
        const int nominals = app.CountOutput(kNominal);
        ASSERT_EQ(0u, sim.Command("unplug 2").rfind("OK", 0));
        ASSERT_TRUE(app.WaitForOutput(kRecovery, 20000, recoveries + 1)) << app.Output();
        ASSERT_TRUE(app.WaitForOutput(kNominal, 40000, nominals + 1)) << app.Output();
    }
    // A controller that stops answering leads to the same recovery.
    const int recoveries = app.CountOutput(kRecovery);
    const int nominals = app.CountOutput(kNominal);
    ASSERT_EQ(0u, sim.Command("silence on").rfind("OK", 0));
    ASSERT_TRUE(app.WaitForOutput(kRecovery, 20000, recoveries + 1)) << app.Output();
    ASSERT_EQ(0u, sim.Command("silence off").rfind("OK", 0));
    ASSERT_TRUE(app.WaitForOutput(kNominal, 40000, nominals + 1)) << app.Output();
    EXPECT_EQ(0, app.CountOutput("Entering state: Application Error Raised"));
    EXPECT_EQ(0, app.Stop());
}

INSTANTIATE_TEST_SUITE_P(LinkKinds, EndToEnd,
                         ::testing::Values(LinkCase{"gpio", 2, 1}, LinkCase{"serial", 3, 3},
                                           LinkCase{"usbcan", 4, 5}),
                         [](const auto& info) { return std::string(info.param.link); });

} // namespace
} // namespace orv
