#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// The integrity stamp of a protected INI file: "[Security] FileID" holds the
// checksum of the whole file as it reads with that one line taken out (the
// [Security] section left in place, empty), as eight upper-case hex digits.
// "88888888" marks a file prepared by hand: trusted without a checksum until
// it is stamped.
inline constexpr const char* kSecuritySection = "Security";
inline constexpr const char* kFileIdKey = "FileID";
inline constexpr const char* kTrustMarker = "88888888";

// CRC-32 over the reflected table of 0xEDB88320, the register starting at 0
// and no final inversion ("abc" gives 0xCA6598D0).
uint32_t StampCrc32(const void* data, size_t size, uint32_t crc = 0);
uint32_t StampCrc32(const std::string& bytes);
// Eight upper-case hexadecimal digits, zero-padded.
std::string StampText(uint32_t crc);

// The stored "FileID" of an INI text (its value trimmed), empty when absent.
std::string StoredStamp(const std::string& text);
// The text with its first "FileID" line of the [Security] section removed,
// every other byte kept as it is.
std::string WithoutStamp(const std::string& text);

enum class TStampState { Valid, Trusted, Invalid };
// Valid: a checksum that matches; Trusted: the trust marker; Invalid: no
// stamp, an empty one, or one that does not match.
TStampState CheckStamp(const std::string& text);
const char* StampStateName(TStampState state);

// Whole file into memory; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Files whose every save carries a fresh stamp (TMemIniFile::UpdateFile
// consults this list). Paths are compared after lexical normalisation.
void SetStampedFiles(const std::vector<std::string>& paths);
void ClearStampedFiles();
bool IsStampedFile(const std::string& path);

} // namespace orv
