#pragma once
#include "nav/GPSFix.h"
#include "nav/TokenList.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orv {

// Checks a line's checksum; checksumPos is just after the terminator.
using TSentenceVerifier = bool (*)(std::string_view line, size_t checksumPos);

// One row of a decoder class's sentence table; its position is the message id.
struct TSentenceDef {
    std::string_view pattern; // a blank matches any character
    char terminator;          // introduces the checksum; ' ' = none
    char separator;
    TSentenceVerifier verifier; // nullptr = not verified
};

enum TFieldKind : uint8_t {
    fkBoolean = 0,     // uint8_t: 1 when the decimal value is 1, else 0
    fkChar = 1,        // char: first character
    fkText = 2,        // std::string, at most maximum length characters
    fkCountedText = 3, // std::string, shorter than 255 characters
    fkInteger = 4,     // int32_t, decimal
    fkByte = 5,        // uint8_t, decimal 0..255
    fkLongInt = 6,     // int32_t, decimal
    fkHexInteger = 7,  // int32_t, hexadecimal
    fkHexWord = 8,     // int32_t, exactly four hexadecimal digits
    fkHexByte = 9,     // uint8_t, hexadecimal 0..255
    fkDouble = 10,     // double
    fkSingle = 11,     // float
};

// Where a field lands: a variable of the registering object, typed by its kind.
using TFieldSlot = std::variant<std::monostate, uint8_t*, char*, std::string*, int32_t*, double*, float*>;

struct TFieldDef {
    uint8_t messageId = 0;
    uint8_t fieldIndex = 0; // 0 = the sentence identifier
    TFieldKind kind = fkInteger;
    TFieldSlot destination;
    TFieldSlot defaultValue; // monostate = none: bad or empty fields keep the old value
    uint8_t maxLength = 0;   // fkText only
    bool stored = false;     // set by the last decode of its sentence
};

// Table-driven decoding of line-oriented sentences: the owner registers which
// fields of which sentence type go into which of its variables; Match picks
// the sentence type of a line and Decode fills the variables, then runs the
// hooks. One thread only.
class TMsgDecoding {
public:
    using DecodeEvent = std::function<void(TMsgDecoding&)>;
    static constexpr int kMaxMessageId = 127;

    TMsgDecoding(std::string name, std::span<const TSentenceDef> table);
    virtual ~TMsgDecoding() = default;
    TMsgDecoding(const TMsgDecoding&) = delete;
    TMsgDecoding& operator=(const TMsgDecoding&) = delete;

    const std::string& Name() const { return fName; }

    // Registers a field. The destination type must suit the kind; a mismatch,
    // or an id without a table row, is a programming error (std::invalid_argument).
    template <class T>
    void AddField(int messageId, T& destination, TFieldKind kind, int fieldIndex, int maxLength = 0,
                  T* defaultValue = nullptr)
    {
        AddFieldDef(messageId, TFieldSlot(&destination), kind, fieldIndex, maxLength,
                    defaultValue ? TFieldSlot(defaultValue) : TFieldSlot());
    }

    // Takes the first registered sentence type (ascending id) whose pattern
    // matches the start of the line.
    virtual bool Match(std::string_view line);
    // Decodes a line of the type chosen by the last successful Match.
    bool Decode(std::string_view line);

    int CurrentMessageId() const { return fCurrentId; }
    const TSentenceDef* CurrentSentence() const { return fCurrentId >= 0 ? &fCurrentDef : nullptr; }
    bool Registered(int messageId) const;
    // Whether the last decode stored a value into this field (it was present and converted).
    bool FieldStored(int messageId, int fieldIndex) const;

    DecodeEvent OnDecode;
    void SetFix(TGPSFix* fix) { fFix = fix; }
    TGPSFix* Fix() const { return fFix; }

    static bool PatternMatches(std::string_view pattern, std::string_view line);

protected:
    // Derived decoders compute their values first, then call the base, which
    // fires OnDecode. False rejects the sentence (Decode then returns false).
    virtual bool OnDecoded();

private:
    void AddFieldDef(int messageId, TFieldSlot destination, TFieldKind kind, int fieldIndex, int maxLength,
                     TFieldSlot defaultValue);
    void FillFields();

    std::string fName;
    std::span<const TSentenceDef> fTable;
    std::vector<TFieldDef> fFields; // grouped by id, ascending field index
    std::bitset<kMaxMessageId + 1> fIds;
    std::unique_ptr<TTokenList> fTokens;
    std::string fWork; // the line being decoded; the tokenizer cuts it in place
    int fCurrentId = -1;
    TSentenceDef fCurrentDef{};
    TGPSFix* fFix = nullptr;
};

// Converts one field text into its destination as its kind says.
bool StoreField(const TFieldDef& def, std::string_view text);

} // namespace orv
