#include "nav/ComPort.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <system_error>

namespace orv {

namespace {

constexpr int kQueueSize = 8192;
constexpr int kBaudRates[] = {110, 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

int BaudCode(int baud)
{
    for (int code = 0; code < static_cast<int>(std::size(kBaudRates)); ++code)
        if (kBaudRates[code] == baud)
            return code;
    return -1;
}

} // namespace

std::string ComErrorNames(uint32_t errors)
{
    static constexpr const char* kNames[] = {"Frame Error, ", "Parity Error, ",     "Buffer Overrun Error, ",
                                             "Break Error, ", "IO Error, ",         "Mode Error, ",
                                             "Rx Overrun Error, ", "TxFull Error, "};
    std::string text;
    for (size_t bit = 0; bit < std::size(kNames); ++bit)
        if (errors & (1u << bit))
            text += kNames[bit];
    return text;
}

int ComPortNumber(const std::string& name)
{
    if (name.size() < 4 || std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(name[2])) != 'M')
        return -1;
    int n = 0;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    const auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || end != last || *first == '0' || n < 1 || n > 256)
        return -1;
    return n - 1;
}

std::vector<std::string> AvailableComPorts(const std::string& folder)
{
    std::vector<int> numbers;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const int port = ComPortNumber(name);
        if (port >= 0 && SerialPortName(port) == name)
            numbers.push_back(port);
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<std::string> names;
    for (int port : numbers)
        names.push_back(SerialPortName(port));
    return names;
}

TComPort::TComPort(ISerialLibrary& library) : fLib(library) {}

TComPort::~TComPort()
{
    Close();
}

bool TComPort::SetBaudRate(int baud)
{
    if (BaudCode(baud) < 0)
        return false;
    fBaud = baud;
    if (Connected())
        fLib.SioBaud(fPort, BaudCode(baud));
    return true;
}

bool TComPort::Open()
{
    if (Connected())
        return true;
    const int port = ComPortNumber(fName);
    if (port < 0)
        return false;
    // Already open in this program (the controller link or another page):
    // resetting it would throw away that owner's data.
    if (fLib.SioStatus(port, kSioStatusAll) >= 0)
        return false;
    if (fLib.SioReset(port, kQueueSize, kQueueSize) != kSioOk)
        return false;
    if (fLib.SioBaud(port, BaudCode(fBaud)) != kSioOk || fLib.SioParms(port, 0, 0, 8) != kSioOk ||
        fLib.SioFlow(port, 'N') != kSioOk || fLib.SioSetTimeouts(port, 0, 0, 0, 0, 0) != kSioOk) {
        fLib.SioDone(port);
        return false;
    }
    fLib.SioDTR(port, 'S');
    fLib.SioRTS(port, 'S');
    fPort = port;
    return true;
}

void TComPort::Close()
{
    if (!Connected())
        return;
    fLib.SioDone(fPort);
    fPort = -1;
}

int TComPort::Read(char* buffer, int n)
{
    if (!Connected() || n <= 0)
        return 0;
    const int r = fLib.SioGets(fPort, buffer, n);
    if (r < 0) {
        Report(ceIO);
        return 0;
    }
    return r;
}

int TComPort::Write(const char* data, int n)
{
    if (!Connected() || n <= 0)
        return 0;
    const int r = fLib.SioPuts(fPort, data, n);
    if (r < 0) {
        Report(ceIO);
        return 0;
    }
    if (r < n)
        Report(ceTxFull);
    return r;
}

void TComPort::ClearBuffers(bool input, bool output)
{
    if (!Connected())
        return;
    if (input)
        fLib.SioRxClear(fPort);
    if (output)
        fLib.SioTxClear(fPort);
}

void TComPort::Report(uint32_t errors)
{
    if (OnError && errors)
        OnError(errors);
}

} // namespace orv
