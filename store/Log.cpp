#include "store/Log.h"

#include "platform/DateTime.h"
#include "platform/TimeSource.h"
#include "store/IniPaths.h"

#include <cstdio>
#include <iostream>
#include <memory>

namespace orv {

namespace {
std::mutex gHookMutex;
std::shared_ptr<LogHook> gHook;
} // namespace

void SetLogHook(LogHook hook)
{
    std::lock_guard lock(gHookMutex);
    gHook = hook ? std::make_shared<LogHook>(std::move(hook)) : nullptr;
}

bool LogHookInstalled()
{
    std::lock_guard lock(gHookMutex);
    return gHook != nullptr;
}

void LogText(const std::string& message)
{
    std::shared_ptr<LogHook> hook;
    {
        std::lock_guard lock(gHookMutex);
        hook = gHook;
    }
    if (!hook)
        return;
    try {
        (*hook)(message);
    } catch (...) {
    }
}

void DebugOut(const std::string& text)
{
    static std::mutex m;
    std::lock_guard lock(m);
    std::fputs(text.c_str(), stderr);
    std::fputc('\n', stderr);
}

TLogWriter::TLogWriter(std::function<int()> linkKind) : fLinkKind(std::move(linkKind)) {}

std::string TLogWriter::FileForLinkKind(int kind)
{
    switch (kind) {
    case -1:
        return "Log.txt";
    case 0:
    case 1:
        return "MsgVEDO.txt";
    case 2:
    case 3:
        return "SerialDirect.txt";
    case 4:
    case 5:
        return "MsgUSBtoCAN.txt";
    default:
        return "";
    }
}

std::string TLogWriter::FormatLine(double dateTime, const std::string& message)
{
    return FormatLogStamp(dateTime) + "," + message + "\r\n";
}

void TLogWriter::Write(const std::string& message)
{
    try {
        const std::string file = FileForLinkKind(fLinkKind ? fLinkKind() : -1);
        if (file.empty())
            return;
        const std::string line = FormatLine(DefaultTimeSource().WallClockNow(), message);
        std::lock_guard lock(fMutex);
        FILE* f = std::fopen(IniPath(file).c_str(), "ab");
        if (!f)
            return;
        std::fwrite(line.data(), 1, line.size(), f);
        std::fclose(f);
    } catch (...) {
    }
}

void TLinkLogFilter::EnableLevel(int level, bool on)
{
    if (level < 0 || level > 7)
        return;
    if (on)
        fLevels |= (1u << level);
    else
        fLevels &= ~(1u << level);
}

bool TLinkLogFilter::LevelEnabled(int level) const
{
    return level >= 0 && level <= 7 && (fLevels.load() & (1u << level));
}

void TLinkLogFilter::LinkLog(int level, const std::string& text) const
{
    if (!LevelEnabled(level))
        return;
    LogText(text);
    DebugOut(text);
}

} // namespace orv
