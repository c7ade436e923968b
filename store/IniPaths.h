#pragma once
#include <initializer_list>
#include <string>

namespace orv {

// The folder of every configuration, log, script and help file. Fixed once at
// start; ends with "/".
const std::string& IniDirectory();
void SetIniDirectory(const std::string& dir);

// The program's own folder unless ORVANE_HOME names another (made if missing).
std::string ResolveIniDirectory(const std::string& programDir);

// base, then each non-empty part, then the file name, joined by "/"; runs of
// slashes are collapsed from the third character on so a leading "//" survives.
std::string PathJoin(const std::string& base, std::initializer_list<std::string> parts, const std::string& file);
// A file in the INI directory.
std::string IniPath(const std::string& file);
// Strips one trailing slash before a folder search.
std::string ExcludeTrailingSlash(const std::string& dir);
std::string IncludeTrailingSlash(const std::string& dir);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

} // namespace orv
