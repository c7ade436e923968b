#pragma once
#include <cstdint>
#include <string>

#include "sim/SimLink.h"

namespace orv::sim {

// The GPIO board: binary frames F9 code len checksum data... 9F, a DIP-switch
// read, GPIO bits, four serial channels and two CAN channels (the controller
// boards sit on channel 1).
class TGpioLink : public TSimLink {
public:
    // The CAN bit-rate code the boards run at; frames on a channel set to any
    // other rate never reach them.
    static constexpr uint8_t kBoardsRateCode = 6;
    static constexpr uint16_t kHardwareId = 0x0102;
    static constexpr uint16_t kDipSwitches = 0x0000;
    static constexpr uint8_t kBoardRevision = 3;

    TGpioLink(TSimBus& bus, TSimLog& log, TLinkPort port);

    TLinkKind Kind() const override { return TLinkKind::Gpio; }
    void Receive(std::string_view bytes) override;
    void Reset() override;
    bool ChannelInput(int channel, const std::string& bytes, std::string& error) override;
    std::string State() const override;

protected:
    bool CarriesBoardFrames() const override;
    void SendFromBus(const TSimCanFrame& frame) override;

public:

    // A complete frame as the board sends it.
    static std::string Frame(uint8_t code, const std::string& data);

private:
    using THandler = void (TGpioLink::*)(uint8_t code, const std::string& data);
    struct TMessage {
        uint8_t First, Last;  // code range
        const char* Name;
        THandler Handler;
    };
    static const TMessage kMessages[];

    void OnFrame(uint8_t code, const std::string& data);
    void SendFrame(uint8_t code, const std::string& data, const std::string& meaning);
    void OnDipRequest(uint8_t code, const std::string& data);
    void OnDirections(uint8_t code, const std::string& data);
    void OnSetBits(uint8_t code, const std::string& data);
    void OnClearBits(uint8_t code, const std::string& data);
    void OnChannelData(uint8_t code, const std::string& data);
    void OnCanData(uint8_t code, const std::string& data);
    void OnChannelConfig(uint8_t code, const std::string& data);
    void OnCanConfig(uint8_t code, const std::string& data);

    std::string fBuffer;
    uint8_t fDirections = 0xFF;
    uint8_t fOutputs = 0;
    uint8_t fStatus2 = 0;
    uint8_t fChannelConfig[4] = {};
    uint8_t fCanRate[2] = {};
    // Serial channel configurations received over the whole run.
    int fChannelConfigsReceived = 0;
};

} // namespace orv::sim
