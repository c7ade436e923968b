#include "platform/NetlinkUsbMonitor.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orv {

namespace {

constexpr uint32_t kKernelGroup = 1;
constexpr uint32_t kUdevGroup = 2;
// The kernel's messages are at most 2 KiB; udev's carry more properties.
constexpr std::size_t kMessageBuffer = 16 * 1024;
// Per wake-up, so that a storm of events cannot hold the main thread.
constexpr int kMessagesPerWake = 256;

bool UdevRunning()
{
    return ::access("/run/udev/control", F_OK) == 0;
}

} // namespace

bool DispatchUevent(const char* data, std::size_t size, const IUsbMonitor::Callback& arrived,
                    const IUsbMonitor::Callback& removed)
{
    const auto ev = ParseUevent(data, size);
    if (!ev)
        return false;
    const TUsbChange change = ClassifyUsbEvent(*ev);
    const IUsbMonitor::Callback* cb = change == TUsbChange::Arrival   ? &arrived
                                      : change == TUsbChange::Removal ? &removed
                                                                      : nullptr;
    if (!cb || !*cb)
        return false;
    try {
        (*cb)(UsbDeviceName(*ev));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "USB event handler raised: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "USB event handler raised\n");
    }
    return true;
}

TNetlinkUsbMonitor::TNetlinkUsbMonitor(TUeventSource source) : fSource(source) {}

TNetlinkUsbMonitor::~TNetlinkUsbMonitor()
{
    Stop();
}

bool TNetlinkUsbMonitor::Start(Callback arrived, Callback removed)
{
    Stop();
    const TUeventSource source =
        fSource == TUeventSource::Auto ? (UdevRunning() ? TUeventSource::Udev : TUeventSource::Kernel) : fSource;
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    if (fd < 0)
        return false;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
    const int size = 1 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);

    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_groups = source == TUeventSource::Udev ? kUdevGroup : kKernelGroup;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return false;
    }
    fFd = fd;
    fPortId = addr.nl_pid;
    fSource = source;
    fArrived = std::move(arrived);
    fRemoved = std::move(removed);
    fNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(fNotifier.get(), &QSocketNotifier::activated, fNotifier.get(), [this] { ReadAll(); });
    return true;
}

void TNetlinkUsbMonitor::Stop()
{
    if (fNotifier) {
        fNotifier->setEnabled(false);
        // A callback may stop the monitor from inside the notifier's own signal.
        fNotifier.release()->deleteLater();
    }
    if (fFd >= 0)
        ::close(fFd);
    fFd = -1;
    fPortId = 0;
}

void TNetlinkUsbMonitor::ReadAll()
{
    static thread_local char buf[kMessageBuffer];
    for (int n = 0; n < kMessagesPerWake && fFd >= 0; ++n) {
        sockaddr_nl from{};
        iovec iov{buf, sizeof buf};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t r = ::recvmsg(fFd, &msg, MSG_DONTWAIT);
        if (r < 0) {
            // ENOBUFS: events were lost in a burst; the ones after it still count.
            if (errno == EINTR || errno == ENOBUFS)
                continue;
            return;
        }
        bool trusted = r > 0 && !(msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC));
        if (fSource == TUeventSource::Kernel) {
            // Only the kernel sends from address 0.
            trusted = trusted && from.nl_pid == 0;
        } else {
            const ucred* cred = nullptr;
            for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
                if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS)
                    cred = reinterpret_cast<const ucred*>(CMSG_DATA(c));
            // udev multicasts as root; a unicast message is somebody else's.
            trusted = trusted && cred && cred->uid == 0 && from.nl_groups != 0;
        }
        if (!trusted) {
            ++fDropped;
            continue;
        }
        DispatchUevent(buf, static_cast<std::size_t>(r), fArrived, fRemoved);
    }
}

} // namespace orv
