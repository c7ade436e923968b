#pragma once
#include "store/Format.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

namespace orv {

// The process-wide log hook: installed once at window creation; the link,
// the device model and the decoders log through it without knowing the window.
using LogHook = std::function<void(const std::string& message)>;
void SetLogHook(LogHook hook);
bool LogHookInstalled();
// Passes one finished message to the hook; nothing when none is installed.
void LogText(const std::string& message);

// Log(format, arguments): one time-stamped line. Never raises; a format that
// does not match its arguments costs the line.
template <class... A>
void Log(std::string_view format, A&&... args)
{
    try {
        LogText(Format(format, std::forward<A>(args)...));
    } catch (...) {
    }
}

// Trace lines without time stamp, for the developer: standard error.
void DebugOut(const std::string& text);
template <class... A>
void DebugFmt(std::string_view format, A&&... args)
{
    try {
        DebugOut(Format(format, std::forward<A>(args)...));
    } catch (...) {
    }
}

// Writes log lines to the file of the current link kind in the INI directory,
// opening, appending and closing the file for each line.
class TLogWriter {
public:
    // linkKind: -1 when no link component exists, else its kind 0..5.
    explicit TLogWriter(std::function<int()> linkKind);
    void Write(const std::string& message);
    // "Log.txt", "MsgVEDO.txt", "SerialDirect.txt", "MsgUSBtoCAN.txt"; empty
    // for a kind outside 0..5.
    static std::string FileForLinkKind(int kind);
    // The whole line as written, CR LF included.
    static std::string FormatLine(double dateTime, const std::string& message);

private:
    std::function<int()> fLinkKind;
    std::mutex fMutex; // overlapping calls would otherwise lose lines
};

// The link component's filtered log: a level 0..7 line reaches the hook and the
// debug output only while its level is enabled.
class TLinkLogFilter {
public:
    void EnableLevel(int level, bool on);
    bool LevelEnabled(int level) const;
    void LinkLog(int level, const std::string& text) const;

private:
    std::atomic<unsigned> fLevels{0};
};

} // namespace orv
