#include "link/AdapterFrame.h"
#include "link/DVIOController.h"
#include "link/PortThreads.h"
#include "link/SerialFrame.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeSerialLibrary.h"
#include "platform/fake/FakeTimeSource.h"
#include "tests/link/LinkTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace orv {
namespace {

using test::ServeUntil;

std::string Str(const std::vector<uint8_t>& v)
{
    return std::string(v.begin(), v.end());
}

std::string ControllerLine(uint8_t code, uint8_t d0 = 0)
{
    std::string line = "#" + HexByte(code) + "," + HexByte(d0) + ",";
    for (int i = 1; i < 8; ++i)
        line += "00,";
    return line + HexByte(SerialChecksum(line)) + "\r\n";
}

std::string StatusRequestLine()
{
    return BuildSerialLine(0x02, 0, 0);
}

class LinkTest : public ::testing::Test {
protected:
    std::unique_ptr<TDVIOController> MakeLink(uint8_t kind, uint8_t port)
    {
        serial.AddPort(port);
        auto link = std::make_unique<TDVIOController>(serial, kind);
        link->SetCanPingRecord(MakeCanRecord(CanIdentifier(0x02, 0)));
        link->SetLinkKind(kind);
        link->SetPortNumber(port);
        return link;
    }
    size_t CountWrites(int port, const std::string& bytes)
    {
        const auto w = serial.Writes(port);
        return static_cast<size_t>(std::count(w.begin(), w.end(), bytes));
    }
    // The texts written so far, each with its CR (the writer may put several
    // into one write).
    std::vector<std::string> SentTexts(int port) const
    {
        std::vector<std::string> texts;
        const std::string all = serial.Written(port);
        size_t start = 0;
        for (size_t cr = all.find('\r'); cr != std::string::npos; cr = all.find('\r', start)) {
            texts.push_back(all.substr(start, cr + 1 - start));
            start = cr + 1;
        }
        return texts;
    }
    // How often the text went out, wherever in a write it stood.
    size_t CountSent(int port, const std::string& text) const
    {
        const std::string all = serial.Written(port);
        size_t n = 0;
        for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + text.size()))
            ++n;
        return n;
    }

    FakeSerialLibrary serial;
    test::LogCapture log;
};

TEST_F(LinkTest, CloseLinkOnALinkThatNeverStarted)
{
    const int threadsBefore = test::ThreadCount();
    {
        TDVIOController bare(serial);
        EXPECT_TRUE(bare.CloseLink());
        EXPECT_TRUE(bare.Destroyed());
        EXPECT_TRUE(log.Has("Comport 255 was destroyed"));
        EXPECT_TRUE(bare.CloseLink()); // runs once
        EXPECT_EQ(1u, log.Count("Comport 255 was destroyed"));
    }
    {
        auto suspended = MakeLink(2, 4);
        EXPECT_EQ(threadsBefore + 5, test::ThreadCount());
        EXPECT_TRUE(suspended->CloseLink());
        EXPECT_TRUE(log.Has("Comport 4 was destroyed"));
        EXPECT_TRUE(log.Has("Freeing Thread Writer Port: 4"));
        EXPECT_TRUE(log.Has("Freed Thread Pinger Port: 4"));
        EXPECT_EQ(threadsBefore, test::ThreadCount());
        EXPECT_FALSE(serial.IsOpen(4)); // never opened, never touched
    }
}

