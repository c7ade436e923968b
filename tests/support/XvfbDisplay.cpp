#include "tests/support/XvfbDisplay.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orv::test {

XvfbDisplay::XvfbDisplay(int width, int height)
{
    int fds[2];
    if (pipe(fds) != 0) {
        fError = "no pipe";
        return;
    }
    // Xvfb writes the display number it took to the descriptor it is given.
    const std::string fd = std::to_string(fds[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string a0 = "Xvfb", a1 = "-displayfd", a3 = "-screen", a4 = "0", a6 = "-nolisten", a7 = "tcp";
    std::string a2 = fd, a5 = screen;
    char* argv[] = {a0.data(), a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), a6.data(), a7.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        fError = "Xvfb could not be started (package xvfb)";
        return;
    }
    fPid = pid;
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        fError = "Xvfb named no display";
        return;
    }
    fName = ":" + number;
}

XvfbDisplay::~XvfbDisplay()
{
    if (fPid > 0) {
        ::kill(fPid, SIGTERM);
        ::waitpid(fPid, nullptr, 0);
    }
}

std::string XvfbDisplay::XdoTool(const std::string& args) const
{
    const std::string command = "DISPLAY=" + fName + " timeout 20 xdotool " + args + " 2>/dev/null";
    FILE* f = popen(command.c_str(), "r");
    if (!f)
        return {};
    std::string out;
    std::array<char, 256> buf{};
    while (fgets(buf.data(), buf.size(), f))
        out += buf.data();
    return pclose(f) == 0 ? out : std::string();
}

} // namespace orv::test
