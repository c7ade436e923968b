#pragma once
#include "nav/CoordConvert.h"

namespace orv {

class TMemIniFile;

// The four unit choices offered on the "Configuration" page.
enum TUnitChoice : int {
    ucSpeed,
    ucLength,
    ucArea,
    ucVolume,
};

// Reads section "Selected Units" of the settings cache into the record. When
// the section is missing the record keeps its codes and false is returned. A
// stored code outside its unit table reads as 0.
bool LoadSelectedUnits(const TMemIniFile& settings, TDisplayUnits& units);

// The pilot chose item index of one unit combo: store the code, write its key
// (the volume choice also sets and writes the mass code) and save the file.
// An index of -1 (nothing selected) or outside the table changes nothing and
// returns false. Raises EIniWriteError when the file cannot be saved.
bool StoreUnitChoice(TMemIniFile& settings, TDisplayUnits& units, TUnitChoice which, int index);

// The record's code for one combo.
int UnitChoiceCode(const TDisplayUnits& units, TUnitChoice which);

} // namespace orv
