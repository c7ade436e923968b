#pragma once
#include <functional>
#include <string>

namespace orv {

// Tells the application, on its main thread, when a USB device or a volume
// of removable media arrives or goes; each callback gets the device name
// (see UsbDeviceName in platform/Uevent.h).
class IUsbMonitor {
public:
    using Callback = std::function<void(const std::string& name)>;

    virtual ~IUsbMonitor() = default;
    // False when device events cannot be had on this machine (no netlink,
    // a sandbox); the application then goes on without them.
    virtual bool Start(Callback arrived, Callback removed) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
};

// Where the device events are read.
enum class TUeventSource {
    Kernel, // the kernel's own events: always there, before udev made the device nodes
    Udev,   // udev's re-sent events: after its rules ran, with vendor and model names
    Auto,   // udev's when a udev daemon runs here, else the kernel's
};

} // namespace orv
