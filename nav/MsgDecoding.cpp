#include "nav/MsgDecoding.h"

#include "nav/FieldConvert.h"
#include "store/Log.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace orv {

namespace {

constexpr size_t kCountedTextMax = 255;

bool KindSuitsSlot(TFieldKind kind, const TFieldSlot& slot)
{
    switch (kind) {
    case fkBoolean:
    case fkByte:
    case fkHexByte:
        return std::holds_alternative<uint8_t*>(slot);
    case fkChar:
        return std::holds_alternative<char*>(slot);
    case fkText:
    case fkCountedText:
        return std::holds_alternative<std::string*>(slot);
    case fkInteger:
    case fkLongInt:
    case fkHexInteger:
    case fkHexWord:
        return std::holds_alternative<int32_t*>(slot);
    case fkDouble:
        return std::holds_alternative<double*>(slot);
    case fkSingle:
        return std::holds_alternative<float*>(slot);
    }
    return false;
}

template <class T>
T& Dest(const TFieldSlot& slot)
{
    return *std::get<T*>(slot);
}

void CopyDefault(const TFieldDef& def)
{
    std::visit(
        [&](const auto& from) {
            using P = std::decay_t<decltype(from)>;
            if constexpr (!std::is_same_v<P, std::monostate>) {
                if (!from)
                    return;
                auto* to = std::get<P>(def.destination);
                *to = *from;
                if constexpr (std::is_same_v<P, std::string*>) {
                    if (to->size() > kCountedTextMax)
                        to->resize(kCountedTextMax);
                }
            }
        },
        def.defaultValue);
}

// Converts the text into the destination; false when it is empty or does not
// convert, in which case nothing has been written.
bool Convert(const TFieldDef& def, std::string_view text)
{
    if (text.empty())
        return false;
    int32_t i = 0;
    double d = 0;
    switch (def.kind) {
    case fkBoolean:
        if (!ParseFieldInt32(text, i))
            return false;
        Dest<uint8_t>(def.destination) = i == 1 ? 1 : 0;
        return true;
    case fkChar:
        Dest<char>(def.destination) = text[0];
        return true;
    case fkText:
        Dest<std::string>(def.destination).assign(text.substr(0, def.maxLength ? def.maxLength : kCountedTextMax));
        return true;
    case fkCountedText:
        if (text.size() >= kCountedTextMax)
            return false;
        Dest<std::string>(def.destination).assign(text);
        return true;
    case fkInteger:
    case fkLongInt:
        if (!ParseFieldInt32(text, i))
            return false;
        Dest<int32_t>(def.destination) = i;
        return true;
    case fkByte:
        if (!ParseFieldInt32(text, i) || i < 0 || i > 255)
            return false;
        Dest<uint8_t>(def.destination) = static_cast<uint8_t>(i);
        return true;
    case fkHexInteger:
        if (!ParseFieldHex32(text, i))
            return false;
        Dest<int32_t>(def.destination) = i;
        return true;
    case fkHexWord:
        if (text.size() != 4 || !ParseFieldHex32(text, i))
            return false;
        Dest<int32_t>(def.destination) = i;
        return true;
    case fkHexByte:
        if (!ParseFieldHex32(text, i) || i < 0 || i > 255)
            return false;
        Dest<uint8_t>(def.destination) = static_cast<uint8_t>(i);
        return true;
    case fkDouble:
        if (!ParseFieldReal(text, d))
            return false;
        Dest<double>(def.destination) = d;
        return true;
    case fkSingle:
        if (!ParseFieldReal(text, d) || std::abs(d) > std::numeric_limits<float>::max())
            return false;
        Dest<float>(def.destination) = static_cast<float>(d);
        return true;
    }
    return false;
}

} // namespace

bool StoreField(const TFieldDef& def, std::string_view text)
{
    if (Convert(def, text))
        return true;
    // An empty counted text without a default still means "no text".
    if (def.kind == fkCountedText && text.empty() && std::holds_alternative<std::monostate>(def.defaultValue)) {
        Dest<std::string>(def.destination).clear();
        return false;
    }
    // A four-character hex word that is not four characters leaves the variable alone.
    if (def.kind == fkHexWord && !text.empty() && text.size() != 4)
        return false;
    CopyDefault(def);
    return false;
}

TMsgDecoding::TMsgDecoding(std::string name, std::span<const TSentenceDef> table)
    : fName(std::move(name)), fTable(table)
{
}

