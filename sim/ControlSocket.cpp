#include "sim/ControlSocket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace orv::sim {

namespace {

bool MakeAddress(const std::string& path, sockaddr_un& addr, std::string& error)
{
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        error = "control socket path too long: " + path;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    return true;
}

int Connect(const std::string& path, std::string& error)
{
    sockaddr_un addr {};
    if (!MakeAddress(path, addr, error))
        return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = "cannot connect to " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TControlSocket::~TControlSocket()
{
    for (int c : fClients)
        ::close(c);
    if (fListen >= 0) {
        ::close(fListen);
        ::unlink(fPath.c_str());
    }
}

bool TControlSocket::Listen(const std::string& path, std::string& error)
{
    sockaddr_un addr {};
    if (!MakeAddress(path, addr, error))
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        std::string ignored;
        int probe = S_ISSOCK(st.st_mode) ? Connect(path, ignored) : -1;
        if (!S_ISSOCK(st.st_mode) || probe >= 0) {
            if (probe >= 0)
                ::close(probe);
            error = path + " is in use";
            return false;
        }
        ::unlink(path.c_str());
    }
    fListen = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fListen < 0 || ::bind(fListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || ::listen(fListen, 8) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        if (fListen >= 0)
            ::close(fListen);
        fListen = -1;
        return false;
    }
    fPath = path;
    return true;
}

void TControlSocket::Accept()
{
    int c = ::accept4(fListen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (c >= 0) {
        fClients.push_back(c);
        fPending.emplace_back();
    }
}

void TControlSocket::Drop(int client)
{
    for (size_t i = 0; i < fClients.size(); ++i) {
        if (fClients[i] == client) {
            ::close(client);
            fClients.erase(fClients.begin() + long(i));
            fPending.erase(fPending.begin() + long(i));
            return;
        }
    }
}

bool TControlSocket::ReadLines(int client, std::vector<std::string>& lines)
{
    size_t index = 0;
    while (index < fClients.size() && fClients[index] != client)
        ++index;
    if (index == fClients.size())
        return false;
    char buf[1024];
    for (;;) {
        ssize_t n = ::read(client, buf, sizeof buf);
        if (n > 0) {
            fPending[index].append(buf, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        const bool alive = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        std::string& pending = fPending[index];
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            lines.push_back(pending.substr(0, nl));
            pending.erase(0, nl + 1);
        }
        if (!alive)
            Drop(client);
        return alive;
    }
}

void TControlSocket::Reply(int client, const std::string& line)
{
    const std::string text = line + "\n";
    size_t done = 0;
    // Answers are short; a client that stops reading loses the rest.
    for (int tries = 0; done < text.size() && tries < 100; ++tries) {
        ssize_t n = ::send(client, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n > 0)
            done += size_t(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            return;
        else {
            pollfd p {client, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

bool TControlSocket::SendCommand(const std::string& path, const std::string& command, std::string& answer,
    std::string& error)
{
    int fd = Connect(path, error);
    if (fd < 0)
        return false;
    const std::string text = command + "\n";
    if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) != ssize_t(text.size())) {
        error = "cannot send to " + path;
        ::close(fd);
        return false;
    }
    answer.clear();
    char c;
    for (;;) {
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) {
            error = "no answer from " + path;
            break;
        }
        ssize_t n = ::read(fd, &c, 1);
        if (n <= 0) {
            error = "connection closed by " + path;
            break;
        }
        if (c == '\n') {
            ::close(fd);
            return true;
        }
        answer += c;
    }
    ::close(fd);
    return false;
}

} // namespace orv::sim
