#include "platform/TermiosSerial.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace orv {
namespace {

int FdCount()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                ++n;
        closedir(d);
    }
    return n;
}

// A pseudo-terminal named like a port in a private ports folder; the test
// holds the master side, as a device would.
class Pty {
public:
    Pty(const std::string& folder, int port)
    {
        char name[256];
        termios raw {};
        cfmakeraw(&raw);
        if (openpty(&fMaster, &fSlave, name, &raw, nullptr) != 0)
            return;
        fcntl(fMaster, F_SETFL, fcntl(fMaster, F_GETFL) | O_NONBLOCK);
        fLink = folder + "/COM" + std::to_string(port + 1);
        symlink(name, fLink.c_str());
    }
    ~Pty()
    {
        CloseMaster();
        if (fSlave >= 0)
            close(fSlave);
        unlink(fLink.c_str());
    }
    bool Ok() const { return fMaster >= 0; }
    void Write(const std::string& s) { ASSERT_EQ(static_cast<ssize_t>(s.size()), write(fMaster, s.data(), s.size())); }
    // Reads what the port wrote, waiting up to timeoutMs for `want` bytes.
    std::string Read(size_t want, int timeoutMs = 2000)
    {
        std::string got;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        char buf[256];
        while (got.size() < want && std::chrono::steady_clock::now() < until) {
            const ssize_t n = read(fMaster, buf, sizeof buf);
            if (n > 0)
                got.append(buf, static_cast<size_t>(n));
            else
                std::this_thread::yield();
        }
        return got;
    }
    void CloseMaster()
    {
        if (fMaster >= 0)
            close(fMaster);
        fMaster = -1;
    }
    void CloseSlave()
    {
        if (fSlave >= 0)
            close(fSlave);
        fSlave = -1;
    }
    const std::string& Link() const { return fLink; }

private:
    int fMaster = -1;
    int fSlave = -1; // kept open so a probe's close does not hang the line up
    std::string fLink;
};

// Polls until the port reports `want` bytes waiting (bounded).
int WaitRxQue(ISerialLibrary& sio, int port, int want)
{
    int n = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while ((n = sio.SioRxQue(port)) >= 0 && n < want && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    return n;
}

TEST(SerialPortNames, NumberNPortIsComNPlusOneInThePortsFolder)
{
    const char* old = std::getenv("ORVANE_PORTS");
    const std::string saved = old ? old : "";
    unsetenv("ORVANE_PORTS");
    EXPECT_EQ("/dev/orvane/COM1", SerialPortPath(0));
    setenv("ORVANE_PORTS", "/tmp/p", 1);
    EXPECT_EQ("/tmp/p/COM255", SerialPortPath(254));
    EXPECT_EQ("COM3", SerialPortName(2));
    if (old)
        setenv("ORVANE_PORTS", saved.c_str(), 1);
    else
        unsetenv("ORVANE_PORTS");
}

class TermiosTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TTermiosSerialLibrary sio{dir.Path()};
};

TEST_F(TermiosTest, OpensConfiguresReadsAndWrites)
{
    Pty pty(dir.Path(), 2);
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(kSioOk, sio.SioReset(2, 512, 512));
    EXPECT_EQ(kSioOk, sio.SioFlow(2, 'N'));
    EXPECT_EQ(kSioOk, sio.SioBaud(2, 9));
    EXPECT_EQ(kSioOk, sio.SioDTR(2, 'S')); // no modem lines on a pty: not an error
    EXPECT_EQ(kSioOk, sio.SioRTS(2, 'S'));
    EXPECT_EQ(kSioOk, sio.SioParms(2, 0, 0, 8));
    EXPECT_EQ(kSioOk, sio.SioSetTimeouts(2, -1, 0, 0, 1, 500));
    EXPECT_EQ(kSioBadArgument, sio.SioBaud(2, 10));
    EXPECT_EQ(kSioBadArgument, sio.SioParms(2, 0, 0, 9));
    EXPECT_EQ(0, sio.SioStatus(2, kSioStatusAll));
    EXPECT_EQ(0, sio.SioRxQue(2));

    pty.Write(std::string("hello\0\xF9", 7));
    ASSERT_EQ(7, WaitRxQue(sio, 2, 7));
    char buf[16] = {};
    EXPECT_EQ(7, sio.SioGets(2, buf, 16));
    EXPECT_EQ(std::string("hello\0\xF9", 7), std::string(buf, 7));
    EXPECT_EQ(0, sio.SioGets(2, buf, 16)); // nothing waiting: no wait

    EXPECT_EQ(5, sio.SioPuts(2, "@02,\r", 5));
    EXPECT_EQ("@02,\r", pty.Read(5));
    EXPECT_EQ(0, sio.SioStatus(2, kSioTxFull));
    EXPECT_EQ(kSioOk, sio.SioDone(2));
    EXPECT_EQ(kSioNotOpen, sio.SioRxQue(2));
    EXPECT_EQ(kSioNotOpen, sio.SioDone(2));
}

