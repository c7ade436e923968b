#include "control/FiregateNames.h"

#include "store/Format.h"

#include <cstring>

namespace orv {

namespace {
constexpr double kLevelRate = 4074.58333; // L/ha per coverage level
} // namespace

std::string FiregatePresetName(const std::string& material, const std::string& levelText)
{
    return Format("%s Level %s", material, levelText);
}

std::string FiregateMaterial(const std::string& name)
{
    const size_t p = name.find("Level");
    if (p == std::string::npos || p == 0)
        return "WATER";
    return name.substr(0, p - 1); // the blank before "Level" is dropped
}

float FiregateLevel(const std::string& name)
{
    const size_t p = name.find("Level");
    if (FiregateMaterial(name).empty() || p == std::string::npos || p + 6 > name.size())
        return 1;
    double level = 0;
    if (!TryStrToFloat(name.substr(p + 6), level))
        return 1;
    return static_cast<float>(level);
}

double FiregateLevelRate(float level)
{
    return level * kLevelRate;
}

void TFiregateMaterialList::Build(const std::vector<std::string>& presetNames)
{
    fEntries.clear();
    for (const auto& name : presetNames) {
        std::string material = FiregateMaterial(name);
        const float level = FiregateLevel(name);
        if (material.empty() || !(level > 0))
            continue;
        if (material.size() > 40)
            material.resize(40);
        auto it = fEntries.begin();
        bool duplicate = false;
        for (; it != fEntries.end(); ++it) {
            const int c = std::strcoll(material.c_str(), it->material.c_str());
            if (c < 0 || (c == 0 && level < it->level))
                break;
            if (c == 0 && level == it->level) {
                duplicate = true;
                break;
            }
        }
        if (!duplicate)
            fEntries.insert(it, {material, level});
    }
}

std::vector<std::string> TFiregateMaterialList::Materials() const
{
    std::vector<std::string> r;
    for (const auto& e : fEntries)
        if (r.empty() || r.back() != e.material)
            r.push_back(e.material);
    return r;
}

std::vector<std::string> TFiregateMaterialList::LevelsOf(const std::string& material) const
{
    std::vector<std::string> r;
    for (const auto& e : fEntries)
        if (e.material == material)
            r.push_back(Format("%.1F", static_cast<double>(e.level)));
    return r;
}

} // namespace orv
