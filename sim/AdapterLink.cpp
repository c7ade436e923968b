#include "sim/AdapterLink.h"

#include "sim/BoardMessages.h"
#include "sim/HexText.h"

namespace orv::sim {

namespace {
constexpr char kOk = '\r';
constexpr char kError = '\a';
constexpr size_t kLongestLine = 64;
} // namespace

const TAdapterLink::TCommand TAdapterLink::kCommands[] = {
    {'C', "close CAN channel", &TAdapterLink::OnClose},
    {'S', "set bit rate", &TAdapterLink::OnBitRate},
    {'O', "open CAN channel", &TAdapterLink::OnOpen},
    {'E', "E (acknowledged, no effect)", &TAdapterLink::OnE},
    {'T', "extended frame", &TAdapterLink::OnExtendedFrame},
    {'t', "standard frame", &TAdapterLink::OnStandardFrame},
    {'V', "version", &TAdapterLink::OnVersion},
    {'N', "serial number", &TAdapterLink::OnSerialNumber},
    {'F', "status flags", &TAdapterLink::OnStatusFlags},
};

TAdapterLink::TAdapterLink(TSimBus& bus, TSimLog& log, TLinkPort port)
    : TSimLink(bus, log, std::move(port))
{
}

std::string TAdapterLink::FrameText(const TSimCanFrame& frame)
{
    std::string text = "T" + HexWord(frame.Id) + "8";
    for (uint8_t b : frame.Data)
        text += HexByte(b);
    return text + "\r";
}

void TAdapterLink::Reset()
{
    fText.clear();
}

void TAdapterLink::Receive(std::string_view bytes)
{
    for (char c : bytes) {
        if (c == '\r') {
            std::string line;
            line.swap(fText);
            OnLine(line);
        } else if (c == '\n' && fText.empty()) {
            // Some hosts end commands with CR LF; the LF is not a command.
        } else {
            fText += c;
            if (fText.size() > kLongestLine) {
                Log("RX usbcan garbage \"" + Printable(fText) + "\" (no CR)");
                fText.clear();
            }
        }
    }
}

void TAdapterLink::OnLine(const std::string& line)
{
    if (line.empty()) {
        Log("RX usbcan \"\\r\" = empty command");
        Transmit(std::string(1, kOk), "\"\\r\"", "ok");
        return;
    }
    for (const auto& c : kCommands) {
        if (c.Letter == line[0]) {
            (this->*c.Handler)(line);
            return;
        }
    }
    Answer(line, std::string(1, kError), "unknown command");
}

void TAdapterLink::Answer(const std::string& line, const std::string& answer, const std::string& meaning)
{
    Log("RX usbcan \"" + Printable(line + "\r") + "\" = " + meaning);
    Transmit(answer, "\"" + Printable(answer) + "\"", answer == std::string(1, kError) ? "error" : "ok");
}

void TAdapterLink::OnClose(const std::string& line)
{
    if (line.size() != 1)
        return Answer(line, std::string(1, kError), "malformed close");
    fOpen = false;
    Answer(line, std::string(1, kOk), "close CAN channel");
}

void TAdapterLink::OnBitRate(const std::string& line)
{
    if (line.size() != 2 || line[1] < '0' || line[1] > '8')
        return Answer(line, std::string(1, kError), "malformed bit rate");
    if (fOpen)
        return Answer(line, std::string(1, kError), "bit rate refused: the CAN channel is open");
    fRate = line[1] - '0';
    Answer(line, std::string(1, kOk), std::string("bit rate S") + line[1] + (fRate == kBoardsRate ? " (500 kbit/s)" : " (not the boards' rate)"));
}

void TAdapterLink::OnOpen(const std::string& line)
{
    if (line.size() != 1)
        return Answer(line, std::string(1, kError), "malformed open");
    if (fOpen)
        return Answer(line, std::string(1, kError), "open refused: already open");
    if (fRate < 0)
        return Answer(line, std::string(1, kError), "open refused: no bit rate set");
    fOpen = true;
    Answer(line, std::string(1, kOk), "open CAN channel");
}

void TAdapterLink::OnE(const std::string& line)
{
    Answer(line, std::string(1, line.size() == 1 ? kOk : kError), line.size() == 1 ? "E" : "malformed E");
}

void TAdapterLink::OnVersion(const std::string& line)
{
    Answer(line, "V1013\r", "version");
}

void TAdapterLink::OnSerialNumber(const std::string& line)
{
    Answer(line, "NSIM1\r", "serial number");
}

void TAdapterLink::OnStatusFlags(const std::string& line)
{
    Answer(line, "F00\r", "status flags");
}

void TAdapterLink::OnExtendedFrame(const std::string& line)
{
    SendFrame(line, 8);
}

void TAdapterLink::OnStandardFrame(const std::string& line)
{
    SendFrame(line, 3);
}

void TAdapterLink::SendFrame(const std::string& line, int idDigits)
{
    const size_t lenAt = 1 + size_t(idDigits);
    if (line.size() < lenAt + 1)
        return Answer(line, std::string(1, kError), "malformed frame (too short)");
    const auto id = ParseHex(std::string_view(line).substr(1, size_t(idDigits)));
    const char lenChar = line[lenAt];
    if (!id || lenChar < '0' || lenChar > '8')
        return Answer(line, std::string(1, kError), "malformed frame");
    const size_t len = size_t(lenChar - '0');
    if (line.size() != lenAt + 1 + 2 * len)
        return Answer(line, std::string(1, kError), "malformed frame (data length)");
    if (idDigits == 8 && *id > 0x1FFFFFFF)
        return Answer(line, std::string(1, kError), "malformed frame (identifier above 29 bits)");
    TSimCanFrame frame;
    frame.Id = *id;
    for (size_t i = 0; i < len; ++i) {
        const auto b = ParseHex(std::string_view(line).substr(lenAt + 1 + 2 * i, 2));
        if (!b)
            return Answer(line, std::string(1, kError), "malformed frame (data)");
        frame.Data[i] = uint8_t(*b);
    }
    std::string meaning = DescribeCommand(frame);
    if (len != 8)
        meaning += " (only " + std::to_string(len) + " data bytes)";
    if (idDigits != 8)
        meaning += " (standard identifier)";
    // Adapters take either case; the application is meant to send upper case.
    if (HasLowerCaseHex(std::string_view(line).substr(1)))
        meaning += " (lower-case hex digits)";
    if (!fOpen)
        return Answer(line, std::string(1, kError), meaning + " refused: CAN channel closed");
    Answer(line, idDigits == 8 ? "Z\r" : "z\r", meaning);
    if (fRate != kBoardsRate) {
        Log("   (CAN channel at S" + std::to_string(fRate) + ", the boards at S" + std::to_string(kBoardsRate)
            + ": frame lost)");
        return;
    }
    if (idDigits != 8)
        return;
    ToBus(frame);
}

bool TAdapterLink::CarriesBoardFrames() const
{
    return fOpen && fRate == kBoardsRate;
}

void TAdapterLink::SendFromBus(const TSimCanFrame& frame)
{
    const std::string text = FrameText(frame);
    Transmit(text, "\"" + Printable(text) + "\"", DescribeStatus(frame));
}

std::string TAdapterLink::State() const
{
    return std::string("channel=") + (fOpen ? "open" : "closed") + " rate="
        + (fRate < 0 ? std::string("unset") : "S" + std::to_string(fRate));
}

} // namespace orv::sim
