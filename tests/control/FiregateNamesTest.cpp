#include "control/FiregateNames.h"
#include "ui/UnitFormat.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(FiregateNamesTest, SplitsMaterialAndLevel)
{
    const struct {
        const char* name;
        const char* material;
        float level;
    } cases[] = {
        {"WATER Level 5.0", "WATER", 5.0f},
        {"RETARDANT Level 2.5", "RETARDANT", 2.5f},
        {"FOAM MIX Level 0.5", "FOAM MIX", 0.5f},
        {"Simple", "WATER", 1.0f},       // no "Level"
        {"Level 3", "WATER", 3.0f},      // nothing precedes "Level"
        {"X Level abc", "X", 1.0f},      // not a number
        {" Level 4", "", 1.0f},          // empty material
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FiregateMaterial(c.name), c.material) << c.name;
        EXPECT_FLOAT_EQ(FiregateLevel(c.name), c.level) << c.name;
    }
    EXPECT_EQ(FiregatePresetName("WATER", "5.0"), "WATER Level 5.0");
}

TEST(FiregateNamesTest, LevelRates)
{
    EXPECT_NEAR(FiregateLevelRate(5), 20372.91665, 1e-6);
    // As the pilot sees them. Level 5 in US gallons per acre:
    // 5 × 4074.58333 × 0.26417205 / 2.4710538 = 2178.0; level 1 in imperial
    // gallons per acre: 4074.58333 × 0.219969 / 2.4710538 = 362.7.
    TDisplayUnits usAcres;
    TDisplayUnits imperialAcres;
    imperialAcres.volume = 1;
    TDisplayUnits litresHectares;
    litresHectares.area = 1;
    litresHectares.volume = 2;
    litresHectares.mass = 1;
    EXPECT_EQ(FormatRate(false, FiregateLevelRate(5), usAcres), "2178 gal/ac");
    EXPECT_EQ(FormatRate(false, FiregateLevelRate(1), imperialAcres), "363 gal/ac");
    EXPECT_EQ(FormatRate(false, FiregateLevelRate(2), litresHectares), "8149.2 L/ha");
}

TEST(FiregateNamesTest, MaterialListIsSortedWithoutDuplicates)
{
    TFiregateMaterialList list;
    list.Build({"WATER Level 5.0", "RETARDANT Level 2.0", "WATER Level 1.0", "RETARDANT Level 8.0",
                "WATER Level 5.0", "WATER Level 0", "RETARDANT Level 4.0", "Simple"});
    ASSERT_EQ(list.Entries().size(), 5u);
    EXPECT_EQ(list.Materials(), (std::vector<std::string>{"RETARDANT", "WATER"}));
    EXPECT_EQ(list.LevelsOf("RETARDANT"), (std::vector<std::string>{"2.0", "4.0", "8.0"}));
    // "Simple" reads as WATER level 1, which is already listed; level 0 is left out.
    EXPECT_EQ(list.LevelsOf("WATER"), (std::vector<std::string>{"1.0", "5.0"}));
}

TEST(FiregateNamesTest, MaterialNamesAreCutAtFortyCharacters)
{
    TFiregateMaterialList list;
    list.Build({std::string(50, 'M') + " Level 1.0"});
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_EQ(list.Entries()[0].material.size(), 40u);
}

} // namespace
} // namespace orv
