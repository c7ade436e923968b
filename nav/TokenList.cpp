#include "nav/TokenList.h"

#include <stdexcept>

namespace orv {

TTokenList::TTokenList()
{
    fDelimiters.set(0);
}

void TTokenList::SetDelimiters(std::string_view chars)
{
    fDelimiters.reset();
    fDelimiters.set(0);
    for (char c : chars)
        fDelimiters.set(static_cast<unsigned char>(c));
}

void TTokenList::Tokenize(char* text, size_t length, size_t initialCapacity)
{
    if (length > UINT32_MAX)
        throw std::length_error("TTokenList: text too long");
    fText = text;
    fLength = length;
    fCount = 0;
    if (fStarts.size() < initialCapacity)
        fStarts.resize(initialCapacity);
    size_t i = 0;
    while (i < length) {
        if (fCount == fStarts.size())
            fStarts.resize(fStarts.size() + kGrowBy);
        fStarts[fCount++] = static_cast<uint32_t>(i);
        if (IsDelimiter(text[i])) {
            ++i;
            continue;
        }
        while (i < length && !IsDelimiter(text[i]))
            ++i;
    }
    Rewind();
}

size_t TTokenList::TokenLength(size_t i) const
{
    const size_t start = fStarts[i];
    if (IsDelimiter(fText[start]))
        return 1;
    size_t end = start;
    while (end < fLength && !IsDelimiter(fText[end]))
        ++end;
    return end - start;
}

void TTokenList::Rewind()
{
    fCurrent = 0;
    fFieldsDone = fCount == 0;
}

bool TTokenList::NextField(std::string_view& field)
{
    if (fFieldsDone)
        return false;
    // A field is whatever stands before the next delimiter; nothing there means empty.
    field = {fText + (fCurrent < fCount ? fStarts[fCurrent] : fLength), 0};
    if (fCurrent < fCount && !TokenIsDelimiter(fCurrent)) {
        field = TokenText(fCurrent);
        ++fCurrent;
    }
    if (fCurrent >= fCount) {
        fFieldsDone = true;
        return true;
    }
    char& delimiter = fText[fStarts[fCurrent]];
    if (fTerminator != 0 && delimiter == fTerminator) {
        fFieldsDone = true;
    } else {
        ++fCurrent;
    }
    delimiter = 0;
    return true;
}

} // namespace orv
