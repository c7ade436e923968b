#include "nav/GeneralCom.h"

#include "store/Log.h"

#include <algorithm>
#include <cstring>

namespace orv {

TGeneralCom::TGeneralCom(ISerialLibrary& library) : fPort(library)
{
    fLines.SetDelimiters("\r\n");
    fPort.OnError = [this](uint32_t errors) { HandleCommErrors(errors); };
}

TGeneralCom::~TGeneralCom()
{
    fPort.OnError = nullptr;
    fPort.Close();
}

bool TGeneralCom::OpenLink()
{
    if (fPort.Open())
        fPort.ClearBuffers(true, true);
    return fPort.Connected();
}

TMsgDecoding& TGeneralCom::AddDecoder(std::unique_ptr<TMsgDecoding> decoder)
{
    fDecoders.push_back(std::move(decoder));
    return *fDecoders.back();
}

void TGeneralCom::DispatchLine(std::string_view line)
{
    for (auto& decoder : fDecoders) {
        if (!decoder->Match(line) || !decoder->Decode(line))
            continue;
        if (fQueue.size() >= kMaxQueuedMessages)
            fQueue.pop_front();
        fQueue.push_back({decoder->CurrentMessageId(), decoder.get()});
    }
}

bool TGeneralCom::Poll()
{
    const bool read = ReadIntoBuffer(kReadChunk) > 0;
    if (Connected())
        DrainQueue();
    return read;
}

void TGeneralCom::DrainQueue()
{
    while (!fQueue.empty()) {
        const TDecodedMessage message = fQueue.front();
        fQueue.pop_front();
        MessageDecoded(message);
    }
}

int TGeneralCom::WriteSentence(const std::string& text)
{
    fLastSent.assign(text, 0, std::min<size_t>(text.size(), kBufferSize - 1));
    return WriteText(text);
}

int TGeneralCom::ReadIntoBuffer(int requested)
{
    // A decoder's hook may end up polling again; that call only counts itself.
    if (fReading) {
        ++fReentrantReads;
        return 0;
    }
    fReading = true;
    int count = 0;
    try {
        const size_t usable = kBufferSize - 1;
        if (usable - fHeld < static_cast<size_t>(std::max(requested, 100)))
            fHeld = 0;
        const int room = static_cast<int>(std::min<size_t>(usable - fHeld, static_cast<size_t>(std::max(requested, 0))));
        count = ReadBytes(fBuffer.data() + fHeld, room);
        if (count > 0) {
            if (fDiscard) {
                fHeld = 0;
            } else {
                fHeld += static_cast<size_t>(count);
                SplitLines();
            }
        }
    } catch (const std::exception& e) {
        Log("%s", std::string("Exception Tokenizing: ") + e.what());
        fHeld = 0;
    }
    fReading = false;
    return count;
}

void TGeneralCom::FeedBuffer(std::string_view text)
{
    const size_t usable = kBufferSize - 1;
    if (usable - fHeld < std::max<size_t>(text.size(), 100))
        fHeld = 0;
    const size_t n = std::min(text.size(), usable - fHeld);
    std::memcpy(fBuffer.data() + fHeld, text.data(), n);
    fHeld += n;
}

void TGeneralCom::ProcessBuffer()
{
    if (fReading) {
        ++fReentrantReads;
        return;
    }
    fReading = true;
    try {
        SplitLines();
    } catch (const std::exception& e) {
        Log("%s", std::string("Exception Tokenizing: ") + e.what());
        fHeld = 0;
    }
    fReading = false;
}

void TGeneralCom::SplitLines()
{
    fBuffer[fHeld] = 0;
    fLines.Tokenize(fBuffer.data(), fHeld);
    const size_t n = fLines.Count();
    bool anyLong = false;
    for (size_t i = 0; i < n && !anyLong; ++i)
        anyLong = !fLines.TokenIsDelimiter(i) && fLines.TokenLength(i) >= kMinLineLength;
    // Until a line of some length has come in, the fragments wait for the rest.
    if (!anyLong)
        return;
    for (size_t i = 0; i + 1 < n; ++i) {
        if (!fLines.TokenIsDelimiter(i) && fLines.TokenLength(i) >= kMinLineLength)
            DispatchLine(fLines.TokenText(i));
    }
    const char last = fBuffer[fHeld - 1];
    if (last == '\r' || last == '\n') {
        fHeld = 0;
        return;
    }
    // The trailing partial line moves to the front for the next read.
    const size_t start = fLines.TokenStart(n - 1);
    const size_t partial = fHeld - start;
    std::memmove(fBuffer.data(), fBuffer.data() + start, partial);
    fHeld = partial;
}

void TGeneralCom::HandleCommErrors(uint32_t errors)
{
    TGPSClock& clock = TGPSClock::Instance();
    if (clock.DeadlineRunning(fErrorLogDeadline))
        return;
    clock.SetDeadline(kCommErrorLogIntervalMs, fErrorLogDeadline);
    Log("Comm Errors %S", ComErrorNames(errors));
}

} // namespace orv
