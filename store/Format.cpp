#include "store/Format.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace orv {

namespace {

std::string Pad(std::string s, int width, bool left)
{
    if (width > 0 && static_cast<int>(s.size()) < width) {
        const std::string fill(width - s.size(), ' ');
        s = left ? s + fill : fill + s;
    }
    return s;
}

std::string WithThousands(const std::string& fixed)
{
    // fixed is "-1234567.89"; group the integer digits with commas.
    size_t start = (!fixed.empty() && fixed[0] == '-') ? 1 : 0;
    size_t dot = fixed.find('.');
    if (dot == std::string::npos)
        dot = fixed.size();
    std::string intPart = fixed.substr(start, dot - start);
    std::string grouped;
    int count = 0;
    for (auto it = intPart.rbegin(); it != intPart.rend(); ++it) {
        if (count && count % 3 == 0)
            grouped.insert(grouped.begin(), ',');
        grouped.insert(grouped.begin(), *it);
        ++count;
    }
    return fixed.substr(0, start) + grouped + fixed.substr(dot);
}

// Locale-free: std::to_chars never looks at the process locale, which the
// windowing library sets from the environment.
std::string ToChars(double v, std::chars_format fmt, int precision)
{
    char buf[512];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, fmt, precision);
    if (ec != std::errc())
        return "0";
    return std::string(buf, end);
}

std::string ScientificText(double v, int prec)
{
    // "-d.dddE+ddd" with at least three exponent digits.
    if (prec < 1 || prec > 18)
        prec = 15;
    std::string s = UpperCase(ToChars(v, std::chars_format::scientific, prec - 1));
    const size_t e = s.find('E');
    if (e != std::string::npos && e + 2 < s.size()) {
        std::string digits = s.substr(e + 2);
        while (digits.size() < 3)
            digits.insert(digits.begin(), '0');
        s = s.substr(0, e + 2) + digits;
    }
    return s;
}

std::string GeneralText(double v, int prec)
{
    if (prec < 1 || prec > 15)
        prec = 15;
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v > 0 ? "INF" : "-INF";
    std::string s = UpperCase(ToChars(v, std::chars_format::general, prec));
    // Shorten the exponent to the plain form: "1E-05" -> "1E-5", "1E+20" -> "1E20".
    const size_t e = s.find('E');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        std::string exp = s.substr(e + 1);
        bool neg = !exp.empty() && exp[0] == '-';
        if (!exp.empty() && (exp[0] == '-' || exp[0] == '+'))
            exp.erase(0, 1);
        exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
        s = mant + "E" + (neg ? "-" : "") + exp;
    }
    return s;
}

} // namespace

