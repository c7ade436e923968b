#include "platform/NetlinkUsbMonitor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {
namespace {

using namespace std::string_literals;

// Sends a forged event straight to the monitor's socket, as any local
// process could.
bool SendForged(uint32_t portId, const std::string& bytes)
{
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0)
        return false;
    sockaddr_nl to{};
    to.nl_family = AF_NETLINK;
    to.nl_pid = portId;
    const bool ok = ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
                    static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

// Serves the event loop until done() or 5 s have passed.
template <class F>
bool PumpUntil(F done)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

class NetlinkUsbMonitorTest : public ::testing::TestWithParam<TUeventSource> {};

TEST_P(NetlinkUsbMonitorTest, OpensTheKernelsDeviceEventsAndDropsForgedOnes)
{
    TNetlinkUsbMonitor monitor(GetParam());
    int calls = 0;
    auto count = [&](const std::string&) { ++calls; };
    if (!monitor.Start(count, count))
        GTEST_SKIP() << "device events cannot be had in this sandbox";
    EXPECT_TRUE(monitor.Running());
    EXPECT_NE(0u, monitor.PortId());
    EXPECT_EQ(GetParam(), monitor.Source());

    const std::string forged = "add@/devices/pci0000:00/usb1/1-2\0ACTION=add\0DEVPATH=/devices/pci0000:00/usb1/1-2\0"s
                               "SUBSYSTEM=usb\0DEVTYPE=usb_device\0PRODUCT=403/6001/600\0"s;
    if (!SendForged(monitor.PortId(), forged))
        GTEST_SKIP() << "cannot send on a uevent socket here";
    EXPECT_TRUE(PumpUntil([&] { return monitor.DroppedMessages() >= 1 || calls > 0; }));
    EXPECT_EQ(1, monitor.DroppedMessages());
    EXPECT_EQ(0, calls);

    monitor.Stop();
    EXPECT_FALSE(monitor.Running());
    EXPECT_EQ(0u, monitor.PortId());
    // Started again after a stop.
    EXPECT_TRUE(monitor.Start(count, count));
    EXPECT_TRUE(monitor.Running());
}

INSTANTIATE_TEST_SUITE_P(Sources, NetlinkUsbMonitorTest, ::testing::Values(TUeventSource::Kernel, TUeventSource::Udev));

TEST(NetlinkUsbMonitorAutoTest, AutoSettlesOnOneSource)
{
    TNetlinkUsbMonitor monitor;
    if (!monitor.Start(nullptr, nullptr))
        GTEST_SKIP() << "device events cannot be had in this sandbox";
    EXPECT_NE(TUeventSource::Auto, monitor.Source());
}

} // namespace
} // namespace orv
