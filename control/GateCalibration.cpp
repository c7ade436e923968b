#include "control/GateCalibration.h"

#include "store/Format.h"
#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "store/Log.h"

#include <cmath>

namespace orv {

namespace {

// "LENGTH UNITS" of these files: 1 centimetres, anything else inches.
bool Centimetres(const TMemIniFile& file)
{
    return file.ReadInteger("CONSTANTS", "LENGTH UNITS", 0) == 1;
}

TArrayOfXYPair ReadTable(const TMemIniFile& file, const std::string& section)
{
    int bad = 0;
    TArrayOfXYPair t = ParseXYLines(file.ReadSectionValues(section), &bad);
    if (bad > 0)
        Log("%s [%s]: %d lines are not numbers and were skipped", file.FileName(), section, bad);
    return t;
}

} // namespace

TGateCalibration::TGateCalibration(std::string iniDirectory, uint8_t primaryMode)
    : fIniDirectory(std::move(iniDirectory)), fPrimaryMode(primaryMode)
{
}

int TGateCalibration::TableIndexFor(uint8_t primaryMode)
{
    if (primaryMode == 0)
        return 0;
    return primaryMode == 4 ? 1 : primaryMode;
}

std::vector<int> TGateCalibration::IndexesWrittenFor(uint8_t primaryMode)
{
    if (primaryMode == 0)
        return {0};
    return {1, 2, 3, 4};
}

std::string TGateCalibration::DigitalFile() const
{
    return PathJoin(fIniDirectory, {}, "RelativeDigitalToPhysical.ini");
}

std::string TGateCalibration::DialFile() const
{
    return PathJoin(fIniDirectory, {}, "DialToOpening.ini");
}

std::string TGateCalibration::TableSection(int index)
{
    return Format("RELATIVE_DIGITAL_TO_RELATIVE_PHYSICAL_OPENING_%d", index);
}

void TGateCalibration::LoadDigitalToPhysical()
{
    fDigitalToPhysical.Clear();
    fPhysicalToDigital.Clear();
    const TMemIniFile file(DigitalFile());
    if (!file.SectionExists("CONSTANTS"))
        return;
    const bool cm = Centimetres(file);
    const int index = TableIndexFor(fPrimaryMode);
    const double stored = file.ReadFloat("CONSTANTS", Format("MAX_OPENING_%d", index), 0);
    fMaxPhysicalOpening = static_cast<float>(cm ? stored / 100 : stored * 0.0254);
    const std::string section = TableSection(index);
    if (file.SectionExists(section)) {
        fDigitalToPhysical = ReadTable(file, section);
        fPhysicalToDigital = fDigitalToPhysical.Exchanged();
    }
}

void TGateCalibration::LoadDial()
{
    fDialToOpening.Clear();
    fOpeningToDial.Clear();
    const TMemIniFile file(DialFile());
    const bool cm = Centimetres(file);
    const std::string section = Format("DialToOpening_%d", static_cast<int>(fPrimaryMode));
    if (file.ReadSectionValues(section).size() <= 4)
        return;
    TArrayOfXYPair table = ReadTable(file, section);
    if (!cm)
        for (auto& p : table)
            p.Y = p.Y * 2.54;
    fDialToOpening = table;
    fOpeningToDial = table.Exchanged();
}

bool TGateCalibration::SaveDigitalToPhysical(const TArrayOfXYPair& pairs, int referenceIndex)
{
    const double p100 = pairs.Interpolate(100);
    if (!(p100 > 0) || !std::isfinite(p100)) {
        Log("Opening distance curve not saved: the opening at 100%% is %.4f cm", p100);
        return false;
    }
    TMemIniFile file(DigitalFile());
    if (!file.ValueExists("CONSTANTS", "LENGTH UNITS"))
        file.WriteInteger("CONSTANTS", "LENGTH UNITS", 0);
    const bool cm = Centimetres(file);
    for (int index : IndexesWrittenFor(fPrimaryMode)) {
        // Every table written gets the new maximum, not only the first.
        file.WriteFloat("CONSTANTS", Format("MAX_OPENING_%d", index), cm ? p100 : p100 / 2.54);
        const std::string section = TableSection(index);
        file.EraseSection(section);
        for (const auto& p : pairs)
            file.WriteString(section, Format("%.5F", p.X / 100), Format("%.4F", p.Y / p100));
        file.WriteString(section, Format("%.5F", 1.0), Format("%.4F", 1.0));
    }
    file.UpdateFile();
    Log("Opening distance curve saved: %.4f cm at 100%% (reference point %d)", p100, referenceIndex);
    LoadDigitalToPhysical();
    return true;
}

bool TGateCalibration::SetMaxOpening(int index, double cm)
{
    if (!(std::fabs(cm - fMaxPhysicalOpening * 100.0) > 0.01))
        return false;
    fMaxPhysicalOpening = static_cast<float>(cm / 100);
    TMemIniFile file(DigitalFile());
    file.WriteFloat("CONSTANTS", Format("MAX_OPENING_%d", index), Centimetres(file) ? cm : cm / 2.54);
    file.UpdateFile();
    return true;
}

} // namespace orv
