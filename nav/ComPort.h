#pragma once
#include "platform/SerialPort.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orv {

// Communication-error bits reported by TComPort, in the order they are named.
enum TComError : uint32_t {
    ceFrame = 1u << 0,
    ceParity = 1u << 1,
    ceOverrun = 1u << 2,
    ceBreak = 1u << 3,
    ceIO = 1u << 4,
    ceMode = 1u << 5,
    ceRxOver = 1u << 6,
    ceTxFull = 1u << 7,
};

// "Frame Error, Parity Error, …" for the set bits, in that order.
std::string ComErrorNames(uint32_t errors);

// The port number of a "COM<n>" name (any case, n ≥ 1): n - 1; -1 when the
// text is not such a name.
int ComPortNumber(const std::string& name);

// The "COM<n>" names present in the ports folder, by port number.
std::vector<std::string> AvailableComPorts(const std::string& folder);

// A serial port opened and closed by name, with non-blocking reads and writes
// over the serial library. Errors (a vanished device, a full transmit queue)
// are reported through OnError on the calling thread, never raised.
class TComPort {
public:
    using ErrorEvent = std::function<void(uint32_t errors)>;

    explicit TComPort(ISerialLibrary& library);
    ~TComPort();
    TComPort(const TComPort&) = delete;
    TComPort& operator=(const TComPort&) = delete;

    void SetPortName(std::string name) { fName = std::move(name); }
    const std::string& PortName() const { return fName; }
    // One of 110 … 115200; false for any other rate.
    bool SetBaudRate(int baud);
    int BaudRate() const { return fBaud; }

    // Opens the named port at the baud rate, 8N1, no flow control. A port that
    // another part of this program holds is not taken over.
    bool Open();
    void Close();
    bool Connected() const { return fPort >= 0; }

    // Up to n waiting bytes, without waiting; 0 when nothing or not connected.
    int Read(char* buffer, int n);
    // What the port takes at once; the count written.
    int Write(const char* data, int n);
    int Write(const std::string& text) { return Write(text.data(), static_cast<int>(text.size())); }
    void ClearBuffers(bool input, bool output);

    ErrorEvent OnError;

private:
    void Report(uint32_t errors);

    ISerialLibrary& fLib;
    std::string fName;
    int fBaud = 9600;
    int fPort = -1; // the open port number, -1 when closed
};

} // namespace orv
