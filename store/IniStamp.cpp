#include "store/IniStamp.h"

#include "store/Format.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

namespace orv {

namespace {

constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        t[i] = c;
    }
    return t;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

// One line of the text: [begin, end) without its line feed; next is where
// the following line starts.
struct TLine {
    size_t begin;
    size_t end;
    size_t next;
};

std::vector<TLine> SplitLines(const std::string& text)
{
    std::vector<TLine> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t lf = text.find('\n', pos);
        if (lf == std::string::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        lines.push_back({pos, lf, lf + 1});
        pos = lf + 1;
    }
    return lines;
}

std::string LineText(const std::string& text, const TLine& l, bool first)
{
    std::string s = text.substr(l.begin, l.end - l.begin);
    if (first && s.compare(0, 3, "\xEF\xBB\xBF") == 0)
        s.erase(0, 3);
    return Trim(s);
}

// Index of the FileID line of the [Security] section, or -1; its value too.
long FindStampLine(const std::string& text, const std::vector<TLine>& lines, std::string* value)
{
    bool inSecurity = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string t = LineText(text, lines[i], i == 0);
        if (t.empty())
            continue;
        if (t.front() == '[') {
            const size_t close = t.find(']');
            const std::string name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            inSecurity = SameText(name, kSecuritySection);
            continue;
        }
        if (!inSecurity || t.front() == ';' || t.front() == '#')
            continue;
        const size_t eq = t.find('=');
        if (SameText(Trim(t.substr(0, eq)), kFileIdKey)) {
            if (value)
                *value = eq == std::string::npos ? std::string() : Trim(t.substr(eq + 1));
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::mutex gStampedMutex;
std::set<std::string> gStamped;

std::string NormalPath(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path p(path);
    if (p.is_relative()) {
        const auto abs = std::filesystem::absolute(p, ec);
        if (!ec)
            p = abs;
    }
    return p.lexically_normal().string();
}

} // namespace

uint32_t StampCrc32(const void* data, size_t size, uint32_t crc)
{
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        crc = kTable[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
    return crc;
}

uint32_t StampCrc32(const std::string& bytes)
{
    return StampCrc32(bytes.data(), bytes.size());
}

std::string StampText(uint32_t crc)
{
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", crc);
    return buf;
}

std::string StoredStamp(const std::string& text)
{
    std::string value;
    return FindStampLine(text, SplitLines(text), &value) >= 0 ? value : std::string();
}

std::string WithoutStamp(const std::string& text)
{
    const auto lines = SplitLines(text);
    const long i = FindStampLine(text, lines, nullptr);
    if (i < 0)
        return text;
    const TLine& l = lines[static_cast<size_t>(i)];
    return text.substr(0, l.begin) + text.substr(l.next);
}

TStampState CheckStamp(const std::string& text)
{
    const std::string stored = StoredStamp(text);
    if (stored.empty())
        return TStampState::Invalid;
    if (stored == kTrustMarker)
        return TStampState::Trusted;
    // Compared exactly, case included: a stamp retyped in lower case is not ours.
    return stored == StampText(StampCrc32(WithoutStamp(text))) ? TStampState::Valid : TStampState::Invalid;
}

const char* StampStateName(TStampState state)
{
    switch (state) {
    case TStampState::Valid:
        return "valid";
    case TStampState::Trusted:
        return "trusted";
    case TStampState::Invalid:
        break;
    }
    return "invalid";
}

bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad())
        return false;
    bytes = s.str();
    return true;
}

void SetStampedFiles(const std::vector<std::string>& paths)
{
    std::lock_guard lock(gStampedMutex);
    gStamped.clear();
    for (const auto& p : paths)
        gStamped.insert(NormalPath(p));
}

void ClearStampedFiles()
{
    std::lock_guard lock(gStampedMutex);
    gStamped.clear();
}

bool IsStampedFile(const std::string& path)
{
    std::lock_guard lock(gStampedMutex);
    if (gStamped.empty())
        return false;
    return gStamped.count(NormalPath(path)) != 0;
}

} // namespace orv
