#pragma once
#include "nav/GuidanceChannels.h"
#include "nav/MsgDecoding.h"

namespace orv {

// The seven fields of a received "$ORV" sentence, as decoded.
struct TOrvBlock {
    int32_t runState = 0;   // field 1
    int32_t channel1 = 0;   // field 2
    int32_t gateStatus = 0; // field 3
    float appRate = 0;      // field 4, kg/ha
    float swathWidth = 0;   // field 5, m
    float speed = 0;        // field 6, m/s
    float channel6 = 0;     // field 7
};

// "$ORV" (and "$ORV2") sentences from a guidance system. The values land as
// the channels' remote values, unsigned; the sign of each field is kept in
// the sign flags (bit n-1 = field n was negative).
class OrvDecoding final : public TMsgDecoding {
public:
    enum : int { kOrv = 0, kOrv2 = 1 };
    static std::span<const TSentenceDef> Table();

    OrvDecoding(TGPSFix& fix, TOrvBlock& block, uint8_t& signFlags, TGuidanceChannels& channels);

    // Registers fields 1..7 of id 0 into the block.
    void RegisterOrvFields();

    // The id of the sentence type last matched.
    int StoredMessageId() const { return fStoredId; }
    bool Match(std::string_view line) override;

protected:
    bool OnDecoded() override;

private:
    TOrvBlock& fBlock;
    uint8_t& fSignFlags;
    TGuidanceChannels& fChannels;
    int fStoredId = -1;
};

} // namespace orv
