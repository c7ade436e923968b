#include "platform/NetlinkUsbMonitor.h"
#include "platform/Uevent.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace orv {
namespace {

using namespace std::string_literals;

// Messages as the kernel sends them for an FTDI USB-serial adapter.
const std::string kFtdiDevpath = "/devices/pci0000:00/0000:00:14.0/usb1/1-2";
const std::string kFtdiAdd = "add@" + kFtdiDevpath + "\0"s
                             "ACTION=add\0"s
                             "DEVPATH=" + kFtdiDevpath + "\0"s
                             "SUBSYSTEM=usb\0MAJOR=189\0MINOR=5\0DEVNAME=bus/usb/001/006\0DEVTYPE=usb_device\0"s
                             "PRODUCT=403/6001/600\0TYPE=0/0/0\0BUSNUM=001\0DEVNUM=006\0SEQNUM=4242\0"s;
const std::string kFtdiRemove = "remove@" + kFtdiDevpath + "\0"s
                                "ACTION=remove\0"s
                                "DEVPATH=" + kFtdiDevpath + "\0"s
                                "SUBSYSTEM=usb\0MAJOR=189\0MINOR=5\0DEVNAME=bus/usb/001/006\0DEVTYPE=usb_device\0"s
                                "PRODUCT=403/6001/600\0TYPE=0/0/0\0BUSNUM=001\0DEVNUM=006\0SEQNUM=4250\0"s;
const std::string kFtdiName = "USB\\VID_0403&PID_6001 SUBSYSTEM=usb DEVTYPE=usb_device DEVPATH=" + kFtdiDevpath +
                              " PRODUCT=403/6001/600 DEVNAME=bus/usb/001/006";

std::optional<TUevent> Parse(const std::string& bytes)
{
    return ParseUevent(bytes.data(), bytes.size());
}

std::string Message(const std::string& action, const std::string& devpath, const std::string& fields)
{
    return action + "@" + devpath + "\0ACTION="s + action + "\0DEVPATH="s + devpath + "\0"s + fields;
}

// udev's form of a message: "libudev" header, then the properties.
std::string UdevMessage(const std::string& properties, uint32_t magic = 0xfeedcafe, int offsetShift = 0)
{
    std::string m(40, '\0');
    std::memcpy(m.data(), "libudev", 8);
    const uint32_t bigMagic = htonl(magic);
    std::memcpy(m.data() + 8, &bigMagic, 4);
    const uint32_t headerSize = 40;
    const uint32_t offset = 40 + offsetShift;
    const uint32_t length = static_cast<uint32_t>(properties.size());
    std::memcpy(m.data() + 12, &headerSize, 4);
    std::memcpy(m.data() + 16, &offset, 4);
    std::memcpy(m.data() + 20, &length, 4);
    return m + properties;
}

TEST(UeventTest, AKernelMessageGivesItsActionPathAndFields)
{
    const auto ev = Parse(kFtdiAdd);
    ASSERT_TRUE(ev);
    EXPECT_EQ("add", ev->action);
    EXPECT_EQ(kFtdiDevpath, ev->devpath);
    EXPECT_EQ("usb", ev->Field("SUBSYSTEM"));
    EXPECT_EQ("403/6001/600", ev->Field("PRODUCT"));
    EXPECT_EQ("4242", ev->Field("SEQNUM"));
    EXPECT_EQ("", ev->Field("ID_MODEL"));
    EXPECT_EQ(TUsbChange::Arrival, ClassifyUsbEvent(*ev));
    EXPECT_EQ(kFtdiName, UsbDeviceName(*ev));

    const auto gone = Parse(kFtdiRemove);
    ASSERT_TRUE(gone);
    EXPECT_EQ(TUsbChange::Removal, ClassifyUsbEvent(*gone));
    EXPECT_EQ(kFtdiName, UsbDeviceName(*gone)); // the same name both ways
}

TEST(UeventTest, OnlyUsbDevicesAndRealVolumesComingOrGoingCount)
{
    const std::string usbDisk = "/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
    struct Case {
        const char* what;
        std::string bytes;
        TUsbChange expected;
    } cases[] = {
        {"interface of a device", Message("add", kFtdiDevpath + "/1-2:1.0", "SUBSYSTEM=usb\0DEVTYPE=usb_interface\0"s),
         TUsbChange::None},
        {"serial port of the adapter",
         Message("add", kFtdiDevpath + "/1-2:1.0/ttyUSB0/tty/ttyUSB0", "SUBSYSTEM=tty\0DEVNAME=ttyUSB0\0"s),
         TUsbChange::None},
        {"driver bound", Message("bind", kFtdiDevpath, "SUBSYSTEM=usb\0DEVTYPE=usb_device\0"s), TUsbChange::None},
        {"device changed", Message("change", kFtdiDevpath, "SUBSYSTEM=usb\0DEVTYPE=usb_device\0"s), TUsbChange::None},
        {"stick without partitions", Message("add", usbDisk, "SUBSYSTEM=block\0DEVTYPE=disk\0DEVNAME=sdb\0"s),
         TUsbChange::Arrival},
        {"partition of a stick", Message("add", usbDisk + "/sdb1", "SUBSYSTEM=block\0DEVTYPE=partition\0DEVNAME=sdb1\0"s),
         TUsbChange::Arrival},
        {"partition removed", Message("remove", usbDisk + "/sdb1", "SUBSYSTEM=block\0DEVTYPE=partition\0"s),
         TUsbChange::Removal},
        {"loop device", Message("add", "/devices/virtual/block/loop3", "SUBSYSTEM=block\0DEVTYPE=disk\0"s),
         TUsbChange::None},
        {"network card", Message("add", "/devices/virtual/net/veth0", "SUBSYSTEM=net\0INTERFACE=veth0\0"s),
         TUsbChange::None},
    };
    for (const auto& c : cases) {
        const auto ev = Parse(c.bytes);
        ASSERT_TRUE(ev) << c.what;
        EXPECT_EQ(c.expected, ClassifyUsbEvent(*ev)) << c.what;
    }
}

TEST(UeventTest, UdevsMessagesBringVendorAndModelNames)
{
    const std::string props = "ACTION=add\0DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-4\0SUBSYSTEM=usb\0"s
                              "DEVTYPE=usb_device\0PRODUCT=1d50/606f/0\0ID_VENDOR=Example\0ID_MODEL=CAN_Adapter\0"s
                              "ID_SERIAL=Example_CAN_Adapter_0042\0SEQNUM=77\0"s;
    const auto ev = Parse(UdevMessage(props));
    ASSERT_TRUE(ev);
    EXPECT_EQ("add", ev->action);
    EXPECT_EQ("/devices/pci0000:00/0000:00:14.0/usb1/1-4", ev->devpath);
    EXPECT_EQ(TUsbChange::Arrival, ClassifyUsbEvent(*ev));
    EXPECT_EQ("USB\\VID_1D50&PID_606F SUBSYSTEM=usb DEVTYPE=usb_device DEVPATH=/devices/pci0000:00/0000:00:14.0/usb1/1-4"
              " PRODUCT=1d50/606f/0 ID_VENDOR=Example ID_MODEL=CAN_Adapter ID_SERIAL=Example_CAN_Adapter_0042",
              UsbDeviceName(*ev));
}

TEST(UeventTest, BytesThatAreNoEventAreRefused)
{
    const std::string props = "ACTION=add\0SUBSYSTEM=usb\0"s;
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"no header", "ACTION=add\0SUBSYSTEM=usb\0"s},
        {"header without action", "@/devices/x\0SUBSYSTEM=usb\0"s},
        {"udev header cut short", UdevMessage(props).substr(0, 20)},
        {"udev magic wrong", UdevMessage(props, 0xdeadbeef)},
        {"udev properties past the end", UdevMessage(props, 0xfeedcafe, 64)},
        {"udev properties inside the header", UdevMessage(props, 0xfeedcafe, -30)},
        {"udev properties without action", UdevMessage("SUBSYSTEM=usb\0"s)},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(Parse(c.bytes)) << c.what;
    EXPECT_FALSE(ParseUevent(nullptr, 10));
}

