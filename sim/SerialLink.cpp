#include "sim/SerialLink.h"

#include "sim/BoardMessages.h"
#include "sim/HexText.h"

namespace orv::sim {

namespace {
constexpr char kRequestStart = '@';
constexpr size_t kChecksummed = 28;

uint8_t SumOf(std::string_view text)
{
    unsigned sum = 0;
    for (unsigned char c : text)
        sum += c;
    return uint8_t(sum & 0xFF);
}
} // namespace

TSerialLink::TSerialLink(TSimBus& bus, TSimLog& log, TLinkPort port)
    : TSimLink(bus, log, std::move(port))
{
}

std::string TSerialLink::Line(char start, const TSimCanFrame& frame)
{
    std::string line(1, start);
    line += HexByte(frame.Code()) + ",";
    for (uint8_t b : frame.Data)
        line += HexByte(b) + ",";
    line += HexByte(SumOf(line));
    return line + "\r\n";
}

void TSerialLink::Reset()
{
    fText.clear();
    fHeard = false;
}

bool TSerialLink::CarriesBoardFrames() const
{
    return fHeard;
}

void TSerialLink::SendFromBus(const TSimCanFrame& frame)
{
    const std::string text = Line(kReplyStart, frame);
    Transmit(text, "\"" + Printable(text) + "\"", DescribeStatus(frame));
}

bool TSerialLink::Decode(const std::string& line, TSimCanFrame& frame, std::string& why) const
{
    for (size_t i = 0; i < 9; ++i) {
        const size_t at = 1 + 3 * i;
        const auto b = ParseHex(std::string_view(line).substr(at, 2));
        if (!b || line[at + 2] != ',') {
            why = "malformed byte " + std::to_string(i);
            return false;
        }
        if (i == 0)
            frame.Id = kControllerIdFlag | *b;
        else
            frame.Data[i - 1] = uint8_t(*b);
    }
    const auto sum = ParseHex(std::string_view(line).substr(kChecksummed, 2));
    if (!sum) {
        why = "malformed checksum";
        return false;
    }
    const uint8_t expected = SumOf(std::string_view(line).substr(0, kChecksummed));
    if (*sum != expected) {
        why = "checksum " + HexByte(uint8_t(*sum)) + ", expected " + HexByte(expected);
        return false;
    }
    if (line[30] != '\r' || line[31] != '\n') {
        why = "line not ended by CR LF";
        return false;
    }
    return true;
}

void TSerialLink::Receive(std::string_view bytes)
{
    fText.append(bytes);
    for (;;) {
        const size_t start = fText.find(kRequestStart);
        if (start == std::string::npos) {
            if (!fText.empty())
                Log("RX serial garbage \"" + Printable(fText) + "\"");
            fText.clear();
            return;
        }
        if (start > 0) {
            Log("RX serial garbage \"" + Printable(fText.substr(0, start)) + "\"");
            fText.erase(0, start);
        }
        if (fText.size() < kLineLength)
            return;
        const std::string line = fText.substr(0, kLineLength);
        TSimCanFrame frame;
        std::string why;
        if (!Decode(line, frame, why)) {
            Log("RX serial bad line \"" + Printable(line) + "\" (" + why + ")");
            // The next line may start inside this one.
            fText.erase(0, 1);
            continue;
        }
        fText.erase(0, kLineLength);
        Log("RX serial \"" + Printable(line) + "\" = " + DescribeCommand(frame)
            + (HasLowerCaseHex(std::string_view(line).substr(1, 29)) ? " (lower-case hex digits)" : ""));
        fHeard = true;
        ToBus(frame);
    }
}

} // namespace orv::sim
