#include "tests/support/AppProcess.h"

#include "tests/support/FactoryHome.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace orv::test {

AppProcess::AppProcess(const std::string& iniDir, const std::string& portsDir, const std::string& display)
{
    fOutputPath = fTemp.File("orvane.out");
    const std::string binary = BinaryDir() + "/orvane";
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("ORVANE_HOME=", 0) == 0 || v.rfind("ORVANE_PORTS=", 0) == 0 ||
            v.rfind("ORVANE_SYSFS=", 0) == 0 || v.rfind("QT_QPA_PLATFORM=", 0) == 0 || v.rfind("DISPLAY=", 0) == 0)
            continue;
        env.push_back(v);
    }
    env.push_back("ORVANE_HOME=" + iniDir);
    env.push_back("ORVANE_PORTS=" + portsDir);
    if (display.empty()) {
        env.push_back("QT_QPA_PLATFORM=offscreen");
    } else {
        env.push_back("QT_QPA_PLATFORM=xcb");
        env.push_back("DISPLAY=" + display);
    }
    // The hub restart must never reach this machine's real USB hubs.
    env.push_back("ORVANE_SYSFS=" + fTemp.Path());
    std::vector<char*> envp;
    for (auto& v : env)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string arg0 = binary;
    std::string arg1 = "NoKillExplorer";
    char* argv[] = {arg0.data(), arg1.data(), nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, fOutputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, envp.data()) == 0)
        fPid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

AppProcess::~AppProcess()
{
    if (fPid > 0) {
        ::kill(fPid, SIGKILL);
        ::waitpid(fPid, nullptr, 0);
    }
}

std::string AppProcess::Output() const
{
    std::ifstream in(fOutputPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int AppProcess::CountOutput(const std::string& text) const
{
    const std::string out = Output();
    int n = 0;
    for (size_t p = out.find(text); p != std::string::npos; p = out.find(text, p + text.size()))
        ++n;
    return n;
}

bool AppProcess::WaitForOutput(const std::string& text, int timeoutMs, int count) const
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < until) {
        if (CountOutput(text) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return CountOutput(text) >= count;
}

int AppProcess::Stop(int timeoutMs)
{
    if (fPid <= 0)
        return -1;
    ::kill(fPid, SIGTERM);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (std::chrono::steady_clock::now() < until) {
        const pid_t r = ::waitpid(fPid, &status, WNOHANG);
        if (r == fPid) {
            fPid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(fPid, SIGKILL);
    ::waitpid(fPid, nullptr, 0);
    fPid = -1;
    return -1;
}

} // namespace orv::test
