#include "platform/TermiosSerial.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace orv {

std::string SerialPortName(int port)
{
    return "COM" + std::to_string(port + 1);
}

std::string SerialPortsFolder()
{
    const char* env = std::getenv("ORVANE_PORTS");
    return env && *env ? std::string(env) : std::string("/dev/orvane");
}

std::string SerialPortPath(int port)
{
    return SerialPortsFolder() + "/" + SerialPortName(port);
}

ISerialLibrary& DefaultSerialLibrary()
{
    static TTermiosSerialLibrary library;
    return library;
}

struct TTermiosSerialLibrary::Port {
    int fd = -1;
    std::string path;
    dev_t rdev = 0;
    ino_t ino = 0;
    int rxQueue = 512;
    int txQueue = 512;
    std::atomic<int> writeMultiplier{0};
    std::atomic<int> writeConstant{500};
    std::atomic<bool> gone{false};
    std::atomic<bool> txStuck{false};
    std::mutex settings; // termios read-modify-write

    ~Port()
    {
        if (fd >= 0) {
            flock(fd, LOCK_UN);
            ::close(fd);
        }
    }
};

namespace {

speed_t SpeedOfCode(int code)
{
    static const speed_t kSpeeds[] = {B110, B300, B1200, B2400, B4800, B9600, B19200, B38400, B57600, B115200};
    return code >= 0 && code <= 9 ? kSpeeds[code] : B0;
}

bool ValidPort(int port)
{
    return port >= 0 && port <= 254;
}

// The line mode every port is used in: bytes pass unchanged both ways (no
// line editing, echo, signals, CR/LF mapping or output processing), reads
// never wait, the receiver is on and the modem lines are not watched. Flow
// control, speed and framing stay as they are: they have calls of their own.
void MakeRawLine(termios& t)
{
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IUCLC | IMAXBEL | IUTF8);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

} // namespace

TTermiosSerialLibrary::TTermiosSerialLibrary(std::string folder) : fFolder(std::move(folder)) {}

TTermiosSerialLibrary::~TTermiosSerialLibrary() = default;

std::shared_ptr<TTermiosSerialLibrary::Port> TTermiosSerialLibrary::Find(int port) const
{
    std::lock_guard lock(fMutex);
    auto it = fPorts.find(port);
    return it == fPorts.end() ? nullptr : it->second;
}

int TTermiosSerialLibrary::OpenCount() const
{
    std::lock_guard lock(fMutex);
    return static_cast<int>(fPorts.size());
}

bool TTermiosSerialLibrary::Present(Port& p)
{
    if (p.gone)
        return false;
    struct stat st {};
    // The name removed, or now naming another device: unplugged.
    if (::stat(p.path.c_str(), &st) != 0 || st.st_rdev != p.rdev || st.st_ino != p.ino) {
        p.gone = true;
        return false;
    }
    pollfd pfd{p.fd, 0, 0};
    if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        p.gone = true;
        return false;
    }
    return true;
}

int TTermiosSerialLibrary::SioReset(int port, int rxQueue, int txQueue)
{
    if (!ValidPort(port))
        return kSioNoSuchPort;
    if (rxQueue <= 0 || txQueue <= 0)
        return kSioBadArgument;
    if (auto p = Find(port)) {
        // A probe must not take the waiting bytes of a port in use.
        if (fProbeMode)
            return kSioAlreadyOpen;
        ::tcflush(p->fd, TCIOFLUSH);
        p->rxQueue = rxQueue;
        p->txQueue = txQueue;
        return kSioAlreadyOpen;
    }
    auto p = std::make_shared<Port>();
    p->path = (fFolder.empty() ? SerialPortsFolder() : fFolder) + "/" + SerialPortName(port);
    p->rxQueue = rxQueue;
    p->txQueue = txQueue;
    struct stat st {};
    if (::stat(p->path.c_str(), &st) != 0)
        return kSioNoSuchPort;
    p->fd = ::open(p->path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (p->fd < 0)
        return errno == ENOENT ? kSioNoSuchPort : kSioCannotOpen;
    struct stat opened {};
    if (!::isatty(p->fd) || ::fstat(p->fd, &opened) != 0 || ::flock(p->fd, LOCK_EX | LOCK_NB) != 0)
        return kSioCannotOpen; // the descriptor closes with p
    p->rdev = opened.st_rdev;
    p->ino = opened.st_ino;
    if (!fProbeMode) {
        termios t {};
        if (::tcgetattr(p->fd, &t) != 0)
            return kSioCannotOpen;
        MakeRawLine(t);
        t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
        t.c_cflag |= CS8;
        ::cfsetspeed(&t, B115200);
        if (::tcsetattr(p->fd, TCSANOW, &t) != 0)
            return kSioCannotOpen;
        ::tcflush(p->fd, TCIOFLUSH);
    }
    std::lock_guard lock(fMutex);
    auto [it, inserted] = fPorts.emplace(port, p);
    return inserted ? kSioOk : kSioAlreadyOpen;
}

int TTermiosSerialLibrary::SioDone(int port)
{
    std::shared_ptr<Port> p;
    {
        std::lock_guard lock(fMutex);
        auto it = fPorts.find(port);
        if (it == fPorts.end())
            return kSioNotOpen;
        p = std::move(it->second);
        fPorts.erase(it);
    }
    return kSioOk; // the descriptor closes when the last caller using it returns
}

int TTermiosSerialLibrary::SioBaud(int port, int baudCode)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    const speed_t speed = SpeedOfCode(baudCode);
    if (speed == B0)
        return kSioBadArgument;
    std::lock_guard lock(p->settings);
    termios t {};
    if (::tcgetattr(p->fd, &t) != 0 || ::cfsetspeed(&t, speed) != 0 || ::tcsetattr(p->fd, TCSANOW, &t) != 0)
        return Present(*p) ? kSioCannotOpen : kSioNoSuchPort;
    return kSioOk;
}

