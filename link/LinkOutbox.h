#pragma once
#include "link/GpioFrame.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv {

// How the writer treats a waiting text (a serial line or an adapter command).
enum class TTextKind : uint8_t {
    // Must reach the boards (settings, requests, the adapter's reset and
    // pings): never dropped, written in the order queued.
    Keep,
    // Only the newest of its key matters (a board's Control Message: the gate
    // needs the latest position, not every one on the way): a newer text
    // replaces the one still waiting and queues behind what came before it.
    Latest,
    // A periodic request (the status poll): one waiting per key answers every
    // asker, and it is written after everything else that waits.
    Poll,
};

// The writer's treatment of a board command by its message code; codes not
// listed are kept.
struct TTextRule {
    uint8_t code;
    TTextKind kind;
};
extern const TTextRule kTextRules[2];
TTextKind TextKindOfCode(uint8_t code);

// The send side of one link: the writer's binary queue (GPIO frames) and
// text queue (serial lines, adapter commands), each with its own lock, and
// the GPIO board's serial channel transmit buffers (process-wide channel
// transmit lock). The binary queue keeps the newest 8 entries; the text queue
// keeps every text the boards need and coalesces the ones only the newest of
// which matters (see TTextKind).
class TLinkOutbox {
public:
    static constexpr size_t kMaxQueued = 8;
    // A guard against a writer that never drains, far above any burst: the
    // adapter is written in batches, so what the boards need never comes
    // near it.
    static constexpr size_t kMaxQueuedText = 4096;
    // Every command goes out at most twice in a row (the adapter path sends
    // each one twice).
    static constexpr int kMaxCopies = 2;
    // One write of the writer carries up to this many bytes of texts: ten
    // doubled adapter commands.
    static constexpr size_t kMaxTextBatch = 540;
    static constexpr size_t kChannelCapacity = 4095;

    TLinkOutbox();

    // kind Keep: key unused; Latest and Poll: texts of one key stand for one another.
    void QueueText(std::string text, TTextKind kind = TTextKind::Keep, uint32_t key = 0);
    void QueueGpio(TGpioType type, std::vector<uint8_t> data);
    // The oldest waiting text (as often as it is to be sent), polls last.
    std::optional<std::string> TakeText();
    // As many waiting texts as fit one write of kMaxTextBatch bytes (at least
    // one), in the order TakeText gives them; empty when none waits.
    std::string TakeTextBatch(size_t maxBytes = kMaxTextBatch);
    std::optional<TGpioMessage> TakeGpio();
    void ClearText();
    void ClearGpio();
    size_t TextCount() const;
    size_t GpioCount() const;
    // The writer is going away: texts queued from now on are ignored.
    void Close() { fClosed = true; }
    void Reopen() { fClosed = false; }

    // Appends to a channel's transmit buffer: count, or 0 and nothing stored
    // when it would not fit.
    int WriteChannel(const uint8_t* src, int count, int channel);
    size_t ChannelPending(int channel) const;
    // Turns the pending bytes of every channel into frames of at most 255
    // bytes (a last, possibly empty, frame with the rest) on the binary queue.
    void FlushChannels();

    // Flags shared by the pings and the writer.
    std::atomic<bool> DipRequest{false};
    std::atomic<bool> AdapterResetSent{false};
    std::atomic<bool> CanRatesSet{false};

private:
    struct TTextEntry {
        std::string text;
        TTextKind kind;
        uint32_t key;
        int copies;
        size_t Size() const { return text.size() * static_cast<size_t>(copies); }
    };
    static void Coalesce(std::deque<TTextEntry>& queue, std::string text, TTextKind kind, uint32_t key);
    std::optional<TTextEntry> TakeEntryLocked();

    mutable std::mutex fTextLock;
    mutable std::mutex fGpioLock;
    std::deque<TTextEntry> fText;  // Keep and Latest, in the order queued
    std::deque<TTextEntry> fPolls; // after them
    std::deque<TGpioMessage> fGpio;
    std::atomic<bool> fClosed{false};
    struct Channel {
        std::vector<uint8_t> buffer;
        size_t pending = 0;
    };
    Channel fChannels[4];
};

} // namespace orv
