#include "platform/RemovableMedia.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace orv {
namespace {

// Two media roots laid out as udisks (per user) and usbmount (direct) do;
// which folders count as mounted is up to each test.
struct MediaTree {
    void Make(const std::string& rel) { std::filesystem::create_directories(dir.Path() + "/" + rel); }
    std::string P(const std::string& rel) const { return dir.Path() + "/" + rel; }
    TRemovableMedia Media()
    {
        TRemovableMedia m;
        m.roots = {P("media"), P("run/media")};
        m.isMountPoint = [this](const std::string& p) { return mounted.count(p) > 0; };
        return m;
    }

    test::TempDir dir;
    std::set<std::string> mounted;
};

class RemovableMediaTest : public ::testing::Test, protected MediaTree {};

TEST_F(RemovableMediaTest, MountPointsComeRootByRootSortedByNameAtMostFour)
{
    for (const char* rel : {"media/pilot/ZETA", "media/pilot/ALPHA", "media/pilot/notmounted", "media/usb0",
                            "media/tech/BETA", "run/media/pilot/GAMMA", "run/media/pilot/DELTA"})
        Make(rel);
    for (const char* rel : {"media/pilot/ZETA", "media/pilot/ALPHA", "media/usb0", "media/tech/BETA",
                            "run/media/pilot/GAMMA", "run/media/pilot/DELTA"})
        mounted.insert(P(rel));
    const std::vector<std::string> expected = {P("media/pilot/ALPHA"), P("media/pilot/ZETA"), P("media/tech/BETA"),
                                               P("media/usb0")};
    EXPECT_EQ(expected, RemovableMountPoints(Media()));
}

TEST_F(RemovableMediaTest, TheServiceStickIsTheFirstMountPointWithAPeloTekFolder)
{
    Make("media/pilot/ONE");
    Make("media/pilot/TWO/PeloTek");
    Make("run/media/pilot/THREE/PeloTek");
    for (const char* rel : {"media/pilot/ONE", "media/pilot/TWO", "run/media/pilot/THREE"})
        mounted.insert(P(rel));
    std::string path;
    EXPECT_TRUE(FindServiceStick(path, Media()));
    EXPECT_EQ(P("media/pilot/TWO/PeloTek"), path);
}

TEST(RemovableMediaCasesTest, NoStickGivesHash)
{
    struct Case {
        const char* what;
        std::vector<std::string> folders;
        std::vector<std::string> mounts;
    } cases[] = {
        {"no media at all", {}, {}},
        {"a stick without the folder", {"media/pilot/ONE/Other"}, {"media/pilot/ONE"}},
        {"a file named PeloTek", {"media/pilot/ONE"}, {"media/pilot/ONE"}},
        {"a folder left behind by an unmounted stick", {"media/pilot/OLD/PeloTek"}, {}},
        {"the folder on a fifth stick",
         {"media/a/1", "media/a/2", "media/a/3", "media/a/4", "media/a/5/PeloTek"},
         {"media/a/1", "media/a/2", "media/a/3", "media/a/4", "media/a/5"}},
    };
    for (const auto& c : cases) {
        MediaTree t;
        for (const auto& f : c.folders)
            t.Make(f);
        for (const auto& m : c.mounts)
            t.mounted.insert(t.P(m));
        if (std::string(c.what) == "a file named PeloTek")
            t.dir.Write("media/pilot/ONE/PeloTek", "not a folder");
        std::string path = "stale";
        EXPECT_FALSE(FindServiceStick(path, t.Media())) << c.what;
        EXPECT_EQ("#", path) << c.what;
    }
}

TEST(MountPointTest, PlainFoldersAreNotMountPointsTheRootIs)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() + "/sub");
    EXPECT_FALSE(IsMountPoint(dir.Path() + "/sub"));
    EXPECT_FALSE(IsMountPoint(dir.Path() + "/missing"));
    EXPECT_TRUE(IsMountPoint("/"));
    // With the real test, folders that are not mounted are not media.
    TRemovableMedia m;
    m.roots = {dir.Path()};
    EXPECT_TRUE(RemovableMountPoints(m).empty());
}

} // namespace
} // namespace orv
