#pragma once
#include "device/ControllerLink.h"

namespace orv {

class TDVIOController;

// Presents the link component to the device model.
class TDvioLinkAdapter final : public IControllerLink {
public:
    void Bind(TDVIOController* link) { fLink = link; }
    TDVIOController* Bound() const { return fLink; }

    int LinkKind() const override;
    int PortNumber() const override;
    bool LinkHealthy() override;
    void SendGpioCanFrame(int channel, const TCanRecord& record) override;
    void SendAdapterFrame(const TCanRecord& record) override;
    void SendSerialFrame(uint8_t code, uint32_t dataLow, uint32_t dataHigh) override;
    bool PopCanFrame(int channel, TCanRecord& record) override;
    void MarkPingFailed() override;
    void SetChannelConfig(int channel, int code) override;

private:
    TDVIOController* fLink = nullptr;
};

} // namespace orv
