#include "sim/SimOptions.h"

#include <charconv>
#include <cstdlib>

#include "sim/SpeedProfile.h"

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

bool ToDecimal(const std::string& text, double lo, double hi, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && out >= lo && out <= hi;
}

bool KnownBaud(long baud)
{
    for (long b : {110L, 300L, 1200L, 2400L, 4800L, 9600L, 19200L, 38400L, 57600L, 115200L})
        if (b == baud)
            return true;
    return false;
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
  --link gpio|serial|usbcan|none
                              what serves the port (default usbcan):
                              gpio    the GPIO board (binary frames, CAN on channel 1)
                              serial  a controller on a direct serial line
                              usbcan  the USB-to-CAN adapter (ASCII protocol)
                              none    no controller port (a navigation source alone)
  --port N                    port number to serve, 0..254 (default 0 = COM1)
  --boards 1|2                controller boards behind the link (default 1);
                              two boards are the left and right boards 1 and 2
                              (not on a direct serial line, which carries one)
  --board-id N                address of the single board, 0..2 (default 0)
  --ports-dir DIR             ports folder (default $ORVANE_PORTS, else /dev/orvane);
                              created when missing, shared with other simulators
  --gate-speed N              gate speed of every board in counts per second
                              (default 500; 0 holds the gates where they are)
  --status-rate HZ            boards also send "Status: " and "Current: " on their
                              own HZ times a second once the link is up (default 0:
                              only when asked by "Status Request")
  --state FILE                keep the boards' settings (limits, deadbands, PWM,
                              dry seal, pot direction, address, ...) in FILE:
                              read at start when it exists, written on every change

Navigation source (a second port of the same process):
  --nav nmea|guidance         nmea      a generic NMEA receiver (RMC and VTG)
                              guidance  a guidance system: NMEA plus "$ORV" sent
                                        every second and in answer to each "$ORV"
  --nav-port N                its port number (default: the lowest free one)
  --nav-baud B                the line the application should set up (default 38400);
                              any other is pointed out in the log
  --speed-profile SPEC        ground speed in m/s (default const:60):
                              const:60            constant
                              steps:50,60,70@10   each value for 10 s, repeated
                              ramp:50..65@60      50 to 65 in 60 s and back, repeated
                              file:PATH           recorded sentences, replayed at the
                                                  pace of their times (or of "SECONDS "
                                                  before each line), in a loop
  --nav-rate HZ               sentences of each kind per second (default 5, 0..100)
  --nav-sentences LIST        which sentences: gga,rmc,vtg,zda,rma or none
                              (default rmc,vtg)
  --nav-talker XX             talker of the sentences (default GP)
  --nav-setup obey|ignore     whether the receiver follows the set-up sentences
                              ($PSRF100/$PSRF103) it is sent (default obey)

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
  --run COMMAND               run COMMAND (see below) once everything is in place,
                              before READY; may be repeated
  --help                      this text

Commands:
  status                      link, faults and board state on one line
  unplug [S]                  remove the port; plug it back after S seconds if given
  plug                        plug the port back
  silence on|off              stop / resume answering
  garbage on|off              send / stop line noise between the answers
  stall on|off                stop / resume reading the port
  board N FIELD VALUE         set a board's state: pilot, armed, cancontrol,
                              fault, hardstop, foam, pumps, highspeed, timer,
                              multi, pwmenabled, potnormal (on|off); delay, mode,
                              position, setpoint, pot, speed, travelmin,
                              travelmax, max, min, inner, outer, pwmfrequency,
                              pwmproportion, current, maxcurrent, maxpwm,
                              pumpdelay, dryseal, sealmode, address (numbers);
                              firmware (up to 8 characters)
  board N FIELD               show one field (also target, moving, stopreached)
  statusrate HZ               periodic "Status: " and "Current: " per second (0 off)
  channel N TEXT              GPIO board: TEXT arrives on serial channel N (1..4)
  raw HEX                     write these bytes to the port as they are
  after S COMMAND             run COMMAND S seconds from now
  echo TEXT                   answer "OK TEXT" (a mark in the log, e.g. after S echo done)
  nav                         the navigation source's state on one line
  nav speed V                 constant ground speed V m/s
  nav profile SPEC            a speed profile as --speed-profile
  nav status A|V              RMC/RMA status: valid, or warning
  nav checksum good|bad|none  right, spoiled or missing checksums
  nav silence on|off          stop / resume sending (what arrives is still logged)
  nav hz HZ                   sentences of each kind per second
  nav sentences LIST          which sentences (gga,rmc,vtg,zda,rma or none)
  nav talker XX               talker of the sentences
  nav swath M                 swath width in "$ORV" (negative: not to be taken)
  nav apprate R               application rate in kg/ha in "$ORV" (negative likewise)
  nav course DEG              course over ground
  nav send TEXT               send TEXT now ("$..." without "*" gets a checksum)
  nav unplug [S] | nav plug   remove / bring back the navigation port
  help                        list the commands
  quit                        remove the ports and exit
)";
}

