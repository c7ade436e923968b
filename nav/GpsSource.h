#pragma once
#include "nav/GPSClock.h"
#include "nav/PeloCom.h"
#include "store/IniFile.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace orv {

// One choice of the GPS source combo, by its index ("SelectedGPS").
struct TGpsSourceDef {
    const char* caption;     // the combo item
    const char* statusText;  // shown once the link is started; nullptr = by connection
    uint8_t capabilityMask;  // what the source supplies: 0x20 speed, 0x10 swath, 0x08 rate
    bool genericReceiver;    // a plain NMEA receiver on the "GPSPort" port
};
std::span<const TGpsSourceDef> GpsSources();

// What the window shows after Start GPS.
struct TGpsStartResult {
    bool connected = false;
    bool gpsNotAvailable = false; // show "GPS Not Available!"
    std::string runPageGpsText;   // for the run page's GPS status label; empty = leave it
    std::string statusText;
    uint8_t capabilityMask = 0;
};

// The GPS source selection and the one guidance link it starts: Start GPS,
// Close GPS and the periodic poll, with the "GPS" keys of the settings file.
// Main thread only.
class TGpsSource {
public:
    // Guidance systems talk at 38400; a generic receiver is told to send NMEA
    // at 4800, so its line must be at 4800 too or nothing would be read.
    static constexpr int kLinkBaud = 38400;
    static constexpr int kReceiverBaud = 4800;
    // The line speed of a source's port: the link's and the "Receivers"
    // page's one rule.
    static constexpr int LineBaud(bool genericReceiver) { return genericReceiver ? kReceiverBaud : kLinkBaud; }
    static constexpr int64_t kPollIntervalMs = 100;
    static constexpr int64_t kRemoteTimeoutMs = 3000;
    static constexpr int64_t kRestartPauseMs = 20;
    // A start whose port did not open is tried again this often, until one
    // opens or the GPS is closed: a receiver plugged in again, or one slow to
    // come back after a recovery, is taken up without the pilot's help.
    static constexpr int64_t kRetryIntervalMs = 5000;

    TGpsSource(ISerialLibrary& library, TMemIniFile& settings);
    ~TGpsSource();

    // Re-reads "SelectedGPS" (out-of-range values count as the generic receiver).
    void Reload();
    int SelectedGPS() const { return fSelected; }
    // Stores the choice (clamped to the table); Start writes it to the file.
    void SetSelectedGPS(int index);
    // "GPS"/"GPSPort", the port of a generic receiver ("COM1" when unset).
    std::string GpsPortName() const;
    void SetGpsPortName(const std::string& name);

    // Frees any link, starts one for the selected source and opens its port.
    TGpsStartResult Start(std::optional<float> presetFixedSpeed);
    // Frees the link; quiet at shutdown.
    void Close(bool quiet = false);
    TPeloCom* Link() const { return fLink.get(); }

    // Polls the link when its 100 ms interval has passed; true when characters were read.
    bool PollIfDue();
    // The last start failed, the GPS was not closed since, and the retry
    // interval has passed: time to start it again.
    bool RetryDue() const;

    // Connected to every link started.
    TPeloCom::ValueEvent OnRemoteAppRate;
    TPeloCom::ValueEvent OnRemoteSwathWidth;
    // Saves the settings file after a change; by default UpdateFile.
    std::function<void()> SaveSettings;
    // Waits before a new link takes the port; by default the clock's busy wait.
    std::function<void(int64_t ms)> Pause;

private:
    void Save();

    ISerialLibrary& fLibrary;
    TMemIniFile& fSettings;
    int fSelected = 0;
    std::unique_ptr<TPeloCom> fLink;
    TDeadline fPollDeadline;
    bool fRetryWanted = false;
    TDeadline fRetryDeadline;
};

} // namespace orv
