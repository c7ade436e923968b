#include "app/GpsControl.h"

#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "nav/GpsSource.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/Log.h"
#include "ui/PageTable.h"
#include "ui/UnitFormat.h"
#include "ui/Units.h"

namespace orv {

namespace {

struct TGpsCheckDef {
    uint8_t bit;
    const char* key;
    const char* gpsCaption;
    const char* localCaption;
    TRunControl gateCheck;
    TRunControl dryCheck;
};

const TGpsCheckDef kGpsChecks[] = {
    {kGpsSpeedBit, "GPS_SPEED_CONTROL", "GPS Speed", "Local Speed", rcGateGpsSpeed, rcDryGpsSpeed},
    {kGpsSwathBit, "GPS_SWATHWIDTH_CONTROL", "GPS Swath Width", "Local Swath Width", rcGateGpsSwath, rcDryGpsSwath},
    {kGpsRateBit, "GPS_APPRATE_CONTROL", "GPS App. Rate", "Local App. Rate", rcGateGpsRate, rcDryGpsRate},
};

std::string ModeSection(uint8_t mode)
{
    return Format("Controller Settings for Mode:%d", static_cast<int>(mode));
}

} // namespace

TGpsControl::TGpsControl(TModeState& state, IModeHost& host) : fState(state), fHost(host) {}

uint8_t TGpsControl::Flags() const
{
    return static_cast<uint8_t>(fState.gpsFlags & fState.gpsCapabilities & kGpsAllBits);
}

void TGpsControl::LoadGpsChoices()
{
    fState.gpsFlags = 0;
    if (TMemIniFile* ini = fHost.SettingsIni()) {
        const std::string section = ModeSection(fState.primaryMode);
        for (const auto& d : kGpsChecks)
            if (ini->ReadBool(section, d.key, false))
                fState.gpsFlags |= d.bit;
    }
}

void TGpsControl::WriteGpsChoices()
{
    TMemIniFile* ini = fHost.SettingsIni();
    if (!ini)
        return;
    const std::string section = ModeSection(fState.primaryMode);
    for (const auto& d : kGpsChecks)
        ini->WriteBool(section, d.key, (fState.gpsFlags & d.bit) != 0);
    fHost.SaveSettingsIni();
}

void TGpsControl::SetGpsCapabilities(uint8_t mask)
{
    if (fState.primaryMode == pmWetSealed || fState.primaryMode == pmMeteringPlate)
        mask = 0;
    fState.gpsCapabilities = static_cast<uint8_t>(mask & kGpsAllBits);
    ApplyGpsFlags();
}

void TGpsControl::GpsStarted(const TGpsStartResult& result)
{
    // The speed step shows the link's status while one exists; without one
    // nothing else would replace the last fix's status.
    if (!result.runPageGpsText.empty()) {
        fHost.View().SetText(rcGateGpsStatus, result.runPageGpsText);
        fHost.View().SetText(rcDryGpsStatus, result.runPageGpsText);
    }
    SetGpsCapabilities(result.capabilityMask);
}

void TGpsControl::ShowCheck(uint8_t bit, bool on, bool enabled)
{
    for (const auto& d : kGpsChecks) {
        if (d.bit != bit)
            continue;
        for (TRunControl c : {d.gateCheck, d.dryCheck}) {
            fHost.View().SetText(c, on ? d.gpsCaption : d.localCaption);
            fHost.View().SetChecked(c, on);
            fHost.View().SetEnabled(c, enabled);
        }
    }
}

void TGpsControl::ApplyGpsFlags()
{
    for (const auto& d : kGpsChecks) {
        const bool capable = (fState.gpsCapabilities & d.bit) != 0;
        if (!capable)
            fState.gpsFlags &= static_cast<uint8_t>(~d.bit);
        ShowCheck(d.bit, (fState.gpsFlags & d.bit) != 0, capable);
    }
    SendRemoteDisabledMask();
}

void TGpsControl::SendRemoteDisabledMask()
{
    TGpsSource* source = fHost.GpsSource();
    if (source && source->Link())
        source->Link()->SetRemoteDisabledMask(RemoteDisabledMask(Flags()));
}

void TGpsControl::RecomputeOpening()
{
    if (!fState.quantities)
        return;
    fState.currentOpening = fState.quantities->CurrentOpening();
    const std::string dial = Format("Dial Value: %.1F", fState.quantities->DialValue());
    fHost.View().SetText(rcDryDialValue, dial);
    fHost.View().SetText(rcGateDialValue, dial);
}

void TGpsControl::SetGpsControl(uint8_t bit, bool on)
{
    if (fSetting)
        return;
    fSetting = true;
    try {
        const bool previous = (fState.gpsFlags & bit) != 0;
        if (on)
            fState.gpsFlags |= bit;
        else
            fState.gpsFlags &= static_cast<uint8_t>(~bit);
        ApplyGpsFlags();
        const bool applied = (fState.gpsFlags & bit) != 0;
        if (on != previous && applied == on) {
            WriteGpsChoices();
            SendRemoteDisabledMask();
        }
        if (bit == kGpsSpeedBit) {
            if (!applied && fState.quantities) {
                fState.quantities->SetUseGpsSpeed(false);
                RecomputeOpening();
            }
            Log(applied ? "GPSSpeed Enabled" : "GPSSpeed NOT enabled");
        } else if (bit == kGpsSwathBit) {
            Log(applied ? "SwathWidth Enabled" : "SwathWidth NOT enabled");
        }
    } catch (...) {
        fSetting = false;
        throw;
    }
    fSetting = false;
}

void TGpsControl::OnRemoteAppRate(float kgPerHa)
{
    if (fHost.ShownPage() != pgRunDryMaterial || !fState.preset || !fState.quantities)
        return;
    if (fState.quantities->CleanupActive())
        return;
    TGpsSource* source = fHost.GpsSource();
    TPeloCom* link = source ? source->Link() : nullptr;
    if (link && (link->RemoteDisabledMask() & kGpsRateBit))
        return;
    if (link)
        link->SetLocalAppRate(kgPerHa);
    const TDisplayUnits& units = fHost.DisplayUnits();
    fHost.View().SetText(rcDryRateValue, FormatAppRate(kgPerHa, units));
    // Stored as the guidance system sent it, so that its next sentence with
    // the same rate finds it equal and changes nothing.
    fState.preset->SetAppRateSI(kgPerHa);
    RecomputeOpening();
}

void TGpsControl::OnRemoteSwathWidth(float metres)
{
    if (fHost.ShownPage() != pgRunDryMaterial || !fState.preset)
        return;
    TGpsSource* source = fHost.GpsSource();
    TPeloCom* link = source ? source->Link() : nullptr;
    if (link && (link->RemoteDisabledMask() & kGpsSwathBit))
        return;
    if (link)
        link->SetLocalSwathWidth(metres);
    const TDisplayUnits& units = fHost.DisplayUnits();
    fState.preset->SetSwathWidth(ImperialLength(units) ? metres / 0.3048 : metres);
    fHost.View().SetText(rcDrySwathValue, FormatSwathWidth(metres, units));
    RecomputeOpening();
}

} // namespace orv
