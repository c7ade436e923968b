#include "link/LinkOutbox.h"

#include "link/LinkLocks.h"

#include <algorithm>
#include <cstring>

namespace orv {

TLinkOutbox::TLinkOutbox()
{
    for (auto& c : fChannels)
        c.buffer.resize(kChannelCapacity);
}

void TLinkOutbox::QueueText(std::string text)
{
    if (fClosed)
        return;
    std::lock_guard lock(fTextLock);
    fText.push_back(std::move(text));
    while (fText.size() > kMaxQueuedText)
        fText.pop_front();
}

void TLinkOutbox::QueueGpio(TGpioType type, std::vector<uint8_t> data)
{
    std::lock_guard lock(fGpioLock);
    fGpio.push_back({type, std::move(data)});
    while (fGpio.size() > kMaxQueued)
        fGpio.pop_front();
}

std::optional<std::string> TLinkOutbox::TakeText()
{
    std::lock_guard lock(fTextLock);
    while (fText.size() > kMaxQueuedText)
        fText.pop_front();
    if (fText.empty())
        return std::nullopt;
    std::string s = std::move(fText.front());
    fText.pop_front();
    return s;
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
}

void TLinkOutbox::ClearGpio()
{
    std::lock_guard lock(fGpioLock);
    fGpio.clear();
}

size_t TLinkOutbox::TextCount() const
{
    std::lock_guard lock(fTextLock);
    return fText.size();
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
