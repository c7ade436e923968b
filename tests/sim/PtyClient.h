#pragma once
#include <string>

namespace orv::test {

// The application's end of a simulated port, written straight on termios so
// that the simulator is checked against hand-written bytes only.
class PtyClient {
public:
    // Opens the port raw at 115200 baud, or 9600 when `slow`.
    explicit PtyClient(const std::string& path, bool slow = false);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool IsOpen() const { return fFd >= 0; }
    int Fd() const { return fFd; }
    bool Write(const std::string& bytes);
    // Reads until `count` bytes arrived (or the time-out); returns what came.
    std::string Read(size_t count, int timeoutMs = 3000);
    // Reads until the received text contains `end`.
    std::string ReadUntil(const std::string& end, int timeoutMs = 3000);
    // Whatever is waiting now, without waiting.
    std::string Pending();
    // The port hung up (the simulator unplugged it).
    bool HungUp(int timeoutMs = 3000);

private:
    int fFd = -1;
};

} // namespace orv::test
