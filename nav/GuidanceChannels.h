#pragma once
#include <array>
#include <cstdint>
#include <exception>
#include <optional>

namespace orv {

// The quantities exchanged with a guidance system, by channel number.
enum TGuidanceChannel : int {
    gchRunState = 0,   // 8-bit
    gchChannel1 = 1,   // 16-bit, not used by the cockpit
    gchGateStatus = 2, // 16-bit
    gchAppRate = 3,    // kg/ha
    gchSwathWidth = 4, // m
    gchSpeed = 5,      // m/s
    gchChannel6 = 6,   // not used by the cockpit
    gchCount = 7,
};

// Mitigation methods: 0 = not set; 1 = the remote value wins while fresh;
// a local change is time-stamped for the methods 1 and 2.
constexpr uint8_t kMitigationNotSet = 0;
constexpr uint8_t kMitigationRemoteWhileFresh = 1;

struct TGpsSpeed {
    float value = 0;         // m/s
    bool fromRemote = false; // GPS (or guidance) speed rather than the local fixed speed
};

// Raised by GetSpeed when the speed channel has no mitigation method.
class EMitigationError : public std::exception {
public:
    const char* what() const noexcept override { return "Mitigation method not set for Single"; }
};

// The local (cockpit) and remote (received) value of each channel with the
// time stamps that decide which one the cockpit uses. Times come from the
// process-wide clock. Main thread only.
class TGuidanceChannels {
public:
    static constexpr int64_t kDefaultRemoteTimeoutMs = 3000;

    TGuidanceChannels();

    // Local setters: stamp the change time for methods 1 and 2, store when different.
    void SetLocal(int channel, double value);
    double Local(int channel) const { return fChannels.at(channel).local; }
    void SetRemote(int channel, double value) { fChannels.at(channel).remote = value; }
    double Remote(int channel) const { return fChannels.at(channel).remote; }
    int64_t LocalStamp(int channel) const { return fChannels.at(channel).localStamp; }

    void SetMitigation(int channel, uint8_t method) { fChannels.at(channel).method = method; }
    uint8_t Mitigation(int channel) const { return fChannels.at(channel).method; }
    // Milliseconds; negative values are refused (std::invalid_argument).
    void SetRemoteTimeout(int channel, int64_t ms);
    int64_t RemoteTimeoutMs(int channel) const { return fChannels.at(channel).timeoutMs; }

    // Bit n set: the cockpit does not take channel n's remote value.
    void SetRemoteDisabledMask(uint8_t mask) { fDisabledMask = mask & 0x7F; }
    uint8_t RemoteDisabledMask() const { return fDisabledMask; }
    bool RemoteDisabled(int channel) const { return (fDisabledMask >> channel) & 1; }

    // A speed from an NMEA sentence or a "$ORV" sentence arrived now.
    void StampNmea();
    void StampOrv();
    std::optional<int64_t> LastNmeaTicks() const { return fLastNmea; }
    std::optional<int64_t> LastOrvTicks() const { return fLastOrv; }

    // The ground speed the cockpit should use: the remote one while it is fresh
    // and taken, else the local fixed speed.
    TGpsSpeed GetSpeed() const;

private:
    struct Channel {
        double local = 0;
        double remote = 0;
        int64_t localStamp = 0;
        int64_t timeoutMs = kDefaultRemoteTimeoutMs;
        uint8_t method = kMitigationRemoteWhileFresh;
    };
    bool Fresh(int64_t stampTicks, int channel) const;

    std::array<Channel, gchCount> fChannels;
    uint8_t fDisabledMask = 0;
    std::optional<int64_t> fLastNmea;
    std::optional<int64_t> fLastOrv;
};

} // namespace orv
