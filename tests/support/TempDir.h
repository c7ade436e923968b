#pragma once
#include <string>

namespace orv::test {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return fPath; }
    // Path of a file in the folder.
    std::string File(const std::string& name) const { return fPath + "/" + name; }
    std::string Read(const std::string& name) const;
    void Write(const std::string& name, const std::string& text) const;

private:
    std::string fPath;
};

} // namespace orv::test
