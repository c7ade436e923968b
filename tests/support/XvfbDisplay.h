#pragma once
#include <string>
#include <sys/types.h>

namespace orv::test {

// A virtual X display of the panel's size for one test, on the first free
// display number; the real program is shown on it and driven with xdotool,
// as a pilot's touches and keypad would.
class XvfbDisplay {
public:
    explicit XvfbDisplay(int width = 640, int height = 480);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    bool Ready() const { return !fName.empty(); }
    std::string Error() const { return fError; }
    // ":N"
    const std::string& Name() const { return fName; }

    // Runs `xdotool ARGS` on this display, bounded to 20 s; its standard
    // output, or "" when it failed.
    std::string XdoTool(const std::string& args) const;

private:
    pid_t fPid = -1;
    std::string fName;
    std::string fError;
};

} // namespace orv::test
