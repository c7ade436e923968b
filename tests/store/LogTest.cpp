#include "store/Log.h"

#include "store/IniPaths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <regex>
#include <sys/stat.h>

namespace orv {
namespace {

using test::TempDir;

class LogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetIniDirectory(dir.Path());
        SetLogHook([this](const std::string& m) { writer.Write(m); });
    }
    void TearDown() override { SetLogHook(nullptr); }

    TempDir dir;
    int linkKind = -1;
    TLogWriter writer{[this] { return linkKind; }};
};

TEST_F(LogTest, FirstCallCreatesTheFileAndLaterCallsAppend)
{
    Log("Can Controller Fault Detected");
    Log("Restarting HUB %d, %s", 2, "again");
    const std::string text = dir.Read("Log.txt");
    const std::regex line(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\.\d{3},([^\r\n]*)\r\n)");
    auto it = std::sregex_iterator(text.begin(), text.end(), line);
    ASSERT_NE(std::sregex_iterator(), it);
    EXPECT_EQ("Can Controller Fault Detected", (*it)[1]);
    ++it;
    ASSERT_NE(std::sregex_iterator(), it);
    // A comma in the message is kept; the first comma still ends the stamp.
    EXPECT_EQ("Restarting HUB 2, again", (*it)[1]);
    EXPECT_EQ(text.size(), static_cast<size_t>(it->position() + it->length()));
}

TEST_F(LogTest, TheFileFollowsTheLinkKind)
{
    const std::pair<int, std::string> cases[] = {
        {-1, "Log.txt"}, {0, "MsgVEDO.txt"}, {1, "MsgVEDO.txt"}, {2, "SerialDirect.txt"},
        {3, "SerialDirect.txt"}, {4, "MsgUSBtoCAN.txt"}, {5, "MsgUSBtoCAN.txt"},
    };
    for (const auto& [kind, file] : cases) {
        linkKind = kind;
        Log("kind %d", kind);
        EXPECT_NE(std::string::npos, dir.Read(file).find(",kind " + std::to_string(kind) + "\r\n")) << file;
    }
    linkKind = 9; // no file for an unknown kind: the line is lost quietly
    Log("lost");
    for (const auto& [kind, file] : cases)
        EXPECT_EQ(std::string::npos, dir.Read(file).find("lost"));
}

TEST_F(LogTest, AMismatchedFormatCostsOnlyTheLine)
{
    Log("value %d", "text");
    Log("next");
    const std::string text = dir.Read("Log.txt");
    EXPECT_EQ(std::string::npos, text.find("value"));
    EXPECT_NE(std::string::npos, text.find(",next\r\n"));
}

TEST_F(LogTest, AnUnwritableFolderIsSilent)
{
    SetIniDirectory(dir.Path() + "/does-not-exist");
    EXPECT_NO_THROW(Log("nowhere"));
}

TEST(LogLine, HasTheStampCommaMessageAndLineEnd)
{
    // 2026-12-11 13:04:05.006 as a day count.
    const double t = 46367.0 + (13 * 3600 + 4 * 60 + 5) / 86400.0 + 6 / 86400000.0;
    EXPECT_EQ("2026/12/11 13:04:05.006,Restarting HUB\r\n", TLogWriter::FormatLine(t, "Restarting HUB"));
}

TEST(LogHook, DoesNothingWhenNotInstalled)
{
    SetLogHook(nullptr);
    EXPECT_FALSE(LogHookInstalled());
    EXPECT_NO_THROW(Log("nobody listens"));
}

TEST(LinkLogFilter, PassesOnlyEnabledLevels)
{
    std::vector<std::string> got;
    SetLogHook([&](const std::string& m) { got.push_back(m); });
    TLinkLogFilter filter;
    filter.LinkLog(1, "dropped");
    filter.EnableLevel(1, true);
    filter.LinkLog(1, "kept %d");
    filter.LinkLog(2, "other level");
    filter.EnableLevel(1, false);
    filter.LinkLog(1, "dropped again");
    filter.EnableLevel(8, true); // out of range: ignored
    filter.LinkLog(8, "never");
    SetLogHook(nullptr);
    EXPECT_EQ((std::vector<std::string>{"kept %d"}), got);
}

} // namespace
} // namespace orv
