// The adapter link against orvane-sim's USB-to-CAN adapter with a dual gate
// behind it: what the boards need reaches them whole.
#include "link/AdapterFrame.h"
#include "link/DVIOController.h"
#include "tests/link/LinkTestSupport.h"
#include "tests/support/SimProcess.h"

#include <gtest/gtest.h>

#include <memory>

namespace orv {
namespace {

using test::ServeUntil;

// How often the simulated adapter received the text.
size_t Received(const test::SimProcess& sim, const std::string& text)
{
    const std::string line = "RX usbcan \"" + text.substr(0, text.size() - 1) + "\\r\"";
    const std::string log = sim.LogText();
    size_t n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + line.size()))
        ++n;
    return n;
}

TEST(AdapterAgainstSim, ABurstOfSettingsAndBoardIdRequestsReachesTheBoardsWhole)
{
    test::SimProcess sim({"--link", "usbcan", "--port", "2", "--boards", "2"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    auto link = std::make_unique<TDVIOController>(DefaultSerialLibrary(), lkUsbCanKnown);
    link->SetCanPingRecord(MakeCanRecord(CanIdentifier(kStatusRequestCode, 0)));
    link->SetPortNumber(2);
    link->OpenLink(9);
    ASSERT_TRUE(ServeUntil([&] { return link->LinkVerified(); }, 10000));

    // Twenty pump stop delays and twenty board ID requests for the two boards
    // at once, each sent twice as the adapter path does.
    std::vector<std::pair<std::string, size_t>> wanted;
    for (int i = 0; i < 20; ++i) {
        const int board = 1 + i % 2;
        const TCanRecord delay = MakeCanRecord(CanIdentifier(0x11, board), static_cast<uint32_t>(10 + i));
        link->SendAdapterFrame(delay);
        link->SendAdapterFrame(delay);
        wanted.push_back({BuildAdapterFrame(delay), 2});
        const TCanRecord idRequest = MakeCanRecord(CanIdentifier(0x15, board));
        link->SendAdapterFrame(idRequest);
        link->SendAdapterFrame(idRequest);
    }
    for (int board : {1, 2})
        wanted.push_back({BuildAdapterFrame(MakeCanRecord(CanIdentifier(0x15, board))), 20});
    const bool all = ServeUntil(
        [&] {
            for (const auto& [text, count] : wanted)
                if (Received(sim, text) < count)
                    return false;
            return true;
        },
        10000);
    for (const auto& [text, count] : wanted)
        EXPECT_EQ(count, Received(sim, text)) << text;
    EXPECT_TRUE(all);
    link->CloseLink();
}

} // namespace
} // namespace orv