TEST_F(LinkTest, ThreadsCarryTheirNamesAndSetPortNumberAgainReplacesThem)
{
    const int threadsBefore = test::ThreadCount();
    auto link = MakeLink(0, 3);
    const auto names = test::ThreadNames();
    for (const char* name : {"VEDOProcessStac", "VEDOParser_3", "PortWriter_3", "PortChecker_3", "PingThread_3"})
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), name)) << name;
    EXPECT_EQ("VEDOProcessStack_3", link->Thread(0)->OsName());
    EXPECT_EQ("3_VEDOPingThread", link->Thread(4)->Event().Name());
    EXPECT_EQ(100, link->PingInterval());
    EXPECT_TRUE(log.Has("Setting TDVIOController Port Name to: 3 "));

    link->OpenLink(9);
    EXPECT_TRUE(ServeUntil([&] { return serial.WriteCount(3) > 0; }));
    serial.AddPort(5);
    link->SetPortNumber(5);
    EXPECT_EQ(threadsBefore + 5, test::ThreadCount());
    EXPECT_FALSE(serial.IsOpen(3));
    EXPECT_EQ("PortWriter_5", link->Thread(2)->OsName());
    link->CloseLink();
    EXPECT_EQ(threadsBefore, test::ThreadCount());
}

TEST_F(LinkTest, OpenLinkFailuresEndInBadExit)
{
    TDVIOController noPort(serial, 2);
    noPort.OpenLink(9);
    EXPECT_TRUE(noPort.LinkClosed());
    EXPECT_FALSE(noPort.LinkUp());
    EXPECT_TRUE(log.Has("Bad Exit"));

    auto missing = MakeLink(2, 6);
    serial.FailNextReset(6, kSioCannotOpen);
    missing->OpenLink(9);
    EXPECT_TRUE(missing->LinkClosed());
    EXPECT_TRUE(missing->SerialPingFailed());

    // A port this process already holds counts as opened.
    auto held = MakeLink(2, 7);
    serial.FailNextReset(7, kSioAlreadyOpen);
    held->OpenLink(9);
    EXPECT_FALSE(held->LinkClosed());
    EXPECT_TRUE(held->LinkUp());
}

TEST_F(LinkTest, SerialLinkVerifiesOnAnAnswerAndQueuesIt)
{
    auto link = MakeLink(2, 1);
    link->OpenLink(9);
    EXPECT_EQ(1, link->RequiredBits());
    EXPECT_TRUE(link->Opening());
    ASSERT_TRUE(ServeUntil([&] { return CountSent(1, StatusRequestLine()) >= 1; }));
    serial.Feed(1, ControllerLine(0x03, 0x42));
    ASSERT_TRUE(ServeUntil([&] { return link->LinkVerified(); }));
    EXPECT_FALSE(link->Opening());
    EXPECT_TRUE(link->LinkHealthy());
    const auto rec = link->PopCanFrame(1);
    ASSERT_TRUE(rec);
    EXPECT_EQ(0x03u, rec->Identifier);
    EXPECT_EQ(0x42, rec->Data(0));
    EXPECT_TRUE(log.Has("1: Serial ping responded"));
}

// The board's side, as little as the pings need: the DIP reply, the CAN
// rate acknowledgements and a status for every CAN frame.
class GpioPeer {
public:
    GpioPeer(FakeSerialLibrary& serial, int port, bool answerCan) : fSerial(serial), fPort(port), fAnswerCan(answerCan)
    {
        serial.SetPutsHook([this](int port, const std::string& bytes) {
            if (port != fPort || bytes.size() < 5)
                return static_cast<int>(bytes.size());
            const uint8_t code = static_cast<uint8_t>(bytes[1]);
            if (code == 0x01 && fAnswerDip)
                Feed(BuildGpioFrame(gtDip, {0x12, 0x34, 0x00, 0x01, 0x05}));
            if (code == 0xA1 || code == 0xA2)
                Feed(BuildGpioFrame(GpioTypeOfCode(code), {0x00}));
            if (code == 0x21) {
                ++fCanFrames;
                if (fAnswerCan) {
                    const auto r = MakeCanRecord(CanIdentifier(0x03, 0)).ToBytes();
                    Feed(BuildGpioFrame(gtCan1, std::vector<uint8_t>(r.begin(), r.end())));
                }
            }
            return static_cast<int>(bytes.size());
        });
    }
    ~GpioPeer() { fSerial.SetPutsHook(nullptr); }
    void AnswerDip(bool on) { fAnswerDip = on; }
    int CanFrames() const { return fCanFrames; }

private:
    void Feed(const std::vector<uint8_t>& frame) { fSerial.Feed(fPort, Str(frame)); }
    FakeSerialLibrary& fSerial;
    int fPort;
    bool fAnswerCan;
    std::atomic<bool> fAnswerDip{false};
    std::atomic<int> fCanFrames{0};
};

