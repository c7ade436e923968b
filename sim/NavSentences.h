#pragma once
#include <string>

// The sentences a simulated GPS receiver writes, one table row each.
namespace orv::sim {

constexpr double kKnotsPerMetrePerSecond = 1.9438445;

// What the receiver knows at one instant.
struct TNavFix {
    double UtcSeconds = 0;    // seconds since 1970-01-01 00:00 UTC
    double Latitude = 0;      // degrees, north positive
    double Longitude = 0;     // degrees, east positive
    double SpeedMs = 0;       // ground speed, metres per second
    double CourseDeg = 0;     // true course over ground
    char Status = 'A';        // 'A' valid, 'V' warning
};

using TSentenceBuilder = std::string (*)(const std::string& talker, const TNavFix& fix);

struct TSentenceKind {
    const char* Key;       // "rmc": the name used in options and commands
    const char* Type;      // "RMC": the identifier after the talker
    int SetupNumber;       // message number in the receiver set-up sentences, -1 none
    TSentenceBuilder Build;  // the body, without "$" and checksum
};

// Every sentence the receiver can write (GGA, RMC, VTG, ZDA, RMA).
const TSentenceKind* SentenceKinds(size_t& count);
const TSentenceKind* FindSentenceKind(const std::string& key);
// The name of a set-up message number ("VTG" for 5), or "" when unknown.
std::string SetupMessageName(int number);

} // namespace orv::sim
