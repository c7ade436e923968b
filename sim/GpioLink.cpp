#include "sim/GpioLink.h"

#include "sim/BoardMessages.h"
#include "sim/HexText.h"

namespace orv::sim {

namespace {

constexpr uint8_t kStart = 0xF9;
constexpr uint8_t kEnd = 0x9F;
constexpr size_t kMaxBuffered = 8192;
constexpr uint32_t kRecordHeader = 0x80080000;
constexpr size_t kLongestChannelBlock = 250;

uint8_t Checksum(uint8_t code, uint8_t len)
{
    return uint8_t(kStart + code + len);
}

uint32_t Le32(const std::string& s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16
        | uint32_t(uint8_t(s[at + 3])) << 24;
}

void PutLe32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += char((v >> (8 * i)) & 0xFF);
}

} // namespace

const TGpioLink::TMessage TGpioLink::kMessages[] = {
    {0x01, 0x01, "Returns Hardward ID and DIP", &TGpioLink::OnDipRequest},
    {0x02, 0x02, "Sets Direction of GPIO Bits", &TGpioLink::OnDirections},
    {0x03, 0x03, "Sets GPIO Bits, 1 for set 0 no action", &TGpioLink::OnSetBits},
    {0x04, 0x04, "Clears GPIO Bits, 1 for set 0 no action", &TGpioLink::OnClearBits},
    {0x11, 0x14, "Serial Port Data In/Out", &TGpioLink::OnChannelData},
    {0x21, 0x22, "Canport Data In/Out", &TGpioLink::OnCanData},
    {0x91, 0x94, "Serial Port Configuration", &TGpioLink::OnChannelConfig},
    {0xA1, 0xA2, "CanPort Configuration", &TGpioLink::OnCanConfig},
};

TGpioLink::TGpioLink(TSimBus& bus, TSimLog& log, TLinkPort port)
    : TSimLink(bus, log, std::move(port))
{
}

std::string TGpioLink::Frame(uint8_t code, const std::string& data)
{
    std::string f;
    f += char(kStart);
    f += char(code);
    f += char(uint8_t(data.size()));
    f += char(Checksum(code, uint8_t(data.size())));
    f += data;
    f += char(kEnd);
    return f;
}

void TGpioLink::Reset()
{
    fBuffer.clear();
    // The board is powered from its USB port: unplugged, it forgets how it
    // was set up and comes back as after power-up.
    fDirections = 0xFF;
    fOutputs = 0;
    fStatus2 = 0;
    for (auto& c : fChannelConfig)
        c = 0;
    for (auto& r : fCanRate)
        r = 0;
}

void TGpioLink::Receive(std::string_view bytes)
{
    fBuffer.append(bytes);
    std::string skipped;
    size_t p = 0;
    while (p < fBuffer.size()) {
        const uint8_t b = uint8_t(fBuffer[p]);
        if (b != kStart) {
            skipped += fBuffer[p++];
            continue;
        }
        if (fBuffer.size() - p < 4)
            break;
        const uint8_t code = uint8_t(fBuffer[p + 1]);
        const uint8_t len = uint8_t(fBuffer[p + 2]);
        if (uint8_t(fBuffer[p + 3]) != Checksum(code, len)) {
            skipped += fBuffer[p++];
            continue;
        }
        if (fBuffer.size() - p < size_t(len) + 5)
            break;
        if (uint8_t(fBuffer[p + 4 + len]) != kEnd) {
            skipped += fBuffer[p++];
            continue;
        }
        if (!skipped.empty()) {
            Log("RX gpio garbage " + HexBytes(skipped));
            skipped.clear();
        }
        OnFrame(code, fBuffer.substr(p + 4, len));
        p += size_t(len) + 5;
    }
    if (!skipped.empty())
        Log("RX gpio garbage " + HexBytes(skipped));
    fBuffer.erase(0, p);
    if (fBuffer.size() > kMaxBuffered) {
        Log("RX gpio garbage " + std::to_string(fBuffer.size()) + " bytes of an unfinished frame dropped");
        fBuffer.clear();
    }
}

void TGpioLink::OnFrame(uint8_t code, const std::string& data)
{
    const std::string raw = HexBytes(Frame(code, data));
    for (const auto& m : kMessages) {
        if (code >= m.First && code <= m.Last) {
            std::string name = m.Name;
            if (m.First != m.Last)
                name += " " + std::to_string(code - m.First + 1);
            Log("RX gpio " + raw + " = " + name);
            (this->*m.Handler)(code, data);
            return;
        }
    }
    Log("RX gpio " + raw + " = unknown code 0x" + HexByte(code) + " (ignored)");
}

void TGpioLink::SendFrame(uint8_t code, const std::string& data, const std::string& meaning)
{
    const std::string frame = Frame(code, data);
    Transmit(frame, HexBytes(frame), meaning);
}

void TGpioLink::OnDipRequest(uint8_t code, const std::string& data)
{
    std::string reply;
    reply += char(kHardwareId >> 8);
    reply += char(kHardwareId & 0xFF);
    reply += char(kDipSwitches >> 8);
    reply += char(kDipSwitches & 0xFF);
    reply += char(kBoardRevision);
    SendFrame(code, reply, "DIP reply");
}

