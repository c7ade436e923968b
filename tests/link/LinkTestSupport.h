#pragma once
#include "link/LinkLog.h"
#include "link/MainThreadCall.h"
#include "store/Log.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orv::test {

// Serves the workers' requests to the main thread (and the event loop)
// until pred holds; false when it did not within timeoutMs of real time.
inline bool ServeUntil(const std::function<bool()>& pred, int timeoutMs = 5000)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    TMainThreadCalls::ServeUntil([&] {
        if (pred())
            return true;
        QCoreApplication::processEvents();
        timedOut = std::chrono::steady_clock::now() > until;
        return timedOut;
    });
    return !timedOut || pred();
}

inline int CountDirEntries(const char* path)
{
    int n = 0;
    if (DIR* d = opendir(path)) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                ++n;
        closedir(d);
    }
    return n;
}
inline int ThreadCount() { return CountDirEntries("/proc/self/task"); }
// The count includes the descriptor of the directory listing itself.
inline int FdCount() { return CountDirEntries("/proc/self/fd"); }

inline std::vector<std::string> ThreadNames()
{
    std::vector<std::string> names;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            std::ifstream f(std::string("/proc/self/task/") + e->d_name + "/comm");
            std::string name;
            std::getline(f, name);
            names.push_back(name);
        }
        closedir(d);
    }
    return names;
}

// Collects every line that reaches the application log, with the link's
// levels 0 and 1 enabled, for the life of the object.
class LogCapture {
public:
    LogCapture()
    {
        SetLogHook([this](const std::string& line) {
            std::lock_guard lock(fMutex);
            fLines.push_back(line);
        });
        LinkLogFilter().EnableLevel(0, true);
        LinkLogFilter().EnableLevel(1, true);
    }
    ~LogCapture()
    {
        LinkLogFilter().EnableLevel(0, false);
        LinkLogFilter().EnableLevel(1, false);
        SetLogHook(nullptr);
    }
    std::vector<std::string> Lines() const
    {
        std::lock_guard lock(fMutex);
        return fLines;
    }
    bool Has(const std::string& line) const
    {
        const auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    size_t Count(const std::string& line) const
    {
        const auto lines = Lines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }

private:
    mutable std::mutex fMutex;
    std::vector<std::string> fLines;
};

} // namespace orv::test
