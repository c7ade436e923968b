#pragma once
#include "link/CanRecord.h"

#include <string>
#include <vector>

namespace orv {

// Direct serial lines: a start character, the code and D0..D7 as nine
// "XX," fields, a two-digit checksum and CR LF: 32 characters.
constexpr size_t kSerialLineLength = 32;
constexpr size_t kSerialSummedChars = 28;

// Sum of the ASCII codes of the first 28 characters, modulo 256.
uint8_t SerialChecksum(std::string_view line);

// The line the application sends, starting with "@".
std::string BuildSerialLine(uint8_t code, uint32_t dataLow, uint32_t dataHigh);

struct TSerialParse {
    std::vector<TCanRecord> Records;     // CAN channel 1 frames (identifier = code)
    std::vector<std::string> DebugLines; // "CRC : %s" for a line with a bad checksum
};

// Cuts the accumulated text into lines starting with "#" or "$"; an
// incomplete line at the end stays in text.
void ParseSerialText(std::string& text, TSerialParse& result);

} // namespace orv
