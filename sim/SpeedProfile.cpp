#include "sim/SpeedProfile.h"

#include <cmath>
#include <cstdlib>

namespace orv::sim {

namespace {

constexpr double kFastestSpeed = 300;  // m/s; anything above is a typing error

bool ToNumber(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(out);
}

bool ToSpeed(const std::string& text, double& out)
{
    return ToNumber(text, out) && out >= 0 && out <= kFastestSpeed;
}

// "A@S": the part before "@" and a positive number of seconds after it.
bool SplitAt(const std::string& text, std::string& head, double& seconds)
{
    const size_t at = text.rfind('@');
    if (at == std::string::npos)
        return false;
    head = text.substr(0, at);
    return ToNumber(text.substr(at + 1), seconds) && seconds > 0 && seconds < 1e6;
}

} // namespace

double TSpeedProfile::SpeedAt(double t) const
{
    if (Values.empty())
        return 0;
    t = std::max(0.0, t);
    switch (Kind) {
    case TKind::Constant:
        return Values[0];
    case TKind::Steps:
        return Values[size_t(std::fmod(t / Seconds, double(Values.size())))];
    case TKind::Ramp: {
        const double phase = std::fmod(t / Seconds, 2.0);  // 0..1 up, 1..2 down
        const double f = phase <= 1.0 ? phase : 2.0 - phase;
        return Values[0] + (Values[1] - Values[0]) * f;
    }
    case TKind::File:
        return 0;
    }
    return 0;
}

TSpeedProfile ConstantSpeed(double metresPerSecond)
{
    TSpeedProfile p;
    p.Kind = TSpeedProfile::TKind::Constant;
    p.Values = {metresPerSecond};
    p.Text = "const:" + std::to_string(metresPerSecond);
    return p;
}

std::optional<TSpeedProfile> ParseSpeedProfile(const std::string& text, std::string& error)
{
    TSpeedProfile p;
    p.Text = text;
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string rest = colon == std::string::npos ? "" : text.substr(colon + 1);
    const std::string speeds = "speeds are metres per second, 0.." + std::to_string(int(kFastestSpeed));
    if (kind == "const") {
        double v = 0;
        if (!ToSpeed(rest, v)) {
            error = "const:SPEED needs one speed (" + speeds + ")";
            return std::nullopt;
        }
        p.Kind = TSpeedProfile::TKind::Constant;
        p.Values = {v};
        return p;
    }
    if (kind == "steps") {
        std::string list;
        if (!SplitAt(rest, list, p.Seconds)) {
            error = "steps:A,B,...@SECONDS needs the time per step after \"@\"";
            return std::nullopt;
        }
        size_t start = 0;
        for (;;) {
            const size_t comma = list.find(',', start);
            double v = 0;
            if (!ToSpeed(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start), v)) {
                error = "steps: \"" + list + "\" is not a list of speeds (" + speeds + ")";
                return std::nullopt;
            }
            p.Values.push_back(v);
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        p.Kind = TSpeedProfile::TKind::Steps;
        return p;
    }
    if (kind == "ramp") {
        std::string range;
        const size_t dots = rest.find("..");
        double from = 0, to = 0;
        if (!SplitAt(rest, range, p.Seconds) || dots == std::string::npos || !ToSpeed(range.substr(0, dots), from)
            || !ToSpeed(range.substr(dots + 2), to)) {
            error = "ramp:FROM..TO@SECONDS, e.g. ramp:50..65@60 (" + speeds + ")";
            return std::nullopt;
        }
        p.Kind = TSpeedProfile::TKind::Ramp;
        p.Values = {from, to};
        return p;
    }
    if (kind == "file") {
        if (rest.empty()) {
            error = "file:PATH needs the path of a file of recorded sentences";
            return std::nullopt;
        }
        p.Kind = TSpeedProfile::TKind::File;
        p.Path = rest;
        return p;
    }
    error = "speed profile \"" + text + "\" is not const:V, steps:A,B,...@S, ramp:A..B@S or file:PATH";
    return std::nullopt;
}

} // namespace orv::sim