std::string FormatArgs(std::string_view fmt, std::initializer_list<FmtArg> argList)
{
    const std::vector<FmtArg> args(argList);
    std::string out;
    size_t next = 0;
    size_t i = 0;
    auto fail = [&](const char* why) {
        throw EConvertError(std::string("Format '") + std::string(fmt) + "' invalid or incompatible with argument (" +
                            why + ")");
    };
    auto takeInt = [&](size_t idx) -> int64_t {
        if (idx >= args.size())
            fail("missing argument");
        if (auto p = std::get_if<int64_t>(&args[idx].Value()))
            return *p;
        fail("not an integer");
        return 0;
    };
    while (i < fmt.size()) {
        const char c = fmt[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i >= fmt.size())
            fail("lone percent");
        if (fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // [index ":"]
        size_t j = i;
        int number = -1;
        auto readNumber = [&](size_t& k) -> int {
            if (k < fmt.size() && fmt[k] == '*') {
                ++k;
                return static_cast<int>(takeInt(next++));
            }
            int n = -1;
            while (k < fmt.size() && std::isdigit(static_cast<unsigned char>(fmt[k]))) {
                n = (n < 0 ? 0 : n * 10) + (fmt[k] - '0');
                ++k;
            }
            return n;
        };
        number = readNumber(j);
        if (j < fmt.size() && fmt[j] == ':') {
            next = number < 0 ? 0 : static_cast<size_t>(number);
            i = j + 1;
            j = i;
            number = -1;
        } else {
            j = i;
        }
        bool left = false;
        if (j < fmt.size() && fmt[j] == '-') {
            left = true;
            ++j;
        }
        const int width = readNumber(j);
        int prec = -1;
        if (j < fmt.size() && fmt[j] == '.') {
            ++j;
            prec = readNumber(j);
            if (prec < 0)
                prec = 0;
        }
        if (j >= fmt.size())
            fail("missing type");
        const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[j])));
        i = j + 1;
        if (next >= args.size())
            fail("missing argument");
        const auto& v = args[next++].Value();
        std::string text;
        switch (type) {
        case 'd':
        case 'u': {
            auto p = std::get_if<int64_t>(&v);
            if (!p)
                fail("not an integer");
            int64_t n = *p;
            if (type == 'u' && n < 0)
                n = static_cast<int64_t>(static_cast<uint32_t>(n));
            const uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
            std::string digits = std::to_string(magnitude);
            if (prec > 0 && static_cast<int>(digits.size()) < prec)
                digits.insert(0, prec - digits.size(), '0');
            text = (n < 0 ? "-" : "") + digits;
            break;
        }
        case 'x': {
            auto p = std::get_if<int64_t>(&v);
            if (!p)
                fail("not an integer");
            char buf[32];
            std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(*p));
            text = buf;
            if (prec > 0 && static_cast<int>(text.size()) < prec)
                text.insert(0, prec - text.size(), '0');
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            auto p = std::get_if<double>(&v);
            if (!p)
                fail("not a real number");
            const double d = *p;
            if (type == 'e') {
                text = ScientificText(d, prec);
            } else if (type == 'g') {
                text = GeneralText(d, prec);
            } else {
                if (std::isnan(d) || std::isinf(d)) {
                    text = GeneralText(d, 15);
                    break;
                }
                const int digits = prec < 0 ? 2 : std::min(prec, 18);
                text = ToChars(d, std::chars_format::fixed, digits);
                if (text == "-0" || (text.rfind("-0.", 0) == 0 &&
                                     text.find_first_not_of("0.", 1) == std::string::npos))
                    text.erase(0, 1);
                if (type != 'f')
                    text = WithThousands(text);
            }
            break;
        }
        case 's': {
            auto p = std::get_if<std::string>(&v);
            if (!p)
                fail("not a text");
            text = *p;
            if (prec >= 0 && static_cast<int>(text.size()) > prec)
                text.resize(prec);
            break;
        }
        default:
            fail("unknown type");
        }
        out += Pad(text, width, left);
    }
    return out;
}

std::string FloatToStr(double v)
{
    return GeneralText(v, 15);
}

bool TryStrToFloat(std::string_view text, double& out)
{
    const std::string t = Trim(text);
    if (t.empty())
        return false;
    const char* b = t.data();
    const char* e = b + t.size();
    if (*b == '+')
        ++b;
    double v = 0;
    auto [p, ec] = std::from_chars(b, e, v, std::chars_format::general);
    if (ec != std::errc() || p != e || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

bool TryStrToInt64(std::string_view text, int64_t& out)
{
    std::string t = Trim(text);
    if (t.empty())
        return false;
    bool neg = false;
    size_t pos = 0;
    if (t[0] == '-' || t[0] == '+') {
        neg = t[0] == '-';
        pos = 1;
    }
    int base = 10;
    if (t.compare(pos, 1, "$") == 0) {
        base = 16;
        pos += 1;
    } else if (t.size() > pos + 1 && t[pos] == '0' && (t[pos + 1] == 'x' || t[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= t.size())
        return false;
    uint64_t v = 0;
    auto [p, ec] = std::from_chars(t.data() + pos, t.data() + t.size(), v, base);
    if (ec != std::errc() || p != t.data() + t.size())
        return false;
    if (v > static_cast<uint64_t>(INT64_MAX) + (neg ? 1 : 0))
        return false;
    out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    return true;
}

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

std::string UpperCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

std::string LowerCase(std::string_view s)
{
    std::string r(s);
    for (auto& c : r)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace orv
