#pragma once
#include "nav/GeneralCom.h"
#include "nav/GuidanceChannels.h"
#include "nav/NMEADecoding.h"
#include "nav/OrvDecoding.h"

#include <functional>

namespace orv {

// The navigation port: a plain NMEA receiver or a guidance system. It keeps
// the cockpit's (local) and the received (remote) value of every exchanged
// quantity, tells the cockpit which ground speed to use, and, for a guidance
// system, sends it a "$ORV" sentence twice a second. Main thread only; the
// owner connects the events.
class TPeloCom : public TGeneralCom {
public:
    using ValueEvent = std::function<void(TPeloCom&, float value)>;
    using MessageEvent = std::function<void(TPeloCom&, int messageId)>;

    static constexpr int64_t kReceiverSetupIntervalMs = 30000;
    static constexpr int64_t kOrvIntervalMs = 500;

    explicit TPeloCom(ISerialLibrary& library);
    ~TPeloCom() override;

    void InitLink() override { CreateDecoders(); }
    void CreateDecoders() override;
    // Receiver set-up, the periodic "$ORV", then the read; true when anything was read.
    bool Poll() override;

    void SetLocalSpeed(float metresPerSecond) { fChannels.SetLocal(gchSpeed, metresPerSecond); }
    void SetLocalAppRate(float kgPerHa) { fChannels.SetLocal(gchAppRate, kgPerHa); }
    void SetLocalSwathWidth(float metres) { fChannels.SetLocal(gchSwathWidth, metres); }
    void SetRunState(uint8_t state) { fChannels.SetLocal(gchRunState, state); }
    void SetGateStatus(uint16_t status) { fChannels.SetLocal(gchGateStatus, status); }

    void SetRemoteDisabledMask(uint8_t mask) { fChannels.SetRemoteDisabledMask(mask); }
    uint8_t RemoteDisabledMask() const { return fChannels.RemoteDisabledMask(); }
    void SetMitigation(int channel, uint8_t method) { fChannels.SetMitigation(channel, method); }
    void SetRemoteTimeout(int channel, int64_t ms) { fChannels.SetRemoteTimeout(channel, ms); }

    void RequestReceiverSetup(bool on) { fReceiverSetup = on; }
    bool ReceiverSetupRequested() const { return fReceiverSetup; }
    void SetGuidanceSelected(bool on) { fGuidanceSelected = on; }
    bool GuidanceSelected() const { return fGuidanceSelected; }

    // Builds and writes one "$ORV" sentence now (only when connected).
    void SendOrvSentence();
    // Throws EMitigationError when the speed channel has no mitigation method.
    TGpsSpeed GetSpeed() const { return fChannels.GetSpeed(); }

    char RmcStatus() const { return fStatus; }
    bool FixValid() const { return fFixValid; }
    int DecodedCount() const { return fDecodedCount; }
    uint8_t SignFlags() const { return fSignFlags; }
    const TGuidanceChannels& Channels() const { return fChannels; }
    const TNmeaBlocks& NmeaBlocks() const { return fBlocks; }
    const TOrvBlock& ReceivedOrv() const { return fOrvBlock; }

    // Fired when a guidance system sends a rate or swath other than the local one.
    ValueEvent OnRemoteAppRate;
    ValueEvent OnRemoteSwathWidth;
    // Fired as the decoded-message queue is drained; the cockpit leaves them empty.
    MessageEvent OnNmeaMessage;
    MessageEvent OnOrvMessage;

protected:
    void MessageDecoded(const TDecodedMessage& message) override;

private:
    void AfterDecode(TMsgDecoding& decoder);
    void AfterNmea();
    void AfterOrv();
    void WriteAll(const std::vector<std::string>& sentences);

    TGuidanceChannels fChannels;
    TNmeaBlocks fBlocks;
    TOrvBlock fOrvBlock;
    uint8_t fSignFlags = 0;
    TNMEADecoding* fNmea = nullptr;
    OrvDecoding* fOrv = nullptr;

    char fStatus = 'Z';
    bool fFixValid = false;
    bool fReceiverSetup = false;
    TDeadline fReceiverSetupDeadline;
    bool fGuidanceSelected = false;
    TDeadline fOrvDeadline;
    int fDecodedCount = 0;
};

} // namespace orv