TEST_F(LinkTest, GpioLinkNeedsTheDipReplyThenACanAnswer)
{
    GpioPeer peer(serial, 2, true);
    auto link = MakeLink(0, 2);
    link->OpenLink(9);
    EXPECT_EQ(6, link->RequiredBits());
    const std::string dipRequest = Str(BuildGpioFrame(gtDip, {}));
    // The DIP request goes out on every writer pass; no CAN ping before a reply.
    ASSERT_TRUE(ServeUntil([&] { return CountWrites(2, dipRequest) >= 3; }));
    EXPECT_EQ(0, peer.CanFrames());
    EXPECT_FALSE(link->LinkVerified());

    peer.AnswerDip(true);
    ASSERT_TRUE(ServeUntil([&] { return link->LinkVerified(); }));
    EXPECT_EQ(vbDip | vbCan, link->VerifiedBits());
    EXPECT_GE(peer.CanFrames(), 1);
    EXPECT_EQ(1u, CountWrites(2, Str(BuildGpioFrame(gtDirections, {0}))));
    EXPECT_EQ(1u, CountWrites(2, Str(BuildGpioFrame(gtCanConfig1, {6, 0, 0}))));
    EXPECT_EQ(1u, CountWrites(2, Str(BuildGpioFrame(gtCanConfig2, {6, 0, 0}))));
    EXPECT_EQ(0x1234, link->HardwareId());
    EXPECT_EQ(0x05, link->DipSwitches());
    EXPECT_TRUE(log.Has("2: DIP ping responded"));
    EXPECT_TRUE(log.Has("2: CAN ping responded"));
    EXPECT_TRUE(log.Has("2: verified GPIO"));
}

TEST_F(LinkTest, GpioChannelWriteGoesOutInFramesOf255)
{
    GpioPeer peer(serial, 2, true);
    peer.AnswerDip(true);
    auto link = MakeLink(0, 2);
    link->OpenLink(9);
    ASSERT_TRUE(ServeUntil([&] { return link->LinkVerified(); }));
    std::vector<uint8_t> data(600, 'q');
    EXPECT_EQ(600, link->WriteChannel(data.data(), 600, 1));
    const std::string f255 = Str(BuildGpioFrame(gtSerial1, std::vector<uint8_t>(255, 'q')));
    const std::string f90 = Str(BuildGpioFrame(gtSerial1, std::vector<uint8_t>(90, 'q')));
    ASSERT_TRUE(ServeUntil([&] { return CountWrites(2, f90) == 1; }));
    EXPECT_EQ(2u, CountWrites(2, f255));
}

class FakeClockLinkTest : public LinkTest {
protected:
    void SetUp() override { TGPSClock::Install(source); }
    void TearDown() override { TGPSClock::Uninstall(); }
    // Waits for the pinger to have run once more after the time moved.
    void Advance(int ms) { source.AdvanceMs(ms); }
    FakeTimeSource source;
};

// Holds writes in the port while armed, as a slow port would, so that what
// the link queues meanwhile piles up in the writer's queue.
class WriteGate {
public:
    explicit WriteGate(FakeSerialLibrary& serial) : fSerial(serial)
    {
        serial.SetPutsHook([this](int, const std::string& bytes) {
            std::unique_lock lock(fMutex);
            if (fHold) {
                fHeld = true;
                fCond.wait(lock, [this] { return !fHold; });
            }
            return static_cast<int>(bytes.size());
        });
    }
    ~WriteGate()
    {
        Release();
        fSerial.SetPutsHook(nullptr);
    }
    void Hold()
    {
        std::lock_guard lock(fMutex);
        fHold = true;
        fHeld = false;
    }
    bool Held()
    {
        std::lock_guard lock(fMutex);
        return fHeld;
    }
    void Release()
    {
        {
            std::lock_guard lock(fMutex);
            fHold = false;
        }
        fCond.notify_all();
    }

private:
    FakeSerialLibrary& fSerial;
    std::mutex fMutex;
    std::condition_variable fCond;
    bool fHold = false;
    bool fHeld = false;
};

