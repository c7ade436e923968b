#include "tests/support/SimProcess.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
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

ScopedEnv::ScopedEnv(const std::string& name, const std::string& value)
    : fName(name)
{
    if (const char* old = std::getenv(name.c_str())) {
        fHad = true;
        fOld = old;
    }
    ::setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (fHad)
        ::setenv(fName.c_str(), fOld.c_str(), 1);
    else
        ::unsetenv(fName.c_str());
}

std::string SimProcess::BinaryPath()
{
    if (const char* env = std::getenv("ORVANE_SIM"); env && *env)
        return env;
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "orvane-sim";
    std::string exe(buf, size_t(n));
    return exe.substr(0, exe.rfind('/') + 1) + "orvane-sim";
}

SimProcess::SimProcess(const std::vector<std::string>& args, int readyTimeoutMs)
    : fPortsDir(fTemp.File("ports"))
{
    Start(args, readyTimeoutMs);
}

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& portsDir, int readyTimeoutMs)
    : fPortsDir(portsDir)
{
    Start(args, readyTimeoutMs);
}

SimProcess::~SimProcess()
{
    Stop();
}

void SimProcess::Start(const std::vector<std::string>& args, int readyTimeoutMs)
{
    fLogPath = fTemp.File("sim.log");
    fErrPath = fTemp.File("sim.err");
    std::vector<std::string> all = {BinaryPath(), "--ports-dir", fPortsDir, "--log", fLogPath};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // A simulator that died must not take the test with it when a command is written.
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    const int err = ::open(fErrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t parent = ::getpid();
    fPid = ::fork();
    if (fPid == 0) {
        // Only async-signal-safe calls until exec.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        if (err >= 0)
            ::dup2(err, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    if (err >= 0)
        ::close(err);
    fIn = in[1];
    fOut = out[0];
    ::fcntl(fOut, F_SETFL, ::fcntl(fOut, F_GETFL) | O_NONBLOCK);
    if (fPid < 0)
        return;

    const auto deadline = Clock::now() + std::chrono::milliseconds(readyTimeoutMs);
    std::string line;
    while (ReadLine(line, MsLeft(deadline))) {
        if (line.rfind("READY", 0) == 0) {
            fReadyLine = line;
            return;
        }
    }
    Running();  // reaps a simulator that refused to start, for StartError
}

bool SimProcess::ReadLine(std::string& line, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t nl = fOutText.find('\n');
        if (nl != std::string::npos) {
            line = fOutText.substr(0, nl);
            fOutText.erase(0, nl + 1);
            return true;
        }
        if (fOut < 0)
            return false;
        pollfd p {fOut, POLLIN, 0};
        if (::poll(&p, 1, MsLeft(deadline)) <= 0)
            return false;
        char buf[4096];
        ssize_t n = ::read(fOut, buf, sizeof buf);
        if (n > 0)
            fOutText.append(buf, size_t(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            ::close(fOut);
            fOut = -1;
        }
    }
}

std::string SimProcess::StartError() const
{
    std::string text = fTemp.Read("sim.err");
    if (fStatus >= 0 && WIFEXITED(fStatus) && WEXITSTATUS(fStatus) == 127)
        text += "could not run " + BinaryPath();
    if (text.empty())
        text = "no READY line from " + BinaryPath();
    return text;
}

std::string SimProcess::PortPath(int portNumber) const
{
    return fPortsDir + "/COM" + std::to_string(portNumber + 1);
}

std::string SimProcess::LogText() const
{
    return fTemp.Read("sim.log");
}

bool SimProcess::WaitForLog(const std::string& text, int timeoutMs) const
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (LogText().find(text) != std::string::npos)
            return true;
        if (Clock::now() >= deadline)
            return false;
        // The log is a file written by another process: look again shortly.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string SimProcess::Command(const std::string& line, int timeoutMs)
{
    if (fIn < 0)
        return {};
    const std::string text = line + "\n";
    if (::write(fIn, text.data(), text.size()) != ssize_t(text.size()))
        return {};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string answer;
    while (ReadLine(answer, MsLeft(deadline)))
        if (answer.rfind("OK", 0) == 0 || answer.rfind("ERROR", 0) == 0)
            return answer;
    return {};
}

bool SimProcess::LetTimePass(double seconds, int timeoutMs)
{
    const std::string mark = "mark-" + std::to_string(++fMarks);
    char delay[32];
    std::snprintf(delay, sizeof delay, "%.3f", seconds);
    if (Command(std::string("after ") + delay + " echo " + mark).rfind("OK", 0) != 0)
        return false;
    return WaitForLog("timed command \"echo " + mark + "\"", timeoutMs);
}

bool SimProcess::Running()
{
    if (fPid <= 0)
        return false;
    int status = 0;
    if (::waitpid(fPid, &status, WNOHANG) == fPid) {
        fStatus = status;
        fPid = -1;
        return false;
    }
    return true;
}

int SimProcess::Stop(int timeoutMs)
{
    if (fPid > 0) {
        ::kill(fPid, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        pid_t r = 0;
        while ((r = ::waitpid(fPid, &status, WNOHANG)) == 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (r == 0) {
            ::kill(fPid, SIGKILL);
            r = ::waitpid(fPid, &status, 0);
        }
        fStatus = r == fPid ? status : -1;
        fPid = -1;
    }
    if (fIn >= 0)
        ::close(fIn);
    if (fOut >= 0)
        ::close(fOut);
    fIn = fOut = -1;
    return fStatus;
}

} // namespace orv::test
