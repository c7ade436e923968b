#pragma once
#include "platform/DateTime.h"

namespace orv {

// The navigation fix the decoders keep up to date; owned by the guidance link.
struct TGPSFix {
    TDateTime fixTime = 0;     // time of day of the fix (not fed here)
    TDateTime receiptTime = 0; // clock Now when an RMC or RMA sentence was decoded
    double latitude = 0;       // degrees, north positive
    double longitude = 0;      // degrees, east positive
    float groundSpeed = 0;     // m/s, from whichever speed sentence came last
    float course = 0;          // degrees true, from the RMC block
};

} // namespace orv
