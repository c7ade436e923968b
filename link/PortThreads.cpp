#include "link/PortThreads.h"

#include "link/DVIOController.h"
#include "link/LinkLog.h"

namespace orv {

TPortNamedThread::TPortNamedThread(TDVIOController& owner, int port, std::string name, std::string osName,
                                   TThreadPriority priority, std::string eventName, int waitMs)
    : fOwner(owner),
      fPort(port),
      fName(std::move(name)),
      fOsName(std::move(osName)),
      fPriority(priority),
      fEvent(std::move(eventName)),
      fWaitMs(waitMs)
{
}

TPortNamedThread::~TPortNamedThread()
{
    Terminate();
    Join();
}

void TPortNamedThread::Start()
{
    if (fThread.joinable())
        return;
    fThread = std::thread([this] { Run(); });
    // Returns once the thread exists under its name, suspended.
    std::unique_lock lock(fMutex);
    fCond.wait(lock, [this] { return fStarted; });
}

void TPortNamedThread::Resume()
{
    {
        std::lock_guard lock(fMutex);
        fResumed = true;
    }
    fCond.notify_all();
}

bool TPortNamedThread::Suspended() const
{
    std::lock_guard lock(fMutex);
    return !fResumed;
}

void TPortNamedThread::Terminate()
{
    fTerminated = true;
    fEvent.Set();
    fCond.notify_all();
}

void TPortNamedThread::Join()
{
    if (fThread.joinable())
        fThread.join();
    fFinished = true;
}

void TPortNamedThread::Run()
{
    SetCurrentThreadName(fOsName);
    SetCurrentThreadPriority(fPriority);
    {
        std::unique_lock lock(fMutex);
        fStarted = true;
        fCond.notify_all();
        fCond.wait(lock, [this] { return fResumed || fTerminated; });
    }
    if (!fTerminated) {
        try {
            Execute();
        } catch (...) {
            // a worker never raises across threads; the link's flags tell the rest
        }
    }
    fFinished = true;
}

// ---- processor ----------------------------------------------------------

TProcessStackThread::TProcessStackThread(TDVIOController& owner, int port)
    : TPortNamedThread(owner, port, "ProcStack", "VEDOProcessStack_" + std::to_string(port), TThreadPriority::Higher,
                       "VEDOProcessStack", 50)
{
}

void TProcessStackThread::Execute()
{
    while (!Terminated()) {
        Event().Wait(WaitMs());
        if (Terminated() || fOwner.fDestroying || !fOwner.LinkHealthy())
            return;
        fOwner.ProcessReceived(Event());
    }
}

// ---- parser -------------------------------------------------------------

TDVIO_Parser::TDVIO_Parser(TDVIOController& owner, int port)
    : TPortNamedThread(owner, port, "Parser", "VEDOParser_" + std::to_string(port), TThreadPriority::Higher,
                       "VEDOBufferedLoad", 20)
{
}

void TDVIO_Parser::Execute()
{
    while (!Terminated()) {
        const bool signalled = Event().Wait(WaitMs());
        if (Terminated() || fOwner.fDestroying || !fOwner.LinkHealthy())
            return;
        if (!signalled)
            continue;
        // Reset before parsing: bytes signalled while the parse runs get a
        // pass of their own instead of waiting for the next arrival.
        Event().Reset();
        fOwner.ParseReceived(*this, fOutput);
    }
}

// ---- writer -------------------------------------------------------------

TPortWriteSerialThread::TPortWriteSerialThread(TDVIOController& owner, int port)
    : TPortNamedThread(owner, port, "Writer", "PortWriter_" + std::to_string(port), TThreadPriority::Highest,
                       "VEDOPortWriteThread", 20)
{
}

void TPortWriteSerialThread::Execute()
{
    fRunning = true;
    while (!Terminated()) {
        Event().Wait(WaitMs());
        // Reset before the pass: a text queued while it runs wakes the next one.
        Event().Reset();
        if (Terminated() || !fOwner.WriterTick(*this))
            break;
    }
    fRunning = false;
}

// ---- reader -------------------------------------------------------------

TPortReadThread::TPortReadThread(TDVIOController& owner, int port)
    : TPortNamedThread(owner, port, "Reader", "PortChecker_" + std::to_string(port), TThreadPriority::Highest,
                       "VEDOPortRead", 50)
{
}

void TPortReadThread::Execute()
{
    while (!Terminated()) {
        if (fOwner.fDestroying)
            return;
        const bool present = fOwner.PortPresent();
        if (!present || !fOwner.LinkHealthy()) {
            if (!present && fOwner.LinkUp()) {
                // Unplugged: say so now rather than when the watchdog notices.
                LinkLogFmt(kLinkEventLevel, "%d port does not exist", PortNumber());
                fOwner.SetLinkUp(false);
            }
            return;
        }
        const int n = fOwner.fSio.SioRxQue(PortNumber());
        if (n == kSioNotOpen || n == kSioNoSuchPort) {
            if (fOwner.LinkUp()) {
                LinkLogFmt(kLinkEventLevel, "%d port does not exist", PortNumber());
                fOwner.SetLinkUp(false);
            }
            return;
        }
        if (n > 0)
            fOwner.ReadAvailable(n);
        Event().Wait(WaitMs());
    }
}

// ---- pinger -------------------------------------------------------------

TPingThread::TPingThread(TDVIOController& owner, int port, int intervalMs)
    : TPortNamedThread(owner, port, "Pinger", "PingThread_" + std::to_string(port), TThreadPriority::Normal,
                       std::to_string(port) + "_VEDOPingThread", intervalMs)
{
}

void TPingThread::Execute()
{
    while (!Terminated()) {
        if (Event().Wait(WaitMs()) && Terminated())
            return;
        if (Terminated() || WaitMs() <= 0 || !fOwner.PortPresent() || !fOwner.LinkHealthy())
            return;
        if (!fOwner.PingerRunTick(*this))
            return;
        Event().Reset();
    }
}

} // namespace orv
