#include "link/LinkOutbox.h"

#include "link/CanRecord.h"
#include "link/LinkLocks.h"
#include "link/LinkLog.h"

#include <algorithm>
#include <cstring>

namespace orv {

const TTextRule kTextRules[2] = {
    {kControlMessageCode, TTextKind::Latest},
    {kStatusRequestCode, TTextKind::Poll},
};

TTextKind TextKindOfCode(uint8_t code)
{
    for (const auto& rule : kTextRules)
        if (rule.code == code)
            return rule.kind;
    return TTextKind::Keep;
}

TLinkOutbox::TLinkOutbox()
{
    for (auto& c : fChannels)
        c.buffer.resize(kChannelCapacity);
}

void TLinkOutbox::Coalesce(std::deque<TTextEntry>& queue, std::string text, TTextKind kind, uint32_t key)
{
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->kind != kind || it->key != key)
            continue;
        if (it->text == text) {
            // The same again (the adapter's second copy): one more copy, in place.
            it->copies = std::min(it->copies + 1, kMaxCopies);
            return;
        }
        // Newer news: the waiting one goes, the new one queues behind
        // whatever was sent before it.
        queue.erase(it);
        break;
    }
    queue.push_back({std::move(text), kind, key, 1});
}

void TLinkOutbox::QueueText(std::string text, TTextKind kind, uint32_t key)
{
    if (fClosed)
        return;
    std::lock_guard lock(fTextLock);
    switch (kind) {
    case TTextKind::Keep:
        if (fText.size() + fPolls.size() >= kMaxQueuedText) {
            LinkLog(kLinkEventLevel, "Text queue full");
            return;
        }
        fText.push_back({std::move(text), kind, key, 1});
        break;
    case TTextKind::Latest:
        Coalesce(fText, std::move(text), kind, key);
        break;
    case TTextKind::Poll:
        Coalesce(fPolls, std::move(text), kind, key);
        break;
    }
}

void TLinkOutbox::QueueGpio(TGpioType type, std::vector<uint8_t> data)
{
    std::lock_guard lock(fGpioLock);
    fGpio.push_back({type, std::move(data)});
    while (fGpio.size() > kMaxQueued)
        fGpio.pop_front();
}

std::optional<TLinkOutbox::TTextEntry> TLinkOutbox::TakeEntryLocked()
{
    std::deque<TTextEntry>& from = fText.empty() ? fPolls : fText;
    if (from.empty())
        return std::nullopt;
    TTextEntry e = std::move(from.front());
    from.pop_front();
    return e;
}

namespace {
std::string Copies(const std::string& text, int copies)
{
    std::string out;
    out.reserve(text.size() * static_cast<size_t>(copies));
    for (int i = 0; i < copies; ++i)
        out += text;
    return out;
}
} // namespace

std::optional<std::string> TLinkOutbox::TakeText()
{
    std::lock_guard lock(fTextLock);
    auto e = TakeEntryLocked();
    if (!e)
        return std::nullopt;
    return Copies(e->text, e->copies);
}

std::string TLinkOutbox::TakeTextBatch(size_t maxBytes)
{
    std::lock_guard lock(fTextLock);
    std::string batch;
    while (true) {
        const std::deque<TTextEntry>& next = fText.empty() ? fPolls : fText;
        if (next.empty() || (!batch.empty() && batch.size() + next.front().Size() > maxBytes))
            break;
        const auto e = TakeEntryLocked();
        batch += Copies(e->text, e->copies);
    }
    return batch;
}

std::optional<TGpioMessage> TLinkOutbox::TakeGpio()
{
    std::lock_guard lock(fGpioLock);
    while (fGpio.size() > kMaxQueued)
        fGpio.pop_front();
    if (fGpio.empty())
        return std::nullopt;
    TGpioMessage m = std::move(fGpio.front());
    fGpio.pop_front();
    return m;
}

void TLinkOutbox::ClearText()
{
    std::lock_guard lock(fTextLock);
    fText.clear();
    fPolls.clear();
}

void TLinkOutbox::ClearGpio()
{
    std::lock_guard lock(fGpioLock);
    fGpio.clear();
}

size_t TLinkOutbox::TextCount() const
{
    std::lock_guard lock(fTextLock);
    return fText.size() + fPolls.size();
}

size_t TLinkOutbox::GpioCount() const
{
    std::lock_guard lock(fGpioLock);
    return fGpio.size();
}

int TLinkOutbox::WriteChannel(const uint8_t* src, int count, int channel)
{
    if (channel < 1 || channel > 4 || count < 0)
        return 0;
    std::lock_guard lock(TLinkLocks::ChannelTransmit());
    Channel& c = fChannels[channel - 1];
    if (c.pending + static_cast<size_t>(count) > kChannelCapacity)
        return 0;
    if (count)
        std::memcpy(c.buffer.data() + c.pending, src, static_cast<size_t>(count));
    c.pending += static_cast<size_t>(count);
    return count;
}

size_t TLinkOutbox::ChannelPending(int channel) const
{
    if (channel < 1 || channel > 4)
        return 0;
    std::lock_guard lock(TLinkLocks::ChannelTransmit());
    return fChannels[channel - 1].pending;
}

void TLinkOutbox::FlushChannels()
{
    std::lock_guard lock(TLinkLocks::ChannelTransmit());
    for (int i = 0; i < 4; ++i) {
        Channel& c = fChannels[i];
        if (c.pending == 0)
            continue;
        const auto type = static_cast<TGpioType>(gtSerial1 + i);
        const size_t whole = c.pending / kGpioMaxSendLength;
        const size_t room = kMaxQueued - std::min(kMaxQueued, GpioCount());
        // More frames than the queue keeps would push channel data out of it:
        // send what fits now and keep the rest for the next round.
        const size_t frames = whole + 1 <= room ? whole : std::min(whole, room);
        size_t pos = 0;
        for (size_t f = 0; f < frames; ++f, pos += kGpioMaxSendLength)
            QueueGpio(type, std::vector<uint8_t>(c.buffer.begin() + pos, c.buffer.begin() + pos + kGpioMaxSendLength));
        if (whole + 1 <= room) {
            QueueGpio(type, std::vector<uint8_t>(c.buffer.begin() + pos, c.buffer.begin() + c.pending));
            c.pending = 0;
        } else {
            std::memmove(c.buffer.data(), c.buffer.data() + pos, c.pending - pos);
            c.pending -= pos;
        }
    }
}

} // namespace orv
