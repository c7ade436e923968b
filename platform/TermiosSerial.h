#pragma once
#include "platform/SerialPort.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace orv {

// The serial operations over POSIX termios. Ports are found by name in the
// ports folder (symlinks to ttys); one descriptor per open port, taken with
// an advisory lock so that two programs never share a port.
class TTermiosSerialLibrary final : public ISerialLibrary {
public:
    // folder: where "COM<N+1>" lives; empty = SerialPortsFolder() at each open.
    explicit TTermiosSerialLibrary(std::string folder = {});
    ~TTermiosSerialLibrary() override;

    int SioReset(int port, int rxQueue, int txQueue) override;
    int SioDone(int port) override;
    int SioBaud(int port, int baudCode) override;
    int SioParms(int port, int parity, int stopBits, int dataBits) override;
    int SioFlow(int port, char flow) override;
    int SioDTR(int port, char cmd) override;
    int SioRTS(int port, char cmd) override;
    int SioRxClear(int port) override;
    int SioTxClear(int port) override;
    int SioSetTimeouts(int port, int readInterval, int readMultiplier, int readConstant, int writeMultiplier,
                       int writeConstant) override;
    int SioStatus(int port, int mask) override;
    int SioRxQue(int port) override;
    int SioGets(int port, char* buf, int n) override;
    int SioPuts(int port, const char* buf, int n) override;
    int SioSetInteger(int port, int param, int value) override;

    // Ports this library holds open.
    int OpenCount() const;

private:
    struct Port;
    std::shared_ptr<Port> Find(int port) const;
    // Checks that the device behind the name is still the one opened.
    static bool Present(Port& p);
    int ModemLine(int port, int line, char cmd);

    std::string fFolder;
    mutable std::mutex fMutex;
    std::map<int, std::shared_ptr<Port>> fPorts;
    std::atomic<bool> fProbeMode{false};
};

} // namespace orv
