#pragma once
#include "control/XYPair.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// The gate's calibration tables of one primary mode, read from the INI
// directory: "RelativeDigitalToPhysical.ini" (relative digital opening to
// relative physical opening, with the physical opening at 100 % digital) and
// "DialToOpening.ini" (dial value to opening in cm).
class TGateCalibration {
public:
    TGateCalibration(std::string iniDirectory, uint8_t primaryMode);

    // Table index of a mode: 0 fire gate, 1 for the simple mode, else the mode.
    static int TableIndexFor(uint8_t primaryMode);
    // Indexes a save writes for a mode: {0} for the fire gate, else {1, 2, 3, 4}.
    static std::vector<int> IndexesWrittenFor(uint8_t primaryMode);

    void LoadDigitalToPhysical();
    void LoadDial();

    // New curve from the opening-distance calibration: pairs of (digital
    // percent, physical opening in cm). The physical opening at 100 % becomes
    // the maximum of every table index written. False, with nothing written,
    // when that opening is not positive.
    bool SaveDigitalToPhysical(const TArrayOfXYPair& pairs, int referenceIndex);

    // Stores a new maximum opening (cm) for a table index when it differs by
    // more than 0.01 cm from the present one. True when it was written.
    bool SetMaxOpening(int index, double cm);

    float MaxPhysicalOpening() const { return fMaxPhysicalOpening; } // m
    void SetMaxPhysicalOpening(float metres) { fMaxPhysicalOpening = metres; }

    const TArrayOfXYPair& DigitalToPhysical() const { return fDigitalToPhysical; }
    const TArrayOfXYPair& PhysicalToDigital() const { return fPhysicalToDigital; }
    const TArrayOfXYPair& DialToOpening() const { return fDialToOpening; }
    const TArrayOfXYPair& OpeningToDial() const { return fOpeningToDial; }

    std::string DigitalFile() const;
    std::string DialFile() const;
    static std::string TableSection(int index);

private:
    std::string fIniDirectory;
    uint8_t fPrimaryMode;
    float fMaxPhysicalOpening = 0;
    TArrayOfXYPair fDigitalToPhysical;
    TArrayOfXYPair fPhysicalToDigital;
    TArrayOfXYPair fDialToOpening;
    TArrayOfXYPair fOpeningToDial;
};

} // namespace orv
