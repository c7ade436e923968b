#include "device/Messages.h"

#include "FakeControllerLink.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(Messages, CommandIdentifiersCarryTheBoardExceptSetBoardId)
{
    struct Case {
        int board, index;
        uint32_t id;
    };
    const Case cases[] = {
        {0, ciStatusRequest, 0x00080002},  {1, ciStatusRequest, 0x00080102},
        {2, ciControlMessage, 0x00080201}, {2, ciConfigCmd, 0x00080205},
        {1, ciSetControllerBoardId, 0x00080014}, {2, ciSetControllerBoardId, 0x00080014},
        {0, ciSetDrySealValueAndMode, 0x00080017}, {1, ciGetFeedbackPotDirection, 0x0008011B},
    };
    for (const auto& c : cases) {
        const TCanRecord r = BuildCommandRecord(c.board, c.index, 0x11223344, 0x55667788);
        EXPECT_EQ(c.id, r.Identifier) << c.index;
        EXPECT_EQ(0x80080000u, r.Header);
        EXPECT_EQ(0x11223344u, r.DataLow);
        EXPECT_EQ(0x55667788u, r.DataHigh);
    }
}

TEST(Messages, TablesHoldTheCodesAndNames)
{
    EXPECT_EQ(0x46, kCommands[30].code);
    EXPECT_STREQ("Do a Com Check", kCommands[30].name);
    EXPECT_STREQ("set Dry Seal Value and Mode", kCommands[ciSetDrySealValueAndMode].name);
    EXPECT_EQ(skCurrent, StatusKindOfCode(0x09));
    EXPECT_EQ(skFeedbackPotDirection, StatusKindOfCode(0x1C));
    EXPECT_EQ(-1, StatusKindOfCode(0x05));
    EXPECT_STREQ("PMW Status: ", kStatuses[skPmwStatus].name);
    EXPECT_STREQ("High Speed Solenoids On", kStatusFlagNames[9]);
}

TEST(Messages, TransportFollowsTheLinkKind)
{
    const TCanRecord r = BuildCommandRecord(2, ciControlMessage, 0x01020304, 0x05060708);
    struct Case {
        int kind;
        bool healthy;
        std::string via;
        bool handed;
    };
    const Case cases[] = {
        {0, true, "G", true}, {1, false, "", false}, {4, true, "AA", true},
        {5, false, "", false}, {2, false, "S", true}, {3, true, "S", true},
    };
    for (const auto& c : cases) {
        test::FakeControllerLink link;
        link.kind = c.kind;
        link.healthy = c.healthy;
        EXPECT_EQ(c.handed, TransportCommand(link, r)) << c.kind;
        std::string via;
        for (const auto& s : link.sent)
            via += s.via;
        EXPECT_EQ(c.via, via) << c.kind;
        if (via == "G") {
            EXPECT_EQ(1, link.gpioChannel);
        }
        if (via == "S") {
            // Only the code travels on the direct line, whatever the board.
            EXPECT_EQ(0x01u, link.sent[0].record.Identifier);
            EXPECT_EQ(0x01020304u, link.sent[0].record.DataLow);
        }
    }
}

TEST(Messages, DataFieldsAreLittleEndian)
{
    uint32_t lo = 0, hi = 0;
    SetDataWord(lo, hi, 0, 0x1234);
    SetDataWord(lo, hi, 3, 0xABCD);
    SetDataByte(lo, hi, 7, 0x50);
    EXPECT_EQ(0xCD001234u, lo);
    EXPECT_EQ(0x500000ABu, hi);
    EXPECT_EQ(0xABCD, DataWord(lo, hi, 3));
    EXPECT_EQ(0x50, DataByte(lo, hi, 7));
}

} // namespace
} // namespace orv
