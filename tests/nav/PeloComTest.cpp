#include "nav/GPSClock.h"
#include "nav/PeloCom.h"
#include "platform/fake/FakeSerialLibrary.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orv {
namespace {

constexpr int kPort = 2; // "COM3"
const std::string kVtg36 = "$GPVTG,054.7,T,034.4,M,005.5,N,036.0,K*4E\r\n";

class PeloComTest : public ::testing::Test {
protected:
    FakeTimeSource source;
    FakeSerialLibrary serial;
    std::unique_ptr<TPeloCom> link;
    std::vector<std::string> logged;

    void SetUp() override
    {
        TGPSClock::Install(source);
        SetLogHook([this](const std::string& line) { logged.push_back(line); });
        serial.AddPort(kPort);
        link = std::make_unique<TPeloCom>(serial);
        link->InitLink();
        link->SetPortName("COM3");
        link->SetBaudRate(38400);
        link->SetLocalSpeed(40.0f);
        ASSERT_TRUE(link->OpenLink());
    }
    void TearDown() override
    {
        link.reset();
        SetLogHook(nullptr);
        TGPSClock::Uninstall();
    }
    // One poll with these bytes waiting.
    bool PollWith(const std::string& bytes)
    {
        serial.Feed(kPort, bytes);
        return link->Poll();
    }
    std::vector<std::string> OrvWrites() const
    {
        std::vector<std::string> out;
        for (const auto& w : serial.Writes(kPort))
            if (w.rfind("$ORV", 0) == 0)
                out.push_back(w);
        return out;
    }
};

TEST_F(PeloComTest, DefaultPortNameIsCom1)
{
    TPeloCom fresh(serial);
    EXPECT_EQ("Com1", fresh.PortName());
    EXPECT_EQ('Z', fresh.RmcStatus());
}

TEST_F(PeloComTest, VtgSpeedIsUsedWhileFreshThenTheLocalSpeed)
{
    EXPECT_TRUE(PollWith(kVtg36));
    TGpsSpeed s = link->GetSpeed();
    EXPECT_TRUE(s.fromRemote);
    EXPECT_FLOAT_EQ(10.0f, s.value);
    source.AdvanceMs(3100);
    s = link->GetSpeed();
    EXPECT_FALSE(s.fromRemote);
    EXPECT_FLOAT_EQ(40.0f, s.value);
}

TEST_F(PeloComTest, PollReportsWhetherAnythingWasRead)
{
    EXPECT_FALSE(link->Poll());
    EXPECT_TRUE(PollWith("x"));
}

TEST_F(PeloComTest, ReceiverSetUpEveryThirtySecondsUntilTheFirstNmeaSentence)
{
    link->RequestReceiverSetup(true);
    link->Poll();
    EXPECT_EQ((std::vector<std::string>{"$PSRF100,1,4800,8,1,0*0E\r\n", "$PSRF103,04,00,01,01*21\r\n"}),
              serial.Writes(kPort));
    source.AdvanceMs(29000);
    link->Poll();
    EXPECT_EQ(2u, serial.WriteCount(kPort));
    source.AdvanceMs(1001);
    link->Poll();
    EXPECT_EQ(4u, serial.WriteCount(kPort));

    serial.ClearWritten(kPort);
    PollWith(kVtg36);
    EXPECT_FALSE(link->ReceiverSetupRequested());
    const auto writes = serial.Writes(kPort);
    ASSERT_EQ(6u, writes.size());
    EXPECT_EQ("$PSRF103,00,00,00,01*24\r\n", writes[0]);
    source.AdvanceMs(60000);
    PollWith(kVtg36);
    EXPECT_EQ(6u, serial.WriteCount(kPort)) << "switch-off goes once, set-up no more";
}

TEST_F(PeloComTest, GuidanceSystemGetsAnOrvSentenceEveryHalfSecond)
{
    link->SetGuidanceSelected(true);
    link->SetRunState(1);
    link->SetGateStatus(21);
    link->SetLocalAppRate(120.5f);
    link->SetLocalSwathWidth(18.0f);
    link->Poll();
    ASSERT_EQ(1u, OrvWrites().size());
    EXPECT_EQ("$ORV,1,0,21,120.50,18.0,0.0,0.000", OrvWrites()[0].substr(0, OrvWrites()[0].find('*')));
    source.AdvanceMs(499);
    link->Poll();
    EXPECT_EQ(1u, OrvWrites().size());
    source.AdvanceMs(2);
    link->Poll();
    EXPECT_EQ(2u, OrvWrites().size());
    EXPECT_EQ(OrvWrites()[1], link->LastSent());
}

TEST_F(PeloComTest, RemoteSpeedDisabledUsesLocalAndSendsItNegated)
{
    link->SetGuidanceSelected(true);
    link->SetRemoteDisabledMask(0x20);
    PollWith(kVtg36);
    const TGpsSpeed s = link->GetSpeed();
    EXPECT_FALSE(s.fromRemote);
    EXPECT_FLOAT_EQ(40.0f, s.value);
    serial.ClearWritten(kPort);
    link->SendOrvSentence();
    ASSERT_EQ(1u, OrvWrites().size());
    EXPECT_EQ("$ORV,0,0,0,0.00,0.0,-40.0,0.000", OrvWrites()[0].substr(0, OrvWrites()[0].find('*')));
}

TEST_F(PeloComTest, ReceivedOrvFiresSwathAndRateEventsWhenTheyDiffer)
{
    std::vector<float> swaths, rates;
    link->OnRemoteSwathWidth = [&](TPeloCom&, float v) { swaths.push_back(v); };
    link->OnRemoteAppRate = [&](TPeloCom&, float v) { rates.push_back(v); };
    link->SetLocalAppRate(120.5f);
    PollWith("$ORV,1,0,21,120.50,-18.0,45.2,0.000*74\r\n");
    EXPECT_EQ(std::vector<float>{18.0f}, swaths);
    EXPECT_TRUE(rates.empty()) << "the rate equals the local one";
    EXPECT_EQ(0x10, link->SignFlags());
    const TGpsSpeed s = link->GetSpeed();
    EXPECT_TRUE(s.fromRemote);
    EXPECT_FLOAT_EQ(45.2f, s.value);
    EXPECT_EQ(1, link->DecodedCount());
}

TEST_F(PeloComTest, Orv2LineIsDecodedAsOrv)
{
    PollWith("$ORV2,2,0,20,80.00,12.5,30.0,0.000*58\r\n");
    EXPECT_FLOAT_EQ(12.5f, static_cast<float>(link->Channels().Remote(gchSwathWidth)));
}

TEST_F(PeloComTest, LinesOfTenCharactersOrFewerAreNeverDecoded)
{
    PollWith("$ORV,12*64\r\n"); // ten characters
    EXPECT_EQ(0, link->DecodedCount());
    PollWith("$ORV,123*57\r\n"); // eleven
    EXPECT_EQ(1, link->DecodedCount());
}

TEST_F(PeloComTest, LinesSplitAcrossReadsAndAnyLineEnding)
{
    PollWith("$GPVTG,054.7,T,034.4,M,0");
    EXPECT_EQ(0, link->DecodedCount());
    PollWith("05.5,N,036.0,K*4E\r");
    EXPECT_EQ(1, link->DecodedCount());
    PollWith("\n$GPVTG,054.7,T,034.4,M,005.5,N,036.0,K*4E\n$GPVTG,054.7,T,034.4,M,005.5,N,036.0,K*4E\r\n");
    EXPECT_EQ(3, link->DecodedCount());
    EXPECT_EQ(0u, link->Buffered());
}

TEST_F(PeloComTest, NoiseAroundSentencesIsHarmless)
{
    std::string noise = "\x01\xff garbage without end of line ,,,*** ";
    noise += '\0';
    PollWith(noise + "\r\n$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n*\r\n$\r\n");
    EXPECT_EQ(1, link->DecodedCount());
    EXPECT_EQ('A', link->RmcStatus());
    EXPECT_TRUE(link->FixValid());
}

TEST_F(PeloComTest, FullBufferIsEmptiedBeforeTheNextRead)
{
    link->FeedBuffer(std::string(8100, 'x'));
    link->ProcessBuffer();
    EXPECT_EQ(8100u, link->Buffered()) << "a partial line waits for its end";
    PollWith(kVtg36);
    EXPECT_EQ(1, link->DecodedCount()) << "the new sentence is read into an empty buffer";
    EXPECT_EQ(0u, link->Buffered());
}

TEST_F(PeloComTest, BadOrvDoesNotCostTheOtherLinesOfTheRead)
{
    PollWith("$ORV,1,70000,21,120.50,18.0,45.2,0.000*5E\r\n" + kVtg36);
    EXPECT_EQ(1, link->DecodedCount());
    EXPECT_TRUE(link->GetSpeed().fromRemote);
    EXPECT_FLOAT_EQ(10.0f, link->GetSpeed().value);
}

TEST_F(PeloComTest, InvalidFixDoesNotKeepAnOldSpeedFresh)
{
    PollWith(kVtg36);
    source.AdvanceMs(2000);
    for (int i = 0; i < 5; ++i) {
        PollWith("$GPRMC,225446,V,,,,,,,191194,,*37\r\n$GNVTG,,T,,M,,N,,K,N*32\r\n");
        source.AdvanceMs(1000);
    }
    EXPECT_EQ('V', link->RmcStatus());
    EXPECT_FALSE(link->FixValid());
    EXPECT_FALSE(link->GetSpeed().fromRemote);
}

TEST_F(PeloComTest, ReentrantPollFromAHookOnlyCountsItself)
{
    link->OnRemoteSwathWidth = [&](TPeloCom& l, float) { l.Poll(); };
    PollWith("$ORV,1,0,21,120.50,-18.0,45.2,0.000*74\r\n");
    EXPECT_EQ(1, link->ReentrantReads());
    EXPECT_EQ(1, link->DecodedCount());
}

TEST_F(PeloComTest, DiscardThrowsAwayWhatIsRead)
{
    link->SetDiscard(true);
    EXPECT_TRUE(PollWith(kVtg36));
    EXPECT_EQ(0, link->DecodedCount());
    EXPECT_EQ(0u, link->Buffered());
}

TEST_F(PeloComTest, PerDecoderEventsFireAsTheQueueDrains)
{
    std::vector<int> nmea, orvIds;
    link->OnNmeaMessage = [&](TPeloCom&, int id) { nmea.push_back(id); };
    link->OnOrvMessage = [&](TPeloCom&, int id) { orvIds.push_back(id); };
    PollWith(kVtg36 + "$ORV2,2,0,20,80.00,12.5,30.0,0.000*58\r\n");
    EXPECT_EQ(std::vector<int>{TNMEADecoding::kVTG}, nmea);
    EXPECT_EQ(std::vector<int>{OrvDecoding::kOrv}, orvIds);
    EXPECT_TRUE(link->DecodedQueue().empty());
}

TEST_F(PeloComTest, VanishedPortIsLoggedAtMostEveryHalfSecond)
{
    serial.RemovePort(kPort);
    link->Poll();
    link->Poll();
    ASSERT_EQ(1u, logged.size());
    EXPECT_EQ("Comm Errors IO Error, ", logged[0]);
    source.AdvanceMs(501);
    link->Poll();
    EXPECT_EQ(2u, logged.size());
}

TEST_F(PeloComTest, NothingIsSentWhileNotConnected)
{
    link->CloseLink();
    link->SetGuidanceSelected(true);
    link->RequestReceiverSetup(true);
    link->Poll();
    link->SendOrvSentence();
    EXPECT_EQ(0u, serial.WriteCount(kPort));
}

TEST_F(PeloComTest, RandomBytesNeverUpsetTheLink)
{
    // Garbage mixed with pieces of real sentences, in reads of random size.
    const std::string pieces[] = {kVtg36, "$GPRMC,", "*4E", "$ORV,", ",,,,,,,", "\r\n", "$ORV,1,0,21,1e38,-1e39,nan,*"};
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 3000; ++round) {
        std::string chunk;
        const int parts = next() % 6;
        for (int p = 0; p < parts; ++p) {
            if (next() % 3 == 0) {
                chunk += pieces[next() % std::size(pieces)];
            } else {
                for (int n = next() % 40; n > 0; --n)
                    chunk += static_cast<char>(next() >> 24);
            }
        }
        serial.Feed(kPort, chunk);
        link->Poll();
        source.AdvanceMs(next() % 200);
        EXPECT_LE(link->Buffered(), 8191u);
    }
    EXPECT_GT(link->DecodedCount(), 10) << "the real sentences among the noise are still read";
    const TGpsSpeed s = link->GetSpeed();
    EXPECT_TRUE(std::isfinite(s.value));
    EXPECT_GE(s.value, 0.0f);
}

