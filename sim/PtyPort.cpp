#include "sim/PtyPort.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace orv::sim {

namespace {

std::string ReadLinkTarget(const std::string& path)
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
    if (n < 0)
        return {};
    return std::string(buf, size_t(n));
}

const char* BaudText(speed_t speed)
{
    switch (speed) {
    case B110: return "110";
    case B300: return "300";
    case B1200: return "1200";
    case B2400: return "2400";
    case B4800: return "4800";
    case B9600: return "9600";
    case B19200: return "19200";
    case B38400: return "38400";
    case B57600: return "57600";
    case B115200: return "115200";
    default: return "other";
    }
}

} // namespace

std::string PortLinkPath(const std::string& dir, int number)
{
    return dir + "/COM" + std::to_string(number + 1);
}

bool PortNameTaken(const std::string& dir, int number)
{
    const std::string path = PortLinkPath(dir, number);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISLNK(st.st_mode))
        return true;
    return ::stat(path.c_str(), &st) == 0;
}

TPtyPort::TPtyPort(std::string dir, int number)
    : fDir(std::move(dir))
    , fNumber(number)
    , fLinkPath(PortLinkPath(fDir, number))
{
}

TPtyPort::~TPtyPort()
{
    Unplug();
}

bool TPtyPort::Plug(std::string& error)
{
    if (Plugged())
        return true;
    char name[PATH_MAX] = {};
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        error = std::string("openpty failed: ") + std::strerror(errno);
        return false;
    }
    // Raw until the application sets its own line up.
    struct termios tio {};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetspeed(&tio, B115200);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);

    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::symlink(name, fLinkPath.c_str()) == 0) {
            fMaster = master;
            fSlave = slave;
            fTtyPath = name;
            return true;
        }
        if (errno != EEXIST || attempt > 0 || PortNameTaken(fDir, fNumber)) {
            error = errno == EEXIST ? Name() + " is already served in " + fDir
                                    : "cannot create " + fLinkPath + ": " + std::strerror(errno);
            break;
        }
        // A dangling link left behind by a simulator that was killed.
        ::unlink(fLinkPath.c_str());
    }
    ::close(master);
    ::close(slave);
    return false;
}

void TPtyPort::Unplug()
{
    if (!Plugged())
        return;
    if (ReadLinkTarget(fLinkPath) == fTtyPath)
        ::unlink(fLinkPath.c_str());
    ::close(fSlave);
    ::close(fMaster);
    fSlave = fMaster = -1;
    fTtyPath.clear();
}

bool TPtyPort::ReadAvailable(std::string& out)
{
    if (!Plugged())
        return false;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fMaster, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

bool TPtyPort::Write(const std::string& bytes)
{
    if (!Plugged())
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fMaster, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
    return true;
}

void TPtyPort::SetOutputStopped(bool stopped)
{
    if (Plugged())
        ::tcflow(fSlave, stopped ? TCOOFF : TCOON);
}

std::string TPtyPort::LineSettings() const
{
    struct termios tio {};
    if (!Plugged() || ::tcgetattr(fSlave, &tio) != 0)
        return "unknown";
    std::string text = BaudText(::cfgetospeed(&tio));
    text += ' ';
    switch (tio.c_cflag & CSIZE) {
    case CS5: text += '5'; break;
    case CS6: text += '6'; break;
    case CS7: text += '7'; break;
    default: text += '8'; break;
    }
    text += (tio.c_cflag & PARENB) ? ((tio.c_cflag & PARODD) ? 'O' : 'E') : 'N';
    text += (tio.c_cflag & CSTOPB) ? '2' : '1';
    return text;
}

} // namespace orv::sim
