#include "platform/TimeSource.h"

#include <chrono>
#include <QDateTime>

namespace orv {

int64_t SteadyTimeSource::Ticks()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double SteadyTimeSource::WallClockNow()
{
    // Local time, as the cockpit clock shows it, in the day-count form the
    // log and the start-up record use.
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 days = QDate(1899, 12, 30).daysTo(now.date());
    return static_cast<double>(days) + now.time().msecsSinceStartOfDay() / 86'400'000.0;
}

ITimeSource& DefaultTimeSource()
{
    static SteadyTimeSource source;
    return source;
}

} // namespace orv
