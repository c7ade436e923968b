#include "platform/PosixProcessRunner.h"
#include "platform/fake/FakeProcessRunner.h"

#include "RecoveryTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace orv {
namespace {

using test::RealDelay;

int RunToEnd(IProcess& p)
{
    int code = -99;
    EXPECT_EQ(TWaitResult::Exited, WaitForExit(p, RealDelay, 20000, &code));
    return code;
}

TEST(ProcessRunnerTest, ReportsTheExitStatusOfAProgramFoundOnThePath)
{
    TPosixProcessRunner runner;
    auto p = runner.Start({"sh", {"-c", "exit 3"}, "", TShowMode::Hidden});
    ASSERT_TRUE(p);
    EXPECT_EQ(3, RunToEnd(*p));
    // Polling again after the end keeps the answer.
    int code = 0;
    EXPECT_TRUE(p->Finished(code));
    EXPECT_EQ(3, code);
}

TEST(ProcessRunnerTest, RunsAScriptWithoutExecuteBitInItsWorkingFolder)
{
    test::TempDir dir;
    dir.Write("where.sh", "pwd > here.txt\necho \"$1\" >> here.txt\nexit 0\n");
    ::chmod(dir.File("where.sh").c_str(), 0644);
    TPosixProcessRunner runner;
    auto p = runner.Start({dir.File("where.sh"), {"an argument"}, dir.Path(), TShowMode::Hidden});
    ASSERT_TRUE(p);
    EXPECT_EQ(0, RunToEnd(*p));
    char real[PATH_MAX];
    ASSERT_TRUE(::realpath(dir.Path().c_str(), real));
    EXPECT_EQ(std::string(real) + "\nan argument\n", dir.Read("here.txt"));
}

TEST(ProcessRunnerTest, AStartThatCannotHappenGivesNothing)
{
    TPosixProcessRunner runner;
    EXPECT_FALSE(runner.Start({"/nonexistent/program", {}, "", TShowMode::Hidden}));
    EXPECT_FALSE(runner.Start({"no-such-program-here", {}, "", TShowMode::Hidden}));
    EXPECT_FALSE(runner.Start({"sh", {"-c", "exit 0"}, "/nonexistent/folder", TShowMode::Hidden}));
    EXPECT_FALSE(runner.Start({"", {}, "", TShowMode::Hidden}));
}

TEST(ProcessRunnerTest, TheChildGetsNoDescriptorOfTheApplicationAndAGroupOfItsOwn)
{
    test::TempDir dir;
    // Opened without close-on-exec, as a careless library might.
    const int fd = ::open(dir.File("held.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 3);
    TPosixProcessRunner runner;
    auto p = runner.Start({"sh",
                           {"-c", "ls /proc/$$/fd > fds.txt; cut -d' ' -f5 /proc/$$/stat > pgid.txt; echo $$ > pid.txt"},
                           dir.Path(),
                           TShowMode::Hidden});
    ASSERT_TRUE(p);
    EXPECT_EQ(0, RunToEnd(*p));
    ::close(fd);
    const std::string fds = dir.Read("fds.txt");
    EXPECT_EQ(std::string::npos, fds.find(std::to_string(fd) + "\n")) << fds;
    EXPECT_EQ(std::to_string(p->Pid()) + "\n", dir.Read("pid.txt"));
    EXPECT_EQ(dir.Read("pid.txt"), dir.Read("pgid.txt"));
}

TEST(ProcessRunnerTest, KillEndsTheProgramAndWhatItStarted)
{
    TPosixProcessRunner runner;
    auto p = runner.Start({"sh", {"-c", "sleep 30 & wait"}, "", TShowMode::Hidden});
    ASSERT_TRUE(p);
    int code = 0;
    EXPECT_FALSE(p->Finished(code));
    p->Kill();
    EXPECT_EQ(128 + SIGKILL, RunToEnd(*p));
}

TEST(ProcessRunnerTest, AProgramDroppedWhileRunningIsReapedLater)
{
    TPosixProcessRunner runner;
    TPosixProcessRunner::ReapDropped();
    const int before = TPosixProcessRunner::DroppedCount();
    {
        auto p = runner.Start({"sh", {"-c", "sleep 0.2"}, "", TShowMode::Hidden});
        ASSERT_TRUE(p);
    }
    EXPECT_EQ(before + 1, TPosixProcessRunner::DroppedCount());
    for (int i = 0; i < 400 && TPosixProcessRunner::DroppedCount() > before; ++i) {
        RealDelay(10);
        TPosixProcessRunner::ReapDropped();
    }
    EXPECT_EQ(before, TPosixProcessRunner::DroppedCount());
}

// WaitForExit over the fake: how the wait ends.
TEST(ProcessRunnerTest, TheWaitEndsAtTheExitAtTheLimitOrWhenTheApplicationTerminates)
{
    FakeProcessRunner runner;
    int64_t waited = 0;
    auto delay = [&](int64_t ms) {
        waited += ms;
        return false;
    };

    runner.finishAtPoll = 4;
    runner.exitCode = 2;
    auto p = runner.Start({"x.sh", {}, "", TShowMode::Hidden});
    int code = -1;
    EXPECT_EQ(TWaitResult::Exited, WaitForExit(*p, delay, -1, &code, 10));
    EXPECT_EQ(2, code);
    EXPECT_EQ(30, waited);

    runner.finishAtPoll = 0; // never
    p = runner.Start({"x.sh", {}, "", TShowMode::Hidden});
    waited = 0;
    EXPECT_EQ(TWaitResult::TimedOut, WaitForExit(*p, delay, 25, nullptr, 10));
    EXPECT_EQ(25, waited);

    int calls = 0;
    auto terminating = [&](int64_t) { return ++calls == 3; };
    EXPECT_EQ(TWaitResult::Terminating, WaitForExit(*p, terminating, -1, nullptr, 10));
    EXPECT_EQ(3, calls);
}

} // namespace
} // namespace orv
