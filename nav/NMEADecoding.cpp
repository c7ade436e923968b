#include "nav/NMEADecoding.h"

#include "nav/GPSClock.h"
#include "nav/NmeaChecksum.h"

#include <cmath>

namespace orv {

namespace {

// RMC is taken without checksum verification; the blank matches any talker letter.
constexpr TSentenceDef kNmeaSentences[] = {
    {"$G GGA", '*', ',', NmeaChecksumOk},
    {"$G HDT", '*', ',', NmeaChecksumOk},
    {"$G ATT", '*', ',', NmeaChecksumOk},
    {"$G ZDA", '*', ',', NmeaChecksumOk},
    {"$G RMC", '*', ',', nullptr},
    {"$G VTG", '*', ',', NmeaChecksumOk},
    {"$G RMA", '*', ',', NmeaChecksumOk},
};

} // namespace

std::span<const TSentenceDef> TNMEADecoding::Table()
{
    return kNmeaSentences;
}

TNMEADecoding::TNMEADecoding(TGPSFix& fix, TNmeaBlocks& blocks) : TMsgDecoding("NMEA", Table()), fBlocks(blocks)
{
    SetFix(&fix);
}

double TNMEADecoding::NmeaDegrees(double value, char hemisphere, char negativeHemisphere)
{
    const double scaled = value / 100.0;
    const double whole = std::trunc(scaled);
    const double degrees = whole + (scaled - whole) * 100.0 / 60.0;
    return hemisphere == negativeHemisphere ? -degrees : degrees;
}

bool TNMEADecoding::OnDecoded()
{
    TGPSFix& fix = *Fix();
    const int id = CurrentMessageId();
    fSpeedDelivered = false;
    switch (id) {
    case kRMC: {
        const TRmcBlock& rmc = fBlocks.rmc;
        fix.receiptTime = TGPSClock::Instance().Now();
        fSpeedDelivered = FieldStored(kRMC, kRmcSpeedField) && rmc.status == 'A';
        if (fSpeedDelivered)
            fix.groundSpeed = static_cast<float>(rmc.speedKnots / kKnotsPerMs);
        fix.course = rmc.course;
        fix.latitude = NmeaDegrees(rmc.latitude, rmc.latitudeHemisphere, 'S');
        fix.longitude = NmeaDegrees(rmc.longitude, rmc.longitudeHemisphere, 'W');
        break;
    }
    case kVTG:
        fSpeedDelivered = FieldStored(kVTG, kVtgSpeedField);
        if (fSpeedDelivered)
            fix.groundSpeed = static_cast<float>(fBlocks.vtg.speedKmh / 3.6);
        break;
    case kRMA: {
        const TRmaBlock& rma = fBlocks.rma;
        fix.receiptTime = TGPSClock::Instance().Now();
        fSpeedDelivered = FieldStored(kRMA, kRmaSpeedField);
        if (fSpeedDelivered)
            fix.groundSpeed = static_cast<float>(rma.speedKnots / kKnotsPerMs);
        fix.latitude = NmeaDegrees(rma.latitude, rma.latitudeHemisphere, 'S');
        fix.longitude = NmeaDegrees(rma.longitude, rma.longitudeHemisphere, 'W');
        break;
    }
    default:
        break;
    }
    return TMsgDecoding::OnDecoded();
}

} // namespace orv
