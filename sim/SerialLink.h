#pragma once
#include <string>

#include "sim/SimLink.h"

namespace orv::sim {

// A controller on a direct serial line. The application writes 32-character
// lines "@cc,d0,d1,...,d7,ss\r\n" (nine hex bytes each followed by a comma,
// then the checksum: the sum of the first 28 characters modulo 256); the
// controller answers with lines of the same layout that start with "#".
// The line has no board address: one controller listens.
class TSerialLink : public TSimLink {
public:
    static constexpr size_t kLineLength = 32;
    static constexpr char kReplyStart = '#';

    TSerialLink(TSimBus& bus, TSimLog& log, TLinkPort port);

    TLinkKind Kind() const override { return TLinkKind::Serial; }
    void Receive(std::string_view bytes) override;
    void Reset() override;

    // The line for a frame, starting with `start`.
    static std::string Line(char start, const TSimCanFrame& frame);

protected:
    // The controller reports on its own only once the application has talked to it.
    bool CarriesBoardFrames() const override;
    void SendFromBus(const TSimCanFrame& frame) override;

private:
    // Decodes one line starting at '@'; false with the reason when it is not valid.
    bool Decode(const std::string& line, TSimCanFrame& frame, std::string& why) const;

    std::string fText;
    bool fHeard = false;
};

} // namespace orv::sim
