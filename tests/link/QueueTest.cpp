#include "link/LinkHealth.h"
#include "link/LinkInbox.h"
#include "link/LinkLocks.h"
#include "link/LinkOutbox.h"
#include "link/SerialFrame.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"
#include "tests/link/LinkTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>

namespace orv {
namespace {

TGpioMessage CanMessage(uint32_t id)
{
    const auto b = MakeCanRecord(id).ToBytes();
    return {gtCan1, std::vector<uint8_t>(b.begin(), b.end())};
}

// Feeds messages to the inbox the way the parser does, then processes them.
void Receive(TLinkInbox& inbox, int kind, const std::vector<uint8_t>& bytes)
{
    std::lock_guard lock(TLinkLocks::Receive());
    std::copy(bytes.begin(), bytes.end(), inbox.GpioTailLocked());
    inbox.GpioAddedLocked(bytes.size());
    TLinkInbox::TParseOutput out;
    inbox.ParseLocked(kind, out);
    inbox.ProcessLocked();
}

TEST(LinkInboxTest, CanQueueKeepsTheNewestSix)
{
    TLinkInbox inbox;
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < 10; ++i) {
        const auto m = CanMessage(0x00080003 + (i << 8));
        const auto f = BuildGpioFrame(gtCan1, m.Data);
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    Receive(inbox, 0, bytes);
    EXPECT_EQ(6u, inbox.CanQueueSize(1));
    for (uint32_t i = 4; i < 10; ++i)
        EXPECT_EQ(0x00080003 + (i << 8), inbox.PopCan(1)->Identifier);
    EXPECT_FALSE(inbox.PopCan(1));
    EXPECT_TRUE(inbox.ResponseFlag(gtCan1));
    EXPECT_FALSE(inbox.ResponseFlag(gtCan2));
}

// A dual gate's doubled answers to the start-up requests arrive in one burst
// among the periodic reports: the answers are never pushed out by the
// reports, which keep their newest six.
TEST(LinkInboxTest, AnswersToRequestsSurviveABurstOfPeriodicReports)
{
    TLinkInbox inbox;
    std::vector<uint32_t> sent;
    for (int board : {1, 2})
        for (uint32_t code : {0x04u, 0x04u, 0x07u, 0x07u}) // configuration and PWM reports, doubled
            sent.push_back(0x00080000 | code | (board << 8));
    for (uint32_t i = 0; i < 10; ++i) // status and current reports of both boards
        sent.push_back(0x00080000 | (i % 2 ? 0x09u : 0x03u) | ((1 + i % 4 / 2) << 8) | (i << 16));
    std::vector<uint8_t> bytes;
    for (uint32_t id : sent) {
        const auto f = BuildGpioFrame(gtCan1, CanMessage(id).Data);
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    Receive(inbox, 0, bytes);

    std::vector<uint32_t> kept;
    while (auto r = inbox.PopCan(1))
        kept.push_back(r->Identifier);
    std::vector<uint32_t> wanted(sent.begin(), sent.begin() + 8);
    wanted.insert(wanted.end(), sent.end() - 6, sent.end());
    EXPECT_EQ(wanted, kept);
}

// A reader that stopped polling cannot make the queue grow without end.
TEST(LinkInboxTest, AnswersAreKeptUpToTheGuard)
{
    TLinkInbox inbox;
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < TLinkInbox::kCanQueueGuard + 10; ++i) {
        const auto f = BuildGpioFrame(gtCan1, CanMessage(0x00080004 | (i << 16)).Data);
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    Receive(inbox, 0, bytes);
    EXPECT_EQ(TLinkInbox::kCanQueueGuard, inbox.CanQueueSize(1));
    EXPECT_EQ(0x00080004u | (10u << 16), inbox.PopCan(1)->Identifier);
}

TEST(LinkInboxTest, KeepsDipReplyStatusBytesAndFlags)
{
    TLinkInbox inbox;
    const auto dip = BuildGpioFrame(gtDip, {0x12, 0x34, 0x56, 0x78, 0x9A});
    const auto bits = BuildGpioFrame(gtClearBits, {0x0F, 0xF0});
    const auto ack = BuildGpioFrame(gtCanConfig1, {0x00});
    std::vector<uint8_t> all(dip);
    all.insert(all.end(), bits.begin(), bits.end());
    all.insert(all.end(), ack.begin(), ack.end());
    Receive(inbox, 0, all);
    const std::array<uint8_t, 5> expected = {0x12, 0x34, 0x56, 0x78, 0x9A};
    EXPECT_EQ(expected, inbox.DipBytes());
    EXPECT_EQ(0x0F, inbox.GpioStatus(1));
    EXPECT_EQ(0xF0, inbox.GpioStatus(2));
    EXPECT_TRUE(inbox.ResponseFlag(gtDip));
    EXPECT_TRUE(inbox.ResponseFlag(gtClearBits));
    EXPECT_TRUE(inbox.ResponseFlag(gtCanConfig1));
    inbox.SetResponseFlag(gtDip, false);
    EXPECT_FALSE(inbox.ResponseFlag(gtDip));
}

TEST(LinkInboxTest, ChannelDataReadAcrossBuffersAndOverflowDropped)
{
    TLinkInbox inbox;
    Receive(inbox, 0, BuildGpioFrame(static_cast<TGpioType>(gtSerial1 + 1), {'a', 'b', 'c'}));
    EXPECT_EQ(3, inbox.ChannelBytesAvailable(2));
    uint8_t buf[16] = {};
    EXPECT_EQ(2, inbox.ReadChannel(buf, 2, 2));
    EXPECT_EQ('a', buf[0]);
    // More arrives while the front still holds "c".
    Receive(inbox, 0, BuildGpioFrame(static_cast<TGpioType>(gtSerial1 + 1), {'d', 'e'}));
    EXPECT_EQ(3, inbox.ChannelBytesAvailable(2));
    EXPECT_EQ(3, inbox.ReadChannel(buf, 10, 2));
    EXPECT_EQ("cde", std::string(buf, buf + 3));
    EXPECT_EQ(0, inbox.ReadChannel(buf, 10, 2));

    // 16 frames of 250 = 4000 bytes fit; the next 250 would pass 4094 and go whole.
    for (int i = 0; i < 16; ++i)
        Receive(inbox, 0, BuildGpioFrame(gtSerial1, std::vector<uint8_t>(250, 'x')));
    EXPECT_EQ(4000, inbox.ChannelBytesAvailable(1));
    Receive(inbox, 0, BuildGpioFrame(gtSerial1, std::vector<uint8_t>(250, 'y')));
    EXPECT_EQ(4000, inbox.ChannelBytesAvailable(1));
    Receive(inbox, 0, BuildGpioFrame(gtSerial1, std::vector<uint8_t>(94, 'z')));
    EXPECT_EQ(4094, inbox.ChannelBytesAvailable(1));
}

TEST(LinkInboxTest, TextKindsQueueRecordsAsCanChannelOne)
{
    std::string serialLine = "#03,11,22,33,44,55,66,77,88,";
    serialLine += HexByte(SerialChecksum(serialLine)) + "\r\n";
    struct Case {
        int kind;
        std::string text;
        uint32_t identifier;
    } cases[] = {
        {4, "T000801038" "1122334455667788\r", 0x00080103},
        {2, serialLine, 0x03}, // the direct line carries no board bits
    };
    for (const auto& c : cases) {
        TLinkInbox inbox;
        {
            std::lock_guard lock(TLinkLocks::Receive());
            inbox.AppendTextLocked(c.text);
            TLinkInbox::TParseOutput out;
            inbox.ParseLocked(c.kind, out);
            EXPECT_EQ(1, out.Emitted) << c.kind;
            EXPECT_EQ(1u, inbox.ReceivedQueueSizeLocked()) << c.kind;
            inbox.ProcessLocked();
            EXPECT_EQ(0u, inbox.ReceivedQueueSizeLocked()) << c.kind;
        }
        EXPECT_TRUE(inbox.ResponseFlag(gtCan1)) << c.kind;
        EXPECT_FALSE(inbox.ResponseFlag(gtCan2)) << c.kind;
        EXPECT_EQ(0u, inbox.CanQueueSize(2)) << c.kind;
        ASSERT_EQ(1u, inbox.CanQueueSize(1)) << c.kind;
        const auto r = inbox.PopCan(1);
        ASSERT_TRUE(r) << c.kind;
        EXPECT_EQ(0x80080000u, r->Header) << c.kind;
        EXPECT_EQ(c.identifier, r->Identifier) << c.kind;
        EXPECT_EQ(0x44332211u, r->DataLow) << c.kind;
        EXPECT_EQ(0x88776655u, r->DataHigh) << c.kind;
        EXPECT_FALSE(inbox.PopCan(1)) << c.kind;
    }
    TLinkInbox inbox;
    std::lock_guard lock(TLinkLocks::Receive());
    inbox.AppendTextLocked(std::string(9000, 'q'));
    EXPECT_EQ(0u, inbox.TextSizeLocked()); // past 8192 the text goes
}

TEST(LinkOutboxTest, ChannelFlushCutsFramesOf255)
{
    struct Case {
        int pending;
        std::vector<size_t> frames;
    } cases[] = {{600, {255, 255, 90}}, {510, {255, 255, 0}}, {1, {1}}, {255, {255, 0}}};
    for (const auto& c : cases) {
        TLinkOutbox out;
        std::vector<uint8_t> data(c.pending);
        for (int i = 0; i < c.pending; ++i)
            data[i] = static_cast<uint8_t>(i);
        ASSERT_EQ(c.pending, out.WriteChannel(data.data(), c.pending, 3));
        out.FlushChannels();
        EXPECT_EQ(0u, out.ChannelPending(3));
        std::vector<size_t> sizes;
        std::vector<uint8_t> joined;
        while (auto m = out.TakeGpio()) {
            EXPECT_EQ(gtSerial1 + 2, m->Type);
            sizes.push_back(m->Data.size());
            joined.insert(joined.end(), m->Data.begin(), m->Data.end());
        }
        EXPECT_EQ(c.frames, sizes) << c.pending;
        EXPECT_EQ(data, joined) << c.pending;
    }
}

TEST(LinkOutboxTest, ChannelCapacityAndLargeFlushKeepsEveryByte)
{
    TLinkOutbox out;
    std::vector<uint8_t> data(4095, 7);
    EXPECT_EQ(0, out.WriteChannel(data.data(), 4096, 1));
    EXPECT_EQ(4095, out.WriteChannel(data.data(), 4095, 1));
    EXPECT_EQ(0, out.WriteChannel(data.data(), 1, 1));
    size_t total = 0;
    for (int round = 0; round < 4 && out.ChannelPending(1) + out.GpioCount() > 0; ++round) {
        out.FlushChannels();
        while (auto m = out.TakeGpio())
            total += m->Data.size();
    }
    // More frames than the queue keeps: the rest waits for the next round.
    EXPECT_EQ(4095u, total);
}

TEST(LinkOutboxTest, TextsTheBoardsNeedAreAllKeptTheBinaryQueueKeepsTheNewestAndAClosedTextQueueIgnoresMore)
{
    TLinkOutbox out;
    // A burst of settings and board ID requests, each twice as the adapter path sends them.
    for (int i = 0; i < 40; ++i) {
        out.QueueText(std::to_string(i));
        out.QueueText(std::to_string(i));
    }
    EXPECT_EQ(80u, out.TextCount());
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(std::to_string(i), *out.TakeText()) << i;
        ASSERT_EQ(std::to_string(i), *out.TakeText()) << i;
    }
    EXPECT_FALSE(out.TakeText());
    out.QueueText("waiting");
    out.Close();
    out.QueueText("late");
    EXPECT_EQ(1u, out.TextCount());
    for (int i = 0; i < 12; ++i)
        out.QueueGpio(gtDirections, {static_cast<uint8_t>(i)});
    EXPECT_EQ(4, out.TakeGpio()->Data[0]);
}

TEST(LinkOutboxTest, ANewerLatestTextReplacesTheOneStillWaitingForItsKey)
{
    TLinkOutbox out;
    constexpr uint32_t kLeft = 0x0101, kRight = 0x0102;
    for (int pos = 100; pos < 150; ++pos) {
        // Each position twice, as the adapter path sends it.
        for (int copy = 0; copy < 2; ++copy) {
            out.QueueText("L" + std::to_string(pos) + ";", TTextKind::Latest, kLeft);
            out.QueueText("R" + std::to_string(pos + 1000) + ";", TTextKind::Latest, kRight);
        }
        if (pos == 120)
            out.QueueText("settings;");
    }
    // The settings stay; of the positions only each board's newest waits,
    // both copies of it, behind the settings that were sent before it.
    EXPECT_EQ(3u, out.TextCount());
    EXPECT_EQ("settings;", *out.TakeText());
    EXPECT_EQ("L149;L149;", *out.TakeText());
    EXPECT_EQ("R1149;R1149;", *out.TakeText());
    EXPECT_FALSE(out.TakeText());
    // A third copy of the same text adds nothing; once taken, it queues anew.
    for (int i = 0; i < 3; ++i)
        out.QueueText("L7;", TTextKind::Latest, kLeft);
    EXPECT_EQ("L7;L7;", *out.TakeText());
    out.QueueText("L7;", TTextKind::Latest, kLeft);
    EXPECT_EQ("L7;", *out.TakeText());
}

TEST(LinkOutboxTest, PollsWaitForEverythingElseAndOneWaitsPerKey)
{
    TLinkOutbox out;
    for (int i = 0; i < 30; ++i) {
        out.QueueText("status;", TTextKind::Poll, 0x0200);
        out.QueueText("status;", TTextKind::Poll, 0x0200);
        out.QueueText("P" + std::to_string(i) + ";", TTextKind::Latest, 0x0101);
    }
    out.QueueText("id?;");
    out.QueueText("other;", TTextKind::Poll, 0x0201);
    EXPECT_EQ("P29;id?;status;status;other;", out.TakeTextBatch());
    EXPECT_EQ(0u, out.TextCount());
}

TEST(LinkOutboxTest, ABatchFillsOneWriteAndKeepsTheOrder)
{
    TLinkOutbox out;
    const std::string frame(27, 'T'); // an adapter command's length
    for (int i = 0; i < 25; ++i)
        out.QueueText(frame + std::to_string(i % 10));
    out.QueueText("poll", TTextKind::Poll, 1);
    std::string all;
    size_t batches = 0;
    for (std::string b = out.TakeTextBatch(); !b.empty(); b = out.TakeTextBatch()) {
        EXPECT_LE(b.size(), TLinkOutbox::kMaxTextBatch);
        all += b;
        ++batches;
    }
    std::string expected;
    for (int i = 0; i < 25; ++i)
        expected += frame + std::to_string(i % 10);
    EXPECT_EQ(expected + "poll", all);
    EXPECT_EQ(2u, batches); // 25 × 28 + 4 bytes: two writes, not 26
    // A text longer than a batch still goes, alone.
    out.QueueText(std::string(TLinkOutbox::kMaxTextBatch + 5, 'x'));
    EXPECT_EQ(TLinkOutbox::kMaxTextBatch + 5, out.TakeTextBatch().size());
}

TEST(LinkOutboxTest, CommandCodesDecideHowTheirTextsAreTreated)
{
    EXPECT_EQ(TTextKind::Latest, TextKindOfCode(kControlMessageCode));
    EXPECT_EQ(TTextKind::Poll, TextKindOfCode(kStatusRequestCode));
    for (uint8_t code : {0x05, 0x06, 0x0C, 0x14, 0x15, 0x17})
        EXPECT_EQ(TTextKind::Keep, TextKindOfCode(code)) << int(code);
}

class LinkHealthTest : public ::testing::Test {
protected:
    void SetUp() override { TGPSClock::Install(source); }
    void TearDown() override { TGPSClock::Uninstall(); }
    FakeTimeSource source;
    test::LogCapture log;
};

TEST_F(LinkHealthTest, AWriteLongerThanTwoSecondsBlocksTheLink)
{
    TLinkHealth health(7);
    health.SetLinkKind(2);
    health.SetLinkUp(true);
    EXPECT_TRUE(health.LinkHealthy());
    health.SetWatch(TWatch::Send, true);
    source.AdvanceMs(2000);
    EXPECT_TRUE(health.LinkHealthy());
    source.AdvanceMs(1);
    EXPECT_FALSE(health.LinkHealthy());
    EXPECT_TRUE(health.SendBlocked());
    EXPECT_FALSE(health.LinkUp());
    EXPECT_TRUE(health.SerialPingFailed()); // going down marks the kind's ping
    EXPECT_TRUE(log.Has("7: Send blocked"));
    EXPECT_EQ(lfSerialPing | lfSendBlocked, health.FailureBits());
}

TEST_F(LinkHealthTest, TenSecondsWithoutAReadBlocksTheReceiveSide)
{
    TLinkHealth health(3);
    health.SetLinkKind(4);
    health.SetLinkUp(true);
    EXPECT_TRUE(health.LinkHealthy());
    // A write now and then keeps the send side alive; nothing is read.
    for (int i = 0; i < 10; ++i) {
        health.SetWatch(TWatch::Send, true);
        health.SetWatch(TWatch::Send, false);
        source.AdvanceMs(999);
        EXPECT_TRUE(health.LinkHealthy()) << i;
    }
    source.AdvanceMs(20);
    EXPECT_FALSE(health.LinkHealthy());
    EXPECT_TRUE(health.ReceiveBlocked());
    EXPECT_FALSE(health.SendBlocked());
    EXPECT_TRUE(health.UsbCanPingFailed());
    EXPECT_TRUE(log.Has("3: Received blocked"));
}

TEST_F(LinkHealthTest, ReadsInTimeKeepItHealthy)
{
    TLinkHealth health(1);
    health.SetLinkKind(4);
    health.SetLinkUp(true);
    // The reader's loop: a read, then the health check it runs every turn.
    // Writes come in time throughout, so only the receive side is under test.
    auto read = [&](int64_t takesMs) {
        health.SetWatch(TWatch::Receive, true);
        source.AdvanceMs(takesMs);
        const bool healthy = health.LinkHealthy();
        health.SetWatch(TWatch::Receive, false);
        return healthy;
    };
    auto write = [&] {
        health.SetWatch(TWatch::Send, true);
        health.SetWatch(TWatch::Send, false);
    };
    EXPECT_TRUE(read(2500)); // a read may take its full 2.5 s
    EXPECT_TRUE(health.LinkHealthy());
    // A read every 9.9 s for over a minute keeps it up.
    for (int i = 0; i < 7; ++i) {
        source.AdvanceMs(9900);
        write();
        EXPECT_TRUE(health.LinkHealthy()) << i;
        EXPECT_TRUE(read(0)) << i;
        EXPECT_TRUE(health.LinkHealthy()) << i;
    }
    EXPECT_FALSE(health.ReceiveBlocked());
    EXPECT_FALSE(log.Has("1: Received blocked"));
    // Then the reads stop; the writes go on. Ten seconds later it is the
    // receive side that takes the link down, not the send side.
    source.AdvanceMs(9000);
    write();
    EXPECT_TRUE(health.LinkHealthy());
    source.AdvanceMs(1001);
    EXPECT_FALSE(health.LinkHealthy());
    EXPECT_TRUE(health.ReceiveBlocked());
    EXPECT_FALSE(health.SendBlocked());
    EXPECT_TRUE(log.Has("1: Received blocked"));
}

TEST_F(LinkHealthTest, AReadLongerThanTwoAndAHalfSecondsBlocksTheLink)
{
    TLinkHealth health(2);
    health.SetLinkKind(4);
    health.SetLinkUp(true);
    health.SetWatch(TWatch::Receive, true);
    source.AdvanceMs(2501);
    EXPECT_FALSE(health.LinkHealthy());
    EXPECT_TRUE(health.ReceiveBlocked());
    EXPECT_FALSE(health.SendBlocked());
}

TEST_F(LinkHealthTest, DownMarksTheKindsPingAndUpClearsEverything)
{
    struct Case {
        int kind;
        bool canFailedBefore;
        uint8_t bits;
    } cases[] = {{0, false, lfGpioPing}, {1, true, lfCanPing}, {3, false, lfSerialPing}, {5, false, lfUsbCanPing}};
    for (const auto& c : cases) {
        TLinkHealth health;
        health.SetLinkKind(c.kind);
        health.SetLinkUp(true);
        health.SetCanPingFailed(c.canFailedBefore);
        health.SetLinkUp(false);
        EXPECT_EQ(c.bits, health.FailureBits()) << c.kind;
        EXPECT_FALSE(health.LinkHealthy());
        health.SetLinkUp(true);
        EXPECT_EQ(0, health.FailureBits());
        EXPECT_TRUE(health.LinkHealthy());
    }
}

} // namespace
} // namespace orv
