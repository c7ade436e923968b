#pragma once
#include <cstdint>
#include <string>

namespace orv {

// Results of the serial operations, as the link reads them.
enum : int {
    kSioOk = 0,
    kSioNoSuchPort = -1,  // the port does not exist (or has vanished)
    kSioAlreadyOpen = -2, // SioReset on a port this process holds open: buffers reset, still open
    kSioNotOpen = -3,
    kSioBadArgument = -4,
    kSioCannotOpen = -10, // exists but cannot be opened or set up (busy, not a tty, …)
};

// SioStatus masks.
constexpr int kSioStatusAll = 0xFFFF;
constexpr int kSioTxFull = 256; // non-zero when the transmit queue is full

// SioSetInteger(-1, kSioProbeMode, 1) while ports are only probed: an open
// then leaves the line settings of the device alone.
constexpr int kSioProbeMode = 79;

// The serial operations the controller link, the guidance link and the scale
// link need. Port number N is the port named "COM<N+1>"; every operation is
// non-blocking or bounded, and a port whose device disappears answers
// kSioNoSuchPort instead of hanging. Safe to call from any thread.
class ISerialLibrary {
public:
    virtual ~ISerialLibrary() = default;

    // Opens (or, when already open here, resets) the port with queues of the given sizes.
    virtual int SioReset(int port, int rxQueue, int txQueue) = 0;
    virtual int SioDone(int port) = 0;
    // Baud codes 0..9: 110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200.
    virtual int SioBaud(int port, int baudCode) = 0;
    // parity 0 none, 1 odd, 2 even; stopBits 0 = one, otherwise two; dataBits 5..8.
    virtual int SioParms(int port, int parity, int stopBits, int dataBits) = 0;
    // 'N' none, 'H' RTS/CTS, 'X' XON/XOFF.
    virtual int SioFlow(int port, char flow) = 0;
    // 'S' set, 'C' clear.
    virtual int SioDTR(int port, char cmd) = 0;
    virtual int SioRTS(int port, char cmd) = 0;
    virtual int SioRxClear(int port) = 0;
    virtual int SioTxClear(int port) = 0;
    // Reads never wait; a write of n bytes gives up after
    // writeMultiplier × n + writeConstant milliseconds.
    virtual int SioSetTimeouts(int port, int readInterval, int readMultiplier, int readConstant,
                               int writeMultiplier, int writeConstant) = 0;
    // mask kSioStatusAll: ≥ 0 when open and present; mask kSioTxFull: non-zero when full.
    virtual int SioStatus(int port, int mask) = 0;
    // Bytes waiting to be read.
    virtual int SioRxQue(int port) = 0;
    // Reads up to n waiting bytes; returns the count read.
    virtual int SioGets(int port, char* buf, int n) = 0;
    // Writes n bytes within the write time-out; returns the count written.
    virtual int SioPuts(int port, const char* buf, int n) = 0;
    // Library-wide settings when port = -1.
    virtual int SioSetInteger(int port, int param, int value) = 0;
};

// "COM<N+1>" for port number N.
std::string SerialPortName(int port);
// The folder of the port names: $ORVANE_PORTS, else "/dev/orvane".
std::string SerialPortsFolder();
std::string SerialPortPath(int port);

// The process-wide library over POSIX termios.
ISerialLibrary& DefaultSerialLibrary();

} // namespace orv
