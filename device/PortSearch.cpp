#include "device/PortSearch.h"

#include "link/DVIOController.h"
#include "link/LinkLog.h"
#include "link/MainThreadCall.h"
#include "nav/GPSClock.h"

namespace orv {

namespace {
// Resets the search mark and the log levels however the search ends.
struct TSearchScope {
    bool& running;
    TPortSearch& search;
    ~TSearchScope()
    {
        running = false;
        for (int level = 0; level <= 7; ++level)
            LinkLogFilter().EnableLevel(level, false);
        try {
            search.ReleaseSearchLinks();
        } catch (...) {
        }
    }
};
} // namespace

int TPortSearch::SearchTimeMs(int target)
{
    static const int kTimes[] = {2000, 2000, 2000, 2000, 5000, 5000};
    return target >= 0 && target <= 5 ? kTimes[target] : 0;
}

TPortSearch::TPortSearch(ISerialLibrary& sio) : fSio(sio) {}

TPortSearch::~TPortSearch()
{
    ReleaseSearchLinks();
}

TCanRecord TPortSearch::CanPingRecord()
{
    return MakeCanRecord(CanIdentifier(kStatusRequestCode, 0));
}

bool TPortSearch::Wait(int ms)
{
    if (StopAsked())
        return true;
    if (fWait)
        fWait(ms);
    else if (TMainThreadCalls::WaitPumping(ms))
        return true;
    return StopAsked();
}

bool TPortSearch::FindCommTarget(int target, uint8_t& lastOrvPort, TDVIOController* canport)
{
    if (fRunning)
        return false;
    fRunning = true;
    fStopNow = false;
    LinkLogFilter().EnableLevel(kLinkEventLevel, true);
    TSearchScope scope{fRunning, *this};
    switch (target) {
    case 1:
    case 3:
    case 5:
        return VerifyKnownPort(target, lastOrvPort, canport);
    case 0:
    case 2:
    case 4:
        return FindAvailableCurrentCommTarget(target, lastOrvPort);
    default:
        return false;
    }
}

bool TPortSearch::VerifyKnownPort(int target, uint8_t port, TDVIOController* canport)
{
    if (!canport)
        return false;
    canport->SetCanPingRecord(CanPingRecord());
    canport->SetLinkKind(static_cast<uint8_t>(target));
    canport->SetPortNumber(port);
    canport->OpenLink(9);
    auto& clock = TGPSClock::Instance();
    TDeadline until;
    clock.SetDeadline(kVerifyKnownPortMs, until);
    while (clock.DeadlineRunning(until)) {
        if (canport->LinkVerified()) {
            LinkLog(kLinkEventLevel, "Got it");
            break;
        }
        if (Wait(kCheckEveryMs) || canport->LinkClosed())
            break;
    }
    return canport->LinkVerified() && canport->LinkHealthy();
}

std::vector<int> TPortSearch::ListPorts()
{
    std::vector<int> ports;
    fSio.SioSetInteger(-1, kSioProbeMode, 1);
    for (int port = 0; port <= 254; ++port) {
        if (fSio.SioReset(port, 128, 128) >= 0) {
            ports.push_back(port);
            fSio.SioDone(port);
        }
    }
    // The probe mode is library-wide: left on, the next port opened for use
    // (the GPS port) would keep whatever mode its device was in.
    fSio.SioSetInteger(-1, kSioProbeMode, 0);
    return ports;
}

bool TPortSearch::ProbePort(int port)
{
    fSio.SioSetInteger(-1, kSioProbeMode, 1);
    const bool ok = fSio.SioReset(port, 128, 128) >= 0;
    if (ok)
        fSio.SioDone(port);
    fSio.SioSetInteger(-1, kSioProbeMode, 0);
    return ok;
}

bool TPortSearch::FindAvailableCurrentCommTarget(int target, uint8_t& lastOrvPort)
{
    try {
        ReleaseSearchLinks();
        const std::vector<int> ports = ListPorts();
        if (Wait(kListSettleMs)) {
            lastOrvPort = TDVIOController::kNoPort;
            return false; // the application is stopping
        }
        for (int port : ports) {
            auto link = std::make_unique<TDVIOController>(fSio, static_cast<uint8_t>(target));
            link->SetCanPingRecord(CanPingRecord());
            link->SetLinkKind(static_cast<uint8_t>(target));
            link->SetPortNumber(static_cast<uint8_t>(port));
            link->OpenLink(9);
            fLinks.emplace_back(port, std::move(link));
        }
        return FindVerifiedPortByPing(target, lastOrvPort);
    } catch (...) {
        LinkLog(kLinkEventLevel, "Error Raised in FindAvailableCurrentCommTarget");
        throw;
    }
}

bool TPortSearch::FindVerifiedPortByPing(int target, uint8_t& lastOrvPort)
{
    try {
        auto& clock = TGPSClock::Instance();
        TDeadline until;
        clock.SetDeadline(SearchTimeMs(target), until);
        lastOrvPort = TDVIOController::kNoPort;
        bool found = false;
        while (!found && clock.DeadlineRunning(until)) {
            for (const auto& [port, link] : fLinks) {
                if (link && link->LinkVerified()) {
                    lastOrvPort = static_cast<uint8_t>(port);
                    LinkLog(kLinkEventLevel, "found port: " + std::to_string(port));
                    found = true;
                    break;
                }
            }
            if (!found && Wait(kCheckEveryMs))
                break; // the application is stopping
        }
        ReleaseSearchLinks();
        return found;
    } catch (...) {
        LinkLog(kLinkEventLevel, "Error Raised in FindVerifiedPortByPing");
        throw;
    }
}

void TPortSearch::ReleaseSearchLinks()
{
    // One at a time: each link is gone, threads and port, before the next.
    for (auto& [port, link] : fLinks) {
        if (!link)
            continue;
        fClosing = link.get();
        link->CloseLink();
        link.reset();
        fClosing = nullptr;
    }
    fLinks.clear();
}

} // namespace orv
