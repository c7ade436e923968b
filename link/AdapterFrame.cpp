#include "link/AdapterFrame.h"

#include "store/Format.h"

namespace orv {

namespace {
constexpr size_t kFrameChars = 25; // after the "T": 8 id + 1 length + 16 data

void Decode(std::string_view frame, TAdapterParse& result)
{
    // frame: the 25 characters after the "T"
    result.DebugLines.emplace_back("T" + std::string(frame));
    const std::string_view id = frame.substr(0, 8);
    std::string_view data = frame.substr(9, 16);
    // A frame cut short by its end of line has a data field of fewer digits.
    const size_t cr = data.find_first_of("\r\n");
    if (cr != std::string_view::npos)
        data = data.substr(0, cr);
    if (data.size() != 16) {
        result.LogLines.push_back(Format("SS_Data:%s", std::string(data)));
        return;
    }
    const uint32_t identifier = HexValue(id);
    if (CanMessageCode(identifier) == kStatusRequestCode)
        return; // our own request, seen on the bus
    TCanRecord r = MakeCanRecord(identifier);
    HexToData16(data, r.DataLow, r.DataHigh);
    result.Records.push_back(r);
}
} // namespace

const std::vector<std::string>& AdapterResetSequence()
{
    static const std::vector<std::string> kReset = {"C\r", "S6\r", "E\r", "O\r"};
    return kReset;
}

const char* const kAdapterPing = "T0008000280000000000000000\r";

std::string BuildAdapterFrame(const TCanRecord& record)
{
    return "T" + HexId8(record.Identifier) + "8" + HexData16(record.DataLow, record.DataHigh) + "\r";
}

void ParseAdapterText(std::string& text, TAdapterParse& result)
{
    for (;;) {
        const size_t t = text.find('T');
        if (t == std::string::npos)
            return;
        if (t > 0)
            text.erase(0, t);
        const size_t following = text.size() - 1;
        if (following < kFrameChars)
            return;
        if (following == kFrameChars) {
            Decode(std::string_view(text).substr(1, kFrameChars), result);
            text.clear();
            return;
        }
        const size_t cr = text.find('\r');
        if (cr == kFrameChars + 1) {
            Decode(std::string_view(text).substr(1, kFrameChars), result);
            text.erase(0, kFrameChars + 2);
        } else {
            text[0] = 'Q'; // so the next search finds the next "T"
        }
    }
}

} // namespace orv
