#include "platform/Uevent.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace orv {

namespace {

constexpr char kUdevPrefix[] = "libudev"; // with its NUL: 8 bytes
constexpr uint32_t kUdevMagic = 0xfeedcafe;
// prefix[8], magic, header size, properties offset, properties length, then
// filter hashes we do not need.
constexpr std::size_t kUdevHeaderMin = 8 + 4 * 4;

uint32_t ReadHost32(const char* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint32_t ReadBig32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}

// KEY=VALUE strings, each ended by NUL (the last one may lack it).
void ParseFields(const char* p, const char* end, TUevent& ev)
{
    while (p < end) {
        const char* stop = static_cast<const char*>(std::memchr(p, '\0', end - p));
        if (!stop)
            stop = end;
        const std::string entry(p, stop);
        const auto eq = entry.find('=');
        if (eq != std::string::npos && eq > 0)
            ev.fields[entry.substr(0, eq)] = entry.substr(eq + 1);
        p = stop + 1;
    }
}

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// "403/6001/600" -> "VID_0403&PID_6001"; empty when it is not that shape.
std::string VidPid(const std::string& product)
{
    const auto a = product.find('/');
    if (a == std::string::npos)
        return {};
    const auto b = product.find('/', a + 1);
    const std::string vid = product.substr(0, a);
    const std::string pid = product.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    auto hex4 = [](const std::string& h) -> std::string {
        if (h.empty() || h.size() > 4)
            return {};
        std::string out;
        for (char c : h) {
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return {};
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return std::string(4 - out.size(), '0') + out;
    };
    const std::string v = hex4(vid), p = hex4(pid);
    if (v.empty() || p.empty())
        return {};
    return "VID_" + v + "&PID_" + p;
}

} // namespace

std::string TUevent::Field(const std::string& key) const
{
    const auto it = fields.find(key);
    return it == fields.end() ? std::string() : it->second;
}

std::optional<TUevent> ParseUevent(const char* data, std::size_t size)
{
    if (!data || size == 0)
        return std::nullopt;
    const char* end = data + size;
    TUevent ev;

    if (size >= sizeof kUdevPrefix && std::memcmp(data, kUdevPrefix, sizeof kUdevPrefix) == 0) {
        if (size < kUdevHeaderMin || ReadBig32(data + 8) != kUdevMagic)
            return std::nullopt;
        const uint32_t offset = ReadHost32(data + 16);
        const uint32_t length = ReadHost32(data + 20);
        if (offset < kUdevHeaderMin || offset > size || length > size - offset)
            return std::nullopt;
        ParseFields(data + offset, data + offset + length, ev);
        ev.action = ev.Field("ACTION");
        ev.devpath = ev.Field("DEVPATH");
    } else {
        const char* stop = static_cast<const char*>(std::memchr(data, '\0', size));
        const std::string header(data, stop ? stop : end);
        const auto at = header.find('@');
        if (at == std::string::npos || at == 0)
            return std::nullopt;
        ev.action = header.substr(0, at);
        ev.devpath = header.substr(at + 1);
        if (stop)
            ParseFields(stop + 1, end, ev);
        // The fields are the kernel's own record; the header only names it.
        if (!ev.Field("ACTION").empty())
            ev.action = ev.Field("ACTION");
        if (!ev.Field("DEVPATH").empty())
            ev.devpath = ev.Field("DEVPATH");
    }
    if (ev.action.empty())
        return std::nullopt;
    return ev;
}

TUsbChange ClassifyUsbEvent(const TUevent& ev)
{
    TUsbChange change;
    if (ev.action == "add")
        change = TUsbChange::Arrival;
    else if (ev.action == "remove")
        change = TUsbChange::Removal;
    else
        return TUsbChange::None;

    const std::string subsystem = ev.Field("SUBSYSTEM");
    const std::string devtype = ev.Field("DEVTYPE");
    if (subsystem == "usb" && devtype == "usb_device")
        return change;
    // Loop, RAM and mapper devices live under /devices/virtual: not media.
    if (subsystem == "block" && (devtype == "disk" || devtype == "partition") &&
        !StartsWith(ev.devpath, "/devices/virtual/"))
        return change;
    return TUsbChange::None;
}

std::string UsbDeviceName(const TUevent& ev)
{
    static const char* const kKeys[] = {"SUBSYSTEM",
                                        "DEVTYPE",
                                        "DEVPATH",
                                        "PRODUCT",
                                        "DEVNAME",
                                        "ID_VENDOR",
                                        "ID_MODEL",
                                        "ID_VENDOR_ID",
                                        "ID_MODEL_ID",
                                        "ID_VENDOR_FROM_DATABASE",
                                        "ID_MODEL_FROM_DATABASE",
                                        "ID_SERIAL",
                                        "ID_FS_LABEL"};
    std::string name;
    if (ev.Field("SUBSYSTEM") == "usb") {
        const std::string vp = VidPid(ev.Field("PRODUCT"));
        if (!vp.empty())
            name = "USB\\" + vp;
    }
    for (const char* key : kKeys) {
        std::string value = key == std::string("DEVPATH") ? ev.devpath : ev.Field(key);
        if (value.empty())
            continue;
        if (!name.empty())
            name += ' ';
        name += key;
        name += '=';
        name += value;
    }
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return name;
}

} // namespace orv
