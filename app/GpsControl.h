#pragma once
#include <cstdint>
#include <string>

namespace orv {

class IModeHost;
struct TGpsStartResult;
struct TModeState;

// Which of speed, swath width and application rate come from the GPS input:
// the requested flags, limited by what the selected input can supply, shown
// on the check boxes of both run pages and told to the guidance link.
class TGpsControl {
public:
    TGpsControl(TModeState& state, IModeHost& host);

    // Reads the three keys of the mode's section into the requested flags.
    void LoadGpsChoices();
    void WriteGpsChoices();
    // What the selected input can supply; nothing in the modes that take no
    // GPS values (wet sealed, metering plate).
    void SetGpsCapabilities(uint8_t mask);
    // After Start GPS: its capabilities, and on the run pages' GPS status
    // label what it has to say (a port that did not open).
    void GpsStarted(const TGpsStartResult& result);
    // Effective flags from the requested ones and the capabilities; the
    // check boxes follow and the remote-disabled mask is sent.
    void ApplyGpsFlags();
    // One flag changed by the pilot; not re-entered.
    void SetGpsControl(uint8_t bit, bool on);
    uint8_t Flags() const;

    // Values from a guidance system (only while "Run Dry Material" is shown).
    void OnRemoteAppRate(float kgPerHa);
    void OnRemoteSwathWidth(float metres);

    // The remote-disabled mask: the complement of the flags, low seven bits.
    static uint8_t RemoteDisabledMask(uint8_t flags) { return static_cast<uint8_t>(~flags & 0x7F); }

    // The opening and the dial value again, after a change of its inputs.
    void RecomputeOpening();

private:
    void SendRemoteDisabledMask();
    void ShowCheck(uint8_t bit, bool on, bool enabled);

    TModeState& fState;
    IModeHost& fHost;
    bool fSetting = false;
};

} // namespace orv
