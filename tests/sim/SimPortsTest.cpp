// The ports folder: links appear with READY, vanish on exit, can be shared by
// several simulators; the control socket and the command line.
#include "tests/sim/PtyClient.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using orv::test::PtyClient;
using orv::test::ScopedEnv;
using orv::test::SimProcess;
using orv::test::TempDir;

namespace {

bool LinkExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Runs the simulator binary to completion; returns (exit status, output).
std::pair<int, std::string> RunSim(const std::string& args)
{
    const std::string command = SimProcess::BinaryPath() + " " + args + " 2>&1";
    FILE* p = ::popen(command.c_str(), "r");
    std::string out;
    char buf[512];
    size_t n;
    while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int status = p ? ::pclose(p) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(SimPorts, LinksVanishOnTerminationButTheFolderStays)
{
    SimProcess sim({"--port", "2", "--silent-decoys", "1"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_TRUE(LinkExists(sim.PortPath(2)));
    EXPECT_TRUE(LinkExists(sim.PortPath(0)));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(LinkExists(sim.PortPath(2)));
    EXPECT_FALSE(LinkExists(sim.PortPath(0)));
    struct stat st {};
    EXPECT_EQ(::stat(sim.PortsDir().c_str(), &st), 0);
}

TEST(SimPorts, QuitCommandEndsTheSimulatorCleanly)
{
    SimProcess sim({"--port", "1"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_EQ(sim.Command("quit"), "OK quit");
    ASSERT_TRUE(sim.WaitForLog("stopping: ports removed"));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(LinkExists(sim.PortPath(1)));
}

TEST(SimPorts, TwoSimulatorsShareAFolderWithoutTouchingEachOthersLinks)
{
    SimProcess first({"--link", "usbcan", "--port", "1", "--silent-decoys", "1"});
    ASSERT_TRUE(first.Ready()) << first.StartError();
    SimProcess second({"--link", "usbcan", "--port", "3", "--silent-decoys", "1"}, first.PortsDir());
    ASSERT_TRUE(second.Ready()) << second.StartError();
    // The automatic decoy numbers skip the ports already served.
    EXPECT_NE(first.ReadyLine().find("decoys=0:silent"), std::string::npos) << first.ReadyLine();
    EXPECT_NE(second.ReadyLine().find("decoys=2:silent"), std::string::npos) << second.ReadyLine();

    // Both answer on their own port.
    for (int port : {1, 3}) {
        PtyClient client(first.PortsDir() + "/COM" + std::to_string(port + 1));
        client.Write("C\rS6\rE\rO\r");
        EXPECT_EQ(client.Read(4), "\r\r\r\r") << port;
    }

    EXPECT_EQ(second.Stop(), 0);
    EXPECT_FALSE(LinkExists(first.PortPath(3)));
    EXPECT_FALSE(LinkExists(first.PortPath(2)));
    EXPECT_TRUE(LinkExists(first.PortPath(1)));
    EXPECT_TRUE(LinkExists(first.PortPath(0)));
}

TEST(SimPorts, APortServedByAnotherSimulatorIsRefused)
{
    SimProcess first({"--port", "0"});
    ASSERT_TRUE(first.Ready()) << first.StartError();
    SimProcess second({"--port", "0"}, first.PortsDir(), 5000);
    EXPECT_FALSE(second.Ready());
    EXPECT_NE(second.StartError().find("COM1 is already served"), std::string::npos) << second.StartError();
    EXPECT_TRUE(LinkExists(first.PortPath(0)));
}

TEST(SimPorts, ADanglingLinkLeftByAKilledSimulatorIsReplaced)
{
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/pts/does-not-exist", dir.File("COM1").c_str()), 0);
    SimProcess sim({"--port", "0"}, dir.Path());
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient client(dir.File("COM1"));
    EXPECT_TRUE(client.IsOpen());
}

TEST(SimPorts, LineSettingsOtherThanTheLinksArePointedOut)
{
    SimProcess sim({"--link", "serial"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    {
        PtyClient right(sim.PortPath(0));
        right.Write("x");
        EXPECT_TRUE(sim.WaitForLog("COM1 line settings 115200 8N1\n"));
    }
    EXPECT_EQ(sim.Command("unplug"), "OK unplugged");
    EXPECT_EQ(sim.Command("plug"), "OK plugged");
    PtyClient slow(sim.PortPath(0), true);
    slow.Write("x");
    EXPECT_TRUE(sim.WaitForLog("COM1 line settings 9600 8N1 (expected 115200 8N1)"));
}

TEST(SimPorts, ControlSocketTakesCommandsFromOtherPrograms)
{
    TempDir dir;
    const std::string socketPath = dir.File("sim.sock");
    SimProcess sim({"--link", "gpio", "--control", socketPath});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();

    auto [status, out] = RunSim("--control " + socketPath + " --send 'silence on'");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "OK silence on\n");
    std::tie(status, out) = RunSim("--control " + socketPath + " --send 'board 7 armed on'");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "ERROR no board 7 on the bus\n");
    EXPECT_EQ(sim.Command("status").rfind("OK link=gpio port=0 plugged=yes silence=on", 0), 0u);

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(LinkExists(socketPath));
}

TEST(SimHarness, AMissingBinaryIsReportedAndTheEnvironmentRestored)
{
    const char* before = std::getenv("ORVANE_SIM");
    const std::string previous = before ? before : "(unset)";
    {
        ScopedEnv env("ORVANE_SIM", "/nonexistent/orvane-sim");
        SimProcess sim({"--port", "0"}, 5000);
        EXPECT_FALSE(sim.Ready());
        EXPECT_NE(sim.StartError().find("/nonexistent/orvane-sim"), std::string::npos) << sim.StartError();
    }
    const char* after = std::getenv("ORVANE_SIM");
    EXPECT_EQ(after ? std::string(after) : "(unset)", previous);
}

TEST(SimCommandLine, HelpDescribesTheOptionsAndBadOptionsAreRefused)
{
    auto [status, out] = RunSim("--help");
    EXPECT_EQ(status, 0);
    for (const char* option : {"--link gpio|serial|usbcan", "--port N", "--boards 1|2", "--ports-dir DIR", "--decoy",
             "--silence-after", "--garbage-after", "--stall-after", "--unplug-after", "--replug-after", "--control",
             "--log", "--gate-speed N", "--status-rate HZ", "--state FILE", "--run COMMAND", "--nav nmea|guidance",
             "--nav-port N", "--nav-baud B", "--speed-profile SPEC", "--nav-rate HZ", "--nav-sentences LIST",
             "--nav-talker XX", "--nav-setup obey|ignore"})
        EXPECT_NE(out.find(option), std::string::npos) << option;

    const std::pair<const char*, const char*> bad[] = {
        {"--link can", "--link: \"can\" is not gpio, serial, usbcan or none"},
        {"--link none", "--link none serves nothing without --nav nmea|guidance"},
        {"--nav gps", "--nav: \"gps\" is not nmea or guidance"},
        {"--nav-port 3", "--nav-port needs --nav nmea|guidance"},
        {"--nav nmea --nav-port 0", "the navigation source cannot take the served port 0"},
        {"--nav nmea --nav-port 4 --decoy silent:4", "a decoy cannot take the navigation port 4"},
        {"--nav nmea --nav-baud 1000", "--nav-baud: 1000 is not a serial line speed"},
        {"--nav nmea --speed-profile ramp:50-60@10", "--speed-profile: ramp:FROM..TO@SECONDS"},
        {"--nav nmea --speed-profile steps:50,x@10", "--speed-profile: steps: \"50,x\" is not a list of speeds"},
        {"--nav nmea --speed-profile warp:9", "is not const:V, steps:A,B,...@S, ramp:A..B@S or file:PATH"},
        {"--nav nmea --nav-rate 500", "--nav-rate: \"500\" is not a number in 0..100"},
        {"--status-rate fast", "--status-rate: \"fast\" is not a number in 0..100"},
        {"--gate-speed -1", "--gate-speed: \"-1\" is not a whole number in 0..65535"},
        {"--port 255", "--port: \"255\" is not a whole number in 0..254"},
        {"--boards 3", "--boards: \"3\" is not a whole number in 1..2"},
        {"--decoy loud", "--decoy: \"loud\" is not silent[:N] or garbage[:N]"},
        {"--port 2 --decoy silent:2", "a decoy cannot take the served port 2"},
        {"--silence-after soon", "--silence-after: \"soon\" is not a number of seconds"},
        {"--replug-after 1", "--replug-after needs --unplug-after"},
        {"--frobnicate", "unknown option \"--frobnicate\""},
    };
    for (const auto& [args, message] : bad) {
        std::tie(status, out) = RunSim(args);
        EXPECT_EQ(status, 2) << args;
        EXPECT_NE(out.find(message), std::string::npos) << args << ": " << out;
    }
}

TEST(SimCommandLine, UnknownAndMalformedCommandsAreAnsweredWithAnError)
{
    SimProcess sim({"--link", "usbcan"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_EQ(sim.Command("dance").rfind("ERROR unknown command \"dance\"", 0), 0u);
    EXPECT_EQ(sim.Command("silence maybe"), "ERROR usage: silence on|off");
    EXPECT_EQ(sim.Command("unplug soon"), "ERROR usage: unplug [seconds]");
    EXPECT_EQ(sim.Command("channel 1 hello"), "ERROR the usbcan link has no serial channels");
    EXPECT_EQ(sim.Command("raw zz"), "ERROR usage: raw HEX (e.g. raw F9 01 00 FA 9F)");
    EXPECT_EQ(sim.Command("status ").rfind("OK link=usbcan", 0), 0u);
    EXPECT_TRUE(sim.Running());
}

} // namespace
