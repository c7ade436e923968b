#include "nav/FieldConvert.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace orv {

namespace {

// from_chars refuses a leading "+"; a sentence may carry one.
std::string_view WithoutPlus(std::string_view text, bool& ok)
{
    ok = !text.empty();
    if (ok && text[0] == '+') {
        text.remove_prefix(1);
        ok = !text.empty() && text[0] != '-' && text[0] != '+';
    }
    return text;
}

} // namespace

bool ParseFieldInt32(std::string_view text, int32_t& out)
{
    bool ok;
    text = WithoutPlus(text, ok);
    if (!ok)
        return false;
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 10);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool ParseFieldHex32(std::string_view text, int32_t& out)
{
    if (text.empty() || text.size() > 8)
        return false;
    uint32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, 16);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool ParseFieldReal(std::string_view text, double& out)
{
    bool ok;
    text = WithoutPlus(text, ok);
    if (!ok)
        return false;
    double v = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

} // namespace orv
