#include "link/SerialFrame.h"

#include "store/Format.h"

namespace orv {

uint8_t SerialChecksum(std::string_view line)
{
    unsigned sum = 0;
    for (size_t i = 0; i < kSerialSummedChars && i < line.size(); ++i)
        sum += static_cast<uint8_t>(line[i]);
    return static_cast<uint8_t>(sum);
}

std::string BuildSerialLine(uint8_t code, uint32_t dataLow, uint32_t dataHigh)
{
    const TCanRecord r{0, 0, dataLow, dataHigh};
    std::string line = "@" + HexByte(code) + ",";
    for (int i = 0; i < 8; ++i)
        line += HexByte(r.Data(i)) + ",";
    line += HexByte(SerialChecksum(line));
    line += "\r\n";
    return line;
}

void ParseSerialText(std::string& text, TSerialParse& result)
{
    while (text.size() >= kSerialLineLength - 1) {
        const size_t hash = text.find('#');
        const size_t dollar = text.find('$');
        size_t start;
        if (dollar != std::string::npos && (hash == std::string::npos || dollar < hash))
            start = dollar;
        else if (hash != std::string::npos)
            start = hash;
        else {
            text.clear();
            return;
        }
        // A line still arriving is kept whole until its last character is here.
        if (start + kSerialLineLength > text.size()) {
            text.erase(0, start);
            return;
        }
        if (text[start + kSerialLineLength - 1] != '\n') {
            text.erase(0, start + 1);
            continue;
        }
        const std::string_view line = std::string_view(text).substr(start, kSerialLineLength - 2);
        if (SerialChecksum(line) == HexValue(line.substr(28, 2))) {
            TCanRecord r = MakeCanRecord(HexValue(line.substr(1, 2)));
            for (int i = 0; i < 8; ++i)
                r.SetData(i, static_cast<uint8_t>(HexValue(line.substr(4 + 3 * i, 2))));
            result.Records.push_back(r);
        } else {
            result.DebugLines.push_back(Format("CRC : %s", std::string(line)));
        }
        text.erase(0, start + kSerialLineLength);
    }
}

} // namespace orv
