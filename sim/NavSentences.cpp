#include "sim/NavSentences.h"

#include "sim/NmeaText.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace orv::sim {

namespace {

struct TUtc {
    int Hour, Minute, Day, Month, Year;
    double Second;
};

TUtc SplitUtc(double utcSeconds)
{
    const std::time_t whole = std::time_t(std::floor(utcSeconds));
    std::tm tm {};
    ::gmtime_r(&whole, &tm);
    return {tm.tm_hour, tm.tm_min, tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
        double(tm.tm_sec) + (utcSeconds - double(whole))};
}

std::string TwoDigits(int v)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

// "hhmmss.ss"
std::string TimeField(double utcSeconds)
{
    const TUtc t = SplitUtc(utcSeconds);
    const int hundredths = std::min(5999, int(t.Second * 100.0));
    char sec[16];
    std::snprintf(sec, sizeof sec, "%02d.%02d", hundredths / 100, hundredths % 100);
    return TwoDigits(t.Hour) + TwoDigits(t.Minute) + sec;
}

// "ddmmyy"
std::string DateField(double utcSeconds)
{
    const TUtc t = SplitUtc(utcSeconds);
    return TwoDigits(t.Day) + TwoDigits(t.Month) + TwoDigits(t.Year % 100);
}

// ddmm.mmmm / dddmm.mmmm with the hemisphere letter as the next field.
std::string Angle(double degrees, int degreeDigits, char positive, char negative)
{
    const double a = std::fabs(degrees);
    int whole = int(a);
    double minutes = (a - whole) * 60.0;
    if (minutes >= 59.99995) {
        minutes = 0;
        ++whole;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%0*d", degreeDigits, whole);
    std::string m = Fixed(minutes, 4);
    if (m.size() < 7)
        m = std::string(7 - m.size(), '0') + m;
    return std::string(text) + m + "," + (degrees < 0 ? negative : positive);
}

std::string Latitude(const TNavFix& f) { return Angle(f.Latitude, 2, 'N', 'S'); }
std::string Longitude(const TNavFix& f) { return Angle(f.Longitude, 3, 'E', 'W'); }
std::string Knots(const TNavFix& f) { return Fixed(f.SpeedMs * kKnotsPerMetrePerSecond, 2); }
std::string Course(const TNavFix& f) { return Fixed(f.CourseDeg, 1); }
// The mode indicator of the newer sentence layouts: autonomous, or not valid.
std::string Mode(const TNavFix& f) { return f.Status == 'A' ? "A" : "N"; }

std::string BuildGga(const std::string& talker, const TNavFix& f)
{
    return talker + "GGA," + TimeField(f.UtcSeconds) + "," + Latitude(f) + "," + Longitude(f) + ","
        + (f.Status == 'A' ? "1" : "0") + ",08,0.9,120.0,M,0.0,M,,";
}

std::string BuildRmc(const std::string& talker, const TNavFix& f)
{
    return talker + "RMC," + TimeField(f.UtcSeconds) + "," + f.Status + "," + Latitude(f) + "," + Longitude(f) + ","
        + Knots(f) + "," + Course(f) + "," + DateField(f.UtcSeconds) + ",,," + Mode(f);
}

std::string BuildVtg(const std::string& talker, const TNavFix& f)
{
    return talker + "VTG," + Course(f) + ",T,,M," + Knots(f) + ",N," + Fixed(f.SpeedMs * 3.6, 2) + ",K," + Mode(f);
}

std::string BuildZda(const std::string& talker, const TNavFix& f)
{
    const TUtc t = SplitUtc(f.UtcSeconds);
    return talker + "ZDA," + TimeField(f.UtcSeconds) + "," + TwoDigits(t.Day) + "," + TwoDigits(t.Month) + ","
        + std::to_string(t.Year) + ",00,00";
}

std::string BuildRma(const std::string& talker, const TNavFix& f)
{
    return talker + "RMA," + f.Status + "," + Latitude(f) + "," + Longitude(f) + ",,," + Knots(f) + "," + Course(f)
        + ",,";
}

const TSentenceKind kKinds[] = {
    {"gga", "GGA", 0, &BuildGga},
    {"rmc", "RMC", 4, &BuildRmc},
    {"vtg", "VTG", 5, &BuildVtg},
    {"zda", "ZDA", 6, &BuildZda},
    {"rma", "RMA", -1, &BuildRma},
};

// The set-up message numbers as the application names them.
const char* const kSetupNames[] = {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG", "ZDA"};

} // namespace

const TSentenceKind* SentenceKinds(size_t& count)
{
    count = sizeof kKinds / sizeof kKinds[0];
    return kKinds;
}

const TSentenceKind* FindSentenceKind(const std::string& key)
{
    for (const auto& k : kKinds)
        if (key == k.Key)
            return &k;
    return nullptr;
}

std::string SetupMessageName(int number)
{
    if (number < 0 || number >= int(sizeof kSetupNames / sizeof kSetupNames[0]))
        return "";
    return kSetupNames[number];
}

} // namespace orv::sim
