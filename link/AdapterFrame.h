#pragma once
#include "link/CanRecord.h"

#include <string>
#include <vector>

namespace orv {

// The USB-to-CAN adapter's serial-line CAN ASCII protocol. Every command ends
// with a carriage return.

// Close the channel, 500 kbit/s, "E", open the channel, in this order.
const std::vector<std::string>& AdapterResetSequence();
// A "Status Request" to board 0 as a transmit command.
extern const char* const kAdapterPing;

// "T" + 8 identifier digits + "8" + D0..D7 as 16 digits + CR, upper case.
std::string BuildAdapterFrame(const TCanRecord& record);

struct TAdapterParse {
    std::vector<TCanRecord> Records;     // CAN channel 1 frames
    std::vector<std::string> DebugLines; // decoded frame texts
    std::vector<std::string> LogLines;   // "SS_Data:%s" for a short data field
};

// Cuts the accumulated receive text into frames; what is not consumed stays
// in text. The application's own "Status Request" echoed by the bus is dropped.
void ParseAdapterText(std::string& text, TAdapterParse& result);

} // namespace orv
