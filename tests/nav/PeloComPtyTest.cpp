#include "nav/GPSClock.h"
#include "nav/NmeaChecksum.h"
#include "nav/PeloCom.h"
#include "platform/TermiosSerial.h"
#include "platform/fake/FakeTimeSource.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWait = std::chrono::seconds(3);

// The guidance link on a real pseudo-terminal: the test plays the receiver on the master side.
class PeloComPtyTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeTimeSource source;
    int master = -1;
    int slave = -1;
    std::unique_ptr<TTermiosSerialLibrary> serial;
    std::unique_ptr<TPeloCom> link;

    void SetUp() override
    {
        TGPSClock::Install(source);
        ASSERT_EQ(0, ::openpty(&master, &slave, nullptr, nullptr, nullptr));
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        const char* name = ::ttyname(slave);
        ASSERT_NE(nullptr, name);
        ASSERT_EQ(0, ::symlink(name, dir.File("COM5").c_str()));
        serial = std::make_unique<TTermiosSerialLibrary>(dir.Path());
        link = std::make_unique<TPeloCom>(*serial);
        link->InitLink();
        link->SetPortName("COM5");
        link->SetBaudRate(38400);
        link->SetLocalSpeed(40.0f);
        ASSERT_TRUE(link->OpenLink());
    }
    void TearDown() override
    {
        link.reset();
        serial.reset();
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        TGPSClock::Uninstall();
    }

    void Send(const std::string& bytes) { ASSERT_EQ(ssize_t(bytes.size()), ::write(master, bytes.data(), bytes.size())); }

    // Polls until the count of decoded sentences reaches n or the wait runs out.
    bool PollUntilDecoded(int n)
    {
        const auto until = Clock::now() + kWait;
        while (link->DecodedCount() < n && Clock::now() < until) {
            link->Poll();
            std::this_thread::yield();
        }
        return link->DecodedCount() >= n;
    }

    // One line the link wrote, CR LF included.
    std::string ReadLine()
    {
        std::string line;
        const auto until = Clock::now() + kWait;
        while (Clock::now() < until) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char c;
            while (::read(master, &c, 1) == 1) {
                line += c;
                if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0)
                    return line;
            }
        }
        return line;
    }
};

TEST_F(PeloComPtyTest, SpeedFromTheReceiverReachesGetSpeed)
{
    Send("$GNVTG,,T,,M,0.012,N,0.022,K,A*3e\r\n$GPVTG,054.7,T,034.4,M,005.5,N,036.0,K*4E\r\n");
    ASSERT_TRUE(PollUntilDecoded(2));
    const TGpsSpeed s = link->GetSpeed();
    EXPECT_TRUE(s.fromRemote);
    EXPECT_FLOAT_EQ(10.0f, s.value);
    source.AdvanceMs(3100);
    EXPECT_FALSE(link->GetSpeed().fromRemote);
}

TEST_F(PeloComPtyTest, SentencesArriveInPieces)
{
    const std::string rmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
    for (size_t i = 0; i < rmc.size(); i += 7) {
        Send(rmc.substr(i, 7));
        link->Poll();
    }
    ASSERT_TRUE(PollUntilDecoded(1));
    EXPECT_EQ('A', link->RmcStatus());
    EXPECT_NEAR(22.4 / 1.9438445, link->GetSpeed().value, 1e-4);
}

TEST_F(PeloComPtyTest, OrvRoundTripWithAGuidanceSystem)
{
    link->SetGuidanceSelected(true);
    link->SetRunState(2);
    link->SetGateStatus(21);
    link->SetLocalAppRate(95.25f);
    link->SetLocalSwathWidth(22.5f);
    link->SetRemoteDisabledMask(0x20);
    link->Poll();
    const std::string sent = ReadLine();
    ASSERT_EQ("$ORV,2,0,21,95.25,22.5,-40.0,0.000*", sent.substr(0, 35));
    const std::string body = sent.substr(0, sent.size() - 2);
    EXPECT_TRUE(NmeaChecksumOk(body, body.size() - 2));

    // The guidance system answers with its own values.
    std::vector<float> swaths;
    link->OnRemoteSwathWidth = [&](TPeloCom&, float v) { swaths.push_back(v); };
    Send("$ORV,1,0,21,120.50,-18.0,45.2,0.000*74\r\n");
    ASSERT_TRUE(PollUntilDecoded(1));
    EXPECT_EQ(std::vector<float>{18.0f}, swaths);
    EXPECT_EQ(0x10, link->SignFlags());
    EXPECT_FALSE(link->GetSpeed().fromRemote) << "remote speed is disabled";
}

TEST_F(PeloComPtyTest, ReceiverSetUpGoesOutOnTheWire)
{
    link->RequestReceiverSetup(true);
    link->Poll();
    EXPECT_EQ("$PSRF100,1,4800,8,1,0*0E\r\n", ReadLine());
    EXPECT_EQ("$PSRF103,04,00,01,01*21\r\n", ReadLine());
}

} // namespace
} // namespace orv
