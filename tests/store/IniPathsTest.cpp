#include "store/IniPaths.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(IniPaths, JoinsAndCollapsesSeparators)
{
    EXPECT_EQ("/opt/orvane/OrvStartup.ini", PathJoin("/opt/orvane/", {}, "OrvStartup.ini"));
    EXPECT_EQ("/opt/orvane/INI_Backup/Tank_Coefficients.ini",
              PathJoin("/opt/orvane", {"INI_Backup"}, "Tank_Coefficients.ini"));
    EXPECT_EQ("/a/b/c/f", PathJoin("/a//", {"", "b/", "/c"}, "f"));
    // A leading double slash (a network path) survives.
    EXPECT_EQ("//server/share/f.ini", PathJoin("//server/share/", {}, "f.ini"));
    EXPECT_EQ("/x", ExcludeTrailingSlash("/x/"));
    EXPECT_EQ("/", ExcludeTrailingSlash("/"));
    EXPECT_EQ("/x/", IncludeTrailingSlash("/x"));
}

TEST(IniPaths, HomeVariableOverridesTheProgramFolder)
{
    test::TempDir dir;
    const std::string home = dir.Path() + "/home";
    setenv("ORVANE_HOME", home.c_str(), 1);
    EXPECT_EQ(home + "/", ResolveIniDirectory("/opt/orvane/bin"));
    EXPECT_TRUE(std::filesystem::is_directory(home));
    unsetenv("ORVANE_HOME");
    EXPECT_EQ("/opt/orvane/bin/", ResolveIniDirectory("/opt/orvane/bin"));
    SetIniDirectory(dir.Path());
    EXPECT_EQ(dir.Path() + "/Log.txt", IniPath("Log.txt"));
}

} // namespace
} // namespace orv
