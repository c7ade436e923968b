#include "sim/SimOptions.h"

#include <charconv>
#include <cstdlib>

namespace orv::sim {

namespace {

bool ToInt(const std::string& text, long lo, long hi, long& out)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && out >= lo && out <= hi;
}

bool ToSeconds(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && out >= 0 && out < 1e7;
}

bool ParseDecoy(const std::string& text, TDecoyChoice& decoy)
{
    const auto colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    if (kind == "silent")
        decoy.Kind = TDecoyKind::Silent;
    else if (kind == "garbage")
        decoy.Kind = TDecoyKind::Garbage;
    else
        return false;
    if (colon == std::string::npos)
        return true;
    long port = 0;
    if (!ToInt(text.substr(colon + 1), 0, 254, port))
        return false;
    decoy.Port = int(port);
    return true;
}

} // namespace

std::string SimHelpText()
{
    return R"(Usage: orvane-sim [options]
Simulates the gate controller hardware on pseudo-terminals. Port number N
appears as the symlink DIR/COM<N+1>. Prints "READY ..." on standard output
once every port exists; reads commands from standard input (and from the
control socket), one per line, and answers each with one line "OK ..." or
"ERROR ...". What arrives on the ports is logged readably.

Link and boards:
  --link gpio|serial|usbcan   what serves the port (default usbcan):
                              gpio    the GPIO board (binary frames, CAN on channel 1)
                              serial  a controller on a direct serial line
                              usbcan  the USB-to-CAN adapter (ASCII protocol)
  --port N                    port number to serve, 0..254 (default 0 = COM1)
  --boards 1|2                controller boards behind the link (default 1);
                              two boards are the left and right boards 1 and 2
                              (not on a direct serial line, which carries one)
  --board-id N                address of the single board, 0..2 (default 0)
  --ports-dir DIR             ports folder (default $ORVANE_PORTS, else /dev/orvane);
                              created when missing, shared with other simulators

Decoy ports (may be repeated):
  --decoy silent[:N]          a port that never answers
  --decoy garbage[:N]         a port that sends line noise
                              without :N the lowest free port number is taken
  --silent-decoys K           K silent decoys on automatic numbers
  --garbage-decoys K          K garbage decoys on automatic numbers

Faults (seconds after start, decimals allowed):
  --silence-after S           stop answering (still reads and logs)
  --garbage-after S           send line noise between the answers
  --stall-after S             stop reading the port and stop the
                              application's output so its writes block
  --unplug-after S            remove the port (tty and symlink)
  --replug-after S            plug it back S seconds after the unplug

Other:
  --control PATH              also take commands on this Unix socket
  --send COMMAND              with --control: send one command to a running
                              simulator, print its answer and exit
  --log FILE                  log to FILE (appending) instead of standard error
  --seed N                    seed of the line noise (default 1)
  --help                      this text

Commands:
  status                      link, faults and board state on one line
  unplug [S]                  remove the port; plug it back after S seconds if given
  plug                        plug the port back
  silence on|off              stop / resume answering
  garbage on|off              send / stop line noise between the answers
  stall on|off                stop / resume reading the port
  board N FIELD VALUE         set a board's state: pilot, armed, cancontrol,
                              fault, hardstop, foam, pumps, highspeed, timer
                              (on|off); delay, position, setpoint, pot, max, min,
                              inner, outer, pwmfrequency, pwmproportion,
                              pwmenabled, current, maxcurrent, dryseal,
                              sealmode, potnormal, firmware
  channel N TEXT              GPIO board: TEXT arrives on serial channel N (1..4)
  raw HEX                     write these bytes to the port as they are
  after S COMMAND             run COMMAND S seconds from now
  help                        list the commands
  quit                        remove the ports and exit
)";
}

