#include "nav/GpsSource.h"

#include "store/Log.h"

namespace orv {

namespace {

constexpr TGpsSourceDef kSources[] = {
    {"4800 NMEA: RMA, RMC, or  VTG", nullptr, 0x20, true},
    {"AgNav", "AgNav GPS Selected", 0x38, false},
    {"Pelorin", "Pelorin GPS Selected", 0x38, false},
    {"Satloc", "Satloc GPS Selected", 0x38, false},
    {"Tracmap", "Tracmap GPS Selected", 0x38, false},
};

constexpr const char* kSection = "GPS";
constexpr const char* kGenericConnected = "4800 NMEA: RMA, RMC, or VTG";
constexpr const char* kGenericNotOpen = "Generic NMEA Port did not open";
constexpr const char* kGuidancePort = "Com1"; // guidance systems always sit on the first port

} // namespace

std::span<const TGpsSourceDef> GpsSources()
{
    return kSources;
}

TGpsSource::TGpsSource(ISerialLibrary& library, TMemIniFile& settings) : fLibrary(library), fSettings(settings)
{
    SaveSettings = [this] { fSettings.UpdateFile(); };
    Pause = [](int64_t ms) { TGPSClock::Instance().Delay(ms, false); };
    Reload();
}

TGpsSource::~TGpsSource() = default;

void TGpsSource::Reload()
{
    SetSelectedGPS(static_cast<int>(fSettings.ReadInteger(kSection, "SelectedGPS", 0)));
}

void TGpsSource::SetSelectedGPS(int index)
{
    fSelected = index >= 0 && index < static_cast<int>(std::size(kSources)) ? index : 0;
}

std::string TGpsSource::GpsPortName() const
{
    return fSettings.ReadString(kSection, "GPSPort", "COM1");
}

void TGpsSource::SetGpsPortName(const std::string& name)
{
    if (name == GpsPortName() && fSettings.ValueExists(kSection, "GPSPort"))
        return;
    fSettings.WriteString(kSection, "GPSPort", name);
    Save();
}

void TGpsSource::Save()
{
    try {
        if (SaveSettings)
            SaveSettings();
    } catch (const std::exception& e) {
        // The choice stays in the settings cache and reaches the disk with the next save.
        Log("GPS settings not saved: %s", e.what());
    }
}

TGpsStartResult TGpsSource::Start(std::optional<float> presetFixedSpeed)
{
    DebugOut("Starting GPS");
    fLink.reset();
    const TGpsSourceDef& source = kSources[fSelected];
    const std::string port = source.genericReceiver ? GpsPortName() : kGuidancePort;

    if (Pause)
        Pause(kRestartPauseMs);
    auto link = std::make_unique<TPeloCom>(fLibrary);
    link->OnRemoteAppRate = OnRemoteAppRate;
    link->OnRemoteSwathWidth = OnRemoteSwathWidth;
    if (presetFixedSpeed)
        link->SetLocalSpeed(*presetFixedSpeed);
    link->InitLink();
    link->SetPortName(port);
    link->SetBaudRate(LineBaud(source.genericReceiver));
    link->SetMitigation(gchSpeed, kMitigationRemoteWhileFresh);

    TGpsStartResult result;
    result.connected = link->OpenLink();
    if (result.connected) {
        for (int channel : {gchSpeed, gchAppRate, gchSwathWidth})
            link->SetRemoteTimeout(channel, kRemoteTimeoutMs);
        link->RequestReceiverSetup(source.genericReceiver);
        link->SetGuidanceSelected(!source.genericReceiver);
        fLink = std::move(link);
        fRetryWanted = false;
    } else {
        result.gpsNotAvailable = true;
        result.runPageGpsText = "Generic GPS Port Not Connecting";
        fRetryWanted = true;
        TGPSClock::Instance().SetDeadline(kRetryIntervalMs, fRetryDeadline);
    }

    // Retries start again and again with the same choice: the file is
    // written only when the choice is new to it.
    if (!fSettings.ValueExists(kSection, "SelectedGPS") ||
        fSettings.ReadInteger(kSection, "SelectedGPS", 0) != fSelected) {
        fSettings.WriteInteger(kSection, "SelectedGPS", fSelected);
        Save();
    }

    result.capabilityMask = source.capabilityMask;
    if (source.statusText)
        result.statusText = source.statusText;
    else
        result.statusText = result.connected ? kGenericConnected : kGenericNotOpen;
    return result;
}

void TGpsSource::Close(bool quiet)
{
    if (!quiet)
        DebugOut("Closing GPS");
    fLink.reset();
    fRetryWanted = false;
}

bool TGpsSource::RetryDue() const
{
    return fRetryWanted && !fLink && !TGPSClock::Instance().DeadlineRunning(fRetryDeadline);
}

bool TGpsSource::PollIfDue()
{
    if (!fLink)
        return false;
    TGPSClock& clock = TGPSClock::Instance();
    if (clock.DeadlineRunning(fPollDeadline))
        return false;
    clock.SetDeadline(kPollIntervalMs, fPollDeadline);
    return fLink->Poll();
}

} // namespace orv
