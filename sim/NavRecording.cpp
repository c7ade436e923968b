#include "sim/NavRecording.h"

#include "sim/NmeaText.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>

namespace orv::sim {

namespace {

constexpr size_t kLongestLine = 1024;
constexpr size_t kMostLines = 1000000;

// Seconds of the day of a "hhmmss(.ss)" field.
std::optional<double> TimeOfDay(const std::string& field)
{
    if (field.size() < 6)
        return std::nullopt;
    for (size_t i = 0; i < 6; ++i)
        if (!std::isdigit(static_cast<unsigned char>(field[i])))
            return std::nullopt;
    char* end = nullptr;
    const double fraction = field.size() > 6 ? std::strtod(field.c_str() + 6, &end) : 0.0;
    if (field.size() > 6 && (field[6] != '.' || end != field.c_str() + field.size()))
        return std::nullopt;
    const int h = std::stoi(field.substr(0, 2)), m = std::stoi(field.substr(2, 2)), s = std::stoi(field.substr(4, 2));
    if (h > 23 || m > 59 || s > 60)
        return std::nullopt;
    return h * 3600.0 + m * 60.0 + s + fraction;
}

// The time of day a sentence carries, if its type carries one.
std::optional<double> SentenceTime(const std::string& text)
{
    const auto line = ParseNmeaLine(text);
    if (!line)
        return std::nullopt;
    const auto fields = NmeaFields(line->Body);
    const std::string id = fields[0].size() >= 5 ? fields[0].substr(fields[0].size() - 3) : "";
    size_t at = 0;
    if (id == "RMC" || id == "GGA" || id == "ZDA")
        at = 1;
    else if (id == "GLL")
        at = 5;
    if (at == 0 || fields.size() <= at)
        return std::nullopt;
    return TimeOfDay(fields[at]);
}

// "12.250 $GPRMC,...": the leading seconds, and the rest in `text`.
std::optional<double> LeadingSeconds(std::string& text)
{
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.'))
        return std::nullopt;
    char* end = nullptr;
    const double at = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isspace(static_cast<unsigned char>(*end)) || !std::isfinite(at) || at < 0)
        return std::nullopt;
    size_t start = size_t(end - text.c_str());
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    text.erase(0, start);
    return at;
}

} // namespace

bool TNavRecording::Load(const std::string& path, double spacing, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the recording " + path;
        return false;
    }
    std::vector<TLine> lines;
    std::optional<double> firstTime, lastTime;
    double dayOffset = 0, at = 0, smallestGap = 0;
    bool timed = false;
    std::string text;
    size_t number = 0;
    while (std::getline(in, text)) {
        ++number;
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
            text.pop_back();
        if (text.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (text.size() > kLongestLine || lines.size() >= kMostLines) {
            error = path + " line " + std::to_string(number) + ": too long, or too many lines, for a recording";
            return false;
        }
        if (const auto offset = LeadingSeconds(text)) {
            at = *offset;
            timed = true;
        } else if (const auto t = SentenceTime(text)) {
            // A recording that runs past midnight goes on into the next day.
            if (lastTime && *t + dayOffset < *lastTime - 43200)
                dayOffset += 86400;
            const double absolute = *t + dayOffset;
            if (!firstTime)
                firstTime = absolute;
            if (lastTime && absolute > *lastTime && (smallestGap == 0 || absolute - *lastTime < smallestGap))
                smallestGap = absolute - *lastTime;
            lastTime = absolute;
            at = std::max(at, absolute - *firstTime);
            timed = true;
        }
        lines.push_back({at, text});
    }
    if (lines.empty()) {
        error = path + " holds no sentences";
        return false;
    }
    if (!timed) {
        for (size_t i = 0; i < lines.size(); ++i)
            lines[i].At = double(i) * spacing;
    }
    fLines = std::move(lines);
    const double gap = timed ? (smallestGap > 0 ? smallestGap : 1.0) : spacing;
    fPass = fLines.back().At + gap;
    return true;
}

} // namespace orv::sim
