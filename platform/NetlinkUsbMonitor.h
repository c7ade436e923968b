#pragma once
#include "platform/UsbMonitor.h"
#include "platform/Uevent.h"

#include <cstdint>
#include <memory>

class QSocketNotifier;

namespace orv {

// Passes one event message to the callbacks when it is an arrival or a
// removal of a USB device or a volume; a callback that throws costs only
// that event. True when a callback was called.
bool DispatchUevent(const char* data, std::size_t size, const IUsbMonitor::Callback& arrived,
                    const IUsbMonitor::Callback& removed);

// The device events from a NETLINK_KOBJECT_UEVENT socket, read when the
// event loop reports it readable (so callbacks run on the thread that called
// Start). Messages that do not come from the kernel (or, for udev's events,
// from a root process) are dropped.
class TNetlinkUsbMonitor final : public IUsbMonitor {
public:
    explicit TNetlinkUsbMonitor(TUeventSource source = TUeventSource::Auto);
    ~TNetlinkUsbMonitor() override;
    TNetlinkUsbMonitor(const TNetlinkUsbMonitor&) = delete;
    TNetlinkUsbMonitor& operator=(const TNetlinkUsbMonitor&) = delete;

    bool Start(Callback arrived, Callback removed) override;
    void Stop() override;
    bool Running() const override { return fFd >= 0; }

    // The source in use once started (Auto resolved).
    TUeventSource Source() const { return fSource; }
    // The socket's netlink address; 0 when not running.
    uint32_t PortId() const { return fPortId; }
    // Messages read and dropped as untrusted or malformed, for diagnostics.
    int DroppedMessages() const { return fDropped; }

private:
    void ReadAll();

    TUeventSource fSource;
    int fFd = -1;
    uint32_t fPortId = 0;
    int fDropped = 0;
    std::unique_ptr<QSocketNotifier> fNotifier;
    Callback fArrived;
    Callback fRemoved;
};

} // namespace orv
