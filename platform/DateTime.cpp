#include "platform/DateTime.h"

#include <cmath>
#include <cstdio>
#include <QDate>

namespace orv {

TDateTimeParts DecodeDateTime(TDateTime t)
{
    // Round to the millisecond first so 23:59:59.9996 carries into the next day.
    const long long totalMs = std::llround(t * kMsPerDay);
    long long days = totalMs / 86'400'000LL;
    long long msOfDay = totalMs % 86'400'000LL;
    if (msOfDay < 0) {
        msOfDay += 86'400'000LL;
        --days;
    }
    const QDate d = QDate(1899, 12, 30).addDays(days);
    TDateTimeParts p{};
    p.year = d.year();
    p.month = d.month();
    p.day = d.day();
    p.hour = static_cast<int>(msOfDay / 3'600'000);
    p.minute = static_cast<int>(msOfDay / 60'000 % 60);
    p.second = static_cast<int>(msOfDay / 1000 % 60);
    p.msec = static_cast<int>(msOfDay % 1000);
    return p;
}

std::string FormatLogStamp(TDateTime t)
{
    const auto p = DecodeDateTime(t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second, p.msec);
    return buf;
}

std::string FormatIsoDate(TDateTime t)
{
    const auto p = DecodeDateTime(t);
    char buf[24];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", p.year, p.month, p.day);
    return buf;
}

} // namespace orv
