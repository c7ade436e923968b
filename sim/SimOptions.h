#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/NavOptions.h"
#include "sim/SimLink.h"

namespace orv::sim {

enum class TDecoyKind { Silent, Garbage };

struct TDecoyChoice {
    TDecoyKind Kind = TDecoyKind::Silent;
    int Port = -1;  // -1: the lowest free port number
};

// Everything the command line chooses.
struct TSimOptions {
    TLinkKind Link = TLinkKind::UsbCan;
    bool NoLink = false;  // --link none: no controller port (a navigation source alone)
    int Port = 0;
    int Boards = 1;
    int SingleBoardId = 0;
    std::string PortsDir;
    std::vector<TDecoyChoice> Decoys;
    // Faults, in seconds after start (unset: never).
    std::optional<double> SilenceAfter;
    std::optional<double> GarbageAfter;
    std::optional<double> StallAfter;
    std::optional<double> UnplugAfter;
    std::optional<double> ReplugAfter;  // seconds after the unplug
    std::string ControlSocket;
    std::string LogFile;
    uint64_t Seed = 1;
    // The boards: periodic "Status: " and "Current: " per second (0: only
    // when asked), gate speed for every board, settings file.
    double StatusRate = 0;
    std::optional<uint16_t> GateSpeed;
    std::string StateFile;
    // Commands run once everything is in place, before READY.
    std::vector<std::string> StartCommands;
    std::optional<TNavOptions> Nav;
    bool Help = false;
    // Client mode: send this command to the running simulator at ControlSocket.
    std::optional<std::string> SendCommand;
};

// Parses the arguments (without the program name). On failure returns
// nothing and fills `error`. The ports folder defaults to $ORVANE_PORTS,
// else /dev/orvane.
std::optional<TSimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

std::string SimHelpText();

// The board addresses on the bus for the options: {0} (or the chosen id) for
// one board, {1, 2} for two, none without a controller link.
std::vector<uint8_t> BoardAddresses(const TSimOptions& options);

} // namespace orv::sim
