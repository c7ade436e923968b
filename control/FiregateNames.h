#pragma once
#include <string>
#include <vector>

namespace orv {

// Fire-gate preset names read "<material> Level <level>", e.g. "WATER Level 5.0".
std::string FiregatePresetName(const std::string& material, const std::string& levelText);
// The text before " Level"; "WATER" when "Level" is missing or starts the name.
std::string FiregateMaterial(const std::string& name);
// The number six characters after the "L" of "Level"; 1 when the material is
// empty or that text is not a number.
float FiregateLevel(const std::string& name);
// Application rate (L/ha) of a coverage level: one level is one US gallon per
// 100 square feet.
double FiregateLevelRate(float level);

// The materials and levels offered on the fire-gate page, built from the
// names of section "PRESETS": sorted by material (locale order) then level,
// without duplicates.
class TFiregateMaterialList {
public:
    struct TEntry {
        std::string material; // at most 40 characters
        float level;
    };

    void Build(const std::vector<std::string>& presetNames);
    void Clear() { fEntries.clear(); }
    const std::vector<TEntry>& Entries() const { return fEntries; }
    // Each material once, in list order.
    std::vector<std::string> Materials() const;
    // The levels of one material as "%.1F" texts.
    std::vector<std::string> LevelsOf(const std::string& material) const;

private:
    std::vector<TEntry> fEntries;
};

} // namespace orv
