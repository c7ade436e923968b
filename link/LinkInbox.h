#pragma once
#include "link/CanRecord.h"
#include "link/GpioFrame.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace orv {

// The receive side of one link: raw bytes and text waiting for the parser,
// the parsed messages waiting for the processor, and what the processor
// keeps (CAN queues, response flags, GPIO replies, channel data). Everything
// here is guarded by the process-wide receive lock: methods ending in Locked
// expect the caller to hold it, the others take it themselves.
class TLinkInbox {
public:
    static constexpr size_t kMaxText = 8192;
    // A CAN queue keeps the newest 6 periodic reports; the reports that
    // answer a request are kept besides them (a burst of a dual gate's doubled
    // answers is more than 6), up to a guard against a reader that stopped.
    static constexpr size_t kCanQueueKeep = 6;
    static constexpr size_t kCanQueueGuard = 64;
    static constexpr size_t kChannelSize = 4095;
    static constexpr size_t kChannelKeep = 4094;

    TLinkInbox();

    // Reader.
    size_t GpioCountLocked() const { return fGpioCount; }
    uint8_t* GpioTailLocked() { return fGpioRx.data() + fGpioCount; }
    void GpioAddedLocked(size_t n) { fGpioCount += n; }
    void GpioDiscardLocked() { fGpioCount = 0; }
    // Appends received text; the whole text is dropped past 8192 characters.
    void AppendTextLocked(std::string_view text);
    size_t TextSizeLocked() const { return fRxText.size(); }

    // Parser: runs the framing of the link kind over what is waiting; the
    // emitted messages join the received queue. Lines for the link log and
    // the application log are handed back so they are written outside the lock.
    struct TParseOutput {
        int Emitted = 0;
        std::vector<std::string> TrafficLines; // level 0
        std::vector<std::string> EventLines;   // level 1
        std::vector<std::string> AppLogLines;  // straight to the application log
    };
    void ParseLocked(int linkKind, TParseOutput& out);

    // Processor: drains the received queue.
    void ProcessLocked();
    size_t ReceivedQueueSizeLocked() const { return fReceived.size(); }

    // Main thread.
    std::optional<TCanRecord> PopCan(int channel);
    size_t CanQueueSize(int channel);
    bool ResponseFlag(int type);
    void SetResponseFlag(int type, bool value);
    std::array<uint8_t, 5> DipBytes();
    uint8_t GpioStatus(int index); // index 1 or 2
    int ChannelBytesAvailable(int channel);
    int ReadChannel(uint8_t* dest, int count, int channel);

    // Forgets everything received (a link reused on a new port).
    void Clear();

private:
    struct Channel {
        std::vector<uint8_t> front, back; // front: read by the owner; back: filled by the processor
        size_t frontCount = 0, frontPos = 0, backCount = 0;
    };
    Channel* ChannelOf(int channel);

    std::vector<uint8_t> fGpioRx;
    size_t fGpioCount = 0;
    std::string fRxText;
    std::deque<TGpioMessage> fReceived;
    std::deque<TCanRecord> fCan[2];
    bool fResponse[kGpioTypeCount] = {};
    std::array<uint8_t, 5> fDip{};
    uint8_t fGpioStatus[2] = {};
    Channel fChannels[4];
};

} // namespace orv
