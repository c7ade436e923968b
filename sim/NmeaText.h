#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// NMEA 0183 text as the simulated receivers write and read it: the checksum is
// the exclusive-or of every character between "$" and "*", written as two
// upper-case hexadecimal digits; a sentence ends with CR LF.
namespace orv::sim {

enum class TChecksumMode { Good, Bad, None };

const char* ChecksumModeName(TChecksumMode mode);
bool ParseChecksumMode(const std::string& text, TChecksumMode& mode);

// Exclusive-or of the characters of `body` (the text between "$" and "*").
uint8_t NmeaChecksum(const std::string& body);

// "$" + body + "*" + checksum + CR LF. A bad checksum is the right one with
// every bit inverted; None leaves the "*" and the digits out.
std::string NmeaSentence(const std::string& body, TChecksumMode mode);

// A received or recorded line taken apart: the body between "$" and "*", the
// checksum text after "*" (when there is one) and whether it is right.
struct TNmeaLine {
    std::string Body;
    bool HasChecksum = false;
    std::string ChecksumText;
    uint8_t Expected = 0;
    bool ChecksumOk = false;
};

// Nothing when the line does not start with "$".
std::optional<TNmeaLine> ParseNmeaLine(const std::string& line);

// The comma-separated fields of a body; field 0 is the identifier ("GPRMC").
std::vector<std::string> NmeaFields(const std::string& body);
std::string JoinFields(const std::vector<std::string>& fields);

// "%.Nf" with "." as the decimal point whatever the locale.
std::string Fixed(double value, int decimals);

} // namespace orv::sim
