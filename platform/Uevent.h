#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>

namespace orv {

// One device event of the kernel, as it comes over the uevent netlink socket:
// either straight from the kernel ("add@/devices/…\0ACTION=add\0KEY=VALUE\0…")
// or re-sent by udev after its rules ran ("libudev\0" + header + KEY=VALUE\0…,
// with ID_VENDOR, ID_MODEL and the like added).
struct TUevent {
    std::string action;
    std::string devpath;
    std::map<std::string, std::string> fields;

    // Empty when absent.
    std::string Field(const std::string& key) const;
};

// Any other bytes give nullopt.
std::optional<TUevent> ParseUevent(const char* data, std::size_t size);

// What the application cares about: a USB device or a block volume (a disk
// or a partition of a real device) that came or went. Everything else is None.
enum class TUsbChange { None, Arrival, Removal };
TUsbChange ClassifyUsbEvent(const TUevent& event);

// The device name handed to the arrival and removal callbacks: a
// "USB\VID_xxxx&PID_xxxx" prefix for USB devices (from PRODUCT), then
// KEY=VALUE for SUBSYSTEM, DEVTYPE, DEVPATH, PRODUCT, DEVNAME, ID_VENDOR,
// ID_MODEL, ID_VENDOR_ID, ID_MODEL_ID, ID_VENDOR_FROM_DATABASE,
// ID_MODEL_FROM_DATABASE, ID_SERIAL and ID_FS_LABEL where present, separated
// by spaces. Control characters become '?'.
std::string UsbDeviceName(const TUevent& event);

} // namespace orv
