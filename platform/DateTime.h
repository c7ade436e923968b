#pragma once
#include <string>

namespace orv {

// Date-time as days since 1899-12-30, the fraction being the time of day; the
// form in which the high-resolution clock reports "now".
using TDateTime = double;

constexpr double kMsPerDay = 86'400'000.0;

// "yyyy/mm/dd hh:nn:ss.zzz" — the log's time stamp.
std::string FormatLogStamp(TDateTime t);
// "yyyy-mm-dd" — the date-only form written to INI files.
std::string FormatIsoDate(TDateTime t);

struct TDateTimeParts {
    int year, month, day, hour, minute, second, msec;
};
TDateTimeParts DecodeDateTime(TDateTime t);

} // namespace orv
