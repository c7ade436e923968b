#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {

// Raised when an INI file cannot be written; the old file is then untouched.
class EIniWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An INI file held in memory (Windows profile format). The file is read once
// when the object is made; reads come from memory; UpdateFile rewrites the
// whole file. Sections and keys match without regard to case and keep the
// spelling they were first written with. A missing file reads as empty and is
// not created until the first UpdateFile.
class TMemIniFile {
public:
    explicit TMemIniFile(std::string fileName);

    const std::string& FileName() const { return fFileName; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    int64_t ReadInteger(const std::string& section, const std::string& key, int64_t def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    double ReadFloat(const std::string& section, const std::string& key, double def) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int64_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void WriteFloat(const std::string& section, const std::string& key, double value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    std::vector<std::string> ReadSections() const;
    // Key names of a section, in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;
    // "key=value" lines of a section, in file order.
    std::vector<std::string> ReadSectionValues(const std::string& section) const;
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& key);
    void Clear();

    // Whether anything was written since the file was read or last saved.
    bool Modified() const { return fModified; }

    // Rewrites the whole file: a temporary file in the same folder, flushed to
    // disk, then renamed over the old one, so a power loss leaves either the
    // old or the new file, never a torn one. Raises EIniWriteError. A
    // protected file (SetStamped, or listed by SetStampedFiles) gets its
    // integrity stamp in the same write, so it is never on disk unstamped.
    void UpdateFile();

    // Every save of this file carries a fresh integrity stamp.
    void SetStamped(bool stamped) { fStamped = stamped; }

    // Text of the file as UpdateFile would write it.
    std::string ToText() const;

private:
    struct Entry {
        std::string key;   // empty for a comment line kept as text
        std::string value; // the comment itself for comment lines
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    void Load();
    void PutStamp();
    Section* Find(const std::string& section);
    const Section* Find(const std::string& section) const;
    Section& FindOrAdd(const std::string& section);
    const Entry* FindKey(const std::string& section, const std::string& key) const;

    std::string fFileName;
    std::vector<Section> fSections;
    bool fModified = false;
    bool fStamped = false;
};

} // namespace orv
