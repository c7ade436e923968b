#pragma once
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace orv {

// Raised when a format string does not match its arguments.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One argument of Format: an integer, a real number or a text.
class FmtArg {
public:
    template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
    FmtArg(T v) : fValue(static_cast<int64_t>(v)) {}
    FmtArg(bool v) : fValue(static_cast<int64_t>(v ? 1 : 0)) {}
    FmtArg(double v) : fValue(v) {}
    FmtArg(float v) : fValue(static_cast<double>(v)) {}
    FmtArg(const char* v) : fValue(std::string(v ? v : "")) {}
    FmtArg(std::string v) : fValue(std::move(v)) {}
    FmtArg(std::string_view v) : fValue(std::string(v)) {}

    const std::variant<int64_t, double, std::string>& Value() const { return fValue; }

private:
    std::variant<int64_t, double, std::string> fValue;
};

// Expands a format in the manner the application's messages are written:
// "%" [index ":"] ["-"] [width] ["." precision] type, type one of
// d u x e f g n m s (either case), "%%" for a percent sign. Integers only for
// d, u and x; reals only for e, f, g, n and m; texts only for s. Raises
// EConvertError on a mismatch or a missing argument.
std::string FormatArgs(std::string_view format, std::initializer_list<FmtArg> args);

template <class... A>
std::string Format(std::string_view format, A&&... args)
{
    return FormatArgs(format, {FmtArg(std::forward<A>(args))...});
}

// Locale-independent real number text: general notation, up to 15 significant digits.
std::string FloatToStr(double v);
// Parses a real number written with a period; false when the text is not one.
bool TryStrToFloat(std::string_view text, double& out);
// Decimal integer, or hexadecimal with "0x" or "$"; false when the text is not one.
bool TryStrToInt64(std::string_view text, int64_t& out);

std::string Trim(std::string_view s);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);

} // namespace orv
