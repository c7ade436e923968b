#include "ui/UnitSettings.h"

#include "store/IniFile.h"
#include "ui/Units.h"

namespace orv {

namespace {

const char* const kSection = "Selected Units";

uint8_t ReadCode(const TMemIniFile& settings, const char* key, size_t count)
{
    const int64_t v = settings.ReadInteger(kSection, key, 0);
    return v >= 0 && v < static_cast<int64_t>(count) ? static_cast<uint8_t>(v) : 0;
}

size_t ChoiceCount(TUnitChoice which)
{
    switch (which) {
    case ucSpeed:
        return kSpeedUnits.size();
    case ucLength:
        return kLengthUnits.size();
    case ucArea:
        return kAreaUnits.size();
    case ucVolume:
        return kVolumeUnits.size();
    }
    return 0;
}

} // namespace

bool LoadSelectedUnits(const TMemIniFile& settings, TDisplayUnits& units)
{
    if (!settings.SectionExists(kSection))
        return false;
    units.length = ReadCode(settings, "Length Units", kLengthUnits.size());
    units.speed = ReadCode(settings, "Speed Units", kSpeedUnits.size());
    units.area = ReadCode(settings, "Area Units", kAreaUnits.size());
    units.volume = ReadCode(settings, "Volume Units", kVolumeUnits.size());
    units.mass = ReadCode(settings, "Mass Units", kMassUnits.size());
    return true;
}

bool StoreUnitChoice(TMemIniFile& settings, TDisplayUnits& units, TUnitChoice which, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= ChoiceCount(which))
        return false;
    const auto code = static_cast<uint8_t>(index);
    switch (which) {
    case ucSpeed:
        units.speed = code;
        settings.WriteInteger(kSection, "Speed Units", code);
        break;
    case ucLength:
        units.length = code;
        settings.WriteInteger(kSection, "Length Units", code);
        break;
    case ucArea:
        units.area = code;
        settings.WriteInteger(kSection, "Area Units", code);
        break;
    case ucVolume:
        units.volume = code;
        settings.WriteInteger(kSection, "Volume Units", code);
        units.mass = MassCodeForVolume(code);
        settings.WriteInteger(kSection, "Mass Units", units.mass);
        break;
    }
    settings.UpdateFile();
    return true;
}

int UnitChoiceCode(const TDisplayUnits& units, TUnitChoice which)
{
    switch (which) {
    case ucSpeed:
        return units.speed;
    case ucLength:
        return units.length;
    case ucArea:
        return units.area;
    case ucVolume:
        return units.volume;
    }
    return 0;
}

} // namespace orv
