#pragma once
#include <string>

namespace orv {

class TMemIniFile;

// "Vehicle"/"AircraftID" of the settings file; "Unknown" when none was set.
std::string ReadAircraftID(const TMemIniFile& settings);

// Puts a new aircraft identifier into the settings cache (not on disk; the
// next save of the file carries it). "Unknown" is never written, and an
// identifier equal to the stored one is not rewritten. True when written.
bool StoreAircraftID(TMemIniFile& settings, const std::string& id);

// The "Versions" record, written at the start of each primary-mode set-up.
// firmwareBoard1 falls back to board 0's text when board 1 reports nothing;
// with a right board (board 2) the left and right firmware are written apart.
// Saves the file at once.
void WriteVersionsRecord(TMemIniFile& settings, const std::string& application, const std::string& firmwareBoard0,
                         const std::string& firmwareBoard1, const std::string& firmwareBoard2);

// "Events"/"Program Start" of the start-up file: today's date; saved at once.
void StampProgramStart(TMemIniFile& startup, double dateTime);

} // namespace orv
