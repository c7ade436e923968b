#pragma once
#include "nav/GuidanceChannels.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Run-state codes of "$ORV" field 1.
enum TOrvRunState : uint8_t {
    orsNoneSelected = 0,
    orsDryMaterial = 1,
    orsFireGate = 2,
    orsMeteredDry = 3,
    orsMeterRateDry = 4,
    orsLiquid = 5,
};

// The seven fields of an outgoing "$ORV" sentence, signs applied.
struct TOrvFields {
    int runState = 0;
    int channel1 = 0;
    int gateStatus = 0;
    double appRate = 0;    // kg/ha
    double swathWidth = 0; // m
    double speed = 0;      // m/s
    double channel6 = 0;
};

// The fields from the cockpit's channels: each one negated when the cockpit
// does not take its channel's remote value; field 6 is the last remote speed
// while remote speed is taken, else the negated local fixed speed.
TOrvFields OutgoingOrvFields(const TGuidanceChannels& channels);

// "$ORV,%d,%d,%d,%.2f,%.1f,%.1f,%.3f" with "." as decimal point whatever the
// locale, then "*hh" and CR LF.
std::string BuildOrvSentence(const TOrvFields& fields);

// Gate status of field 3: 20 when the board is under CAN control and armed,
// else 10; plus 1 while its pilot switch is on.
uint16_t GateStatusCode(bool underCanControl, bool armed, bool pilotSwitchOn);

// Fixed-point text with "." whatever the locale; never "-0.0".
std::string FixedText(double value, int decimals);

// Switch a generic receiver to NMEA at 4800 8N1 and have it send RMC every second.
std::vector<std::string> ReceiverSetupSentences();
// Switch off GGA, GLL, GSA, GSV, VTG and ZDA once an NMEA sentence has been understood.
std::vector<std::string> ReceiverSwitchOffSentences();

} // namespace orv