// An adapter link on port 3 under the fake clock: opened, its opening reset
// and pings written, nothing else due.
class AdapterQueueTest : public FakeClockLinkTest {
protected:
    void SetUp() override
    {
        FakeClockLinkTest::SetUp();
        link = MakeLink(5, 3);
        link->OpenLink(9);
        ASSERT_TRUE(ServeUntil([&] { return CountSent(3, kAdapterPing) >= 2; }));
    }
    void TearDown() override
    {
        gate.Release();
        link->CloseLink();
        FakeClockLinkTest::TearDown();
    }
    // Sends a command as the device model does on the adapter: twice.
    std::vector<std::string> Send(const TCanRecord& r)
    {
        link->SendAdapterFrame(r);
        link->SendAdapterFrame(r);
        return {BuildAdapterFrame(r), BuildAdapterFrame(r)};
    }
    // Holds the port in a write of one command; returns the texts sent so far.
    size_t HoldTheWriter()
    {
        gate.Hold();
        link->SendAdapterFrame(MakeCanRecord(CanIdentifier(0x0C, 1))); // "Request Controller Revision"
        EXPECT_TRUE(ServeUntil([&] { return gate.Held(); }));
        return SentTexts(3).size();
    }
    // Releases the port and returns every text written after the held one,
    // up to and including a last command sent once all `count` came (so
    // nothing else was still on its way).
    std::vector<std::string> ReleaseAndCollect(size_t held, size_t count)
    {
        gate.Release();
        EXPECT_TRUE(ServeUntil([&] { return SentTexts(3).size() >= held + 1 + count; }));
        const TCanRecord last = MakeCanRecord(CanIdentifier(0x0C, 2));
        link->SendAdapterFrame(last);
        EXPECT_TRUE(ServeUntil([&] { return CountSent(3, BuildAdapterFrame(last)) == 1; }));
        const auto texts = SentTexts(3);
        EXPECT_EQ(BuildAdapterFrame(MakeCanRecord(CanIdentifier(0x0C, 1))), texts.at(held));
        return std::vector<std::string>(texts.begin() + static_cast<long>(held) + 1, texts.end());
    }
    static TCanRecord Position(int board, int pos)
    {
        return MakeCanRecord(CanIdentifier(kControlMessageCode, board), static_cast<uint32_t>(pos) | 2u << 16);
    }

    WriteGate gate{serial};
    std::unique_ptr<TDVIOController> link;
};

TEST_F(AdapterQueueTest, ABurstOfSettingsAndBoardIdRequestsReachesTheWireWholeAndInOrder)
{
    const size_t held = HoldTheWriter();
    std::vector<std::string> burst;
    for (int i = 0; i < 20; ++i) {
        const int board = 1 + i % 2;
        for (const TCanRecord& r : {MakeCanRecord(CanIdentifier(0x05, board), 0x00960000u | i, 0x01000000u),
                                    MakeCanRecord(CanIdentifier(0x15, board))})
            for (auto& text : Send(r))
                burst.push_back(text);
    }
    ASSERT_EQ(80u, burst.size()); // 40 commands, each twice
    auto sent = ReleaseAndCollect(held, burst.size());
    ASSERT_FALSE(sent.empty());
    sent.pop_back(); // the closing command
    EXPECT_EQ(burst, sent);
}

