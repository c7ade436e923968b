#pragma once
#include "nav/GPSClock.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace orv {

// Bits of the link failure byte read by the supervision tick.
enum : uint8_t {
    lfSerialPing = 0x01,
    lfGpioPing = 0x02,
    lfCanPing = 0x04,
    lfUsbCanPing = 0x08,
    lfSendBlocked = 0x10,
    lfReceiveBlocked = 0x20,
    lfNotHealthy = 0x40,
};

enum class TWatch { Send, Receive };

// Whether a link is usable: the up flag, the send and receive watchdogs and
// the ping failure flags. Called from every thread of the link and from the
// main thread, so every field is guarded.
class TLinkHealth {
public:
    static constexpr int64_t kSendWatchMs = 2000;
    static constexpr int64_t kReceiveWatchMs = 2500;
    static constexpr int64_t kIdleWatchMs = 10000;

    explicit TLinkHealth(int port = 255) : fPort(port) {}
    void SetPort(int port) { fPort = port; }
    void SetLinkKind(int kind) { fKind = kind; }

    // Arms (now + 2000 / 2500 ms) or disarms a watchdog.
    void SetWatch(TWatch which, bool on);
    // Unset watchdogs are armed for 10 s; an expired one takes the link down.
    bool LinkHealthy();
    // Up clears the failure flags and the watchdogs; down marks the current
    // kind's ping as failed.
    void SetLinkUp(bool up);
    // Clears the failure flags and watchdogs without touching the up flag.
    void ClearFailures();

    bool LinkUp() const { return fUp; }
    bool SendBlocked() const { return fSendBlocked; }
    bool ReceiveBlocked() const { return fReceiveBlocked; }
    bool SerialPingFailed() const { return fSerialPingFailed; }
    bool GpioPingFailed() const { return fGpioPingFailed; }
    bool CanPingFailed() const { return fCanPingFailed; }
    bool UsbCanPingFailed() const { return fUsbCanPingFailed; }
    void SetSerialPingFailed(bool v) { fSerialPingFailed = v; }
    void SetGpioPingFailed(bool v) { fGpioPingFailed = v; }
    void SetCanPingFailed(bool v) { fCanPingFailed = v; }
    void SetUsbCanPingFailed(bool v) { fUsbCanPingFailed = v; }
    // The flag bits 0x01..0x20 (the not-healthy bit is the caller's).
    uint8_t FailureBits() const;
    // Deadlines for tests and diagnostics.
    TDeadline Watch(TWatch which) const;

private:
    void ClearLocked();

    std::atomic<int> fPort;
    std::atomic<int> fKind{0};
    mutable std::mutex fMutex; // the two deadlines
    TDeadline fSendWatch;
    TDeadline fReceiveWatch;
    std::atomic<bool> fUp{false};
    std::atomic<bool> fSendBlocked{false};
    std::atomic<bool> fReceiveBlocked{false};
    std::atomic<bool> fSerialPingFailed{false};
    std::atomic<bool> fGpioPingFailed{false};
    std::atomic<bool> fCanPingFailed{false};
    std::atomic<bool> fUsbCanPingFailed{false};
};

} // namespace orv
