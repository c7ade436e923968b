#pragma once
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace orv {

// Splits a text in place into tokens: every delimiter is a token of its own,
// every run of other characters is one token, so two adjacent delimiters
// enclose an empty field. It only records where tokens start; the text stays
// the caller's. NextField writes a zero over the separator after each field
// it returns, so fields come back zero-terminated without copying.
class TTokenList {
public:
    TTokenList();

    // Character 0 is always a delimiter.
    void SetDelimiters(std::string_view chars);
    bool IsDelimiter(char c) const { return fDelimiters.test(static_cast<unsigned char>(c)); }

    // Records the token starts of text[0, length) and rewinds the field walk.
    void Tokenize(char* text, size_t length, size_t initialCapacity = 0);

    size_t Count() const { return fCount; }
    size_t TokenStart(size_t i) const { return fStarts[i]; }
    const char* Token(size_t i) const { return fText + fStarts[i]; }
    // A delimiter token has length 1; any other runs up to the next delimiter.
    size_t TokenLength(size_t i) const;
    bool TokenIsDelimiter(size_t i) const { return IsDelimiter(fText[fStarts[i]]); }
    std::string_view TokenText(size_t i) const { return {Token(i), TokenLength(i)}; }

    // The decoders' end rule: fields end at this character, and what follows it
    // (the checksum) is never returned as a field. 0 = no terminator.
    void SetFieldTerminator(char terminator) { fTerminator = terminator; }
    // The next field; empty between two adjacent separators. False when the
    // fields are exhausted.
    bool NextField(std::string_view& field);
    void Rewind();

private:
    static constexpr size_t kGrowBy = 1024;

    std::bitset<256> fDelimiters;
    char* fText = nullptr;
    size_t fLength = 0;
    std::vector<uint32_t> fStarts;
    size_t fCount = 0;
    size_t fCurrent = 0;
    bool fFieldsDone = false;
    char fTerminator = 0;
};

} // namespace orv