TEST_F(AdapterQueueTest, ControlMessagesForTwoBoardsCoalesceToEachBoardsLatest)
{
    const size_t held = HoldTheWriter();
    const TCanRecord settings = MakeCanRecord(CanIdentifier(0x05, 1), 0x00960002u, 0x02000000u);
    std::vector<std::string> expected;
    for (int pos = 300; pos < 400; ++pos) {
        Send(Position(1, pos));
        Send(Position(2, pos + 200));
        if (pos == 350)
            expected = Send(settings); // kept, and before the positions sent after it
    }
    for (const TCanRecord& r : {Position(1, 399), Position(2, 599)})
        for (int copy = 0; copy < 2; ++copy)
            expected.push_back(BuildAdapterFrame(r));
    auto sent = ReleaseAndCollect(held, expected.size());
    ASSERT_FALSE(sent.empty());
    sent.pop_back();
    EXPECT_EQ(expected, sent);
}

TEST_F(AdapterQueueTest, PositionCommandsGoBeforeTheStatusPollAndThePollIsNotRepeated)
{
    const size_t held = HoldTheWriter();
    const TCanRecord status = MakeCanRecord(CanIdentifier(kStatusRequestCode, 0));
    for (int i = 0; i < 30; ++i) {
        Send(status);
        Send(Position(1, 400 + i));
        Send(Position(2, 600 + i));
    }
    gate.Release();
    ASSERT_TRUE(ServeUntil([&] { return SentTexts(3).size() >= held + 1 + 6; }));
    const auto texts = SentTexts(3);
    const std::vector<std::string> expected = {
        BuildAdapterFrame(Position(1, 429)), BuildAdapterFrame(Position(1, 429)),
        BuildAdapterFrame(Position(2, 629)), BuildAdapterFrame(Position(2, 629)),
        BuildAdapterFrame(status),           BuildAdapterFrame(status)};
    EXPECT_EQ(expected, std::vector<std::string>(texts.begin() + static_cast<long>(held) + 1, texts.end()));
}

TEST_F(AdapterQueueTest, PositionCommandsGoOutWhileTheStatusPollRuns)
{
    // Status requests queued on every turn of the main loop, far more often
    // than the poll's ten a second: each new position still reaches the wire.
    const TCanRecord status = MakeCanRecord(CanIdentifier(kStatusRequestCode, 0));
    for (int pos = 500; pos < 540; ++pos) {
        Send(Position(1, pos));
        Send(Position(2, pos + 100));
        const std::string last = BuildAdapterFrame(Position(2, pos + 100));
        ASSERT_TRUE(ServeUntil([&] {
            Send(status);
            return CountSent(3, last) == 2;
        })) << pos;
        EXPECT_EQ(2u, CountSent(3, BuildAdapterFrame(Position(1, pos)))) << pos;
    }
    EXPECT_GT(CountSent(3, BuildAdapterFrame(status)), 0u);
}

TEST_F(FakeClockLinkTest, AdapterWithoutAnswerPingsResetsAndTimesOut)
{
    auto link = MakeLink(4, 3);
    link->OpenLink(9);
    EXPECT_EQ(8, link->RequiredBits());
    const std::vector<std::string> opening = {"C\r", "S6\r", "E\r", "O\r", kAdapterPing};
    ASSERT_TRUE(ServeUntil([&] { return SentTexts(3).size() >= 6; }));
    const auto first = SentTexts(3);
    EXPECT_EQ(opening, std::vector<std::string>(first.begin(), first.begin() + 5));
    EXPECT_EQ(kAdapterPing, first[5]); // first ping at once: Count 1
    Advance(301);
    ASSERT_TRUE(ServeUntil([&] { return SentTexts(3).size() >= 7; })); // Count 2
    Advance(301);
    ASSERT_TRUE(ServeUntil([&] { return SentTexts(3).size() >= 8; })); // Count 3
    // The fourth attempt is the reset sequence, without waiting for the interval.
    ASSERT_TRUE(ServeUntil([&] { return SentTexts(3).size() >= 12; }));
    EXPECT_TRUE(log.Has("3: USB to CAN Timed Out.  Trying CAN reset"));
    const auto w = SentTexts(3);
    EXPECT_EQ(opening.front(), w[8]);
    EXPECT_EQ("O\r", w[11]);
    for (int count = 5; count <= 8; ++count) {
        Advance(301);
        ASSERT_TRUE(ServeUntil([&] { return SentTexts(3).size() >= static_cast<size_t>(count + 8); })) << count;
    }
    EXPECT_FALSE(link->UsbCanPingFailed());
    ASSERT_TRUE(ServeUntil([&] { return link->UsbCanPingFailed(); }));
    EXPECT_TRUE(log.Has("3: USB to CAN Timed Out"));
    EXPECT_EQ(16u, SentTexts(3).size());
    EXPECT_FALSE(link->LinkVerified());
    EXPECT_EQ(lfUsbCanPing, link->FailureBits());
    link->CloseLink();
}

