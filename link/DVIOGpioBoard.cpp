// The GPIO board's own functions and its serial channels.
#include "link/DVIOController.h"

namespace orv {

void TDVIOController::SetGpioDirections(uint8_t value)
{
    if (!PortPresent())
        return;
    fInbox.SetResponseFlag(gtDirections, false);
    fOutbox.QueueGpio(gtDirections, {value});
}

void TDVIOController::SetGpioBits(uint8_t value)
{
    if (!PortPresent())
        return;
    fOutbox.QueueGpio(gtSetBits, {value, fInbox.GpioStatus(2)});
}

void TDVIOController::ClearGpioBits(uint8_t value, uint8_t flag)
{
    if (!PortPresent())
        return;
    fInbox.SetResponseFlag(gtClearBits, false);
    fOutbox.QueueGpio(gtClearBits, {value, static_cast<uint8_t>(flag & 1)});
}

void TDVIOController::SetChannelConfig(int channel, uint8_t code)
{
    if (channel < 1 || channel > 4 || !PortPresent())
        return;
    const auto type = static_cast<TGpioType>(gtSerialConfig1 + channel - 1);
    fInbox.SetResponseFlag(type, false);
    fOutbox.QueueGpio(type, {code, 0, 0});
    SettleWait(100);
}

void TDVIOController::SetCanRate(int channel, uint8_t code)
{
    if (channel < 1 || channel > 2 || !PortPresent())
        return;
    const auto type = channel == 1 ? gtCanConfig1 : gtCanConfig2;
    fInbox.SetResponseFlag(type, false);
    fOutbox.QueueGpio(type, {code, 0, 0});
    SettleWait(200);
    fCanRates[channel - 1] = fInbox.ResponseFlag(type) ? code : 0;
}

uint8_t TDVIOController::CanRate(int channel) const
{
    return channel == 1 || channel == 2 ? fCanRates[channel - 1].load() : 0;
}

uint16_t TDVIOController::HardwareId()
{
    const auto d = fInbox.DipBytes();
    return static_cast<uint16_t>(d[0] << 8 | d[1]);
}

uint8_t TDVIOController::DipSwitches()
{
    return fInbox.DipBytes()[4];
}

int TDVIOController::WriteChannel(const uint8_t* src, int count, int channel)
{
    if (!PortPresent())
        return 0;
    return fOutbox.WriteChannel(src, count, channel);
}

} // namespace orv