std::optional<TSimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error)
{
    TSimOptions o;
    TNavOptions nav;
    bool wantNav = false;
    std::string navOption;  // a navigation option given (it needs --nav)
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

        auto decimal = [&](double lo, double hi, double& out) {
            std::string v;
            if (!value(v))
                return false;
            if (!ToDecimal(v, lo, hi, out)) {
                error = a + ": \"" + v + "\" is not a number in " + std::to_string(int(lo)) + ".." + std::to_string(int(hi));
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
            o.NoLink = ok && v == "none";
            if (ok && !o.NoLink && !ParseLinkKind(v, o.Link)) {
                error = "--link: \"" + v + "\" is not gpio, serial, usbcan or none";
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
        else if (a == "--gate-speed")
            ok = integer(0, 65535, n) && ((o.GateSpeed = uint16_t(n)), true);
        else if (a == "--status-rate")
            ok = decimal(0, 100, o.StatusRate);
        else if (a == "--state")
            ok = value(o.StateFile);
        else if (a == "--run") {
            ok = value(v);
            o.StartCommands.push_back(v);
        } else if (a == "--nav") {
            ok = value(v);
            if (ok && !ParseNavKind(v, nav.Kind)) {
                error = "--nav: \"" + v + "\" is not nmea or guidance";
                ok = false;
            }
            wantNav = true;
        } else if (a == "--nav-port") {
            ok = integer(0, 254, n) && ((nav.Port = int(n)), true);
            navOption = a;
        } else if (a == "--nav-baud") {
            ok = integer(110, 115200, n) && ((nav.Baud = n), true);
            if (ok && !KnownBaud(n)) {
                error = "--nav-baud: " + std::to_string(n) + " is not a serial line speed";
                ok = false;
            }
            navOption = a;
        } else if (a == "--speed-profile") {
            ok = value(nav.Profile);
            if (ok && !ParseSpeedProfile(nav.Profile, error)) {
                error = "--speed-profile: " + error;
                ok = false;
            }
            navOption = a;
        } else if (a == "--nav-rate") {
            ok = decimal(0, 100, nav.Hz);
            navOption = a;
        } else if (a == "--nav-talker") {
            ok = value(nav.Talker);
            navOption = a;
        } else if (a == "--nav-sentences") {
            ok = value(nav.Sentences);
            navOption = a;
        } else if (a == "--nav-setup") {
            ok = value(v);
            if (ok && v != "obey" && v != "ignore") {
                error = "--nav-setup: \"" + v + "\" is not obey or ignore";
                ok = false;
            }
            nav.ObeySetup = v == "obey";
            navOption = a;
        }
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
    if (wantNav)
        o.Nav = nav;
    else if (!navOption.empty()) {
        error = navOption + " needs --nav nmea|guidance";
        return std::nullopt;
    }
    if (o.NoLink && !o.Nav) {
        error = "--link none serves nothing without --nav nmea|guidance";
        return std::nullopt;
    }
    if (o.Nav && o.Nav->Port >= 0) {
        if (!o.NoLink && o.Nav->Port == o.Port) {
            error = "the navigation source cannot take the served port " + std::to_string(o.Port);
            return std::nullopt;
        }
        for (const auto& d : o.Decoys) {
            if (d.Port == o.Nav->Port) {
                error = "a decoy cannot take the navigation port " + std::to_string(o.Nav->Port);
                return std::nullopt;
            }
        }
    }
    if (!o.NoLink && o.Link == TLinkKind::Serial && o.Boards != 1) {
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
        if (!o.NoLink && d.Port == o.Port) {
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
    if (options.NoLink)
        return {};
    if (options.Boards == 2)
        return {1, 2};
    return {uint8_t(options.SingleBoardId)};
}

} // namespace orv::sim
