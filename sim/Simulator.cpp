#include "sim/Simulator.h"

#include "sim/BoardStateFile.h"
#include "sim/HexText.h"
#include "sim/SimCommands.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <unistd.h>

namespace orv::sim {

namespace {

constexpr double kNoiseInterval = 0.1;  // seconds between bursts of line noise
constexpr double kTickInterval = 0.02;  // the gates move in steps of this time
constexpr double kStateCheckInterval = 0.5;
int gSignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 's';
    [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &c, 1);
}

void InstallSignalHandlers()
{
    if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

const char* DecoyName(TDecoyKind kind)
{
    return kind == TDecoyKind::Silent ? "silent" : "garbage";
}

} // namespace

TSimulator::TSimulator(TSimOptions options, TSimLog& log)
    : fOptions(std::move(options))
    , fLog(log)
    , fBus(BoardAddresses(fOptions))
    , fNoise(fOptions.Seed)
{
}

TSimulator::~TSimulator() = default;

void TSimulator::Log(const std::string& text)
{
    fLog.Line(text);
}

bool TSimulator::Start(std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(fOptions.PortsDir, ec);
    if (ec) {
        error = "cannot create the ports folder " + fOptions.PortsDir + ": " + ec.message();
        return false;
    }
    InstallSignalHandlers();

    if (!fOptions.NoLink) {
        fPort = std::make_unique<TPtyPort>(fOptions.PortsDir, fOptions.Port);
        TLinkPort port;
        port.Name = fPort->Name();
        port.Write = [this](const std::string& bytes) {
            if (!fPort->Plugged()) {
                Log(fPort->Name() + "   (" + std::to_string(bytes.size()) + " bytes not sent: unplugged)");
            } else if (fPort->Write(bytes)) {
                fWriteFailing = false;
            } else if (!fWriteFailing) {
                // The boards report on their own too: say it once, not ten times a second.
                fWriteFailing = true;
                Log(fPort->Name() + "   (" + std::to_string(bytes.size())
                    + " bytes not written: nobody drains the port; further losses are not logged until a write succeeds)");
            }
        };
        port.Silenced = [this] { return fSilenced; };
        fLink = MakeLink(fOptions.Link, fBus, fLog, std::move(port));
        if (!fPort->Plug(error))
            return false;
    }
    if (!StartBoards(error))
        return false;
    if (!StartNav(error))
        return false;
    if (!PlaceDecoys(error))
        return false;
    if (!fOptions.ControlSocket.empty() && !fControl.Listen(fOptions.ControlSocket, error))
        return false;

    if (fOptions.SilenceAfter)
        Schedule(*fOptions.SilenceAfter, "silence on");
    if (fOptions.GarbageAfter)
        Schedule(*fOptions.GarbageAfter, "garbage on");
    if (fOptions.StallAfter)
        Schedule(*fOptions.StallAfter, "stall on");
    if (fOptions.UnplugAfter)
        Schedule(*fOptions.UnplugAfter, fOptions.ReplugAfter ? "unplug " + std::to_string(*fOptions.ReplugAfter) : "unplug");

    if (fPort) {
        std::string boards;
        for (const auto& b : fBus.Boards())
            boards += (boards.empty() ? "" : ",") + std::to_string(b.Address());
        Log(fPort->Name() + " serves the " + LinkKindName(fOptions.Link) + " link on " + fPort->TtyPath() + " (boards "
            + boards + ")");
    }
    for (const auto& d : fDecoys)
        Log(d.Port->Name() + " is a " + DecoyName(d.Kind) + " decoy on " + d.Port->TtyPath());
    fLastTick = fLog.Now();
    return RunStartCommands(error);
}

bool TSimulator::StartBoards(std::string& error)
{
    if (fOptions.GateSpeed)
        for (auto& b : fBus.Boards())
            b.State().GateSpeed = *fOptions.GateSpeed;
    SetStatusRate(fOptions.StatusRate);
    if (fOptions.StateFile.empty())
        return true;
    if (!LoadBoardStates(fOptions.StateFile, fBus.Boards(), error))
        return false;
    fSavedState = BoardStatesText(fBus.Boards());
    Log("board settings kept in " + fOptions.StateFile);
    return true;
}

bool TSimulator::RunStartCommands(std::string& error)
{
    for (const auto& command : fOptions.StartCommands) {
        const std::string answer = Execute(command);
        Log("start command \"" + command + "\": " + answer);
        if (answer.rfind("OK", 0) != 0) {
            error = "--run \"" + command + "\": " + answer;
            return false;
        }
    }
    return true;
}

std::vector<int> TSimulator::TakenPorts() const
{
    std::vector<int> taken;
    if (!fOptions.NoLink)
        taken.push_back(fOptions.Port);
    if (fOptions.Nav && fOptions.Nav->Port >= 0)
        taken.push_back(fOptions.Nav->Port);
    for (const auto& choice : fOptions.Decoys)
        if (choice.Port >= 0)
            taken.push_back(choice.Port);
    return taken;
}

int TSimulator::LowestFreePort(const std::vector<int>& taken) const
{
    for (int number = 0; number <= 254; ++number)
        if (std::find(taken.begin(), taken.end(), number) == taken.end() && !PortNameTaken(fOptions.PortsDir, number))
            return number;
    return -1;
}

bool TSimulator::StartNav(std::string& error)
{
    if (!fOptions.Nav)
        return true;
    TNavOptions options = *fOptions.Nav;
    if (options.Port < 0) {
        options.Port = LowestFreePort(TakenPorts());
        if (options.Port < 0) {
            error = "no free port number for the navigation source";
            return false;
        }
        fOptions.Nav->Port = options.Port;  // taken from now on
    }
    fNav = std::make_unique<TNavSource>(options, fOptions.PortsDir, fLog);
    return fNav->Start(error);
}

bool TSimulator::PlaceDecoys(std::string& error)
{
    std::vector<int> taken = TakenPorts();
    uint64_t seed = fOptions.Seed;
    for (const auto& choice : fOptions.Decoys) {
        int number = choice.Port;
        if (number < 0) {
            number = LowestFreePort(taken);
            if (number < 0) {
                error = "no free port number for a decoy";
                return false;
            }
            taken.push_back(number);
        }
        TDecoy decoy {choice.Kind, std::make_unique<TPtyPort>(fOptions.PortsDir, number), TNoise(++seed * 7919)};
        if (!decoy.Port->Plug(error))
            return false;
        fDecoys.push_back(std::move(decoy));
    }
    return true;
}

std::string TSimulator::ReadyLine() const
{
    std::string line = "READY link=";
    if (fPort) {
        line += std::string(LinkKindName(fOptions.Link)) + " port=" + std::to_string(fOptions.Port) + " path="
            + fPort->LinkPath() + " boards=";
        std::string boards;
        for (const auto& b : fBus.Boards())
            boards += (boards.empty() ? "" : ",") + std::to_string(b.Address());
        line += boards;
    } else {
        line += "none";
    }
    line += " decoys=";
    std::string decoys;
    for (const auto& d : fDecoys)
        decoys += (decoys.empty() ? "" : ",") + std::to_string(d.Port->Number()) + ":" + DecoyName(d.Kind);
    line += decoys.empty() ? "none" : decoys;
    if (fNav)
        line += " " + fNav->ReadyText();
    return line;
}

std::string TSimulator::StatusLine() const
{
    std::string line = "link=none";
    if (fPort) {
        line = std::string("link=") + LinkKindName(fOptions.Link) + " port=" + std::to_string(fOptions.Port)
            + " plugged=" + (fPort->Plugged() ? "yes" : "no") + " silence=" + (fSilenced ? "on" : "off")
            + " garbage=" + (fGarbage ? "on" : "off") + " stall=" + (fStalled ? "on" : "off");
        const std::string linkState = fLink->State();
        if (!linkState.empty())
            line += " " + linkState;
        if (fStatusRate > 0) {
            char rate[32];
            std::snprintf(rate, sizeof rate, " statusrate=%g", fStatusRate);
            line += rate;
        }
        for (const auto& b : fBus.Boards())
            line += " | " + b.Summary();
    }
    if (fNav)
        line += " | " + fNav->Summary();
    return line;
}

void TSimulator::SetStatusRate(double perSecond)
{
    fStatusRate = perSecond;
    fNextStatus = fLog.Now();
}

void TSimulator::SendPeriodicStatus(double now)
{
    if (fStatusRate <= 0 || now < fNextStatus || !fPort || !fPort->Plugged() || fStalled)
        return;
    const double period = 1.0 / fStatusRate;
    fNextStatus += period;
    if (fNextStatus <= now)
        fNextStatus = now + period;
    for (const auto& b : fBus.Boards()) {
        // Nothing goes out before the application has set the link up.
        if (!fLink->Emit(b.StatusFrame()))
            return;
        fLink->Emit(b.CurrentFrame());
    }
}

void TSimulator::SaveStateWhenChanged(bool force)
{
    const double now = fLog.Now();
    if (fOptions.StateFile.empty() || (!force && now < fNextStateCheck))
        return;
    fNextStateCheck = now + kStateCheckInterval;
    const std::string text = BoardStatesText(fBus.Boards());
    if (text == fSavedState)
        return;
    std::string error;
    if (SaveBoardStates(fOptions.StateFile, text, error))
        fSavedState = text;
    else
        Log("board settings not saved: " + error);
}

void TSimulator::Tick()
{
    const double now = fLog.Now();
    const double elapsed = now - fLastTick;
    fLastTick = now;
    for (auto& b : fBus.Boards())
        b.Advance(elapsed);
    SendPeriodicStatus(now);
    SaveStateWhenChanged(false);
    if (fNav)
        fNav->Tick();
}

bool TSimulator::Unplug(std::string& error)
{
    if (!fPort) {
        error = "no controller link (--link none)";
        return false;
    }
    if (!fPort->Plugged()) {
        error = fPort->Name() + " is already unplugged";
        return false;
    }
    fPort->Unplug();
    fLink->Reset();
    Log(fPort->Name() + " unplugged");
    return true;
}

bool TSimulator::Plug(std::string& error)
{
    if (!fPort) {
        error = "no controller link (--link none)";
        return false;
    }
    if (fPort->Plugged()) {
        error = fPort->Name() + " is already plugged";
        return false;
    }
    if (!fPort->Plug(error))
        return false;
    fLineSettingsLogged = false;
    if (fStalled)
        fPort->SetOutputStopped(true);
    Log(fPort->Name() + " plugged in again on " + fPort->TtyPath());
    return true;
}

void TSimulator::SetSilence(bool on)
{
    if (!fPort)
        return;
    fSilenced = on;
    Log(fPort->Name() + (on ? " silence on: answers are held back" : " silence off"));
}

void TSimulator::SetGarbage(bool on)
{
    if (!fPort)
        return;
    fGarbage = on;
    Log(fPort->Name() + (on ? " garbage on: line noise between the answers" : " garbage off"));
}

void TSimulator::SetStall(bool on)
{
    if (!fPort)
        return;
    fStalled = on;
    fPort->SetOutputStopped(on);
    Log(fPort->Name() + (on ? " stall on: the port is not read, writes to it block" : " stall off"));
}

void TSimulator::Schedule(double delaySeconds, const std::string& command)
{
    fTimed.push_back({fLog.Now() + delaySeconds, command});
}

bool TSimulator::WriteRaw(const std::string& bytes, std::string& error)
{
    if (!fPort) {
        error = "no controller link (--link none)";
        return false;
    }
    if (!fPort->Plugged()) {
        error = fPort->Name() + " is unplugged";
        return false;
    }
    Log(fPort->Name() + " TX raw " + HexBytes(bytes));
    if (!fPort->Write(bytes)) {
        error = "the port did not take the bytes";
        return false;
    }
    return true;
}

std::string TSimulator::Execute(const std::string& line)
{
    return ExecuteCommand(*this, line);
}

void TSimulator::RunDueCommands()
{
    const double now = fLog.Now();
    // A command may schedule another; take the due ones first.
    std::vector<TTimed> due;
    for (auto it = fTimed.begin(); it != fTimed.end();) {
        if (it->At <= now) {
            due.push_back(*it);
            it = fTimed.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& t : due)
        Log("timed command \"" + t.Command + "\": " + Execute(t.Command));
}

void TSimulator::ReadServed()
{
    std::string bytes;
    const bool ok = fPort->ReadAvailable(bytes);
    if (!bytes.empty()) {
        if (!fLineSettingsLogged) {
            // Baud code 9, 8 data bits, no parity, one stop bit.
            const std::string settings = fPort->LineSettings();
            Log(fPort->Name() + " line settings " + settings + (settings == "115200 8N1" ? "" : " (expected 115200 8N1)"));
            fLineSettingsLogged = true;
        }
        fLink->Receive(bytes);
    }
    if (!ok) {
        Log(fPort->Name() + " read failed (" + std::strerror(errno) + "): unplugged");
        std::string ignored;
        Unplug(ignored);
    }
}

void TSimulator::ReadDecoy(TDecoy& decoy)
{
    std::string bytes;
    decoy.Port->ReadAvailable(bytes);
    if (!bytes.empty())
        Log(decoy.Port->Name() + " RX (" + DecoyName(decoy.Kind) + " decoy) " + HexBytes(bytes) + " \"" + Printable(bytes)
            + "\"");
}

void TSimulator::EmitNoise()
{
    const double now = fLog.Now();
    if (now < fNextNoise)
        return;
    fNextNoise = now + kNoiseInterval;
    for (auto& d : fDecoys)
        if (d.Kind == TDecoyKind::Garbage)
            d.Port->Write(d.Noise.Bytes(d.Noise.BurstLength()));
    if (fGarbage && fPort && fPort->Plugged() && !fSilenced) {
        const std::string bytes = fNoise.Bytes(fNoise.BurstLength());
        Log(fPort->Name() + " TX noise " + HexBytes(bytes));
        fPort->Write(bytes);
    }
}

void TSimulator::HandleInputLine(const std::string& line, int client)
{
    std::string command = line;
    while (!command.empty() && (command.back() == '\r' || command.back() == ' '))
        command.pop_back();
    if (command.find_first_not_of(" \t") == std::string::npos)
        return;
    const std::string answer = Execute(command);
    Log("command \"" + command + "\": " + answer);
    if (client < 0) {
        std::fputs((answer + "\n").c_str(), stdout);
        std::fflush(stdout);
    } else {
        fControl.Reply(client, answer);
    }
}

void TSimulator::ReadStdin()
{
    char buf[1024];
    ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            fStdinOpen = false;
        return;
    }
    fStdinText.append(buf, size_t(n));
    size_t nl;
    while ((nl = fStdinText.find('\n')) != std::string::npos) {
        const std::string line = fStdinText.substr(0, nl);
        fStdinText.erase(0, nl + 1);
        HandleInputLine(line, -1);
    }
}

int TSimulator::Run()
{
    while (!fQuit) {
        RunDueCommands();
        EmitNoise();
        Tick();
        if (fQuit)
            break;

        std::vector<pollfd> fds;
        enum Source { srcSignal, srcStdin, srcListen, srcClient, srcServed, srcNav, srcDecoy };
        std::vector<std::pair<Source, int>> what;
        auto add = [&](int fd, Source s, int index) {
            fds.push_back({fd, POLLIN, 0});
            what.push_back({s, index});
        };
        add(gSignalPipe[0], srcSignal, 0);
        if (fStdinOpen)
            add(STDIN_FILENO, srcStdin, 0);
        if (fControl.ListenFd() >= 0)
            add(fControl.ListenFd(), srcListen, 0);
        for (int c : fControl.Clients())
            add(c, srcClient, c);
        if (fPort && fPort->Plugged() && !fStalled)
            add(fPort->MasterFd(), srcServed, 0);
        if (fNav && fNav->Port().Plugged())
            add(fNav->Port().MasterFd(), srcNav, 0);
        for (size_t i = 0; i < fDecoys.size(); ++i)
            add(fDecoys[i].Port->MasterFd(), srcDecoy, int(i));

        double wait = fBus.Boards().empty() ? kNoiseInterval : kTickInterval;
        for (const auto& t : fTimed)
            wait = std::min(wait, t.At - fLog.Now());
        if (fStatusRate > 0)
            wait = std::min(wait, fNextStatus - fLog.Now());
        if (fNav)
            wait = std::min(wait, fNav->SecondsToNext(wait));
        const int timeoutMs = std::max(0, int(std::ceil(wait * 1000.0)));
        const int n = ::poll(fds.data(), fds.size(), timeoutMs);
        if (n < 0 && errno != EINTR) {
            Log(std::string("poll failed: ") + std::strerror(errno));
            return 1;
        }
        if (n <= 0)
            continue;
        for (size_t i = 0; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            switch (what[i].first) {
            case srcSignal:
                Log("terminated by a signal");
                fQuit = true;
                break;
            case srcStdin:
                ReadStdin();
                break;
            case srcListen:
                fControl.Accept();
                break;
            case srcClient: {
                std::vector<std::string> lines;
                fControl.ReadLines(what[i].second, lines);
                for (const auto& l : lines)
                    HandleInputLine(l, what[i].second);
                break;
            }
            case srcServed:
                // A command handled above may have unplugged it meanwhile.
                if (fPort && fPort->Plugged() && fds[i].fd == fPort->MasterFd() && !fStalled)
                    ReadServed();
                break;
            case srcNav:
                if (fNav && fNav->Port().Plugged() && fds[i].fd == fNav->Port().MasterFd())
                    fNav->OnReadable();
                break;
            case srcDecoy:
                ReadDecoy(fDecoys[size_t(what[i].second)]);
                break;
            }
        }
    }
    SaveStateWhenChanged(true);
    Log("stopping: ports removed");
    return 0;
}

} // namespace orv::sim