TEST_F(TermiosTest, ReceiveQueueReportsAtMostItsSize)
{
    Pty pty(dir.Path(), 0);
    ASSERT_EQ(kSioOk, sio.SioReset(0, 128, 128));
    pty.Write(std::string(300, 'x'));
    EXPECT_EQ(128, WaitRxQue(sio, 0, 128));
}

TEST_F(TermiosTest, ResetOfAnOpenPortAndOpeningFailures)
{
    Pty pty(dir.Path(), 1);
    EXPECT_EQ(kSioNoSuchPort, sio.SioReset(9, 512, 512));   // no such name
    EXPECT_EQ(kSioNoSuchPort, sio.SioReset(255, 512, 512)); // no such number
    dir.Write("COM5", "not a tty");
    EXPECT_EQ(kSioCannotOpen, sio.SioReset(4, 512, 512));
    ASSERT_EQ(kSioOk, sio.SioReset(1, 512, 512));
    EXPECT_EQ(kSioAlreadyOpen, sio.SioReset(1, 512, 512));
    // Another program holding the port: refused, not shared.
    TTermiosSerialLibrary other(dir.Path());
    EXPECT_EQ(kSioCannotOpen, other.SioReset(1, 512, 512));
    EXPECT_EQ(kSioOk, sio.SioDone(1));
    EXPECT_EQ(kSioOk, other.SioReset(1, 512, 512));
    other.SioDone(1);
}

