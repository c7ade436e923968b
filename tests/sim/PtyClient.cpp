#include "tests/sim/PtyClient.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace orv::test {

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}
} // namespace

PtyClient::PtyClient(const std::string& path, bool slow)
{
    fFd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fFd < 0)
        return;
    termios tio {};
    ::tcgetattr(fFd, &tio);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, slow ? B9600 : B115200);
    ::tcsetattr(fFd, TCSANOW, &tio);
    ::tcflush(fFd, TCIOFLUSH);
}

PtyClient::~PtyClient()
{
    if (fFd >= 0)
        ::close(fFd);
}

bool PtyClient::Write(const std::string& bytes)
{
    return fFd >= 0 && ::write(fFd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
}

std::string PtyClient::Read(size_t count, int timeoutMs)
{
    std::string out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fFd >= 0 && out.size() < count) {
        pollfd p {fFd, POLLIN, 0};
        if (::poll(&p, 1, MsLeft(deadline)) <= 0 || !(p.revents & POLLIN))
            break;
        char buf[512];
        const ssize_t n = ::read(fFd, buf, std::min(sizeof buf, count - out.size()));
        if (n <= 0)
            break;
        out.append(buf, size_t(n));
    }
    return out;
}

std::string PtyClient::ReadUntil(const std::string& end, int timeoutMs)
{
    std::string out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fFd >= 0 && out.find(end) == std::string::npos) {
        pollfd p {fFd, POLLIN, 0};
        if (::poll(&p, 1, MsLeft(deadline)) <= 0 || !(p.revents & POLLIN))
            break;
        char c;
        if (::read(fFd, &c, 1) != 1)
            break;
        out += c;
    }
    return out;
}

std::string PtyClient::Pending()
{
    std::string out;
    char buf[512];
    ssize_t n;
    while (fFd >= 0 && (n = ::read(fFd, buf, sizeof buf)) > 0)
        out.append(buf, size_t(n));
    return out;
}

bool PtyClient::HungUp(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fFd >= 0) {
        pollfd p {fFd, POLLIN, 0};
        const int r = ::poll(&p, 1, MsLeft(deadline));
        if (r <= 0)
            return false;
        if (p.revents & (POLLHUP | POLLERR))
            return true;
        char buf[256];
        const ssize_t n = ::read(fFd, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno == EIO))
            return true;
    }
    return false;
}

} // namespace orv::test
