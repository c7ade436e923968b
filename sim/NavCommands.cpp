#include "sim/NavCommands.h"

#include "sim/Simulator.h"

#include <cmath>
#include <cstdlib>

namespace orv::sim {

namespace {

using TArgs = std::vector<std::string>;

std::string Error(const std::string& text) { return "ERROR " + text; }

bool ToDecimal(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(out);
}

// Everything after the second word, its spacing kept.
std::string AfterSubcommand(const std::string& rest)
{
    const size_t space = rest.find_first_of(" \t");
    if (space == std::string::npos)
        return "";
    const size_t start = rest.find_first_not_of(" \t", space);
    return start == std::string::npos ? "" : rest.substr(start);
}

std::string Number(TNavSource& nav, const TArgs& a, double lo, double hi, void (TNavSource::*set)(double),
    const char* what)
{
    double v = 0;
    if (a.size() != 3 || !ToDecimal(a[2], v) || v < lo || v > hi)
        return Error("usage: nav " + a[1] + " " + what);
    (nav.*set)(v);
    return "OK nav " + a[1] + " " + a[2];
}

std::string DoSpeed(TNavSource& nav, const TArgs& a, const std::string&)
{
    return Number(nav, a, 0, 300, &TNavSource::SetSpeed, "M/S (0..300)");
}

std::string DoProfile(TNavSource& nav, const TArgs& a, const std::string&)
{
    std::string error;
    if (a.size() != 3)
        return Error("usage: nav profile const:V|steps:A,B,...@S|ramp:A..B@S|file:PATH");
    return nav.SetProfile(a[2], error) ? "OK nav profile " + a[2] : Error(error);
}

std::string DoStatus(TNavSource& nav, const TArgs& a, const std::string&)
{
    if (a.size() != 3 || (a[2] != "A" && a[2] != "V"))
        return Error("usage: nav status A|V");
    nav.SetStatus(a[2][0]);
    return "OK nav status " + a[2];
}

std::string DoChecksum(TNavSource& nav, const TArgs& a, const std::string&)
{
    TChecksumMode mode;
    if (a.size() != 3 || !ParseChecksumMode(a[2], mode))
        return Error("usage: nav checksum good|bad|none");
    nav.SetChecksum(mode);
    return "OK nav checksum " + a[2];
}

std::string DoSilence(TNavSource& nav, const TArgs& a, const std::string&)
{
    if (a.size() != 3 || (a[2] != "on" && a[2] != "off"))
        return Error("usage: nav silence on|off");
    nav.SetSilence(a[2] == "on");
    return "OK nav silence " + a[2];
}

std::string DoHz(TNavSource& nav, const TArgs& a, const std::string&)
{
    double v = 0;
    std::string error;
    if (a.size() != 3 || !ToDecimal(a[2], v))
        return Error("usage: nav hz HZ (sentences of each kind per second, 0..100)");
    return nav.SetHz(v, error) ? "OK nav hz " + a[2] : Error(error);
}

std::string DoSentences(TNavSource& nav, const TArgs& a, const std::string&)
{
    std::string error;
    if (a.size() != 3)
        return Error("usage: nav sentences gga,rmc,vtg,zda,rma|none");
    return nav.SetSentences(a[2], error) ? "OK nav sentences " + a[2] : Error(error);
}

std::string DoTalker(TNavSource& nav, const TArgs& a, const std::string&)
{
    std::string error;
    if (a.size() != 3)
        return Error("usage: nav talker XX");
    return nav.SetTalker(a[2], error) ? "OK nav talker " + a[2] : Error(error);
}

std::string DoSwath(TNavSource& nav, const TArgs& a, const std::string&)
{
    return Number(nav, a, -1000, 1000, &TNavSource::SetSwath, "METRES (negative: not to be taken)");
}

std::string DoAppRate(TNavSource& nav, const TArgs& a, const std::string&)
{
    return Number(nav, a, -100000, 100000, &TNavSource::SetAppRate, "KG/HA (negative: not to be taken)");
}

std::string DoCourse(TNavSource& nav, const TArgs& a, const std::string&)
{
    return Number(nav, a, 0, 360, &TNavSource::SetCourse, "DEGREES (0..360)");
}

std::string DoRate(TNavSource&, const TArgs&, const std::string&)
{
    return Error("\"rate\" is ambiguous here: nav apprate KG/HA for the application rate, nav hz HZ for the sentences");
}

std::string DoSend(TNavSource& nav, const TArgs& a, const std::string& rest)
{
    std::string error;
    const std::string text = AfterSubcommand(rest);
    if (a.size() < 3 || text.empty())
        return Error("usage: nav send TEXT");
    return nav.SendLine(text, error) ? "OK nav send" : Error(error);
}

struct TNavCommand {
    const char* Name;
    std::string (*Run)(TNavSource&, const TArgs&, const std::string& rest);
};

const TNavCommand kNavCommands[] = {
    {"speed", &DoSpeed},
    {"profile", &DoProfile},
    {"status", &DoStatus},
    {"checksum", &DoChecksum},
    {"silence", &DoSilence},
    {"hz", &DoHz},
    {"sentences", &DoSentences},
    {"talker", &DoTalker},
    {"swath", &DoSwath},
    {"apprate", &DoAppRate},
    {"course", &DoCourse},
    {"rate", &DoRate},
    {"send", &DoSend},
};

} // namespace

std::string ExecuteNavCommand(TSimulator& sim, const TArgs& a, const std::string& rest)
{
    TNavSource* nav = sim.Nav();
    if (!nav)
        return Error("no navigation source (start with --nav nmea|guidance)");
    if (a.size() == 1)
        return "OK " + nav->Summary();
    // Unplugging is a timed fault like the controller port's.
    if (a[1] == "unplug") {
        double after = 0;
        if (a.size() > 3 || (a.size() == 3 && (!ToDecimal(a[2], after) || after < 0)))
            return Error("usage: nav unplug [seconds]");
        std::string error;
        if (!nav->Unplug(error))
            return Error(error);
        if (a.size() == 3)
            sim.Schedule(after, "nav plug");
        return a.size() == 3 ? "OK nav unplugged, back in " + a[2] + " s" : "OK nav unplugged";
    }
    if (a[1] == "plug") {
        std::string error;
        if (a.size() != 2)
            return Error("usage: nav plug");
        return nav->Plug(error) ? "OK nav plugged" : Error(error);
    }
    for (const auto& c : kNavCommands)
        if (a[1] == c.Name)
            return c.Run(*nav, a, rest);
    std::string names = "unplug, plug";
    for (const auto& c : kNavCommands)
        names += std::string(", ") + c.Name;
    return Error("unknown nav command \"" + a[1] + "\" (" + names + ")");
}

} // namespace orv::sim
