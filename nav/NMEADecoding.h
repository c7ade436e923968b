#pragma once
#include "nav/MsgDecoding.h"

namespace orv {

// Raw fields of the NMEA sentences, filled by the decoder for the guidance link.
struct TGgaBlock {
    double latitude = 0; // ddmm.mmmm
    char latitudeHemisphere = 'N';
    double longitude = 0; // dddmm.mmmm
    char longitudeHemisphere = 'E';
};
struct TRmcBlock {
    char status = 'Z';        // 'A' valid, 'V' warning; 'Z' until an RMC sentence arrives
    float speedKnots = 20.0f;
    float course = 0;
    double latitude = 0;
    char latitudeHemisphere = 'N';
    double longitude = 0;
    char longitudeHemisphere = 'E';
};
struct TVtgBlock {
    float speedKmh = 0;
};
struct TRmaBlock {
    float speedKnots = 0;
    double latitude = 0;
    char latitudeHemisphere = 'N';
    double longitude = 0;
    char longitudeHemisphere = 'E';
};

struct TNmeaBlocks {
    TGgaBlock gga;
    TRmcBlock rmc;
    TVtgBlock vtg;
    TRmaBlock rma;
};

// NMEA 0183 sentences of any talker starting with G (GP, GN, GL, …), turned
// into a ground speed in m/s and a fix status.
class TNMEADecoding final : public TMsgDecoding {
public:
    enum : int { kGGA = 0, kHDT = 1, kATT = 2, kZDA = 3, kRMC = 4, kVTG = 5, kRMA = 6 };
    // Field numbers of the values the guidance link registers.
    static constexpr int kRmcStatusField = 2;
    static constexpr int kRmcSpeedField = 7; // knots
    static constexpr int kVtgSpeedField = 7; // km/h
    static constexpr int kRmaSpeedField = 8; // knots
    static constexpr double kKnotsPerMs = 1.9438445;

    static std::span<const TSentenceDef> Table();

    TNMEADecoding(TGPSFix& fix, TNmeaBlocks& blocks);

    // Whether the sentence just decoded carried a usable ground speed: the
    // speed field was present and converted, and an RMC fix was valid ("A").
    bool SpeedDelivered() const { return fSpeedDelivered; }

    // ddmm.mmmm (or dddmm.mmmm) into degrees, negative for the given hemisphere.
    static double NmeaDegrees(double value, char hemisphere, char negativeHemisphere);

protected:
    bool OnDecoded() override;

private:
    TNmeaBlocks& fBlocks;
    bool fSpeedDelivered = false;
};

} // namespace orv
