#include "link/DVIOController.h"

#include "link/AdapterFrame.h"
#include "link/LinkLocks.h"
#include "link/LinkLog.h"
#include "link/MainThreadCall.h"
#include "link/PortThreads.h"
#include "link/SerialFrame.h"
#include "nav/GPSClock.h"

#include <thread>

namespace orv {

TDVIOController::TDVIOController(ISerialLibrary& sio, uint8_t linkKind) : fSio(sio), fLinkKind(linkKind)
{
    TMainThreadCalls::MarkMainThread();
    fHealth.SetLinkKind(linkKind);
    InitPings();
}

TDVIOController::~TDVIOController()
{
    CloseLink();
}

void TDVIOController::SetLinkKind(uint8_t kind)
{
    // The writer serves every kind, so it stays; the threads read the kind
    // afresh on every pass.
    fLinkKind = kind;
    fHealth.SetLinkKind(kind);
}

void TDVIOController::SetCanPingRecord(const TCanRecord& record)
{
    fCanPing = record;
    fCanPingSet = true;
}

void TDVIOController::InitPings()
{
    for (size_t i = 0; i < fPings.size(); ++i)
        fPings[i] = {0, kPingSettings[i].MaxTries, kPingSettings[i].IntervalMs, 0};
    fPingInterval = PingIntervalMs();
}

void TDVIOController::SetPortNumber(uint8_t port)
{
    LinkLogFmt(kLinkEventLevel, "Setting TDVIOController Port Name to: %d ", static_cast<int>(port));
    if (fDestroyed)
        return; // a closed link is never brought back
    if (HasThreads()) {
        // Reused on a port: the old threads and port go first, and nothing
        // received or verified before carries over.
        FreeThreads();
        ClosePort();
        fInbox.Clear();
        fOutbox.ClearGpio();
        fOutbox.ClearText();
        fOutbox.Reopen();
        fOutbox.DipRequest = false;
        fHealth.SetLinkUp(false);
        fHealth.ClearFailures();
        fLinkClosed = false;
        fLinkVerified = false;
        fOpening = false;
        fVerifiedBits = 0;
    }
    fPortNumber = port;
    fHealth.SetPort(port);
    if (port != kNoPort)
        CreateThreads(port);
}

void TDVIOController::CreateThreads(uint8_t port)
{
    auto processor = std::make_unique<TProcessStackThread>(*this, port);
    auto parser = std::make_unique<TDVIO_Parser>(*this, port);
    parser->SetOutputEvent(&processor->Event());
    fProcessor = std::move(processor);
    fParser = std::move(parser);
    fWriter = std::make_unique<TPortWriteSerialThread>(*this, port);
    fReader = std::make_unique<TPortReadThread>(*this, port);
    InitPings();
    fPinger = std::make_unique<TPingThread>(*this, port, fPingInterval);
    for (auto* t : {&fProcessor, &fParser, &fWriter, &fReader, &fPinger})
        (*t)->Start();
}

TPortNamedThread* TDVIOController::Thread(int index) const
{
    switch (index) {
    case 0:
        return fProcessor.get();
    case 1:
        return fParser.get();
    case 2:
        return fWriter.get();
    case 3:
        return fReader.get();
    case 4:
        return fPinger.get();
    default:
        return nullptr;
    }
}

void TDVIOController::BadExit()
{
    fHealth.SetLinkUp(false);
    fLinkClosed = true;
    LinkLog(kLinkEventLevel, "Bad Exit");
}

void TDVIOController::OpenLink(int baudCode)
{
    try {
        const int port = fPortNumber;
        if (port == kNoPort || fDestroyed || !HasThreads()) {
            BadExit();
            return;
        }
        fLinkVerified = false;
        fOpening = true;
        fHealth.SetWatch(TWatch::Send, false);
        fHealth.SetWatch(TWatch::Receive, false);
        fHealth.SetLinkUp(true);
        fOutbox.AdapterResetSent = false;
        fOutbox.CanRatesSet = false;

        fSio.SioSetInteger(-1, kSioProbeMode, 0);
        const int reset = fSio.SioReset(port, 512, 512);
        if (reset < 0 && reset != kSioAlreadyOpen) {
            BadExit();
            return;
        }
        fPortOpen = true;
        fSio.SioFlow(port, 'N');
        fSio.SioRxClear(port);
        fSio.SioTxClear(port);
        fSio.SioBaud(port, baudCode);
        fSio.SioDTR(port, 'S');
        fSio.SioRTS(port, 'S');
        if (fSio.SioParms(port, 0, 0, 8) < 0) {
            BadExit();
            return;
        }
        fSio.SioSetTimeouts(port, -1, 0, 0, 1, 500);

        for (auto* t : {&fParser, &fProcessor, &fReader, &fWriter})
            (*t)->Resume();

        const int kind = fLinkKind;
        fRequiredBits = RequiredBitsOfKind(kind);
        if (IsGpioKind(kind)) {
            fOutbox.DipRequest = true;
        } else if (IsSerialKind(kind)) {
            SendSerialFrame(kStatusRequestCode, 0, 0);
            fHealth.SetSerialPingFailed(false);
        } else if (IsUsbCanKind(kind)) {
            QueueAdapterPing();
        }
        fPinger->Resume();
    } catch (...) {
        BadExit();
    }
}

void TDVIOController::ClosePort()
{
    if (fPortOpen.exchange(false)) {
        fSio.SioReset(fPortNumber, 512, 512);
        fSio.SioDone(fPortNumber);
    }
}

void TDVIOController::FreeThread(std::unique_ptr<TPortNamedThread>& thread)
{
    if (!thread)
        return;
    const int port = fPortNumber;
    LinkLog(kLinkEventLevel, "Freeing Thread " + thread->Name() + " Port: " + std::to_string(port));
    thread->Terminate();
    if (thread->Suspended())
        thread->Resume();
    thread->Terminate();
    // The thread may be waiting for the main thread right now: keep serving.
    TPortNamedThread* t = thread.get();
    TMainThreadCalls::ServeUntil([t] { return t->Finished(); });
    t->Join();
    const std::string name = thread->Name();
    thread.reset();
    LinkLog(kLinkEventLevel, "Freed Thread " + name + " Port: " + std::to_string(port));
}

void TDVIOController::FreeThreads()
{
    fOutbox.Close();
    // Every thread is told first so that none waits on another's time-out.
    for (auto* t : {&fWriter, &fReader, &fParser, &fProcessor, &fPinger})
        if (*t)
            (*t)->Terminate();
    for (auto* t : {&fWriter, &fReader, &fParser, &fProcessor, &fPinger})
        FreeThread(*t);
}

bool TDVIOController::CloseLink()
{
    if (fDestroyed)
        return true;
    fDestroying = true;
    fHealth.SetLinkUp(false);
    const int port = fPortNumber;
    LinkLogFmt(kLinkEventLevel, "Destroying Port: %d", port);
    TLinkLocks::WaitUntilIdle();
    FreeThreads();
    ClosePort();
    fInbox.Clear();
    fOutbox.ClearGpio();
    fOutbox.ClearText();
    LinkLogFmt(kLinkEventLevel, "Comport %d was destroyed", port);
    fDestroyed = true;
    return true;
}

bool TDVIOController::PortPresent()
{
    const int port = fPortNumber;
    if (port == kNoPort)
        return false;
    const int status = fSio.SioStatus(port, kSioStatusAll);
    return status != kSioNotOpen && status != kSioNoSuchPort;
}

void TDVIOController::SettleWait(int ms)
{
    if (TMainThreadCalls::OnMainThread())
        TMainThreadCalls::WaitServing(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// ---- sending ------------------------------------------------------------

void TDVIOController::QueueCommandText(std::string text, uint8_t code, int board)
{
    fOutbox.QueueText(std::move(text), TextKindOfCode(code), static_cast<uint32_t>(code) << 8 | (board & 0xFF));
    // Board commands go out at once, not on the writer's next time-out.
    if (fWriter)
        fWriter->Event().Set();
}

void TDVIOController::SendAdapterFrame(const TCanRecord& record)
{
    fHealth.SetWatch(TWatch::Send, true);
    QueueCommandText(BuildAdapterFrame(record), CanMessageCode(record.Identifier), CanBoard(record.Identifier));
    fHealth.SetWatch(TWatch::Send, false);
}

void TDVIOController::SendGpioCanFrame(int channel, const TCanRecord& record)
{
    if (channel < 1 || channel > 2)
        return;
    const auto bytes = record.ToBytes();
    fOutbox.QueueGpio(channel == 1 ? gtCan1 : gtCan2, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    SettleWait(5);
}

bool TDVIOController::SendSerialFrame(uint8_t code, uint32_t dataLow, uint32_t dataHigh)
{
    // The direct line reaches one board: every command of a code shares a key.
    QueueCommandText(BuildSerialLine(code, dataLow, dataHigh), code, 0);
    return true;
}

void TDVIOController::QueueAdapterReset()
{
    LinkLog(kLinkEventLevel, "Sending Reset to USB to CAN");
    for (const auto& command : AdapterResetSequence())
        fOutbox.QueueText(command);
    fOutbox.AdapterResetSent = true;
}

void TDVIOController::QueueAdapterPing()
{
    if (!fOutbox.AdapterResetSent)
        QueueAdapterReset();
    fOutbox.QueueText(kAdapterPing);
}

} // namespace orv
