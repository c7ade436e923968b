#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace orv::test {

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/orvane-test-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    fPath = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(fPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(fPath, ec);
}

std::string TempDir::Read(const std::string& name) const
{
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void TempDir::Write(const std::string& name, const std::string& text) const
{
    std::ofstream out(File(name), std::ios::binary);
    out << text;
}

} // namespace orv::test
