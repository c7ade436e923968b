#include "sim/SimCommands.h"

#include "sim/HexText.h"
#include "sim/NavCommands.h"
#include "sim/Simulator.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace orv::sim {

namespace {

using TArgs = std::vector<std::string>;

bool OnOff(const std::string& text, bool& on)
{
    if (text == "on" || text == "1") {
        on = true;
        return true;
    }
    if (text == "off" || text == "0") {
        on = false;
        return true;
    }
    return false;
}

bool Seconds(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && out >= 0 && out < 1e7;
}

std::string Error(const std::string& text) { return "ERROR " + text; }

std::string Switch(TSimulator& sim, const TArgs& a, void (TSimulator::*set)(bool), const char* name)
{
    if (!sim.HasLink())
        return Error("no controller link (--link none)");
    bool on = false;
    if (a.size() != 2 || !OnOff(a[1], on))
        return Error(std::string("usage: ") + name + " on|off");
    (sim.*set)(on);
    return std::string("OK ") + name + (on ? " on" : " off");
}

std::string DoStatus(TSimulator& sim, const TArgs&) { return "OK " + sim.StatusLine(); }

std::string DoUnplug(TSimulator& sim, const TArgs& a)
{
    double after = 0;
    if (a.size() > 2 || (a.size() == 2 && !Seconds(a[1], after)))
        return Error("usage: unplug [seconds]");
    std::string error;
    if (!sim.Unplug(error))
        return Error(error);
    if (a.size() == 2)
        sim.Schedule(after, "plug");
    return a.size() == 2 ? "OK unplugged, back in " + a[1] + " s" : "OK unplugged";
}

std::string DoPlug(TSimulator& sim, const TArgs& a)
{
    std::string error;
    if (a.size() != 1)
        return Error("usage: plug");
    return sim.Plug(error) ? "OK plugged" : Error(error);
}

std::string DoSilence(TSimulator& sim, const TArgs& a) { return Switch(sim, a, &TSimulator::SetSilence, "silence"); }
std::string DoGarbage(TSimulator& sim, const TArgs& a) { return Switch(sim, a, &TSimulator::SetGarbage, "garbage"); }
std::string DoStall(TSimulator& sim, const TArgs& a) { return Switch(sim, a, &TSimulator::SetStall, "stall"); }

std::string DoBoard(TSimulator& sim, const TArgs& a)
{
    if (a.size() != 4 && a.size() != 3)
        return Error("usage: board N FIELD VALUE, or board N FIELD to show it");
    char* end = nullptr;
    const long n = std::strtol(a[1].c_str(), &end, 10);
    TControllerBoard* board = (end && *end == '\0' && !a[1].empty()) ? sim.Bus().Board(int(n)) : nullptr;
    if (!board)
        return Error("no board " + a[1] + " on the bus");
    std::string error;
    if (a.size() == 3) {
        std::string value;
        if (!board->GetField(a[2], value))
            return Error("unknown field \"" + a[2] + "\" (fields: " + TControllerBoard::FieldNames() + ")");
        return "OK board " + a[1] + " " + a[2] + " " + value;
    }
    if (!board->SetField(a[2], a[3], error))
        return Error(error);
    return "OK board " + a[1] + " " + a[2] + " " + a[3];
}

std::string DoStatusRate(TSimulator& sim, const TArgs& a)
{
    char* end = nullptr;
    const double rate = a.size() == 2 ? std::strtod(a[1].c_str(), &end) : -1;
    if (a.size() != 2 || !end || *end != '\0' || !(rate >= 0 && rate <= 100))
        return Error("usage: statusrate HZ (0..100, 0 off)");
    if (!sim.HasLink())
        return Error("no controller link (--link none)");
    sim.SetStatusRate(rate);
    return "OK statusrate " + a[1];
}

std::string DoChannel(TSimulator& sim, const TArgs& a, const std::string& rest)
{
    if (!sim.HasLink())
        return Error("no controller link (--link none)");
    if (a.size() < 3 || a[1].size() != 1 || a[1][0] < '1' || a[1][0] > '4')
        return Error("usage: channel 1..4 TEXT");
    std::string error;
    if (!sim.Link().ChannelInput(a[1][0] - '0', rest, error))
        return Error(error);
    return "OK channel " + a[1];
}

std::string DoRaw(TSimulator& sim, const std::string& rest)
{
    const auto bytes = BytesFromHex(rest);
    if (!bytes || bytes->empty())
        return Error("usage: raw HEX (e.g. raw F9 01 00 FA 9F)");
    std::string error;
    return sim.WriteRaw(*bytes, error) ? "OK raw " + std::to_string(bytes->size()) + " bytes" : Error(error);
}

std::string DoAfter(TSimulator& sim, const TArgs& a, const std::string& rest)
{
    double after = 0;
    if (a.size() < 3 || !Seconds(a[1], after))
        return Error("usage: after SECONDS COMMAND");
    sim.Schedule(after, rest);
    return "OK after " + a[1] + " s: " + rest;
}

std::string DoQuit(TSimulator& sim, const TArgs&)
{
    sim.RequestQuit();
    return "OK quit";
}

struct TCommand {
    const char* Name;
    const char* Usage;
    std::string (*Run)(TSimulator&, const TArgs&, const std::string& rest);
};

// `rest` is the line after the first argument (channel TEXT, raw HEX, after S CMD keep their spaces).
const TCommand kCommands[] = {
    {"status", "status", [](TSimulator& s, const TArgs& a, const std::string&) { return DoStatus(s, a); }},
    {"unplug", "unplug [S]", [](TSimulator& s, const TArgs& a, const std::string&) { return DoUnplug(s, a); }},
    {"plug", "plug", [](TSimulator& s, const TArgs& a, const std::string&) { return DoPlug(s, a); }},
    {"silence", "silence on|off", [](TSimulator& s, const TArgs& a, const std::string&) { return DoSilence(s, a); }},
    {"garbage", "garbage on|off", [](TSimulator& s, const TArgs& a, const std::string&) { return DoGarbage(s, a); }},
    {"stall", "stall on|off", [](TSimulator& s, const TArgs& a, const std::string&) { return DoStall(s, a); }},
    {"board", "board N FIELD [VALUE]", [](TSimulator& s, const TArgs& a, const std::string&) { return DoBoard(s, a); }},
    {"statusrate", "statusrate HZ", [](TSimulator& s, const TArgs& a, const std::string&) { return DoStatusRate(s, a); }},
    {"channel", "channel N TEXT", [](TSimulator& s, const TArgs& a, const std::string& r) {
         return DoChannel(s, a, r.substr(std::min(r.size(), r.find_first_not_of(' ', r.find(' ')))));
     }},
    {"raw", "raw HEX", [](TSimulator& s, const TArgs&, const std::string& r) { return DoRaw(s, r); }},
    {"after", "after S COMMAND", [](TSimulator& s, const TArgs& a, const std::string& r) {
         return DoAfter(s, a, r.substr(std::min(r.size(), r.find_first_not_of(' ', r.find(' ')))));
     }},
    {"nav", "nav [SUBCOMMAND ...]", [](TSimulator& s, const TArgs& a, const std::string& r) { return ExecuteNavCommand(s, a, r); }},
    {"echo", "echo TEXT", [](TSimulator&, const TArgs&, const std::string& r) { return "OK " + r; }},
    {"help", "help", [](TSimulator&, const TArgs&, const std::string&) { return "OK " + CommandList(); }},
    {"quit", "quit", [](TSimulator& s, const TArgs& a, const std::string&) { return DoQuit(s, a); }},
};

} // namespace

std::string CommandList()
{
    std::string text;
    for (const auto& c : kCommands)
        text += (text.empty() ? "" : ", ") + std::string(c.Usage);
    return text;
}

std::string ExecuteCommand(TSimulator& sim, const std::string& line)
{
    std::istringstream in(line);
    TArgs args;
    for (std::string word; in >> word;)
        args.push_back(word);
    if (args.empty())
        return Error("empty command");
    // Everything after the command word, its own spacing kept.
    const size_t start = line.find_first_not_of(" \t");
    const size_t afterWord = line.find_first_of(" \t", start);
    const size_t restStart = afterWord == std::string::npos ? afterWord : line.find_first_not_of(" \t", afterWord);
    std::string rest = restStart == std::string::npos ? "" : line.substr(restStart);
    while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' '))
        rest.pop_back();
    for (const auto& c : kCommands)
        if (args[0] == c.Name)
            return c.Run(sim, args, rest);
    return Error("unknown command \"" + args[0] + "\" (commands: " + CommandList() + ")");
}

} // namespace orv::sim