void TMsgDecoding::AddFieldDef(int messageId, TFieldSlot destination, TFieldKind kind, int fieldIndex,
                               int maxLength, TFieldSlot defaultValue)
{
    if (messageId < 0 || messageId > kMaxMessageId || static_cast<size_t>(messageId) >= fTable.size())
        throw std::invalid_argument(fName + ": no sentence type " + std::to_string(messageId));
    if (fieldIndex < 0 || fieldIndex > 255 || maxLength < 0 || maxLength > 255)
        throw std::invalid_argument(fName + ": field index or length out of range");
    if (!KindSuitsSlot(kind, destination))
        throw std::invalid_argument(fName + ": destination does not suit the field kind");
    if (!std::holds_alternative<std::monostate>(defaultValue) && defaultValue.index() != destination.index())
        throw std::invalid_argument(fName + ": default does not suit the field kind");
    TFieldDef def;
    def.messageId = static_cast<uint8_t>(messageId);
    def.fieldIndex = static_cast<uint8_t>(fieldIndex);
    def.kind = kind;
    def.destination = destination;
    def.defaultValue = defaultValue;
    def.maxLength = static_cast<uint8_t>(maxLength);
    // Keep each id's fields together and in ascending index, whatever the order of registration.
    auto at = std::upper_bound(fFields.begin(), fFields.end(), def, [](const TFieldDef& a, const TFieldDef& b) {
        return a.messageId != b.messageId ? a.messageId < b.messageId : a.fieldIndex < b.fieldIndex;
    });
    fFields.insert(at, def);
    fIds.set(static_cast<size_t>(messageId));
}

bool TMsgDecoding::Registered(int messageId) const
{
    return messageId >= 0 && messageId <= kMaxMessageId && fIds.test(static_cast<size_t>(messageId));
}

bool TMsgDecoding::FieldStored(int messageId, int fieldIndex) const
{
    for (const auto& f : fFields)
        if (f.messageId == messageId && f.fieldIndex == fieldIndex && f.stored)
            return true;
    return false;
}

bool TMsgDecoding::PatternMatches(std::string_view pattern, std::string_view line)
{
    if (line.size() < pattern.size())
        return false;
    for (size_t i = 0; i < pattern.size(); ++i)
        if (pattern[i] != ' ' && pattern[i] != line[i])
            return false;
    return true;
}

bool TMsgDecoding::Match(std::string_view line)
{
    for (size_t id = 0; id < fTable.size() && id <= kMaxMessageId; ++id) {
        if (fIds.test(id) && PatternMatches(fTable[id].pattern, line)) {
            fCurrentId = static_cast<int>(id);
            fCurrentDef = fTable[id];
            return true;
        }
    }
    fCurrentId = -1;
    return false;
}

bool TMsgDecoding::Decode(std::string_view line)
{
    if (fCurrentId < 0)
        return false;
    if (!fTokens)
        fTokens = std::make_unique<TTokenList>();
    const bool terminated = fCurrentDef.terminator != ' ';
    const char delimiters[2] = {fCurrentDef.separator, fCurrentDef.terminator};
    fTokens->SetDelimiters(std::string_view(delimiters, terminated ? 2 : 1));
    fTokens->SetFieldTerminator(terminated ? fCurrentDef.terminator : 0);
    fWork.assign(line);
    fTokens->Tokenize(fWork.data(), fWork.size());

    if (terminated) {
        // The line must end in the terminator and exactly two checksum characters.
        const size_t n = fTokens->Count();
        if (n < 3)
            return false;
        const size_t star = n - 2;
        if (fWork[fTokens->TokenStart(star)] != fCurrentDef.terminator || fTokens->TokenIsDelimiter(n - 1) ||
            fTokens->TokenLength(n - 1) != 2)
            return false;
        if (fCurrentDef.verifier && !fCurrentDef.verifier(line, fTokens->TokenStart(star) + 1))
            return false;
    }

    FillFields();
    return OnDecoded();
}

void TMsgDecoding::FillFields()
{
    auto first = std::find_if(fFields.begin(), fFields.end(),
                              [&](const TFieldDef& f) { return f.messageId == fCurrentId; });
    for (auto it = first; it != fFields.end() && it->messageId == fCurrentId; ++it)
        it->stored = false;
    try {
        int counter = 0;
        std::string_view field;
        for (auto it = first; it != fFields.end() && it->messageId == fCurrentId; ++it) {
            for (int steps = it->fieldIndex - counter + 1; steps > 0; --steps) {
                if (!fTokens->NextField(field))
                    return; // fewer fields than registered: the rest keep their values
            }
            counter = it->fieldIndex + 1;
            it->stored = StoreField(*it, field);
        }
    } catch (const std::exception& e) {
        Log("Decoding Error: %s", e.what());
    }
}

bool TMsgDecoding::OnDecoded()
{
    if (OnDecode)
        OnDecode(*this);
    return true;
}

} // namespace orv
