// The real program against the simulated hardware, as a user runs it.
#include "store/IniFile.h"
#include "tests/support/AppProcess.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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

struct BoardsCase {
    const char* link;
    int boards;
};

class EndToEndBoards : public ::testing::TestWithParam<BoardsCase> {};

int CountLines(const std::string& log, const std::string& text)
{
    int n = 0;
    for (size_t p = log.find(text); p != std::string::npos; p = log.find(text, p + text.size()))
        ++n;
    return n;
}

// "Status Request" frames the simulator received per second over the last
// two seconds of its log.
double StatusRequestsPerSecond(const std::string& log)
{
    std::vector<double> stamps;
    size_t start = 0;
    while (start < log.size()) {
        const size_t end = log.find('\n', start);
        const std::string line = log.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.find("= Status Request board 0") != std::string::npos)
            stamps.push_back(std::atof(line.c_str() + line.find('[') + 1));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (stamps.empty())
        return 0;
    const double last = stamps.back();
    return std::count_if(stamps.begin(), stamps.end(), [&](double t) { return t > last - 2.0; }) / 2.0;
}

TEST_P(EndToEndBoards, ReachesNominalAsksOnceForRevisionAndIdPollsAndAppliesTheStoredSettings)
{
    const BoardsCase c = GetParam();
    SimProcess sim({"--link", c.link, "--port", "2", "--boards", std::to_string(c.boards)});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    // A fresh installation: the factory settings, no controller port known yet.
    test::TempDir home;
    test::SeedFactoryHome(home.Path(), 1, 2, 5);
    std::filesystem::remove(home.File("OrvStartup.ini"));
    AppProcess app(home.Path(), sim.PortsDir());
    ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", kFindMs)) << app.Output();
    // A dual gate applies the left board, then the right one.
    ASSERT_TRUE(app.WaitForOutput("apply settings PASSED", 20000, c.boards)) << app.Output();
    EXPECT_EQ(0, app.CountOutput("apply settings failed"));
    ASSERT_TRUE(sim.WaitForLog("Request Controller Board ID", 5000));
    // Let the polling run for a while.
    const int before = CountLines(sim.LogText(), "Status Request board 0");
    for (int i = 0; i < 60 && CountLines(sim.LogText(), "Status Request board 0") < before + 40; ++i)
        app.WaitForOutput("never printed", 100);
    const std::string log = sim.LogText();
    // The adapter path sends every command twice.
    const int copies = std::string(c.link) == "usbcan" ? 2 : 1;
    EXPECT_EQ(copies, CountLines(log, "= Request Controller Revision board 0"));
    EXPECT_EQ(copies, CountLines(log, "= Request Controller Board ID board 0"));
    const double polls = StatusRequestsPerSecond(log) / copies;
    EXPECT_GE(polls, 8.0);
    EXPECT_LE(polls, 12.0);
    // The stored settings are what the boards now hold.
    const int first = c.boards == 2 ? 1 : 0;
    for (int b = first; b < first + c.boards; ++b) {
        const std::string board = "board " + std::to_string(b);
        EXPECT_EQ("OK " + board + " outer 15", sim.Command(board + " outer"));
        EXPECT_EQ("OK " + board + " max 900", sim.Command(board + " max"));
    }
    EXPECT_EQ(0, app.Stop());
}

// Boards reporting ten times a second answer the start-up requests in one
// burst with their reports: the answers are not lost among them, so the
// first request (or, on a loaded machine, the second) is enough.
TEST(EndToEndReports, ABusyDualGateOnTheAdapterAnswersTheFirstRequests)
{
    SimProcess sim({"--link", "usbcan", "--port", "2", "--boards", "2", "--status-rate", "10"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    test::SeedFactoryHome(home.Path(), 1, 2, 5);
    for (int run = 0; run < 2; ++run) {
        AppProcess app(home.Path(), sim.PortsDir());
        ASSERT_TRUE(app.WaitForOutput("Entering state: Nominal", 30000)) << app.Output();
        const std::string out = app.Output();
        const std::string before = out.substr(0, out.find("Entering state: Nominal"));
        int requests = 0;
        for (size_t p = before.find("RequestAllOrvStatus"); p != std::string::npos;
             p = before.find("RequestAllOrvStatus", p + 1))
            ++requests;
        EXPECT_LE(requests, 2) << "run " << run;
        EXPECT_EQ(0, app.Stop());
    }
}

INSTANTIATE_TEST_SUITE_P(LinkKinds, EndToEndBoards,
                         ::testing::Values(BoardsCase{"gpio", 1}, BoardsCase{"gpio", 2}, BoardsCase{"serial", 1},
                                           BoardsCase{"usbcan", 1}, BoardsCase{"usbcan", 2}),
                         [](const auto& info) {
                             return std::string(info.param.link) + "_" + std::to_string(info.param.boards) + "boards";
                         });

} // namespace
} // namespace orv
