#include "sim/ReceiverSetup.h"

#include "sim/NavSentences.h"

#include <charconv>

namespace orv::sim {

namespace {

bool Number(const std::string& text, long lo, long hi, long& out)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && out >= lo && out <= hi;
}

struct TRange {
    const char* Name;
    long Lo, Hi;
};

// Reads fields 1..N by the table; false with the first field that does not fit.
template <size_t N>
bool ReadFields(const std::vector<std::string>& fields, const TRange (&ranges)[N], long (&out)[N], std::string& error)
{
    if (fields.size() != N + 1) {
        error = std::to_string(fields.size() - 1) + " fields, expected " + std::to_string(N);
        return false;
    }
    for (size_t i = 0; i < N; ++i) {
        if (!Number(fields[i + 1], ranges[i].Lo, ranges[i].Hi, out[i])) {
            error = std::string(ranges[i].Name) + " \"" + fields[i + 1] + "\" is not " + std::to_string(ranges[i].Lo)
                + ".." + std::to_string(ranges[i].Hi);
            return false;
        }
    }
    return true;
}

const TRange kPortFields[] = {
    {"protocol", 0, 1}, {"baud", 1200, 115200}, {"data bits", 7, 8}, {"stop bits", 1, 2}, {"parity", 0, 2}};
const TRange kRateFields[] = {{"message", 0, 9}, {"mode", 0, 1}, {"rate", 0, 255}, {"checksum", 0, 1}};

} // namespace

std::optional<TPortSetup> ParsePortSetup(const std::vector<std::string>& fields, std::string& error)
{
    long v[5] = {};
    if (!ReadFields(fields, kPortFields, v, error))
        return std::nullopt;
    return TPortSetup {int(v[0]), v[1], int(v[2]), int(v[3]), int(v[4])};
}

std::optional<TRateSetup> ParseRateSetup(const std::vector<std::string>& fields, std::string& error)
{
    long v[4] = {};
    if (!ReadFields(fields, kRateFields, v, error))
        return std::nullopt;
    return TRateSetup {int(v[0]), int(v[1]), int(v[2]), int(v[3])};
}

std::string DescribePortSetup(const TPortSetup& s)
{
    const char parity = s.Parity == 0 ? 'N' : s.Parity == 1 ? 'O' : 'E';
    return std::string("serial port: ") + (s.Protocol == 1 ? "NMEA" : "binary protocol") + " at "
        + std::to_string(s.Baud) + " " + std::to_string(s.DataBits) + parity + std::to_string(s.StopBits);
}

std::string DescribeRateSetup(const TRateSetup& s)
{
    std::string name = SetupMessageName(s.Message);
    std::string text = "message " + std::to_string(s.Message) + " (" + (name.empty() ? "unknown" : name) + ") ";
    if (s.Mode == 1)
        text += "sent once now";
    else if (s.Rate == 0)
        text += "off";
    else
        text += "every " + std::to_string(s.Rate) + " s";
    return text + (s.Checksum ? ", with checksum" : ", without checksum");
}

} // namespace orv::sim
