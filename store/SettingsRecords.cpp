#include "store/SettingsRecords.h"

#include "platform/DateTime.h"
#include "store/IniFile.h"

namespace orv {

namespace {
const char* const kUnknown = "Unknown";
}

std::string ReadAircraftID(const TMemIniFile& settings)
{
    return settings.ReadString("Vehicle", "AircraftID", kUnknown);
}

bool StoreAircraftID(TMemIniFile& settings, const std::string& id)
{
    if (id == kUnknown)
        return false;
    if (settings.ReadString("Vehicle", "AircraftID", kUnknown) == id)
        return false;
    settings.WriteString("Vehicle", "AircraftID", id);
    return true;
}

void WriteVersionsRecord(TMemIniFile& settings, const std::string& application, const std::string& firmwareBoard0,
                         const std::string& firmwareBoard1, const std::string& firmwareBoard2)
{
    const std::string left = firmwareBoard1.empty() ? firmwareBoard0 : firmwareBoard1;
    settings.WriteString("Versions", "Application", application);
    if (!firmwareBoard2.empty()) {
        settings.WriteString("Versions", "Firmware left", left);
        settings.WriteString("Versions", "Firmware Right", firmwareBoard2);
    } else {
        settings.WriteString("Versions", "Firmware", left);
    }
    settings.UpdateFile();
}

void StampProgramStart(TMemIniFile& startup, double dateTime)
{
    startup.WriteString("Events", "Program Start", FormatIsoDate(dateTime));
    startup.UpdateFile();
}

} // namespace orv
