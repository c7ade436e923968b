#include "nav/OrvDecoding.h"

#include "nav/NmeaChecksum.h"
#include "store/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orv {

namespace {

// "$ORV2" also starts with "$ORV", so it is taken as id 0.
constexpr TSentenceDef kOrvSentences[] = {
    {"$ORV", '*', ',', NmeaChecksumOk},
    {"$ORV2", '*', ',', NmeaChecksumOk},
};

constexpr int64_t kMaxWord = 65535;

// Makes a field positive and records in flags whether it was negative.
int64_t Unsigned(int64_t value, uint8_t& flags, int bit)
{
    if (value >= 0)
        return value;
    flags |= static_cast<uint8_t>(1u << bit);
    return -value;
}

float Unsigned(float value, uint8_t& flags, int bit)
{
    if (value < 0)
        flags |= static_cast<uint8_t>(1u << bit);
    return std::fabs(value);
}

} // namespace

std::span<const TSentenceDef> OrvDecoding::Table()
{
    return kOrvSentences;
}

OrvDecoding::OrvDecoding(TGPSFix& fix, TOrvBlock& block, uint8_t& signFlags, TGuidanceChannels& channels)
    : TMsgDecoding("AutoCal", Table()), fBlock(block), fSignFlags(signFlags), fChannels(channels)
{
    SetFix(&fix);
}

void OrvDecoding::RegisterOrvFields()
{
    AddField(kOrv, fBlock.runState, fkInteger, 1);
    AddField(kOrv, fBlock.channel1, fkLongInt, 2);
    AddField(kOrv, fBlock.gateStatus, fkInteger, 3);
    AddField(kOrv, fBlock.appRate, fkSingle, 4);
    AddField(kOrv, fBlock.swathWidth, fkSingle, 5);
    AddField(kOrv, fBlock.speed, fkSingle, 6);
    AddField(kOrv, fBlock.channel6, fkSingle, 7);
}

bool OrvDecoding::Match(std::string_view line)
{
    const bool matched = TMsgDecoding::Match(line);
    fStoredId = CurrentMessageId();
    return matched;
}

bool OrvDecoding::OnDecoded()
{
    if (CurrentMessageId() != kOrv)
        return TMsgDecoding::OnDecoded();
    uint8_t flags = 0;
    const int64_t runState = Unsigned(static_cast<int64_t>(fBlock.runState), flags, 0);
    const int64_t channel1 = Unsigned(static_cast<int64_t>(fBlock.channel1), flags, 1);
    const int64_t gateStatus = Unsigned(static_cast<int64_t>(fBlock.gateStatus), flags, 2);
    // The 16-bit channels cannot hold more: such a sentence is refused whole
    // rather than half taken, and the lines around it are still read.
    if (channel1 > kMaxWord || gateStatus > kMaxWord) {
        Log("Decoding Error: %s", "$ORV field out of range for a 16-bit channel");
        return false;
    }
    fBlock.runState = static_cast<int32_t>(std::min<int64_t>(runState, INT32_MAX));
    fBlock.channel1 = static_cast<int32_t>(channel1);
    fBlock.gateStatus = static_cast<int32_t>(gateStatus);
    fBlock.appRate = Unsigned(fBlock.appRate, flags, 3);
    fBlock.swathWidth = Unsigned(fBlock.swathWidth, flags, 4);
    fBlock.speed = Unsigned(fBlock.speed, flags, 5);
    fBlock.channel6 = Unsigned(fBlock.channel6, flags, 6);
    fSignFlags = flags;

    fChannels.SetRemote(gchRunState, static_cast<double>(runState & 0xFF));
    fChannels.SetRemote(gchChannel1, static_cast<double>(channel1));
    fChannels.SetRemote(gchGateStatus, static_cast<double>(gateStatus));
    fChannels.SetRemote(gchAppRate, fBlock.appRate);
    fChannels.SetRemote(gchSwathWidth, fBlock.swathWidth);
    fChannels.SetRemote(gchSpeed, fBlock.speed);
    fChannels.SetRemote(gchChannel6, fBlock.channel6);
    return TMsgDecoding::OnDecoded();
}

} // namespace orv