std::optional<TSimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error)
{
    TSimOptions o;
    const char* env = std::getenv("ORVANE_PORTS");
    o.PortsDir = env && *env ? env : "/dev/orvane";
    long silentDecoys = 0, garbageDecoys = 0;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto seconds = [&](std::optional<double>& out) {
            std::string v;
            double s = 0;
            if (!value(v))
                return false;
            if (!ToSeconds(v, s)) {
                error = a + ": \"" + v + "\" is not a number of seconds";
                return false;
            }
            out = s;
            return true;
        };
        auto integer = [&](long lo, long hi, long& out) {
            std::string v;
            if (!value(v))
                return false;
            if (!ToInt(v, lo, hi, out)) {
                error = a + ": \"" + v + "\" is not a whole number in " + std::to_string(lo) + ".." + std::to_string(hi);
                return false;
            }
            return true;
        };

        std::string v;
        long n = 0;
        bool ok = true;
        if (a == "--help" || a == "-h")
            o.Help = true;
        else if (a == "--link") {
            ok = value(v);
            if (ok && !ParseLinkKind(v, o.Link)) {
                error = "--link: \"" + v + "\" is not gpio, serial or usbcan";
                ok = false;
            }
        } else if (a == "--port")
            ok = integer(0, 254, n) && ((o.Port = int(n)), true);
        else if (a == "--boards")
            ok = integer(1, 2, n) && ((o.Boards = int(n)), true);
        else if (a == "--board-id")
            ok = integer(0, 2, n) && ((o.SingleBoardId = int(n)), true);
        else if (a == "--ports-dir")
            ok = value(o.PortsDir);
        else if (a == "--decoy") {
            TDecoyChoice d;
            ok = value(v);
            if (ok && !ParseDecoy(v, d)) {
                error = "--decoy: \"" + v + "\" is not silent[:N] or garbage[:N]";
                ok = false;
            }
            if (ok)
                o.Decoys.push_back(d);
        } else if (a == "--silent-decoys")
            ok = integer(0, 100, silentDecoys);
        else if (a == "--garbage-decoys")
            ok = integer(0, 100, garbageDecoys);
        else if (a == "--silence-after")
            ok = seconds(o.SilenceAfter);
        else if (a == "--garbage-after")
            ok = seconds(o.GarbageAfter);
        else if (a == "--stall-after")
            ok = seconds(o.StallAfter);
        else if (a == "--unplug-after")
            ok = seconds(o.UnplugAfter);
        else if (a == "--replug-after")
            ok = seconds(o.ReplugAfter);
        else if (a == "--control")
            ok = value(o.ControlSocket);
        else if (a == "--send") {
            ok = value(v);
            o.SendCommand = v;
        } else if (a == "--log")
            ok = value(o.LogFile);
        else if (a == "--seed") {
            ok = value(v);
            auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), o.Seed);
            if (ok && (ec != std::errc() || end != v.data() + v.size())) {
                error = "--seed: \"" + v + "\" is not a whole number";
                ok = false;
            }
        } else {
            error = "unknown option \"" + a + "\" (see --help)";
            ok = false;
        }
        if (!ok)
            return std::nullopt;
    }

    for (long k = 0; k < silentDecoys; ++k)
        o.Decoys.push_back({TDecoyKind::Silent, -1});
    for (long k = 0; k < garbageDecoys; ++k)
        o.Decoys.push_back({TDecoyKind::Garbage, -1});
    if (o.Link == TLinkKind::Serial && o.Boards != 1) {
        error = "a direct serial line carries one controller: --boards 2 needs --link gpio or usbcan";
        return std::nullopt;
    }
    if (o.ReplugAfter && !o.UnplugAfter) {
        error = "--replug-after needs --unplug-after";
        return std::nullopt;
    }
    if (o.SendCommand && o.ControlSocket.empty()) {
        error = "--send needs --control PATH";
        return std::nullopt;
    }
    for (const auto& d : o.Decoys) {
        if (d.Port == o.Port) {
            error = "a decoy cannot take the served port " + std::to_string(o.Port);
            return std::nullopt;
        }
    }
    if (o.PortsDir.empty()) {
        error = "the ports folder is empty";
        return std::nullopt;
    }
    return o;
}

std::vector<uint8_t> BoardAddresses(const TSimOptions& options)
{
    if (options.Boards == 2)
        return {1, 2};
    return {uint8_t(options.SingleBoardId)};
}

} // namespace orv::sim
