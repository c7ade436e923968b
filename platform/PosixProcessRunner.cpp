#include "platform/PosixProcessRunner.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orv {

namespace {

std::mutex gDroppedMutex;
std::vector<pid_t> gDropped;

bool IsScript(const std::string& file)
{
    if (file.size() < 3)
        return false;
    std::string ext = file.substr(file.size() - 3);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".sh";
}

int ExitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

class TPosixProcess final : public IProcess {
public:
    explicit TPosixProcess(pid_t pid) : fPid(pid) {}

    ~TPosixProcess() override
    {
        int code = 0;
        if (!Finished(code)) {
            std::lock_guard lock(gDroppedMutex);
            gDropped.push_back(fPid);
        }
    }

    bool Finished(int& exitCode) override
    {
        if (!fDone) {
            int status = 0;
            const pid_t r = ::waitpid(fPid, &status, WNOHANG);
            if (r == 0 || (r < 0 && errno == EINTR))
                return false;
            fDone = true;
            // ECHILD: the status went elsewhere (SIGCHLD ignored); it has ended all the same.
            fExitCode = r == fPid ? ExitCodeOf(status) : -1;
        }
        exitCode = fExitCode;
        return true;
    }

    void Kill() override
    {
        // Until it is reaped the pid (and so its group) cannot be reused.
        if (fDone)
            return;
        ::kill(-fPid, SIGKILL);
        ::kill(fPid, SIGKILL);
    }

    int Pid() const override { return fPid; }

private:
    pid_t fPid;
    bool fDone = false;
    int fExitCode = -1;
};

// Owns the spawn attributes for the length of one start.
struct TSpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    TSpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~TSpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    TSpawnSetup(const TSpawnSetup&) = delete;
    TSpawnSetup& operator=(const TSpawnSetup&) = delete;
};

} // namespace

std::unique_ptr<IProcess> TPosixProcessRunner::Start(const TProcessStart& start)
{
    ReapDropped();
    if (start.file.empty())
        return nullptr;

    std::vector<std::string> args;
    std::string program;
    if (IsScript(start.file)) {
        program = "/bin/sh";
        args = {"sh", start.file};
    } else {
        program = start.file;
        args = {start.file};
    }
    args.insert(args.end(), start.arguments.begin(), start.arguments.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    TSpawnSetup s;
    if (start.show == TShowMode::Hidden) {
        posix_spawn_file_actions_addopen(&s.actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&s.actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&s.actions, 2, "/dev/null", O_WRONLY, 0);
    }
    // Serial ports and sockets stay with the application: a child holding a
    // port's descriptor would keep its lock after the application closed it.
    posix_spawn_file_actions_addclosefrom_np(&s.actions, 3);
    if (!start.workingFolder.empty())
        posix_spawn_file_actions_addchdir_np(&s.actions, start.workingFolder.c_str());

    // Its own process group, so that Kill reaches what a script started and a
    // Ctrl-C meant for the application does not reach the script.
    posix_spawnattr_setflags(&s.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&s.attr, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&s.attr, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig = 1; sig < 32; ++sig)
        if (sig != SIGKILL && sig != SIGSTOP)
            sigaddset(&defaults, sig);
    posix_spawnattr_setsigdefault(&s.attr, &defaults);

    pid_t pid = 0;
    const bool searchPath = program.find('/') == std::string::npos;
    const int rc = searchPath ? posix_spawnp(&pid, program.c_str(), &s.actions, &s.attr, argv.data(), environ)
                              : posix_spawn(&pid, program.c_str(), &s.actions, &s.attr, argv.data(), environ);
    if (rc != 0)
        return nullptr;
    return std::make_unique<TPosixProcess>(pid);
}

void TPosixProcessRunner::ReapDropped()
{
    std::lock_guard lock(gDroppedMutex);
    gDropped.erase(std::remove_if(gDropped.begin(), gDropped.end(),
                                  [](pid_t pid) {
                                      int status = 0;
                                      const pid_t r = ::waitpid(pid, &status, WNOHANG);
                                      return r == pid || (r < 0 && errno == ECHILD);
                                  }),
                   gDropped.end());
}

int TPosixProcessRunner::DroppedCount()
{
    std::lock_guard lock(gDroppedMutex);
    return static_cast<int>(gDropped.size());
}

IProcessRunner& DefaultProcessRunner()
{
    static TPosixProcessRunner runner;
    return runner;
}

} // namespace orv