void TGpioLink::OnDirections(uint8_t code, const std::string& data)
{
    if (data.size() != 1) {
        Log("   (direction request with " + std::to_string(data.size()) + " data bytes, expected 1: ignored)");
        return;
    }
    fDirections = uint8_t(data[0]);
    SendFrame(code, std::string(1, char(fDirections)), "directions acknowledged");
}

void TGpioLink::OnSetBits(uint8_t code, const std::string& data)
{
    if (data.size() != 2) {
        Log("   (set bits with " + std::to_string(data.size()) + " data bytes, expected 2: ignored)");
        return;
    }
    fOutputs |= uint8_t(data[0]);
    fStatus2 = uint8_t(data[1]);
    SendFrame(code, std::string{char(fOutputs), char(fStatus2)}, "GPIO status");
}

void TGpioLink::OnClearBits(uint8_t code, const std::string& data)
{
    if (data.size() != 2) {
        Log("   (clear bits with " + std::to_string(data.size()) + " data bytes, expected 2: ignored)");
        return;
    }
    fOutputs &= uint8_t(~uint8_t(data[0]));
    SendFrame(code, std::string{char(fOutputs), char(fStatus2)}, "GPIO status");
}

void TGpioLink::OnChannelData(uint8_t code, const std::string& data)
{
    const int channel = code - 0x10;
    Log("   channel " + std::to_string(channel) + " out \"" + Printable(data) + "\"");
}

void TGpioLink::OnCanData(uint8_t code, const std::string& data)
{
    const int channel = code - 0x20;
    if (data.size() != 16) {
        Log("   (CAN record of " + std::to_string(data.size()) + " bytes, expected 16: ignored)");
        return;
    }
    TSimCanFrame frame;
    const uint32_t header = Le32(data, 0);
    frame.Id = Le32(data, 4);
    for (size_t i = 0; i < 8; ++i)
        frame.Data[i] = uint8_t(data[8 + i]);
    Log("   CAN " + std::to_string(channel) + " id 0x" + HexWord(frame.Id) + " data " + DataBytesText(frame) + " = "
        + DescribeCommand(frame));
    if (header != kRecordHeader)
        Log("   (record header 0x" + HexWord(header) + ", expected 0x" + HexWord(kRecordHeader) + ")");
    if (channel != 1) {
        Log("   (no controller boards on CAN channel " + std::to_string(channel) + ")");
        return;
    }
    if (fCanRate[0] != kBoardsRateCode) {
        Log("   (CAN channel 1 runs at rate code " + std::to_string(fCanRate[0]) + ", the boards at "
            + std::to_string(kBoardsRateCode) + ": frame lost)");
        return;
    }
    ToBus(frame);
}

bool TGpioLink::CarriesBoardFrames() const
{
    return fCanRate[0] == kBoardsRateCode;
}

void TGpioLink::SendFromBus(const TSimCanFrame& frame)
{
    std::string record;
    PutLe32(record, kRecordHeader);
    PutLe32(record, frame.Id);
    record.append(frame.Data.begin(), frame.Data.end());
    SendFrame(0x21, record, DescribeStatus(frame));
}

void TGpioLink::OnChannelConfig(uint8_t code, const std::string& data)
{
    const int channel = code - 0x90;
    if (data.empty()) {
        Log("   (serial channel configuration without a code: ignored)");
        return;
    }
    fChannelConfig[channel - 1] = uint8_t(data[0]);
    ++fChannelConfigsReceived;
    SendFrame(code, std::string(1, data[0]), "serial channel " + std::to_string(channel) + " configured with code "
        + std::to_string(uint8_t(data[0])));
}

void TGpioLink::OnCanConfig(uint8_t code, const std::string& data)
{
    const int channel = code - 0xA0;
    if (data.empty()) {
        Log("   (CAN configuration without a rate code: ignored)");
        return;
    }
    fCanRate[channel - 1] = uint8_t(data[0]);
    SendFrame(code, std::string(1, data[0]), "CAN channel " + std::to_string(channel) + " set to rate code "
        + std::to_string(uint8_t(data[0])));
}

bool TGpioLink::ChannelInput(int channel, const std::string& bytes, std::string& error)
{
    if (channel < 1 || channel > 4) {
        error = "serial channel must be 1..4";
        return false;
    }
    for (size_t at = 0; at < bytes.size(); at += kLongestChannelBlock) {
        std::string block = bytes.substr(at, kLongestChannelBlock);
        SendFrame(uint8_t(0x10 + channel), block, "channel " + std::to_string(channel) + " in \"" + Printable(block) + "\"");
    }
    return true;
}

std::string TGpioLink::State() const
{
    return "directions=0x" + HexByte(fDirections) + " outputs=0x" + HexByte(fOutputs) + " can1rate="
        + std::to_string(fCanRate[0]) + " can2rate=" + std::to_string(fCanRate[1]) + " channels="
        + std::to_string(fChannelConfig[0]) + "," + std::to_string(fChannelConfig[1]) + ","
        + std::to_string(fChannelConfig[2]) + "," + std::to_string(fChannelConfig[3]) + " channelconfigs="
        + std::to_string(fChannelConfigsReceived);
}

} // namespace orv::sim