TEST(ComPortNames, ComNameMapsToPortNumber)
{
    EXPECT_EQ(0, ComPortNumber("COM1"));
    EXPECT_EQ(0, ComPortNumber("Com1"));
    EXPECT_EQ(11, ComPortNumber("com12"));
    for (const char* bad : {"", "COM", "COM0", "COM01", "COMx", "COM1 ", "LPT1", "COM-1", "COM999"})
        EXPECT_EQ(-1, ComPortNumber(bad)) << bad;
}

TEST(ComPortNames, AvailablePortsAreTheComNamesOfTheFolderInPortOrder)
{
    test::TempDir dir;
    for (const char* name : {"COM12", "COM1", "COM3", "com4", "COMx", "COM05", "ttyS0"})
        dir.Write(name, "");
    EXPECT_EQ((std::vector<std::string>{"COM1", "COM3", "COM12"}), AvailableComPorts(dir.Path()));
    EXPECT_TRUE(AvailableComPorts(dir.File("missing")).empty());
}

TEST(ComPortNames, ErrorNamesInOrder)
{
    EXPECT_EQ("Frame Error, IO Error, TxFull Error, ", ComErrorNames(ceTxFull | ceIO | ceFrame));
    EXPECT_EQ("", ComErrorNames(0));
}

TEST(ComPortOpen, PortHeldElsewhereInTheProgramIsNotTakenOver)
{
    FakeSerialLibrary serial;
    serial.AddPort(0);
    ASSERT_EQ(kSioOk, serial.SioReset(0, 1024, 1024)); // the controller link holds it
    serial.Feed(0, "controller bytes");
    TComPort port(serial);
    port.SetPortName("COM1");
    EXPECT_FALSE(port.Open());
    char buf[32];
    EXPECT_EQ(16, serial.SioGets(0, buf, sizeof buf)) << "the other owner's data is untouched";
    EXPECT_FALSE(port.SetBaudRate(12345));
}

} // namespace
} // namespace orv