TEST_F(TermiosTest, ProbeModeLeavesTheLineSettingsAlone)
{
    Pty pty(dir.Path(), 3);
    termios before {};
    int fd = open(pty.Link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    tcgetattr(fd, &before);
    before.c_lflag |= ECHO;
    tcsetattr(fd, TCSANOW, &before);
    sio.SioSetInteger(-1, kSioProbeMode, 1);
    ASSERT_EQ(kSioOk, sio.SioReset(3, 128, 128));
    sio.SioDone(3);
    termios after {};
    tcgetattr(fd, &after);
    EXPECT_TRUE(after.c_lflag & ECHO);
    sio.SioSetInteger(-1, kSioProbeMode, 0);
    ASSERT_EQ(kSioOk, sio.SioReset(3, 128, 128));
    tcgetattr(fd, &after);
    EXPECT_FALSE(after.c_lflag & ECHO); // opened for use: raw
    sio.SioDone(3);
    close(fd);
}

TEST_F(TermiosTest, SettingTheFramingMakesTheLineRawWhateverModeTheOpenFound)
{
    Pty pty(dir.Path(), 3);
    int fd = open(pty.Link().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios cooked {};
    tcgetattr(fd, &cooked);
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_iflag |= ICRNL;
    cooked.c_oflag |= OPOST | ONLCR;
    tcsetattr(fd, TCSANOW, &cooked);
    // Opened while another part of the program probes ports: the open leaves
    // the mode alone, the set-up that follows does not.
    sio.SioSetInteger(-1, kSioProbeMode, 1);
    ASSERT_EQ(kSioOk, sio.SioReset(3, 512, 512));
    sio.SioSetInteger(-1, kSioProbeMode, 0);
    termios t {};
    tcgetattr(fd, &t);
    ASSERT_TRUE(t.c_lflag & ICANON);
    EXPECT_EQ(kSioOk, sio.SioFlow(3, 'X'));
    EXPECT_EQ(kSioOk, sio.SioBaud(3, 4));
    EXPECT_EQ(kSioOk, sio.SioParms(3, 0, 1, 8));
    tcgetattr(fd, &t);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
    EXPECT_FALSE(t.c_iflag & (ICRNL | INLCR | IGNCR));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_EQ(0, t.c_cc[VMIN]);
    // What the other calls set stays: flow control, speed, and the framing
    // asked for (a pseudo-terminal keeps only the stop bits of it).
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_EQ(speed_t(B4800), cfgetospeed(&t));
    EXPECT_EQ(tcflag_t(CSTOPB), t.c_cflag & (PARENB | PARODD | CSTOPB));
    sio.SioDone(3);
    close(fd);
}

TEST_F(TermiosTest, AProbeOfAPortInUseKeepsItsWaitingBytes)
{
    Pty pty(dir.Path(), 1);
    ASSERT_EQ(kSioOk, sio.SioReset(1, 512, 512));
    pty.Write("$GPRMC\r\n");
    ASSERT_EQ(8, WaitRxQue(sio, 1, 8));
    sio.SioSetInteger(-1, kSioProbeMode, 1);
    EXPECT_EQ(kSioAlreadyOpen, sio.SioReset(1, 128, 128));
    sio.SioSetInteger(-1, kSioProbeMode, 0);
    EXPECT_EQ(8, sio.SioRxQue(1));
    // Opened for use again, the port's buffers are reset as before.
    EXPECT_EQ(kSioAlreadyOpen, sio.SioReset(1, 512, 512));
    EXPECT_EQ(0, sio.SioRxQue(1));
    sio.SioDone(1);
}

TEST_F(TermiosTest, RemovedNameIsReportedGone)
{
    Pty pty(dir.Path(), 0);
    ASSERT_EQ(kSioOk, sio.SioReset(0, 512, 512));
    unlink(pty.Link().c_str());
    EXPECT_EQ(kSioNoSuchPort, sio.SioStatus(0, kSioStatusAll));
    EXPECT_EQ(kSioNoSuchPort, sio.SioRxQue(0));
    EXPECT_EQ(kSioNoSuchPort, sio.SioPuts(0, "x", 1));
    EXPECT_EQ(kSioOk, sio.SioDone(0));
}

TEST_F(TermiosTest, ClosedDeviceIsReportedGoneWithoutHanging)
{
    Pty pty(dir.Path(), 0);
    ASSERT_EQ(kSioOk, sio.SioReset(0, 512, 512));
    sio.SioSetTimeouts(0, -1, 0, 0, 1, 500);
    pty.CloseMaster();
    EXPECT_EQ(kSioNoSuchPort, sio.SioRxQue(0));
    EXPECT_EQ(kSioNoSuchPort, sio.SioStatus(0, kSioStatusAll));
    EXPECT_LT(sio.SioPuts(0, "abc", 3), 3);
    EXPECT_EQ(kSioOk, sio.SioDone(0));
}

TEST_F(TermiosTest, StalledDeviceGivesABoundedWriteAndTxFull)
{
    Pty pty(dir.Path(), 0);
    ASSERT_EQ(kSioOk, sio.SioReset(0, 512, 512));
    sio.SioSetTimeouts(0, -1, 0, 0, 0, 100);
    // Nobody reads the master: the line fills up and the write gives up.
    const std::string block(4096, 'z');
    const auto start = std::chrono::steady_clock::now();
    int written = 0;
    for (int i = 0; i < 64 && sio.SioStatus(0, kSioTxFull) == 0; ++i)
        written += std::max(0, sio.SioPuts(0, block.data(), static_cast<int>(block.size())));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(kSioTxFull, sio.SioStatus(0, kSioTxFull));
    EXPECT_GT(written, 0);
    sio.SioTxClear(0);
    sio.SioDone(0);
}

TEST_F(TermiosTest, DoneLeavesNoDescriptor)
{
    Pty pty(dir.Path(), 0);
    const int before = FdCount();
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(kSioOk, sio.SioReset(0, 512, 512));
        EXPECT_EQ(before + 1, FdCount());
        sio.SioDone(0);
    }
    EXPECT_EQ(before, FdCount());
    EXPECT_EQ(0, sio.OpenCount());
}

} // namespace
} // namespace orv
