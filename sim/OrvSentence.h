#pragma once
#include <optional>
#include <string>
#include <vector>

// The "$ORV" sentence exchanged with a guidance system, the same in both
// directions: "$ORV,run,channel1,gate,rate,swath,speed,channel6*hh" CR LF with
// the numbers written "%d,%d,%d,%.2f,%.1f,%.1f,%.3f". A negative field means
// that the sender does not take the other side's value of that quantity.
namespace orv::sim {

struct TOrvSentence {
    long RunState = 0;      // 0 none selected, 1 Dry Material, 2 Fire Gate, 3 Metered Dry, 4 MeterRate Dry, 5 Liquid
    long Channel1 = 0;
    long GateStatus = 0;    // 10 or 20 (under CAN control and armed), +1 while the pilot switch is on
    double AppRate = 0;     // kg/ha
    double Swath = 0;       // metres
    double Speed = 0;       // metres per second
    double Channel6 = 0;
};

// The body, without "$" and checksum: "ORV,2,0,21,120.00,30.0,55.0,0.000".
std::string OrvBody(const TOrvSentence& s);

// Decodes the fields of a received body (field 0 "ORV" or "ORV2"). Fields
// written otherwise than the format above are taken all the same and noted
// in `notes`; nothing is returned when a field is not a number or fields are
// missing, with the reason in `error`.
std::optional<TOrvSentence> ParseOrv(const std::vector<std::string>& fields, std::vector<std::string>& notes,
    std::string& error);

// "run state 2 (Fire Gate), channel 1 0, gate status 21 (under CAN control and armed, pilot switch on), ..."
std::string DescribeOrv(const TOrvSentence& s);

} // namespace orv::sim
