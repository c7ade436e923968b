// The ping logic: run on the main thread by the pinger every ping interval.
#include "link/DVIOController.h"
#include "link/LinkLog.h"
#include "link/PortThreads.h"
#include "nav/GPSClock.h"

namespace orv {

bool TDVIOController::PingDue(TPingRecord& r) const
{
    return TGPSClock::Instance().Ticks() > r.Deadline;
}

void TDVIOController::PingRearm(TPingRecord& r) const
{
    auto& clock = TGPSClock::Instance();
    r.Deadline = clock.Ticks() + int64_t(r.IntervalMs) * clock.TicksPerMs();
}

void TDVIOController::PingTick()
{
    if (fPingTickRunning)
        LinkLog(kLinkEventLevel, "Ping Overlapped");
    fPingTickRunning = true;
    try {
        const bool healthy = fHealth.LinkHealthy();
        if (fDestroying || !PortPresent() || fLinkClosed) {
            if (fPinger)
                fPinger->Terminate();
            ClosePort();
            fLinkClosed = true;
            fHealth.SetLinkUp(false);
        } else {
            const int kind = fLinkKind;
            bool ok;
            if (IsGpioKind(kind)) {
                if (!fHealth.GpioPingFailed()) {
                    const bool d = DipPing();
                    fHealth.SetGpioPingFailed(!d);
                    if (d && !fHealth.CanPingFailed())
                        fHealth.SetCanPingFailed(!CanPing());
                }
                ok = !fHealth.GpioPingFailed() && !fHealth.CanPingFailed();
            } else if (IsSerialKind(kind)) {
                if (!fHealth.SerialPingFailed()) {
                    LinkLog(kLinkEventLevel, "Serial Ping:");
                    fHealth.SetSerialPingFailed(!SerialPing());
                }
                ok = !fHealth.SerialPingFailed();
            } else if (IsUsbCanKind(kind)) {
                if (!fHealth.UsbCanPingFailed())
                    fHealth.SetUsbCanPingFailed(!UsbCanPing());
                ok = !fHealth.UsbCanPingFailed();
            } else {
                ok = healthy;
            }
            if (fLinkVerified && !ok) {
                ClosePort();
                fHealth.SetLinkUp(false);
                fLinkClosed = true;
            }
            if (fRequiredBits != 0 && !fLinkVerified) {
                const uint8_t bits = fVerifiedBits;
                if ((bits & (vbDip | vbCan)) == (vbDip | vbCan))
                    LinkLogFmt(kLinkEventLevel, "%D: verified GPIO", static_cast<int>(fPortNumber));
                fLinkVerified = (bits & fRequiredBits) == fRequiredBits;
                if (fLinkVerified)
                    fHealth.ClearFailures();
            }
            if (fLinkVerified)
                fOpening = false;
        }
    } catch (...) {
        ClosePort();
        fHealth.SetLinkUp(false);
        fLinkClosed = true;
    }
    fPingTickRunning = false;
}

bool TDVIOController::DipPing()
{
    TPingRecord& r = fPings[pkDip];
    const int port = fPortNumber;
    if ((fVerifiedBits & vbDip) && !(fVerifiedBits & vbCan))
        return true; // the CAN ping has the floor until CAN answers
    if (fInbox.ResponseFlag(gtDip)) {
        if (!fOutbox.CanRatesSet.exchange(true)) {
            SetGpioDirections(0);
            SetCanRate(1, 6);
            SetCanRate(2, 6);
        }
        fVerifiedBits |= vbDip;
        LinkLogFmt(kLinkEventLevel, "%D: DIP ping responded", port);
        r.Count = 0;
        fInbox.SetResponseFlag(gtDip, false);
        return true;
    }
    if (r.Count >= r.MaxTries) {
        LinkLogFmt(kLinkEventLevel, "%D: Ping Timed Out", port);
        return false;
    }
    if (PingDue(r)) {
        LinkLogFmt(kLinkEventLevel, "%D: Inc Ping and Send DIP ping", port);
        ++r.Count;
        fOutbox.DipRequest = true;
        PingRearm(r);
    }
    return true;
}

bool TDVIOController::CanPing()
{
    if (!fCanPingSet || !(fVerifiedBits & vbDip))
        return true;
    TPingRecord& r = fPings[pkCan];
    const int port = fPortNumber;
    if (fInbox.ResponseFlag(gtCan1)) {
        LinkLogFmt(kLinkEventLevel, "%D: CAN ping responded", port);
        r.Count = 0;
        fInbox.SetResponseFlag(gtCan1, false);
        fVerifiedBits |= vbCan;
        return true;
    }
    if (r.Count < r.MaxTries) {
        if (PingDue(r)) {
            LinkLogFmt(kLinkEventLevel, "%D: Inc and Send CAN Ping", port);
            ++r.Count;
            LinkLogFmt(kLinkEventLevel, "%d: Pinging CAN", port);
            SendGpioCanFrame(1, fCanPing);
            PingRearm(r);
        }
        return true;
    }
    LinkLog(kLinkEventLevel, "CAN Ping Timed Out");
    return false;
}

bool TDVIOController::UsbCanPing()
{
    TPingRecord& r = fPings[pkUsbCan];
    const int port = fPortNumber;
    if (fInbox.ResponseFlag(gtCan1)) {
        fOutbox.AdapterResetSent = true;
        LinkLogFmt(kLinkEventLevel, "%d: USB to CAN ping responded", port);
        r.Count = 0;
        fInbox.SetResponseFlag(gtCan1, false);
        fVerifiedBits |= vbUsbCan;
        return true;
    }
    if (r.Count == r.MaxTries / 2 - 1) {
        LinkLogFmt(kLinkEventLevel, "%d: USB to CAN Timed Out.  Trying CAN reset", port);
        ++r.Count;
        QueueAdapterReset();
        return true;
    }
    if (r.Count < r.MaxTries) {
        if (PingDue(r)) {
            LinkLogFmt(kLinkEventLevel, "%d: Inc and Send USB to CAN  Ping", port);
            ++r.Count;
            QueueAdapterPing();
            PingRearm(r);
        }
        return true;
    }
    LinkLogFmt(kLinkEventLevel, "%d: USB to CAN Timed Out", port);
    r.Count = 0;
    return false;
}

bool TDVIOController::SerialPing()
{
    TPingRecord& r = fPings[pkSerial];
    const int port = fPortNumber;
    if (fInbox.ResponseFlag(gtCan1)) {
        LinkLogFmt(kLinkEventLevel, "%d: Serial ping responded", port);
        r.Count = 0;
        fInbox.SetResponseFlag(gtCan1, false);
        fVerifiedBits |= vbSerial;
        return true;
    }
    if (r.Count < r.MaxTries) {
        if (PingDue(r)) {
            LinkLogFmt(kLinkEventLevel, "%d: Inc and Send Serial Ping", port);
            ++r.Count;
            SendSerialFrame(kStatusRequestCode, 0, 0);
            PingRearm(r);
        }
        return true;
    }
    LinkLogFmt(kLinkEventLevel, "%d: Serial Ping Timed Out", port);
    r.Count = 0;
    return false;
}

} // namespace orv