TEST(UeventTest, OddFieldsAreSkippedAndControlCharactersKeptOutOfTheName)
{
    // The last field lacks its NUL; one entry has no '='; a value holds a tab.
    const std::string bytes = "add@/devices/p/usb2/2-1\0NOEQUALS\0=nokey\0SUBSYSTEM=usb\0DEVTYPE=usb_device\0"s
                              "PRODUCT=zz/1/0\0ID_MODEL=Bad\tName\0DEVNAME=bus/usb/002/003"s;
    const auto ev = Parse(bytes);
    ASSERT_TRUE(ev);
    EXPECT_EQ(5u, ev->fields.size());
    EXPECT_EQ("bus/usb/002/003", ev->Field("DEVNAME"));
    EXPECT_EQ("/devices/p/usb2/2-1", ev->devpath); // from the header when no DEVPATH field
    // PRODUCT is not a vendor/product pair: no VID prefix.
    EXPECT_EQ("SUBSYSTEM=usb DEVTYPE=usb_device DEVPATH=/devices/p/usb2/2-1 PRODUCT=zz/1/0 DEVNAME=bus/usb/002/003"
              " ID_MODEL=Bad?Name",
              UsbDeviceName(*ev));
}

TEST(UeventTest, DispatchCallsTheRightCallbackAndSurvivesOneThatThrows)
{
    std::vector<std::string> arrived, removed;
    auto onArrive = [&](const std::string& n) { arrived.push_back(n); };
    auto onRemove = [&](const std::string& n) { removed.push_back(n); };
    EXPECT_TRUE(DispatchUevent(kFtdiAdd.data(), kFtdiAdd.size(), onArrive, onRemove));
    EXPECT_TRUE(DispatchUevent(kFtdiRemove.data(), kFtdiRemove.size(), onArrive, onRemove));
    const std::string iface = Message("add", kFtdiDevpath + "/1-2:1.0", "SUBSYSTEM=usb\0DEVTYPE=usb_interface\0"s);
    EXPECT_FALSE(DispatchUevent(iface.data(), iface.size(), onArrive, onRemove));
    EXPECT_EQ(std::vector<std::string>{kFtdiName}, arrived);
    EXPECT_EQ(std::vector<std::string>{kFtdiName}, removed);

    auto throwing = [](const std::string&) { throw std::runtime_error("handler failed"); };
    EXPECT_TRUE(DispatchUevent(kFtdiAdd.data(), kFtdiAdd.size(), throwing, onRemove));
    EXPECT_FALSE(DispatchUevent(kFtdiAdd.data(), kFtdiAdd.size(), nullptr, onRemove));
}

} // namespace
} // namespace orv
