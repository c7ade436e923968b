// The GPS port's open over a real pseudo-terminal, after the controller port
// search has probed every port of the machine.
#include "device/PortSearch.h"
#include "nav/ComPort.h"
#include "platform/TermiosSerial.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace orv {
namespace {

// A terminal as the kernel makes it (cooked: canonical input, echo, CR to LF,
// output post-processing), named like a port in a private ports folder. The
// test holds the device's side.
class FreshTerminal {
public:
    FreshTerminal(const std::string& folder, int port)
    {
        char name[256];
        if (openpty(&fDevice, &fTerminal, name, nullptr, nullptr) != 0)
            return;
        fcntl(fDevice, F_SETFL, fcntl(fDevice, F_GETFL) | O_NONBLOCK);
        fLink = folder + "/" + SerialPortName(port);
        symlink(name, fLink.c_str());
    }
    ~FreshTerminal()
    {
        if (fDevice >= 0)
            close(fDevice);
        if (fTerminal >= 0)
            close(fTerminal);
        unlink(fLink.c_str());
    }
    bool Ok() const { return fDevice >= 0; }
    bool Cooked() const
    {
        termios t{};
        return tcgetattr(fTerminal, &t) == 0 && (t.c_lflag & ICANON) && (t.c_lflag & ECHO);
    }
    termios Settings() const
    {
        termios t{};
        tcgetattr(fTerminal, &t);
        return t;
    }
    void Send(const std::string& s) { ASSERT_EQ(ssize_t(s.size()), write(fDevice, s.data(), s.size())); }
    // What the port wrote, up to and including `marker` (bounded wait).
    std::string ReceiveThrough(char marker)
    {
        std::string got;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        char buf[256];
        while (got.find(marker) == std::string::npos && std::chrono::steady_clock::now() < until) {
            const ssize_t n = read(fDevice, buf, sizeof buf);
            if (n > 0)
                got.append(buf, size_t(n));
            else
                std::this_thread::yield();
        }
        return got;
    }

private:
    int fDevice = -1;
    int fTerminal = -1; // kept open: the line stays up between opens
    std::string fLink;
};

// Reads through the port until `want` bytes came (bounded wait).
std::string ReadPort(TComPort& com, size_t want)
{
    std::string got;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    char buf[256];
    while (got.size() < want && std::chrono::steady_clock::now() < until) {
        const int n = com.Read(buf, sizeof buf);
        if (n > 0)
            got.append(buf, size_t(n));
        else
            std::this_thread::yield();
    }
    return got;
}

class ComPortAfterProbe : public ::testing::Test {
protected:
    test::TempDir dir;
    TTermiosSerialLibrary sio{dir.Path()};
};

TEST_F(ComPortAfterProbe, TheGpsPortOpensRaw8N1AtItsBaudRateAfterThePortSearchProbedIt)
{
    constexpr int kGps = 3;
    FreshTerminal controller(dir.Path(), 1);
    FreshTerminal gps(dir.Path(), kGps);
    ASSERT_TRUE(controller.Ok() && gps.Ok());
    ASSERT_TRUE(gps.Cooked());

    // The search lists every port, the hub restart probes one.
    TPortSearch search(sio);
    const std::vector<int> listed = search.ListPorts();
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), kGps));
    EXPECT_TRUE(search.ProbePort(1));
    EXPECT_EQ(0, sio.OpenCount());
    EXPECT_TRUE(gps.Cooked()); // probing left it as it was

    TComPort com(sio);
    com.SetPortName("COM4");
    ASSERT_TRUE(com.SetBaudRate(4800));
    ASSERT_TRUE(com.Open());

    const termios t = gps.Settings();
    EXPECT_FALSE(t.c_lflag & ICANON);
    EXPECT_FALSE(t.c_lflag & (ECHO | ECHONL | ECHOE | ECHOK));
    EXPECT_FALSE(t.c_lflag & ISIG);
    EXPECT_FALSE(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_EQ(tcflag_t(CS8), t.c_cflag & CSIZE);
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_EQ(speed_t(B4800), cfgetispeed(&t));
    EXPECT_EQ(speed_t(B4800), cfgetospeed(&t));

    // A receiver's sentences arrive byte for byte: CR stays CR, and a line
    // without its end is not held back.
    const std::string sentences = "$GPVTG,,T,,M,58.3,N,108.0,K,A*0B\r\n$GPRMC,1\r$GP";
    gps.Send(sentences);
    EXPECT_EQ(sentences, ReadPort(com, sentences.size()));
    // Nothing was echoed back to the receiver, and what the program sends goes
    // out unchanged (no LF to CR LF).
    ASSERT_EQ(6, com.Write("$x\ny\r#"));
    EXPECT_EQ("$x\ny\r#", gps.ReceiveThrough('#'));
    com.Close();
}

TEST_F(ComPortAfterProbe, AProbeDuringAnOpenPortsLifeLeavesItAndItsDataAlone)
{
    FreshTerminal gps(dir.Path(), 0);
    ASSERT_TRUE(gps.Ok());
    TComPort com(sio);
    com.SetPortName("COM1");
    ASSERT_TRUE(com.SetBaudRate(38400));
    ASSERT_TRUE(com.Open());
    gps.Send("$GPVTG,1\r\n");
    // The bytes wait in the port while the search probes every port.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (sio.SioRxQue(0) < 10 && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
    ASSERT_EQ(10, sio.SioRxQue(0));
    TPortSearch search(sio);
    const std::vector<int> listed = search.ListPorts();
    EXPECT_EQ(listed.end(), std::find(listed.begin(), listed.end(), 0)); // in use: not a candidate
    EXPECT_FALSE(search.ProbePort(0));
    EXPECT_TRUE(com.Connected());
    EXPECT_EQ("$GPVTG,1\r\n", ReadPort(com, 10));
    const termios t = gps.Settings();
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(speed_t(B38400), cfgetispeed(&t));
}

} // namespace
} // namespace orv
