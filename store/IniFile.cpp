#include "store/IniFile.h"

#include "store/Format.h"
#include "store/IniStamp.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

TMemIniFile::TMemIniFile(std::string fileName) : fFileName(std::move(fileName))
{
    Load();
}

void TMemIniFile::Load()
{
    fSections.clear();
    std::ifstream in(fFileName, std::ios::binary);
    if (!in)
        return;
    Section* current = nullptr;
    std::string line;
    bool firstLine = true;
    while (std::getline(in, line)) {
        // Editors on the aircraft's system may put a UTF-8 byte-order mark in
        // front of the text; left in place it hides the first section header,
        // and the next save would drop that whole section.
        if (firstLine && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
            line.erase(0, 3);
        firstLine = false;
        const std::string t = Trim(line);
        if (t.empty())
            continue;
        if (t.front() == '[') {
            const size_t close = t.find(']');
            const std::string name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            current = &FindOrAdd(name);
            continue;
        }
        if (!current)
            continue; // lines before the first section have no home
        if (t.front() == ';' || t.front() == '#') {
            current->entries.push_back({"", t});
            continue;
        }
        const size_t eq = t.find('=');
        const std::string key = Trim(t.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : Trim(t.substr(eq + 1));
        if (key.empty())
            continue;
        bool seen = false;
        for (const auto& e : current->entries)
            if (!e.key.empty() && SameText(e.key, key))
                seen = true; // the first occurrence wins, as with the system's own reader
        if (!seen)
            current->entries.push_back({key, value});
    }
    fModified = false;
}

TMemIniFile::Section* TMemIniFile::Find(const std::string& section)
{
    for (auto& s : fSections)
        if (SameText(s.name, section))
            return &s;
    return nullptr;
}

const TMemIniFile::Section* TMemIniFile::Find(const std::string& section) const
{
    for (const auto& s : fSections)
        if (SameText(s.name, section))
            return &s;
    return nullptr;
}

TMemIniFile::Section& TMemIniFile::FindOrAdd(const std::string& section)
{
    if (auto s = Find(section))
        return *s;
    fSections.push_back({section, {}});
    return fSections.back();
}

const TMemIniFile::Entry* TMemIniFile::FindKey(const std::string& section, const std::string& key) const
{
    const Section* s = Find(section);
    if (!s)
        return nullptr;
    for (const auto& e : s->entries)
        if (!e.key.empty() && SameText(e.key, key))
            return &e;
    return nullptr;
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const
{
    const Entry* e = FindKey(section, key);
    if (!e)
        return def;
    const std::string& v = e->value;
    if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
        return v.substr(1, v.size() - 2);
    return v;
}

int64_t TMemIniFile::ReadInteger(const std::string& section, const std::string& key, int64_t def) const
{
    int64_t v;
    if (!FindKey(section, key) || !TryStrToInt64(ReadString(section, key, ""), v))
        return def;
    return v;
}

bool TMemIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TMemIniFile::ReadFloat(const std::string& section, const std::string& key, double def) const
{
    double v;
    if (!FindKey(section, key) || !TryStrToFloat(ReadString(section, key, ""), v))
        return def;
    return v;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    // Keys and values are one line each in the file; a line break would split them.
    std::string clean = value;
    for (auto& c : clean)
        if (c == '\r' || c == '\n')
            c = ' ';
    Section& s = FindOrAdd(section);
    for (auto& e : s.entries) {
        if (!e.key.empty() && SameText(e.key, key)) {
            if (e.value != clean) {
                e.value = clean;
                fModified = true;
            }
            return;
        }
    }
    s.entries.push_back({key, clean});
    fModified = true;
}

void TMemIniFile::WriteInteger(const std::string& section, const std::string& key, int64_t value)
{
    WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TMemIniFile::WriteFloat(const std::string& section, const std::string& key, double value)
{
    WriteString(section, key, FloatToStr(value));
}

bool TMemIniFile::SectionExists(const std::string& section) const
{
    return Find(section) != nullptr;
}

bool TMemIniFile::ValueExists(const std::string& section, const std::string& key) const
{
    return FindKey(section, key) != nullptr;
}

std::vector<std::string> TMemIniFile::ReadSections() const
{
    std::vector<std::string> r;
    for (const auto& s : fSections)
        r.push_back(s.name);
    return r;
}

std::vector<std::string> TMemIniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> r;
    if (const Section* s = Find(section))
        for (const auto& e : s->entries)
            if (!e.key.empty())
                r.push_back(e.key);
    return r;
}

std::vector<std::string> TMemIniFile::ReadSectionValues(const std::string& section) const
{
    std::vector<std::string> r;
    if (const Section* s = Find(section))
        for (const auto& e : s->entries)
            if (!e.key.empty())
                r.push_back(e.key + "=" + e.value);
    return r;
}

void TMemIniFile::EraseSection(const std::string& section)
{
    for (auto it = fSections.begin(); it != fSections.end(); ++it) {
        if (SameText(it->name, section)) {
            fSections.erase(it);
            fModified = true;
            return;
        }
    }
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& key)
{
    Section* s = Find(section);
    if (!s)
        return;
    for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
        if (!it->key.empty() && SameText(it->key, key)) {
            s->entries.erase(it);
            fModified = true;
            return;
        }
    }
}

void TMemIniFile::Clear()
{
    fSections.clear();
    fModified = true;
}

std::string TMemIniFile::ToText() const
{
    std::ostringstream out;
    bool first = true;
    for (const auto& s : fSections) {
        if (!first)
            out << "\r\n";
        first = false;
        out << '[' << s.name << "]\r\n";
        for (const auto& e : s.entries) {
            if (e.key.empty())
                out << e.value << "\r\n";
            else
                out << e.key << '=' << e.value << "\r\n";
        }
    }
    return out.str();
}

namespace {

std::string DirOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void WriteFailed(const std::string& file, const char* what, int err)
{
    throw EIniWriteError("Cannot write \"" + file + "\": " + what + ": " + std::strerror(err));
}

} // namespace

void TMemIniFile::PutStamp()
{
    // The checksum covers the file as it reads without its FileID line: the
    // [Security] section present and empty of that key.
    Section& security = FindOrAdd(kSecuritySection);
    auto& entries = security.entries;
    for (auto it = entries.begin(); it != entries.end();)
        it = (!it->key.empty() && SameText(it->key, kFileIdKey)) ? entries.erase(it) : it + 1;
    const std::string unstamped = ToText();
    entries.insert(entries.begin(), Entry{kFileIdKey, StampText(StampCrc32(unstamped))});
}

void TMemIniFile::UpdateFile()
{
    if (fStamped || IsStampedFile(fFileName))
        PutStamp();
    const std::string text = ToText();
    const std::string dir = DirOf(fFileName);
    std::string tmpl = fFileName + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        WriteFailed(fFileName, "create temporary file", errno);
    const std::string tmpName(name.data());
    auto abandon = [&](const char* what) {
        const int err = errno;
        ::close(fd);
        ::unlink(tmpName.c_str());
        WriteFailed(fFileName, what, err);
    };
    // Keep the old file's permissions, or the usual ones for a new file.
    struct stat st{};
    const mode_t mode = ::stat(fFileName.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0)
        abandon("set permissions");
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            abandon("write");
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0)
        abandon("flush");
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpName.c_str());
        WriteFailed(fFileName, "close", err);
    }
    if (::rename(tmpName.c_str(), fFileName.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpName.c_str());
        WriteFailed(fFileName, "replace", err);
    }
    // The rename itself must reach the disk before we call the save done.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    fModified = false;
}

} // namespace orv
