#pragma once
#include "link/GpioFrame.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv {

// The send side of one link: the writer's binary queue (GPIO frames) and
// text queue (serial lines, adapter commands), each with its own lock, and
// the GPIO board's serial channel transmit buffers (process-wide channel
// transmit lock). The binary queue keeps the newest 8 entries, the text queue
// the newest 32.
class TLinkOutbox {
public:
    static constexpr size_t kMaxQueued = 8;
    // The adapter sends every command twice and each text write is followed
    // by a 15 ms pause, so a burst of requests (status, configuration, PWM,
    // revision, board ID) outgrows 8 entries and its oldest commands, sent
    // only once, would be lost.
    static constexpr size_t kMaxQueuedText = 32;
    static constexpr size_t kChannelCapacity = 4095;

    TLinkOutbox();

    void QueueText(std::string text);
    void QueueGpio(TGpioType type, std::vector<uint8_t> data);
    std::optional<std::string> TakeText();
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
    mutable std::mutex fTextLock;
    mutable std::mutex fGpioLock;
    std::deque<std::string> fText;
    std::deque<TGpioMessage> fGpio;
    std::atomic<bool> fClosed{false};
    struct Channel {
        std::vector<uint8_t> buffer;
        size_t pending = 0;
    };
    Channel fChannels[4];
};

} // namespace orv
