#pragma once
#include "device/ControllerLink.h"

#include <deque>
#include <vector>

namespace orv::test {

// A link that records what the device model sends and feeds it frames.
class FakeControllerLink : public IControllerLink {
public:
    struct Sent {
        char via; // 'G' GPIO board, 'A' adapter, 'S' direct serial
        TCanRecord record;
    };

    int LinkKind() const override { return kind; }
    int PortNumber() const override { return port; }
    bool LinkHealthy() override { return healthy; }
    void SendGpioCanFrame(int channel, const TCanRecord& r) override
    {
        gpioChannel = channel;
        sent.push_back({'G', r});
    }
    void SendAdapterFrame(const TCanRecord& r) override { sent.push_back({'A', r}); }
    void SendSerialFrame(uint8_t code, uint32_t lo, uint32_t hi) override
    {
        sent.push_back({'S', MakeCanRecord(code, lo, hi)});
    }
    bool PopCanFrame(int channel, TCanRecord& r) override
    {
        if (channel != 1 || received.empty())
            return false;
        r = received.front();
        received.pop_front();
        return true;
    }
    void MarkPingFailed() override { ++pingFailures; }
    void SetChannelConfig(int channel, int code) override { channelConfigs.push_back({channel, code}); }

    // Codes of everything sent, in order.
    std::vector<int> Codes() const
    {
        std::vector<int> c;
        for (const auto& s : sent)
            c.push_back(CanMessageCode(s.record.Identifier));
        return c;
    }

    int kind = 5;
    int port = 3;
    bool healthy = true;
    int gpioChannel = 0;
    int pingFailures = 0;
    std::vector<Sent> sent;
    std::deque<TCanRecord> received;
    std::vector<std::pair<int, int>> channelConfigs;
};

// A report from a board: code, board, data bytes D0..D7.
inline TCanRecord Report(uint8_t code, int board, std::initializer_list<uint8_t> bytes)
{
    uint32_t lo = 0, hi = 0;
    int i = 0;
    for (uint8_t b : bytes) {
        if (i < 4)
            lo |= static_cast<uint32_t>(b) << (8 * i);
        else
            hi |= static_cast<uint32_t>(b) << (8 * (i - 4));
        ++i;
    }
    return MakeCanRecord(CanIdentifier(code, board), lo, hi);
}

} // namespace orv::test
