#include "device/DvioLinkAdapter.h"

#include "link/DVIOController.h"

namespace orv {

int TDvioLinkAdapter::LinkKind() const
{
    return fLink ? fLink->LinkKind() : -1;
}

int TDvioLinkAdapter::PortNumber() const
{
    return fLink ? fLink->PortNumber() : TDVIOController::kNoPort;
}

bool TDvioLinkAdapter::LinkHealthy()
{
    return fLink && fLink->LinkHealthy();
}

void TDvioLinkAdapter::SendGpioCanFrame(int channel, const TCanRecord& record)
{
    if (fLink)
        fLink->SendGpioCanFrame(channel, record);
}

void TDvioLinkAdapter::SendAdapterFrame(const TCanRecord& record)
{
    if (fLink)
        fLink->SendAdapterFrame(record);
}

void TDvioLinkAdapter::SendSerialFrame(uint8_t code, uint32_t dataLow, uint32_t dataHigh)
{
    if (fLink)
        fLink->SendSerialFrame(code, dataLow, dataHigh);
}

bool TDvioLinkAdapter::PopCanFrame(int channel, TCanRecord& record)
{
    if (!fLink)
        return false;
    auto r = fLink->PopCanFrame(channel);
    if (!r)
        return false;
    record = *r;
    return true;
}

void TDvioLinkAdapter::MarkPingFailed()
{
    if (!fLink)
        return;
    TLinkHealth& h = fLink->Health();
    const int kind = fLink->LinkKind();
    if (IsGpioKind(kind))
        h.SetGpioPingFailed(true);
    else if (IsSerialKind(kind))
        h.SetSerialPingFailed(true);
    else if (IsUsbCanKind(kind))
        h.SetUsbCanPingFailed(true);
}

void TDvioLinkAdapter::SetChannelConfig(int channel, int code)
{
    if (fLink)
        fLink->SetChannelConfig(channel, static_cast<uint8_t>(code));
}

} // namespace orv
