#include "store/IniPaths.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace orv {

namespace {
std::string& Dir()
{
    static std::string dir = "./";
    return dir;
}
} // namespace

const std::string& IniDirectory()
{
    return Dir();
}

void SetIniDirectory(const std::string& dir)
{
    Dir() = IncludeTrailingSlash(dir);
}

std::string ResolveIniDirectory(const std::string& programDir)
{
    const char* home = std::getenv("ORVANE_HOME");
    if (home && *home) {
        std::error_code ec;
        std::filesystem::create_directories(home, ec);
        return IncludeTrailingSlash(home);
    }
    return IncludeTrailingSlash(programDir);
}

std::string PathJoin(const std::string& base, std::initializer_list<std::string> parts, const std::string& file)
{
    std::string p = base;
    for (const auto& part : parts)
        if (!part.empty())
            p += "/" + part;
    p += "/" + file;
    std::string out;
    out.reserve(p.size());
    for (size_t i = 0; i < p.size(); ++i) {
        if (i >= 2 && p[i] == '/' && !out.empty() && out.back() == '/')
            continue;
        out += p[i];
    }
    return out;
}

std::string IniPath(const std::string& file)
{
    return PathJoin(IniDirectory(), {}, file);
}

std::string ExcludeTrailingSlash(const std::string& dir)
{
    if (dir.size() > 1 && dir.back() == '/')
        return dir.substr(0, dir.size() - 1);
    return dir;
}

std::string IncludeTrailingSlash(const std::string& dir)
{
    if (dir.empty() || dir.back() != '/')
        return dir + "/";
    return dir;
}

bool FileExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace orv
