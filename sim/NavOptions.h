#pragma once
#include <string>

namespace orv::sim {

enum class TNavKind { Nmea, Guidance };

const char* NavKindName(TNavKind kind);
bool ParseNavKind(const std::string& text, TNavKind& kind);

// What the command line chooses for the navigation port.
struct TNavOptions {
    TNavKind Kind = TNavKind::Nmea;
    int Port = -1;                    // -1: the lowest free port number
    long Baud = 38400;                // the line the application is expected to set up
    std::string Profile = "const:60";
    double Hz = 5;                    // sentences of each kind per second
    std::string Talker = "GP";
    std::string Sentences = "rmc,vtg";
    bool ObeySetup = true;            // follow the receiver set-up sentences
};

} // namespace orv::sim