TEST_F(FakeClockLinkTest, SerialPingTimesOutAfterFiveTries)
{
    auto link = MakeLink(2, 1);
    link->OpenLink(9);
    const std::string ping = StatusRequestLine();
    for (size_t tries = 1; tries <= 5; ++tries) {
        ASSERT_TRUE(ServeUntil([&] { return CountSent(1, ping) >= tries + 1; })) << tries;
        Advance(301);
    }
    ASSERT_TRUE(ServeUntil([&] { return link->SerialPingFailed(); }));
    EXPECT_TRUE(log.Has("1: Serial Ping Timed Out"));
    // Failed stays failed: a late answer does not clear it.
    serial.Feed(1, ControllerLine(0x03));
    ASSERT_TRUE(ServeUntil([&] { return link->PopCanFrame(1).has_value(); }));
    EXPECT_TRUE(link->SerialPingFailed());
    EXPECT_FALSE(link->LinkVerified());
}

TEST_F(FakeClockLinkTest, DipReplyAfterTheTimeOutDoesNotClearTheFailure)
{
    GpioPeer peer(serial, 2, true);
    auto link = MakeLink(0, 2);
    link->OpenLink(9);
    for (int i = 0; i < 6 && !link->GpioPingFailed(); ++i) {
        Advance(201);
        ServeUntil([&] { return link->PingRecord(pkDip).Count > i || link->GpioPingFailed(); }, 2000);
    }
    ASSERT_TRUE(ServeUntil([&] { return link->GpioPingFailed(); }));
    EXPECT_TRUE(log.Has("2: Ping Timed Out"));
    peer.AnswerDip(true);
    ASSERT_TRUE(ServeUntil([&] { return link->GetResponseFlag(gtDip); }));
    // A few more pinger passes change nothing.
    const size_t before = log.Lines().size();
    ServeUntil([&] { return log.Lines().size() > before + 20; }, 400);
    EXPECT_TRUE(link->GpioPingFailed());
    EXPECT_FALSE(link->LinkVerified());
    EXPECT_EQ(0, peer.CanFrames());
}

TEST_F(FakeClockLinkTest, AWriteThatTakesLongerThanTwoSecondsBlocksTheLink)
{
    std::atomic<bool> entered{false}, release{false};
    serial.SetPutsHook([&](int, const std::string& bytes) {
        entered = true;
        while (!release)
            std::this_thread::yield();
        return static_cast<int>(bytes.size());
    });
    auto link = MakeLink(2, 1);
    link->OpenLink(9);
    ASSERT_TRUE(ServeUntil([&] { return entered.load(); }));
    EXPECT_TRUE(link->LinkHealthy());
    Advance(2001);
    EXPECT_FALSE(link->LinkHealthy());
    EXPECT_TRUE(link->SendBlocked());
    EXPECT_TRUE(log.Has("1: Send blocked"));
    release = true;
    serial.SetPutsHook(nullptr);
    link->CloseLink();
}

