#include "link/LinkInbox.h"

#include "link/AdapterFrame.h"
#include "link/CanRecord.h"
#include "link/LinkLocks.h"
#include "link/SerialFrame.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace orv {

namespace {
TGpioMessage CanMessage(const TCanRecord& r)
{
    const auto b = r.ToBytes();
    return {gtCan1, std::vector<uint8_t>(b.begin(), b.end())};
}
} // namespace

TLinkInbox::TLinkInbox() : fGpioRx(kGpioRxBufferSize)
{
    for (auto& c : fChannels) {
        c.front.resize(kChannelSize);
        c.back.resize(kChannelSize);
    }
}

void TLinkInbox::AppendTextLocked(std::string_view text)
{
    fRxText.append(text);
    if (fRxText.size() > kMaxText)
        fRxText.clear();
}

void TLinkInbox::ParseLocked(int linkKind, TParseOutput& out)
{
    if (IsGpioKind(linkKind)) {
        std::vector<TGpioMessage> messages;
        fGpioCount = ParseGpioBuffer(fGpioRx.data(), fGpioCount, messages);
        out.Emitted += static_cast<int>(messages.size());
        for (auto& m : messages)
            fReceived.push_back(std::move(m));
    } else if (IsSerialKind(linkKind)) {
        TSerialParse parse;
        ParseSerialText(fRxText, parse);
        out.Emitted += static_cast<int>(parse.Records.size());
        for (const auto& r : parse.Records)
            fReceived.push_back(CanMessage(r));
        for (auto& line : parse.DebugLines)
            out.EventLines.push_back(std::move(line));
    } else if (IsUsbCanKind(linkKind)) {
        TAdapterParse parse;
        ParseAdapterText(fRxText, parse);
        out.Emitted += static_cast<int>(parse.Records.size());
        for (const auto& r : parse.Records)
            fReceived.push_back(CanMessage(r));
        for (auto& line : parse.DebugLines)
            out.TrafficLines.push_back(std::move(line));
        for (auto& line : parse.LogLines)
            out.AppLogLines.push_back(std::move(line));
    }
}

void TLinkInbox::ProcessLocked()
{
    while (!fReceived.empty()) {
        TGpioMessage m = std::move(fReceived.front());
        fReceived.pop_front();
        const int type = m.Type < kGpioTypeCount ? m.Type : gtUnknown;
        fResponse[type] = true;
        const size_t n = m.Data.size();
        if (type == gtDip && n == 5) {
            std::copy_n(m.Data.begin(), 5, fDip.begin());
        } else if ((type == gtSetBits || type == gtClearBits) && n == 2) {
            fGpioStatus[0] = m.Data[0];
            fGpioStatus[1] = m.Data[1];
        } else if (type >= gtSerial1 && type <= gtSerial1 + 3) {
            Channel& c = fChannels[type - gtSerial1];
            if (c.backCount + n <= kChannelKeep) {
                std::memcpy(c.back.data() + c.backCount, m.Data.data(), n);
                c.backCount += n;
            }
        } else if ((type == gtCan1 || type == gtCan2) && n == 16) {
            auto& q = fCan[type - gtCan1];
            q.push_back(TCanRecord::FromBytes(m.Data.data()));
            const auto periodic = [](const TCanRecord& r) { return IsPeriodicReport(r.Identifier); };
            for (auto n = std::count_if(q.begin(), q.end(), periodic); n > static_cast<long>(kCanQueueKeep); --n)
                q.erase(std::find_if(q.begin(), q.end(), periodic));
            while (q.size() > kCanQueueGuard)
                q.pop_front();
        }
    }
}

std::optional<TCanRecord> TLinkInbox::PopCan(int channel)
{
    if (channel < 1 || channel > 2)
        return std::nullopt;
    std::lock_guard lock(TLinkLocks::Receive());
    auto& q = fCan[channel - 1];
    if (q.empty())
        return std::nullopt;
    TCanRecord r = q.front();
    q.pop_front();
    return r;
}

size_t TLinkInbox::CanQueueSize(int channel)
{
    if (channel < 1 || channel > 2)
        return 0;
    std::lock_guard lock(TLinkLocks::Receive());
    return fCan[channel - 1].size();
}

bool TLinkInbox::ResponseFlag(int type)
{
    if (type < 0 || type >= kGpioTypeCount)
        return false;
    std::lock_guard lock(TLinkLocks::Receive());
    return fResponse[type];
}

void TLinkInbox::SetResponseFlag(int type, bool value)
{
    if (type < 0 || type >= kGpioTypeCount)
        return;
    std::lock_guard lock(TLinkLocks::Receive());
    fResponse[type] = value;
}

std::array<uint8_t, 5> TLinkInbox::DipBytes()
{
    std::lock_guard lock(TLinkLocks::Receive());
    return fDip;
}

uint8_t TLinkInbox::GpioStatus(int index)
{
    std::lock_guard lock(TLinkLocks::Receive());
    return index == 1 || index == 2 ? fGpioStatus[index - 1] : 0;
}

TLinkInbox::Channel* TLinkInbox::ChannelOf(int channel)
{
    return channel >= 1 && channel <= 4 ? &fChannels[channel - 1] : nullptr;
}

int TLinkInbox::ChannelBytesAvailable(int channel)
{
    Channel* c = ChannelOf(channel);
    if (!c)
        return 0;
    std::lock_guard lock(TLinkLocks::Receive());
    return static_cast<int>(c->frontCount - c->frontPos + c->backCount);
}

int TLinkInbox::ReadChannel(uint8_t* dest, int count, int channel)
{
    Channel* c = ChannelOf(channel);
    if (!c || count <= 0)
        return 0;
    int copied = 0;
    while (copied < count) {
        if (c->frontPos == c->frontCount) {
            // The front ran empty: take what the processor collected meanwhile.
            std::lock_guard lock(TLinkLocks::Receive());
            if (c->backCount == 0)
                break;
            std::swap(c->front, c->back);
            c->frontCount = c->backCount;
            c->frontPos = 0;
            c->backCount = 0;
        }
        const size_t k = std::min<size_t>(count - copied, c->frontCount - c->frontPos);
        std::memcpy(dest + copied, c->front.data() + c->frontPos, k);
        c->frontPos += k;
        copied += static_cast<int>(k);
    }
    return copied;
}

void TLinkInbox::Clear()
{
    std::lock_guard lock(TLinkLocks::Receive());
    fGpioCount = 0;
    fRxText.clear();
    fReceived.clear();
    fCan[0].clear();
    fCan[1].clear();
    std::fill(std::begin(fResponse), std::end(fResponse), false);
    for (auto& c : fChannels)
        c.frontCount = c.frontPos = c.backCount = 0;
}

} // namespace orv
