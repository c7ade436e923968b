// The navigation source: NMEA sentences with their checksums, the status
// flag, spoiled checksums, the speed profiles, recorded sentences, the
// receiver set-up it obeys and the "$ORV" sentences of a guidance system.
#include "tests/sim/PtyClient.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using orv::test::PtyClient;
using orv::test::SimProcess;

namespace {

using Clock = std::chrono::steady_clock;

// The NMEA checksum: exclusive-or of every character between "$" and "*",
// as two upper-case hexadecimal digits.
std::string Checksum(const std::string& body)
{
    unsigned x = 0;
    for (unsigned char c : body)
        x ^= c;
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", x);
    return hex;
}

std::string Sentence(const std::string& body)
{
    return "$" + body + "*" + Checksum(body) + "\r\n";
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    const size_t star = line.find('*');
    const std::string body = line.substr(1, star == std::string::npos ? std::string::npos : star - 1);
    size_t start = 0;
    for (;;) {
        const size_t comma = body.find(',', start);
        fields.push_back(body.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

// Whether the line ends "*hh" CR LF with the right checksum.
bool ChecksumRight(const std::string& line)
{
    const size_t star = line.find('*');
    return line.size() > 5 && line[0] == '$' && star != std::string::npos && star + 5 == line.size()
        && line.substr(star + 1, 2) == Checksum(line.substr(1, star - 1)) && line.substr(star + 3) == "\r\n";
}

// The next whole line that starts with `prefix`, or "" when none comes in time.
std::string NextLine(PtyClient& port, const std::string& prefix, int timeoutMs = 3000)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        const std::string line = port.ReadUntil("\n", std::max(1, left));
        if (line.rfind(prefix, 0) == 0 && line.size() >= 2 && line.substr(line.size() - 2) == "\r\n")
            return line;
        if (line.empty())
            break;
    }
    return "";
}

std::vector<std::string> NavArgs(std::vector<std::string> more)
{
    std::vector<std::string> args = {"--link", "none", "--nav", "nmea", "--nav-port", "3", "--nav-rate", "20"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(SimNav, RunsAloneAndSaysWhereItIs)
{
    SimProcess sim(NavArgs({}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_EQ(sim.ReadyLine(), "READY link=none decoys=none nav=nmea nav-port=3 nav-path=" + sim.PortPath(3));
    EXPECT_EQ(sim.Command("unplug"), "ERROR no controller link (--link none)");
    EXPECT_EQ(sim.Command("silence on"), "ERROR no controller link (--link none)");
    EXPECT_EQ(sim.Command("statusrate 10"), "ERROR no controller link (--link none)");
    EXPECT_EQ(sim.Command("status").rfind("OK link=none | nav=nmea nav-port=3 plugged=yes", 0), 0u);
}

TEST(SimNav, TakesTheLowestFreePortBesideTheControllerAndItsDecoys)
{
    SimProcess sim({"--link", "usbcan", "--port", "0", "--decoy", "silent:1", "--nav", "guidance", "--silent-decoys", "1"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_NE(sim.ReadyLine().find("decoys=1:silent,3:silent nav=guidance nav-port=2 nav-path=" + sim.PortPath(2)),
        std::string::npos)
        << sim.ReadyLine();
}

TEST(SimNav, RmcAndVtgCarryTheSpeedWithRightChecksums)
{
    SimProcess sim(NavArgs({"--speed-profile", "const:20"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    const std::string rmc = NextLine(port, "$GPRMC,");
    ASSERT_TRUE(ChecksumRight(rmc)) << rmc;
    const auto r = Fields(rmc);
    ASSERT_EQ(r.size(), 13u) << rmc;
    EXPECT_EQ(r[1].size(), 9u);   // hhmmss.ss
    EXPECT_EQ(r[2], "A");
    EXPECT_EQ(r[4], "N");
    EXPECT_EQ(r[6], "E");
    EXPECT_EQ(r[7], "38.88");     // 20 m/s in knots (x 1.9438445)
    EXPECT_EQ(r[8], "90.0");
    EXPECT_EQ(r[9].size(), 6u);   // ddmmyy
    EXPECT_EQ(r[12], "A");

    const std::string vtg = NextLine(port, "$GPVTG,");
    ASSERT_TRUE(ChecksumRight(vtg)) << vtg;
    EXPECT_EQ(vtg, Sentence("GPVTG,90.0,T,,M,38.88,N,72.00,K,A"));
}

TEST(SimNav, StatusVChecksumsSpoiledOrLeftOutAndSilence)
{
    SimProcess sim(NavArgs({"--speed-profile", "const:10"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));

    EXPECT_EQ(sim.Command("nav status V"), "OK nav status V");
    std::string rmc = NextLine(port, "$GPRMC,");
    while (!rmc.empty() && Fields(rmc)[2] == "A")  // one may have been on its way
        rmc = NextLine(port, "$GPRMC,");
    ASSERT_TRUE(ChecksumRight(rmc)) << rmc;
    EXPECT_EQ(Fields(rmc)[2], "V");
    EXPECT_EQ(Fields(rmc)[12], "N");
    EXPECT_EQ(NextLine(port, "$GPVTG,"), Sentence("GPVTG,90.0,T,,M,19.44,N,36.00,K,N"));

    EXPECT_EQ(sim.Command("nav checksum bad"), "OK nav checksum bad");
    std::string vtg = NextLine(port, "$GPVTG,");
    while (!vtg.empty() && ChecksumRight(vtg))
        vtg = NextLine(port, "$GPVTG,");
    const std::string body = "GPVTG,90.0,T,,M,19.44,N,36.00,K,N";
    ASSERT_EQ(vtg.substr(0, body.size() + 2), "$" + body + "*") << vtg;
    const std::string spoiled = vtg.substr(body.size() + 2, 2);
    EXPECT_NE(spoiled, Checksum(body));
    EXPECT_EQ(std::strtoul(spoiled.c_str(), nullptr, 16), 0xFFu ^ std::strtoul(Checksum(body).c_str(), nullptr, 16));

    EXPECT_EQ(sim.Command("nav checksum none"), "OK nav checksum none");
    vtg = NextLine(port, "$GPVTG,");
    while (!vtg.empty() && vtg.find('*') != std::string::npos)
        vtg = NextLine(port, "$GPVTG,");
    EXPECT_EQ(vtg, "$" + body + "\r\n");

    EXPECT_EQ(sim.Command("nav silence on"), "OK nav silence on");
    ASSERT_TRUE(sim.LetTimePass(0.1));
    port.Pending();
    ASSERT_TRUE(sim.LetTimePass(0.2));
    EXPECT_EQ(port.Pending(), "");
    EXPECT_EQ(sim.Command("nav silence off"), "OK nav silence off");
    EXPECT_FALSE(NextLine(port, "$GPRMC,").empty());
}

TEST(SimNav, TalkerAndSentencesCanBeChosen)
{
    SimProcess sim(NavArgs({"--nav-talker", "GN", "--nav-sentences", "gga,rma", "--speed-profile", "const:10"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    const std::string rma = NextLine(port, "$GNRMA,");
    ASSERT_TRUE(ChecksumRight(rma)) << rma;
    const auto f = Fields(rma);
    ASSERT_EQ(f.size(), 12u) << rma;
    EXPECT_EQ(f[1], "A");
    EXPECT_EQ(f[8], "19.44");
    const std::string gga = NextLine(port, "$GNGGA,");
    EXPECT_TRUE(ChecksumRight(gga)) << gga;
    EXPECT_EQ(Fields(gga)[6], "1");
}

// The speeds in knots of the next RMC sentences, for about `seconds`.
std::vector<double> RmcSpeeds(PtyClient& port, double seconds)
{
    std::vector<double> speeds;
    const auto end = Clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (Clock::now() < end) {
        const std::string rmc = NextLine(port, "$GPRMC,");
        if (rmc.empty())
            break;
        speeds.push_back(std::strtod(Fields(rmc)[7].c_str(), nullptr));
    }
    return speeds;
}

TEST(SimNav, StepsProfileHoldsEachSpeedThenStartsAgain)
{
    SimProcess sim(NavArgs({"--speed-profile", "steps:10,20@0.2"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    const auto speeds = RmcSpeeds(port, 1.0);
    // 10 m/s = 19.44 kn and 20 m/s = 38.88 kn, nothing else, and both come back.
    int changes = 0;
    for (size_t i = 0; i < speeds.size(); ++i) {
        EXPECT_TRUE(speeds[i] == 19.44 || speeds[i] == 38.88) << speeds[i];
        if (i > 0 && speeds[i] != speeds[i - 1])
            ++changes;
    }
    EXPECT_GE(changes, 2);
}

TEST(SimNav, RampProfileRisesAndFallsBetweenItsEnds)
{
    SimProcess sim(NavArgs({"--speed-profile", "ramp:10..20@0.3"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    const auto speeds = RmcSpeeds(port, 1.0);
    ASSERT_GE(speeds.size(), 5u);
    bool rose = false, fellAfterRising = false, between = false;
    for (size_t i = 0; i < speeds.size(); ++i) {
        EXPECT_GE(speeds[i], 19.43);
        EXPECT_LE(speeds[i], 38.89);
        between = between || (speeds[i] > 20 && speeds[i] < 38);
        if (i > 0 && speeds[i] > speeds[i - 1])
            rose = true;
        if (i > 0 && rose && speeds[i] < speeds[i - 1])
            fellAfterRising = true;
    }
    EXPECT_TRUE(between);
    EXPECT_TRUE(fellAfterRising);
}

TEST(SimNav, SpeedAndProfileChangeAtRunTime)
{
    SimProcess sim(NavArgs({"--speed-profile", "const:10"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    EXPECT_EQ(sim.Command("nav speed 36.5"), "OK nav speed 36.5");
    std::string vtg;
    while ((vtg = NextLine(port, "$GPVTG,")) != "" && Fields(vtg)[7] != "131.40") {
    }
    EXPECT_EQ(vtg, Sentence("GPVTG,90.0,T,,M,70.95,N,131.40,K,A"));
    EXPECT_EQ(sim.Command("nav profile steps:5,6@9"), "OK nav profile steps:5,6@9");
    EXPECT_NE(sim.Command("nav").find("profile=steps:5,6@9"), std::string::npos);
}

TEST(SimNav, RecordedSentencesAreReplayedAtTheirPaceAndInALoop)
{
    orv::test::TempDir dir;
    const std::string first = Sentence("GPRMC,120000.00,A,4807.038,N,01131.000,E,010.0,084.4,230394,,,A");
    const std::string vtg = Sentence("GPVTG,084.4,T,,M,010.0,N,018.5,K,A");
    const std::string second = Sentence("GPRMC,120000.20,A,4807.039,N,01131.002,E,012.0,084.4,230394,,,A");
    // A recording keeps whatever it holds, a wrong checksum included.
    const std::string odd = "$GPGGA,120000.20,4807.039,N,01131.002,E,1,08,0.9,545.4,M,46.9,M,,*00\r\n";
    dir.Write("drive.nmea", "\n" + first + vtg + second + odd);

    SimProcess sim(NavArgs({"--speed-profile", "file:" + dir.File("drive.nmea")}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    // The first pass may have started before the port was open: wait for a fresh one.
    std::string line = NextLine(port, "$GPRMC,120000.00");
    ASSERT_EQ(line, first);
    EXPECT_EQ(port.ReadUntil("\n"), vtg);
    EXPECT_EQ(port.ReadUntil("\n"), second);
    // 12 knots is the last speed replayed until the loop comes round (0.2 s on).
    EXPECT_NE(sim.Command("nav").find("speed=6.17"), std::string::npos) << sim.Command("nav");
    EXPECT_EQ(port.ReadUntil("\n"), odd);
    EXPECT_EQ(port.ReadUntil("\n"), first);

    // 0.2 s between the two fixes.
    const std::string log = sim.LogText();
    const size_t a = log.find("recorded line 1)");
    const size_t b = log.find("recorded line 3)", a);
    ASSERT_NE(b, std::string::npos);
    auto stamp = [&](size_t at) { return std::strtod(log.c_str() + log.rfind('[', at) + 1, nullptr); };
    EXPECT_GE(stamp(b) - stamp(a), 0.18);

    EXPECT_EQ(sim.Command("nav status V"), "OK nav status V");
    const std::string voided = Sentence("GPRMC,120000.00,V,4807.038,N,01131.000,E,010.0,084.4,230394,,,A");
    EXPECT_EQ(NextLine(port, "$GPRMC,120000.00"), voided);
}

TEST(SimNav, AnEmptyOrMissingRecordingIsRefused)
{
    orv::test::TempDir dir;
    dir.Write("empty.nmea", "\n\n");
    SimProcess empty(NavArgs({"--speed-profile", "file:" + dir.File("empty.nmea")}), 5000);
    EXPECT_FALSE(empty.Ready());
    EXPECT_NE(empty.StartError().find("holds no sentences"), std::string::npos) << empty.StartError();
    SimProcess missing(NavArgs({"--speed-profile", "file:" + dir.File("none.nmea")}), 5000);
    EXPECT_FALSE(missing.Ready());
    EXPECT_NE(missing.StartError().find("cannot read the recording"), std::string::npos) << missing.StartError();
}

TEST(SimNav, ReceiverFollowsTheSetUpItIsSentAndLogsIt)
{
    SimProcess sim(NavArgs({"--speed-profile", "const:10"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    port.Write(Sentence("PSRF100,1,4800,8,1,0"));
    ASSERT_TRUE(sim.WaitForLog("line settings 115200 8N1 (expected 38400 8N1)"));
    ASSERT_TRUE(sim.WaitForLog("receiver set-up, serial port: NMEA at 4800 8N1 (obeyed); the application's line is "
                               "115200 8N1"));

    // VTG off, RMC every second, one GGA now.
    port.Write(Sentence("PSRF103,05,00,00,01") + Sentence("PSRF103,04,00,01,01") + Sentence("PSRF103,00,01,00,01"));
    ASSERT_TRUE(sim.WaitForLog("message 5 (VTG) off, with checksum (obeyed)"));
    ASSERT_TRUE(sim.WaitForLog("message 4 (RMC) every 1 s, with checksum (obeyed)"));
    const std::string gga = NextLine(port, "$GPGGA,");
    EXPECT_TRUE(ChecksumRight(gga)) << gga;
    ASSERT_TRUE(sim.LetTimePass(0.1));
    port.Pending();
    ASSERT_TRUE(sim.LetTimePass(1.1));
    const std::string after = port.Pending();
    EXPECT_EQ(after.find("VTG"), std::string::npos) << after;
    EXPECT_NE(after.find("$GPRMC,"), std::string::npos) << after;
    EXPECT_NE(sim.Command("nav").find("sentences=rmc@1.0s"), std::string::npos) << sim.Command("nav");

    // A spoiled set-up sentence and messages it does not write are pointed out.
    port.Write("$PSRF103,05,00,01,01*00\r\n" + Sentence("PSRF103,03,00,00,01"));
    ASSERT_TRUE(sim.WaitForLog("(ignored: checksum); checksum \"00\", expected "));
    ASSERT_TRUE(sim.WaitForLog("message 3 (GSV) off, with checksum (this receiver does not write that message)"));
}

TEST(SimNav, SetUpIsOnlyLoggedWhenToldToIgnoreIt)
{
    SimProcess sim(NavArgs({"--nav-setup", "ignore"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    port.Write(Sentence("PSRF103,05,00,00,01"));
    ASSERT_TRUE(sim.WaitForLog("message 5 (VTG) off, with checksum (not obeyed: --nav-setup ignore)"));
    EXPECT_FALSE(NextLine(port, "$GPVTG,").empty());
}

std::vector<std::string> GuidanceArgs()
{
    return {"--link", "none", "--nav", "guidance", "--nav-port", "0", "--speed-profile", "const:55", "--nav-sentences",
        "none"};
}

TEST(SimGuidance, AnswersTheCockpitsOrvWithItsOwnValues)
{
    SimProcess sim(GuidanceArgs());
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    EXPECT_EQ(sim.Command("nav swath 18"), "OK nav swath 18");
    EXPECT_EQ(sim.Command("nav apprate 150.5"), "OK nav apprate 150.5");
    PtyClient port(sim.PortPath(0));
    port.Write(Sentence("ORV,2,0,21,120.00,30.0,55.0,0.000"));
    // Run state and gate status echo the cockpit's; rate, swath and speed are the guidance system's.
    const std::string answer = Sentence("ORV,2,0,21,150.50,18.0,55.0,0.000");
    std::string line;
    while ((line = NextLine(port, "$ORV,")) != "" && line != answer) {
    }
    EXPECT_EQ(line, answer);
    EXPECT_TRUE(sim.WaitForLog("= $ORV run state 2 (Fire Gate), channel 1 0, gate status 21 (under CAN control and "
                               "armed, pilot switch on), application rate 120.00 kg/ha, swath 30.0 m, ground speed 55.0 "
                               "m/s, channel 6 0.000"));

    // "$ORV2" is the same sentence; negative values mark what is not to be taken.
    EXPECT_EQ(sim.Command("nav swath -18"), "OK nav swath -18");
    port.Write(Sentence("ORV2,1,0,10,80.00,-30.0,-62.5,0.000"));
    const std::string second = Sentence("ORV,1,0,10,150.50,-18.0,55.0,0.000");
    while ((line = NextLine(port, "$ORV,")) != "" && line != second) {
    }
    EXPECT_EQ(line, second);
    EXPECT_TRUE(sim.WaitForLog("swath -30.0 m (negative: not taken from the other side), ground speed -62.5 m/s "
                               "(negative: not taken from the other side)"));
}

TEST(SimGuidance, SendsOrvOnItsOwnAndIgnoresBadOrMalformedOnes)
{
    SimProcess sim(GuidanceArgs());
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(0));
    // Nothing heard yet: run state 0, gate status 10.
    EXPECT_EQ(NextLine(port, "$ORV,"), Sentence("ORV,0,0,10,100.00,30.0,55.0,0.000"));

    port.Write("$ORV,2,0,21,120.00,30.0,55.0,0.000*00\r\n");
    ASSERT_TRUE(sim.WaitForLog("not answered (checksum); checksum \"00\", expected "));
    port.Write(Sentence("ORV,2,0,21,120.5,30.0,55.0,0.000"));
    ASSERT_TRUE(sim.WaitForLog("application rate \"120.5\" is not written with 2 decimals"));
    port.Write(Sentence("ORV,2,0,21,fast,30.0,55.0,0.000") + Sentence("ORV,2,0"));
    ASSERT_TRUE(sim.WaitForLog("malformed: application rate \"fast\" is not a number"));
    ASSERT_TRUE(sim.WaitForLog("malformed: 2 fields, expected 7"));
    port.Write("$ORV,2,0,21,120.00,30.0,55.0,0.000\n");
    ASSERT_TRUE(sim.WaitForLog("; no checksum; ended by LF without CR"));
}

TEST(SimGuidance, AGenericReceiverLogsButDoesNotAnswerOrv)
{
    SimProcess sim(NavArgs({"--nav-sentences", "none"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    PtyClient port(sim.PortPath(3));
    port.Write(Sentence("ORV,2,0,21,120.00,30.0,55.0,0.000"));
    ASSERT_TRUE(sim.WaitForLog("a generic receiver does not answer it"));
    ASSERT_TRUE(sim.LetTimePass(0.1));
    EXPECT_EQ(port.Pending(), "");
}

TEST(SimNav, CommandsRefuseWhatTheyCannotDo)
{
    SimProcess sim(NavArgs({}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    const std::pair<const char*, const char*> cases[] = {
        {"nav rate 120", "ERROR \"rate\" is ambiguous here: nav apprate KG/HA for the application rate, nav hz HZ for the sentences"},
        {"nav speed fast", "ERROR usage: nav speed M/S (0..300)"},
        {"nav status X", "ERROR usage: nav status A|V"},
        {"nav checksum wrong", "ERROR usage: nav checksum good|bad|none"},
        {"nav talker gp", "ERROR the talker is two capital letters (GP, GN, GL, ...)"},
        {"nav sentences rmc,gsv", "ERROR unknown sentence \"gsv\" (gga, rmc, vtg, zda, rma, or none)"},
        {"nav hz 1000", "ERROR the sentence rate must be 0..100 per second"},
        {"nav profile ramp:1..2", "ERROR ramp:FROM..TO@SECONDS, e.g. ramp:50..65@60 (speeds are metres per second, 0..300)"},
        {"nav fly", "ERROR unknown nav command \"fly\" (unplug, plug, speed, profile, status, checksum, silence, hz, "
                    "sentences, talker, swath, apprate, course, rate, send)"},
        {"nav plug", "ERROR COM4 is already plugged"},
    };
    for (const auto& [command, answer] : cases)
        EXPECT_EQ(sim.Command(command), answer) << command;

    SimProcess plain({"--link", "usbcan"});
    ASSERT_TRUE(plain.Ready()) << plain.StartError();
    EXPECT_EQ(plain.Command("nav speed 5"), "ERROR no navigation source (start with --nav nmea|guidance)");
}

TEST(SimNav, UnplugsAndComesBackAndSendsByCommand)
{
    SimProcess sim(NavArgs({"--nav-sentences", "none"}));
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    {
        PtyClient port(sim.PortPath(3));
        EXPECT_EQ(sim.Command("nav send $GPTXT,01,01,02,hello"), "OK nav send");
        EXPECT_EQ(NextLine(port, "$GPTXT"), Sentence("GPTXT,01,01,02,hello"));
        EXPECT_EQ(sim.Command("nav unplug 0.2"), "OK nav unplugged, back in 0.2 s");
        EXPECT_TRUE(port.HungUp());
    }
    ASSERT_TRUE(sim.WaitForLog("timed command \"nav plug\": OK nav plugged"));
    PtyClient again(sim.PortPath(3));
    ASSERT_TRUE(again.IsOpen());
    EXPECT_EQ(sim.Command("nav send not nmea"), "OK nav send");
    EXPECT_EQ(again.ReadUntil("\n"), "not nmea\r\n");
}

} // namespace