TEST_F(LinkTest, UnplugWhileRunningTakesTheLinkDown)
{
    const int threadsBefore = test::ThreadCount();
    auto link = MakeLink(2, 1);
    link->OpenLink(9);
    ASSERT_TRUE(ServeUntil([&] { return serial.WriteCount(1) > 0; }));
    serial.Feed(1, ControllerLine(0x03));
    ASSERT_TRUE(ServeUntil([&] { return link->LinkVerified(); }));
    serial.RemovePort(1);
    ASSERT_TRUE(ServeUntil([&] { return !link->LinkUp(); }));
    EXPECT_FALSE(link->LinkHealthy());
    EXPECT_TRUE(link->SerialPingFailed());
    EXPECT_TRUE(log.Has("1 port does not exist"));
    link.reset(); // freeing closes
    EXPECT_EQ(threadsBefore, test::ThreadCount());
}

TEST_F(LinkTest, ClosingWhileWorkersWaitForTheMainThreadCannotDeadlock)
{
    const int threadsBefore = test::ThreadCount();
    for (int kind : {0, 2, 4}) {
        auto link = MakeLink(static_cast<uint8_t>(kind), 1);
        link->OpenLink(9);
        // Nobody serves: the writer and the pinger end up waiting for us.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (TMainThreadCalls::PendingCount() < 2 && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        EXPECT_GE(TMainThreadCalls::PendingCount(), 1) << kind;
        if (kind == 4)
            link.reset(); // the destructor closes too
        else
            EXPECT_TRUE(link->CloseLink());
        EXPECT_EQ(threadsBefore, test::ThreadCount()) << kind;
        EXPECT_FALSE(serial.IsOpen(1)) << kind;
        TMainThreadCalls::ServePending(); // withdrawn jobs are skipped
    }
}

TEST_F(LinkTest, GpioBoardFunctionsAreSkippedWithoutAPort)
{
    constexpr int kPort = 6;
    // The port is named but not open (the board's port is gone): nothing may
    // be queued for it, no reply flag cleared, no wait taken.
    auto link = MakeLink(0, kPort);
    const int types[] = {gtDirections, gtClearBits, gtSerialConfig1, gtCanConfig1};
    for (int type : types)
        link->SetResponseFlag(type, true);
    link->SetGpioDirections(1);
    link->SetGpioBits(2);
    link->ClearGpioBits(3, 1);
    link->SetChannelConfig(1, 3);
    link->SetCanRate(1, 6);
    uint8_t byte = 0x5A;
    EXPECT_EQ(0, link->WriteChannel(&byte, 1, 1));
    EXPECT_EQ(0, link->ChannelBytesAvailable(1));
    for (int type : types)
        EXPECT_TRUE(link->GetResponseFlag(type)) << type;
    EXPECT_EQ(0, link->CanRate(1));

    // Once the port opens the writer sends what the link itself asks for (the
    // DIP request, every turn) and nothing of the calls above.
    const std::string dip = Str(BuildGpioFrame(gtDip, {}));
    link->OpenLink(9);
    ASSERT_TRUE(ServeUntil([&] { return CountWrites(kPort, dip) >= 3; }));
    for (const auto& w : serial.Writes(kPort))
        EXPECT_EQ(dip, w);

    // With the port there the same calls reach the wire.
    link->SetResponseFlag(gtDirections, true);
    link->SetGpioDirections(1);
    EXPECT_FALSE(link->GetResponseFlag(gtDirections));
    EXPECT_EQ(1, link->WriteChannel(&byte, 1, 1));
    const std::string directions = Str(BuildGpioFrame(gtDirections, {1}));
    const std::string channel = Str(BuildGpioFrame(gtSerial1, {0x5A}));
    EXPECT_TRUE(ServeUntil([&] { return CountWrites(kPort, directions) == 1 && CountWrites(kPort, channel) == 1; }));
    link->CloseLink();
}

} // namespace
} // namespace orv
