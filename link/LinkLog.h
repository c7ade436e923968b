#pragma once
#include "store/Format.h"
#include "store/Log.h"

namespace orv {

// The filter every controller link logs through: level 1 is enabled while a
// port search runs, level 0 never.
TLinkLogFilter& LinkLogFilter();

// Link lines: events and pings at level 1, per-frame traffic at level 0.
constexpr int kLinkEventLevel = 1;
constexpr int kLinkTrafficLevel = 0;

inline void LinkLog(int level, const std::string& text)
{
    LinkLogFilter().LinkLog(level, text);
}

template <class... A>
void LinkLogFmt(int level, std::string_view format, A&&... args)
{
    if (!LinkLogFilter().LevelEnabled(level))
        return;
    try {
        LinkLogFilter().LinkLog(level, Format(format, std::forward<A>(args)...));
    } catch (...) {
    }
}

} // namespace orv
