#include "sim/SimLog.h"

#include <cerrno>
#include <cstring>

namespace orv::sim {

TSimLog::TSimLog()
    : fStart(std::chrono::steady_clock::now())
{
}

TSimLog::~TSimLog()
{
    if (fFile)
        std::fclose(fFile);
}

bool TSimLog::OpenFile(const std::string& path, std::string& error)
{
    FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
        error = "cannot open log file " + path + ": " + std::strerror(errno);
        return false;
    }
    if (fFile)
        std::fclose(fFile);
    fFile = f;
    return true;
}

double TSimLog::Now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - fStart).count();
}

void TSimLog::Line(const std::string& text)
{
    FILE* out = fFile ? fFile : stderr;
    std::fprintf(out, "[%8.3f] %s\n", Now(), text.c_str());
    // A harness or a person reads the log while the simulator runs.
    std::fflush(out);
}

} // namespace orv::sim
