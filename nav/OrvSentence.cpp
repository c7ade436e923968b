#include "nav/OrvSentence.h"

#include "nav/NmeaChecksum.h"

#include <charconv>
#include <cmath>

namespace orv {

namespace {

int SignedInt(double value, bool negate)
{
    const int v = static_cast<int>(value);
    return negate ? -v : v;
}

} // namespace

TOrvFields OutgoingOrvFields(const TGuidanceChannels& ch)
{
    auto negated = [&](int channel) { return ch.RemoteDisabled(channel); };
    auto signedReal = [&](int channel) { return negated(channel) ? -ch.Local(channel) : ch.Local(channel); };
    TOrvFields f;
    f.runState = SignedInt(ch.Local(gchRunState), negated(gchRunState));
    f.channel1 = SignedInt(ch.Local(gchChannel1), negated(gchChannel1));
    f.gateStatus = SignedInt(ch.Local(gchGateStatus), negated(gchGateStatus));
    f.appRate = signedReal(gchAppRate);
    f.swathWidth = signedReal(gchSwathWidth);
    f.speed = negated(gchSpeed) ? -ch.Local(gchSpeed) : ch.Remote(gchSpeed);
    f.channel6 = signedReal(gchChannel6);
    return f;
}

std::string FixedText(double value, int decimals)
{
    if (!std::isfinite(value))
        value = 0;
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string text = ec == std::errc() ? std::string(buf, end) : std::string("0");
    // A value that rounds to zero is written without a sign.
    if (text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string BuildOrvSentence(const TOrvFields& f)
{
    std::string s = "$ORV,";
    s += std::to_string(f.runState) + ',';
    s += std::to_string(f.channel1) + ',';
    s += std::to_string(f.gateStatus) + ',';
    s += FixedText(f.appRate, 2) + ',';
    s += FixedText(f.swathWidth, 1) + ',';
    s += FixedText(f.speed, 1) + ',';
    s += FixedText(f.channel6, 3);
    return NmeaWithChecksum(s);
}

uint16_t GateStatusCode(bool underCanControl, bool armed, bool pilotSwitchOn)
{
    return static_cast<uint16_t>((underCanControl && armed ? 20 : 10) + (pilotSwitchOn ? 1 : 0));
}

std::vector<std::string> ReceiverSetupSentences()
{
    return {NmeaWithChecksum("$PSRF100,1,4800,8,1,0*"), NmeaWithChecksum("$PSRF103,04,00,01,01*")};
}

std::vector<std::string> ReceiverSwitchOffSentences()
{
    static constexpr const char* kMessages[] = {"00", "01", "02", "03", "05", "06"};
    std::vector<std::string> out;
    for (const char* nn : kMessages)
        out.push_back(NmeaWithChecksum(std::string("$PSRF103,") + nn + ",00,00,01*"));
    return out;
}

} // namespace orv
