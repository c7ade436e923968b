#include "app/PageModes.h"
#include "ui/PageTable.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(PageModes, FailureThenServiceThenNominal)
{
    struct Case {
        uint8_t mode;
        int primary;
        bool apply;
        uint32_t mask;
        int page;
    };
    const Case cases[] = {
        {osFailure, 1, true, 0x1, pgDiagnostics},
        {osFailure | osService | osNominal, 1, true, 0x1, pgDiagnostics},
        {osService | osNominal, 0, true, 0x1FC1032, pgSelectPrimaryMode},
        {osNominal, 0, true, 0, pgRunGate},
        {osNominal, 1, true, 0, pgRunDryMaterial},
        {osNominal, 2, true, 0, pgRunWetSealed},
        {osNominal, 3, true, 0, -1},
        {osNominal, 4, true, 0, pgRunDryMaterial},
        {0, 1, false, 0, -1},
    };
    for (const auto& c : cases) {
        const TTabChoice t = ChooseTabs(c.mode, c.primary);
        EXPECT_EQ(c.apply, t.apply) << int(c.mode);
        EXPECT_EQ(c.mask, t.mask) << int(c.mode);
        EXPECT_EQ(c.page, t.page) << int(c.mode) << " " << c.primary;
    }
}

TEST(PageModes, TheServiceMaskOffersTheServicePages)
{
    const int service[] = {1, 4, 5, 12, 18, 19, 20, 21, 22, 23, 24};
    uint32_t mask = 0;
    for (int p : service)
        mask |= 1u << p;
    EXPECT_EQ(kServiceTabMask, mask);
    EXPECT_STREQ("Match Manual Dial", kPageTable[19].caption);
    EXPECT_STREQ("Receivers", kPageTable[24].caption);
}

} // namespace
} // namespace orv
