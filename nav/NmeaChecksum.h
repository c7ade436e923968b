#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

// True when the hexadecimal text from checksumPos to the end of the line equals
// the exclusive-or of the characters between the leading "$" and the character
// at checksumPos - 1 (the terminator). Either case of hex digit is accepted.
bool NmeaChecksumOk(std::string_view line, size_t checksumPos);

// The checksum of an outgoing sentence: the exclusive-or of everything after
// the first character up to the first "*" (or the end), as two upper-case hex
// digits, with a leading "*" when the sentence has none, so that sentence plus
// result always ends in "*hh".
std::string NmeaChecksumText(std::string_view sentence);

// The sentence completed with its checksum text and CR LF, ready for the wire.
std::string NmeaWithChecksum(std::string_view sentence);

} // namespace orv
