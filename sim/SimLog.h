#pragma once
#include <chrono>
#include <cstdio>
#include <string>

namespace orv::sim {

// The simulator's readable log: one line per event, stamped with the seconds
// since the simulator started ("[   1.250] COM3 RX usbcan ...").
class TSimLog {
public:
    TSimLog();
    ~TSimLog();
    TSimLog(const TSimLog&) = delete;
    TSimLog& operator=(const TSimLog&) = delete;

    // Writes to the file (appending) instead of standard error.
    bool OpenFile(const std::string& path, std::string& error);
    void Line(const std::string& text);
    // Seconds since the simulator started.
    double Now() const;

private:
    std::chrono::steady_clock::time_point fStart;
    FILE* fFile = nullptr;
};

} // namespace orv::sim
