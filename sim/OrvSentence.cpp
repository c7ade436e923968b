#include "sim/OrvSentence.h"

#include "sim/NmeaText.h"

#include <cmath>
#include <cstdlib>

namespace orv::sim {

namespace {

const char* const kRunStates[] = {"none selected", "Dry Material", "Fire Gate", "Metered Dry", "MeterRate Dry",
    "Liquid"};

// How each field after the identifier is written: decimals, -1 for an integer.
const int kDecimals[] = {-1, -1, -1, 2, 1, 1, 3};
const char* const kFieldNames[] = {"run state", "channel 1", "gate status", "application rate", "swath width",
    "ground speed", "channel 6"};

bool ToInteger(const std::string& text, long& out)
{
    char* end = nullptr;
    out = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end == text.c_str() + text.size();
}

bool ToDecimal(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(out);
}

std::string Signed(double value, int decimals, const char* unit)
{
    std::string text = Fixed(value, decimals) + unit;
    if (value < 0)
        text += " (negative: not taken from the other side)";
    return text;
}

std::string GateStatusText(long status)
{
    const long base = status - (status % 10 == 1 ? 1 : 0);
    std::string text;
    if (base == 20)
        text = "under CAN control and armed";
    else if (base == 10)
        text = "not both under CAN control and armed";
    else
        return "not a gate status";
    return text + (status % 10 == 1 ? ", pilot switch on" : ", pilot switch off");
}

} // namespace

std::string OrvBody(const TOrvSentence& s)
{
    return "ORV," + std::to_string(s.RunState) + "," + std::to_string(s.Channel1) + "," + std::to_string(s.GateStatus)
        + "," + Fixed(s.AppRate, 2) + "," + Fixed(s.Swath, 1) + "," + Fixed(s.Speed, 1) + "," + Fixed(s.Channel6, 3);
}

std::optional<TOrvSentence> ParseOrv(const std::vector<std::string>& fields, std::vector<std::string>& notes,
    std::string& error)
{
    if (fields.size() < 8) {
        error = std::to_string(fields.size() - 1) + " fields, expected 7";
        return std::nullopt;
    }
    if (fields.size() > 8)
        notes.push_back(std::to_string(fields.size() - 1) + " fields, expected 7: the extra ones are ignored");
    long integers[3] = {};
    double decimals[4] = {};
    for (size_t i = 0; i < 7; ++i) {
        const std::string& f = fields[i + 1];
        const bool ok = kDecimals[i] < 0 ? ToInteger(f, integers[i]) : ToDecimal(f, decimals[i - 3]);
        if (!ok) {
            error = std::string(kFieldNames[i]) + " \"" + f + "\" is not a number";
            return std::nullopt;
        }
        const size_t point = f.find('.');
        const int written = point == std::string::npos ? (kDecimals[i] < 0 ? -1 : 0) : int(f.size() - point - 1);
        if (written != kDecimals[i])
            notes.push_back(std::string(kFieldNames[i]) + " \"" + f + "\" is not written "
                + (kDecimals[i] < 0 ? std::string("as a whole number") : "with " + std::to_string(kDecimals[i]) + " decimals"));
    }
    TOrvSentence s;
    s.RunState = integers[0];
    s.Channel1 = integers[1];
    s.GateStatus = integers[2];
    s.AppRate = decimals[0];
    s.Swath = decimals[1];
    s.Speed = decimals[2];
    s.Channel6 = decimals[3];
    return s;
}

std::string DescribeOrv(const TOrvSentence& s)
{
    const long run = std::labs(s.RunState);
    std::string text = "run state " + std::to_string(s.RunState) + " ("
        + (run < 6 ? kRunStates[run] : "unknown") + ")";
    text += ", channel 1 " + std::to_string(s.Channel1);
    text += ", gate status " + std::to_string(s.GateStatus) + " (" + GateStatusText(std::labs(s.GateStatus)) + ")";
    text += ", application rate " + Signed(s.AppRate, 2, " kg/ha");
    text += ", swath " + Signed(s.Swath, 1, " m");
    text += ", ground speed " + Signed(s.Speed, 1, " m/s");
    text += ", channel 6 " + Fixed(s.Channel6, 3);
    return text;
}

} // namespace orv::sim
