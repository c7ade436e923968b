// The integrity stamp of the protected settings files.
#include "store/IniFile.h"
#include "store/IniStamp.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <random>
#include <regex>

namespace orv {
namespace {

// The stamp's checksum computed bit by bit, without the program's table.
uint32_t BitwiseCrc(const std::string& bytes)
{
    uint32_t crc = 0;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

TEST(IniStamp, TheChecksumStartsAtZeroAndIsNotInvertedAtTheEnd)
{
    EXPECT_EQ(0xCA6598D0u, StampCrc32("abc"));
    EXPECT_EQ("CA6598D0", StampText(StampCrc32("abc")));
    EXPECT_NE(0x352441C2u, StampCrc32("abc")); // the common CRC-32 of "abc"
    EXPECT_EQ("00000000", StampText(StampCrc32("")));
    EXPECT_EQ("0000ABCD", StampText(0xABCDu));
    std::mt19937 rng(7);
    for (int n = 0; n < 50; ++n) {
        std::string bytes(rng() % 300, '\0');
        for (auto& c : bytes)
            c = static_cast<char>(rng());
        EXPECT_EQ(BitwiseCrc(bytes), StampCrc32(bytes)) << n;
    }
}

// The file rule, checked from the outside: take the FileID line out of the
// bytes on disk and the checksum of the rest is the stored stamp.
void ExpectStampedByTheRule(const std::string& text)
{
    std::smatch m;
    const std::regex line("\\[Security\\]\r\n(FileID=([0-9A-F]{8})\r\n)");
    ASSERT_TRUE(std::regex_search(text, m, line)) << text;
    std::string rest = text;
    rest.erase(static_cast<size_t>(m.position(1)), static_cast<size_t>(m.length(1)));
    EXPECT_EQ(m[2].str(), StampText(BitwiseCrc(rest))) << text;
}

TEST(IniStamp, EverySaveOfAProtectedFileCarriesItsStampInTheSameWrite)
{
    test::TempDir dir;
    dir.Write("Tank_Coefficients.ini", "[Tank]\r\nA=1\r\n[Security]\r\nFileID=88888888\r\n");
    TMemIniFile file(dir.File("Tank_Coefficients.ini"));
    file.SetStamped(true);
    file.WriteString("Tank", "A", "2");
    file.UpdateFile();
    const std::string text = dir.Read("Tank_Coefficients.ini");
    ExpectStampedByTheRule(text);
    EXPECT_EQ(TStampState::Valid, CheckStamp(text));
    EXPECT_EQ(text, file.ToText()); // the cache holds what the disk holds

    // A file without a [Security] section gets one at its end.
    dir.Write("DialToOpening.ini", "[Dial]\r\n0=0\r\n");
    TMemIniFile dial(dir.File("DialToOpening.ini"));
    dial.SetStamped(true);
    dial.UpdateFile();
    const std::string dialText = dir.Read("DialToOpening.ini");
    ExpectStampedByTheRule(dialText);
    EXPECT_EQ(0u, dialText.find("[Dial]\r\n0=0\r\n\r\n[Security]\r\nFileID="));
}

TEST(IniStamp, OnlyListedFilesAreStampedOnSave)
{
    test::TempDir dir;
    SetStampedFiles({dir.File("FiregatePresets.ini")});
    TMemIniFile listed(dir.Path() + "//FiregatePresets.ini");
    listed.WriteString("Presets", "Water", "1");
    listed.UpdateFile();
    TMemIniFile other(dir.File("OrvStartup.ini"));
    other.WriteString("Events", "Program Start", "today");
    other.UpdateFile();
    ClearStampedFiles();
    EXPECT_EQ(TStampState::Valid, CheckStamp(dir.Read("FiregatePresets.ini")));
    EXPECT_EQ("", StoredStamp(dir.Read("OrvStartup.ini")));
}

TEST(IniStamp, CheckingTellsValidTrustedAndInvalidApart)
{
    const std::string body = "[A]\r\nx=1\r\n\r\n[Security]\r\n";
    const std::string good = StampText(StampCrc32(body));
    std::string lower = good;
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string stampLine = "FileID=" + good + "\r\n";
    struct Case {
        const char* what;
        std::string text;
        TStampState state;
    } cases[] = {
        {"stamped", body + stampLine, TStampState::Valid},
        {"stamped, no line end", body + "FileID=" + good, TStampState::Valid},
        {"trust marker", body + "FileID=88888888\r\n", TStampState::Trusted},
        {"a value edited", "[A]\r\nx=2\r\n\r\n[Security]\r\n" + stampLine, TStampState::Invalid},
        {"a blank added", body + stampLine + " ", TStampState::Invalid},
        {"lower-case stamp", body + "FileID=" + lower + "\r\n", TStampState::Invalid},
        {"empty stamp", body + "FileID=\r\n", TStampState::Invalid},
        {"no stamp", body, TStampState::Invalid},
        {"stamp outside [Security]", "[A]\r\nx=1\r\nFileID=" + good + "\r\n", TStampState::Invalid},
        {"empty file", "", TStampState::Invalid},
        {"key spelled otherwise", body + "fileid=" + good + "\r\n", TStampState::Valid},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.state, CheckStamp(c.text)) << c.what;
}

TEST(IniStamp, TakingTheStampOutKeepsEveryOtherByte)
{
    const std::string text = "\xEF\xBB\xBF[Security]\nFileID=1234\n[B]\r\nFileID=9\r\n";
    EXPECT_EQ("1234", StoredStamp(text));
    EXPECT_EQ("\xEF\xBB\xBF[Security]\n[B]\r\nFileID=9\r\n", WithoutStamp(text));
}

} // namespace
} // namespace orv