int TTermiosSerialLibrary::SioParms(int port, int parity, int stopBits, int dataBits)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    if (parity < 0 || parity > 2 || dataBits < 5 || dataBits > 8)
        return kSioBadArgument;
    std::lock_guard lock(p->settings);
    termios t {};
    if (::tcgetattr(p->fd, &t) != 0)
        return Present(*p) ? kSioCannotOpen : kSioNoSuchPort;
    // Setting the framing is what every user of a port does after opening it,
    // so the raw line mode is set here as well: an open made while ports were
    // being probed left the device's own mode (often a cooked terminal) alone.
    MakeRawLine(t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
    t.c_cflag |= kSizes[dataBits - 5];
    if (parity == 1)
        t.c_cflag |= PARENB | PARODD;
    else if (parity == 2)
        t.c_cflag |= PARENB;
    if (stopBits != 0)
        t.c_cflag |= CSTOPB;
    return ::tcsetattr(p->fd, TCSANOW, &t) == 0 ? kSioOk : kSioCannotOpen;
}

int TTermiosSerialLibrary::SioFlow(int port, char flow)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    std::lock_guard lock(p->settings);
    termios t {};
    if (::tcgetattr(p->fd, &t) != 0)
        return Present(*p) ? kSioCannotOpen : kSioNoSuchPort;
    t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    switch (flow) {
    case 'N':
        break;
    case 'H':
        t.c_cflag |= CRTSCTS;
        break;
    case 'X':
        t.c_iflag |= IXON | IXOFF;
        break;
    default:
        return kSioBadArgument;
    }
    return ::tcsetattr(p->fd, TCSANOW, &t) == 0 ? kSioOk : kSioCannotOpen;
}

int TTermiosSerialLibrary::ModemLine(int port, int line, char cmd)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    if (cmd != 'S' && cmd != 'C')
        return kSioBadArgument;
    // Pseudo-terminals have no modem lines; that is not an error for the caller.
    ::ioctl(p->fd, cmd == 'S' ? TIOCMBIS : TIOCMBIC, &line);
    return kSioOk;
}

int TTermiosSerialLibrary::SioDTR(int port, char cmd)
{
    return ModemLine(port, TIOCM_DTR, cmd);
}

int TTermiosSerialLibrary::SioRTS(int port, char cmd)
{
    return ModemLine(port, TIOCM_RTS, cmd);
}

int TTermiosSerialLibrary::SioRxClear(int port)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    ::tcflush(p->fd, TCIFLUSH);
    return kSioOk;
}

int TTermiosSerialLibrary::SioTxClear(int port)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    ::tcflush(p->fd, TCOFLUSH);
    p->txStuck = false;
    return kSioOk;
}

int TTermiosSerialLibrary::SioSetTimeouts(int port, int, int, int, int writeMultiplier, int writeConstant)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    p->writeMultiplier = std::max(0, writeMultiplier);
    p->writeConstant = std::max(0, writeConstant);
    return kSioOk;
}

int TTermiosSerialLibrary::SioStatus(int port, int mask)
{
    auto p = Find(port);
    if (!p)
        return ValidPort(port) ? kSioNotOpen : kSioNoSuchPort;
    if (!Present(*p))
        return kSioNoSuchPort;
    int status = 0;
    if (p->txStuck)
        status |= kSioTxFull;
    return status & mask;
}

int TTermiosSerialLibrary::SioRxQue(int port)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    if (!Present(*p))
        return kSioNoSuchPort;
    int n = 0;
    if (::ioctl(p->fd, FIONREAD, &n) != 0)
        return kSioNoSuchPort;
    // The receive queue holds at most its size; the rest waits in the device.
    return std::min(n, p->rxQueue);
}

int TTermiosSerialLibrary::SioGets(int port, char* buf, int n)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    if (n <= 0)
        return 0;
    const ssize_t r = ::read(p->fd, buf, static_cast<size_t>(n));
    if (r >= 0)
        return static_cast<int>(r);
    if (errno == EAGAIN || errno == EINTR)
        return 0;
    p->gone = true;
    return kSioNoSuchPort;
}

int TTermiosSerialLibrary::SioPuts(int port, const char* buf, int n)
{
    auto p = Find(port);
    if (!p)
        return kSioNotOpen;
    if (!Present(*p))
        return kSioNoSuchPort;
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::milliseconds(int64_t(p->writeMultiplier) * n + p->writeConstant);
    int done = 0;
    while (done < n) {
        const ssize_t w = ::write(p->fd, buf + done, static_cast<size_t>(n - done));
        if (w > 0) {
            done += static_cast<int>(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) {
            p->gone = true;
            return done > 0 ? done : kSioNoSuchPort;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd pfd{p->fd, POLLOUT, 0};
        ::poll(&pfd, 1, static_cast<int>(std::min<int64_t>(left, 50)));
        if (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) {
            p->gone = true;
            return done > 0 ? done : kSioNoSuchPort;
        }
    }
    p->txStuck = done < n;
    return done;
}

int TTermiosSerialLibrary::SioSetInteger(int port, int param, int value)
{
    if (port == -1 && param == kSioProbeMode) {
        fProbeMode = value != 0;
        return kSioOk;
    }
    return kSioBadArgument;
}

} // namespace orv
