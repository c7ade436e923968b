// The steps the worker threads run on their own threads.
#include "link/DVIOController.h"
#include "link/LinkLocks.h"
#include "link/LinkLog.h"
#include "link/MainThreadCall.h"
#include "link/PortThreads.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace orv {

void TDVIOController::ReadAvailable(int n)
{
    const int port = fPortNumber;
    if (IsGpioKind(fLinkKind)) {
        std::lock_guard lock(TLinkLocks::Receive());
        if (fInbox.GpioCountLocked() + static_cast<size_t>(n) >= kGpioRxBufferSize + 1) {
            // Would overflow: the parser is far behind, start afresh.
            fInbox.GpioDiscardLocked();
            return;
        }
        fHealth.SetWatch(TWatch::Receive, true);
        const int got = fSio.SioGets(port, reinterpret_cast<char*>(fInbox.GpioTailLocked()), n);
        if (got > 0)
            fInbox.GpioAddedLocked(static_cast<size_t>(got));
        if (fInbox.GpioCountLocked() > 0 && fParser)
            fParser->Event().Set();
        fHealth.SetWatch(TWatch::Receive, false);
        return;
    }
    std::string text(static_cast<size_t>(n), '\0');
    fHealth.SetWatch(TWatch::Receive, true);
    int got;
    {
        std::lock_guard lock(TLinkLocks::Receive());
        got = fSio.SioGets(port, text.data(), n);
    }
    fHealth.SetWatch(TWatch::Receive, false);
    if (got <= 0)
        return;
    text.resize(static_cast<size_t>(got));
    size_t size;
    {
        std::lock_guard lock(TLinkLocks::Receive());
        fInbox.AppendTextLocked(text);
        size = fInbox.TextSizeLocked();
    }
    if (fParser && (!IsSerialKind(fLinkKind) || size > 28))
        fParser->Event().Set();
}

void TDVIOController::ParseReceived(TPortNamedThread&, TLinkEvent* output)
{
    TLinkInbox::TParseOutput out;
    {
        std::lock_guard lock(TLinkLocks::Receive());
        fInbox.ParseLocked(fLinkKind, out);
    }
    // Only GPIO messages wake the processor; the text kinds wait for its time-out.
    if (IsGpioKind(fLinkKind) && out.Emitted > 0 && output)
        output->Set();
    for (const auto& line : out.TrafficLines)
        LinkLog(kLinkTrafficLevel, line);
    for (const auto& line : out.EventLines)
        LinkLog(kLinkEventLevel, line);
    for (const auto& line : out.AppLogLines)
        LogText(line);
}

void TDVIOController::ProcessReceived(TLinkEvent& own)
{
    std::lock_guard lock(TLinkLocks::Receive());
    fInbox.ProcessLocked();
    own.Reset();
}

bool TDVIOController::WriterTick(TPortWriteSerialThread& writer)
{
    if (fDestroying || !PortPresent() || !fHealth.LinkHealthy())
        return false;
    if (fOutbox.DipRequest) {
        uint8_t frame[8];
        const size_t len = BuildGpioFrameInto(gtDip, nullptr, 0, frame, sizeof frame);
        WriteItem(writer, reinterpret_cast<const char*>(frame), static_cast<int>(len), false);
    }
    fOutbox.FlushChannels();
    if (IsGpioKind(fLinkKind)) {
        std::vector<uint8_t> out(kGpioRxBufferSize);
        while (!writer.Terminated()) {
            auto m = fOutbox.TakeGpio();
            if (!m)
                break;
            const size_t len = BuildGpioFrameInto(m->Type, m->Data.data(), m->Data.size(), out.data(), out.size());
            if (!WriteItem(writer, reinterpret_cast<const char*>(out.data()), static_cast<int>(len), false)) {
                fOutbox.ClearGpio();
                break;
            }
        }
    } else {
        // Texts go out in batches, one write and one pause for all that wait
        // (up to a batch's size): a write per text, each with its pause, let
        // a moving dual gate's commands and the status poll outrun the writer.
        while (!writer.Terminated()) {
            const std::string batch = fOutbox.TakeTextBatch();
            if (batch.empty())
                break;
            if (!WriteItem(writer, batch.data(), static_cast<int>(batch.size()), true)) {
                fOutbox.ClearText();
                break;
            }
        }
    }
    return true;
}

bool TDVIOController::WriteItem(TPortWriteSerialThread& writer, const char* bytes, int len, bool text)
{
    const int port = fPortNumber;
    if (!TMainThreadCalls::Call([this] { fHealth.SetWatch(TWatch::Send, true); }, writer.TerminatedFlag()))
        return false;
    bool ok = true;
    {
        std::lock_guard lock(TLinkLocks::PortWrite());
        const int written = fSio.SioPuts(port, bytes, len);
        std::this_thread::sleep_for(std::chrono::milliseconds(text ? 15 : 10));
        const int status = fSio.SioStatus(port, kSioTxFull);
        const int failure = written < 0 ? written : status < 0 ? status : 0;
        if (failure < 0 || status > 0) {
            if (text && status > 0)
                LinkLog(kLinkEventLevel, "TX full");
            if (failure == kSioNotOpen)
                LinkLogFmt(kLinkEventLevel, "%d not open", port);
            if (failure == kSioNoSuchPort)
                LinkLogFmt(kLinkEventLevel, "%d port does not exist", port);
            ClosePort();
            fHealth.SetLinkUp(false);
            ok = false;
        } else if (written != len) {
            if (text)
                LinkLogFmt(kLinkEventLevel, "WriteFrameToGPIO %d: count difference %d %d", port, len, written);
            else
                LinkLogFmt(kLinkEventLevel, "WriteFrameToGPIO %d: out:%d actual:%d", port, len, written);
        }
    }
    TMainThreadCalls::Call([this] { fHealth.SetWatch(TWatch::Send, false); }, writer.TerminatedFlag());
    return ok;
}

bool TDVIOController::PingerRunTick(TPingThread& pinger)
{
    TMainThreadCalls::Call([this] { PingTick(); }, pinger.TerminatedFlag());
    return !pinger.Terminated();
}

} // namespace orv
