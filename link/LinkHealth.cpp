#include "link/LinkHealth.h"

#include "link/CanRecord.h"
#include "link/LinkLog.h"

namespace orv {

void TLinkHealth::SetWatch(TWatch which, bool on)
{
    auto& clock = TGPSClock::Instance();
    {
        std::lock_guard lock(fMutex);
        TDeadline& d = which == TWatch::Send ? fSendWatch : fReceiveWatch;
        if (on)
            clock.SetDeadline(which == TWatch::Send ? kSendWatchMs : kReceiveWatchMs, d);
        else
            d = {};
    }
    static const char* const kLines[2][2] = {{"R Off", "R On"}, {"S Off", "S On"}};
    LinkLog(kLinkTrafficLevel, kLines[which == TWatch::Send][on]);
}

bool TLinkHealth::LinkHealthy()
{
    auto& clock = TGPSClock::Instance();
    bool sendExpired, receiveExpired;
    {
        std::lock_guard lock(fMutex);
        // Unset means "nothing in progress": then something must happen within 10 s.
        if (fSendWatch.start == 0)
            clock.SetDeadline(kIdleWatchMs, fSendWatch);
        if (fReceiveWatch.start == 0)
            clock.SetDeadline(kIdleWatchMs, fReceiveWatch);
        sendExpired = !clock.DeadlineRunning(fSendWatch);
        receiveExpired = !clock.DeadlineRunning(fReceiveWatch);
    }
    if (!fUp)
        return false;
    if (sendExpired) {
        LinkLogFmt(kLinkEventLevel, "%d: Send blocked", fPort.load());
        fSendBlocked = true;
        SetLinkUp(false);
        return false;
    }
    if (receiveExpired) {
        fReceiveBlocked = true;
        LinkLogFmt(kLinkEventLevel, "%d: Received blocked", fPort.load());
        SetLinkUp(false);
        return false;
    }
    return fUp;
}

void TLinkHealth::ClearLocked()
{
    fSerialPingFailed = false;
    fGpioPingFailed = false;
    fCanPingFailed = false;
    fUsbCanPingFailed = false;
    fSendBlocked = false;
    fReceiveBlocked = false;
    fSendWatch = {};
    fReceiveWatch = {};
}

void TLinkHealth::ClearFailures()
{
    std::lock_guard lock(fMutex);
    ClearLocked();
}

void TLinkHealth::SetLinkUp(bool up)
{
    std::lock_guard lock(fMutex);
    fUp = up;
    if (up) {
        ClearLocked();
        return;
    }
    const int kind = fKind;
    if (IsSerialKind(kind))
        fSerialPingFailed = true;
    else if (IsUsbCanKind(kind))
        fUsbCanPingFailed = true;
    else if (IsGpioKind(kind) && !fCanPingFailed)
        fGpioPingFailed = true;
}

uint8_t TLinkHealth::FailureBits() const
{
    uint8_t bits = 0;
    if (fSerialPingFailed)
        bits |= lfSerialPing;
    if (fGpioPingFailed)
        bits |= lfGpioPing;
    if (fCanPingFailed)
        bits |= lfCanPing;
    if (fUsbCanPingFailed)
        bits |= lfUsbCanPing;
    if (fSendBlocked)
        bits |= lfSendBlocked;
    if (fReceiveBlocked)
        bits |= lfReceiveBlocked;
    return bits;
}

TDeadline TLinkHealth::Watch(TWatch which) const
{
    std::lock_guard lock(fMutex);
    return which == TWatch::Send ? fSendWatch : fReceiveWatch;
}

} // namespace orv
