#include "store/IniFile.h"

#include "tests/support/TempDir.h"

#include <clocale>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace orv {
namespace {

using test::TempDir;

TEST(IniFile, EveryValueKindSurvivesASaveAndReload)
{
    TempDir dir;
    const std::string path = dir.File("Settings.ini");
    {
        TMemIniFile ini(path);
        ini.WriteString("Vehicle", "AircraftID", "C-GXYZ tanker");
        ini.WriteInteger("Comm Settings", "LastOrvPort", 17);
        ini.WriteInteger("Comm Settings", "Negative", -42);
        ini.WriteBool("Controller Settings for Mode:1", "GateIsDual", true);
        ini.WriteBool("Controller Settings for Mode:1", "AutoBumpEnabled", false);
        ini.WriteFloat("Simple", "FixedSpeed", 55.123456789012345);
        ini.WriteFloat("Simple", "Tiny", 1.5e-9);
        ini.UpdateFile();
    }
    TMemIniFile ini(path);
    EXPECT_EQ("C-GXYZ tanker", ini.ReadString("Vehicle", "AircraftID", ""));
    EXPECT_EQ(17, ini.ReadInteger("Comm Settings", "LastOrvPort", 255));
    EXPECT_EQ(-42, ini.ReadInteger("Comm Settings", "Negative", 0));
    EXPECT_TRUE(ini.ReadBool("Controller Settings for Mode:1", "GateIsDual", false));
    EXPECT_FALSE(ini.ReadBool("Controller Settings for Mode:1", "AutoBumpEnabled", true));
    EXPECT_NEAR(55.123456789012345, ini.ReadFloat("Simple", "FixedSpeed", 0), 1e-12);
    EXPECT_DOUBLE_EQ(1.5e-9, ini.ReadFloat("Simple", "Tiny", 0));

    const std::string text = dir.Read("Settings.ini");
    EXPECT_NE(std::string::npos, text.find("GateIsDual=1\r\n"));
    EXPECT_NE(std::string::npos, text.find("AutoBumpEnabled=0\r\n"));
    EXPECT_NE(std::string::npos, text.find("FixedSpeed=55.123456789012"));
}

TEST(IniFile, SectionsAndKeysMatchWithoutCase)
{
    TempDir dir;
    dir.Write("a.ini", "[Selected Units]\r\nLength Units=2\r\n");
    TMemIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(2, ini.ReadInteger("SELECTED UNITS", "length units", 0));
    EXPECT_TRUE(ini.SectionExists("selected units"));
    ini.WriteInteger("selected UNITS", "LENGTH UNITS", 1);
    // Rewritten in place, keeping the spelling of the file.
    EXPECT_EQ("[Selected Units]\r\nLength Units=1\r\n", ini.ToText());
}

TEST(IniFile, BooleansAreIntegers)
{
    TempDir dir;
    dir.Write("b.ini", "[S]\nA=1\nB=0\nC=7\nD=true\nE=\n");
    TMemIniFile ini(dir.File("b.ini"));
    EXPECT_TRUE(ini.ReadBool("S", "A", false));
    EXPECT_FALSE(ini.ReadBool("S", "B", true));
    EXPECT_TRUE(ini.ReadBool("S", "C", false));
    // Not an integer: the reader's default.
    EXPECT_FALSE(ini.ReadBool("S", "D", false));
    EXPECT_TRUE(ini.ReadBool("S", "D", true));
    EXPECT_TRUE(ini.ReadBool("S", "E", true));
}

TEST(IniFile, ValuesThatDoNotConvertGiveTheDefault)
{
    TempDir dir;
    dir.Write("c.ini", "[S]\nI=12x\nF=1,5\nQ=\"quoted text\"\n  Spaced Key  =  spaced value  \n");
    TMemIniFile ini(dir.File("c.ini"));
    EXPECT_EQ(99, ini.ReadInteger("S", "I", 99));
    EXPECT_DOUBLE_EQ(2.5, ini.ReadFloat("S", "F", 2.5));
    EXPECT_EQ(5, ini.ReadInteger("S", "Missing", 5));
    EXPECT_EQ(5, ini.ReadInteger("Missing", "I", 5));
    EXPECT_EQ("quoted text", ini.ReadString("S", "Q", ""));
    EXPECT_EQ("spaced value", ini.ReadString("S", "Spaced Key", ""));
}

TEST(IniFile, FloatsIgnoreTheLocale)
{
    TempDir dir;
    // A comma-decimal locale, when the machine has one, must not change the text.
    const char* old = std::setlocale(LC_ALL, nullptr);
    const std::string saved = old ? old : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    TMemIniFile ini(dir.File("f.ini"));
    ini.WriteFloat("S", "X", 2.5);
    EXPECT_EQ("2.5", ini.ReadString("S", "X", ""));
    EXPECT_DOUBLE_EQ(2.5, ini.ReadFloat("S", "X", 0));
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(IniFile, AMissingFileReadsEmptyAndIsNotCreatedByReading)
{
    TempDir dir;
    const std::string path = dir.File("OrvStartup.ini");
    {
        TMemIniFile ini(path);
        EXPECT_EQ(255, ini.ReadInteger("Comm Settings", "LastOrvPort", 255));
        EXPECT_TRUE(ini.ReadSections().empty());
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniFile, SaveRewritesTheWholeFile)
{
    TempDir dir;
    dir.Write("w.ini", "[Old]\r\nGone=1\r\n[Keep]\r\nK=1\r\n");
    TMemIniFile ini(dir.File("w.ini"));
    ini.EraseSection("Old");
    ini.WriteString("Keep", "New", "v");
    ini.DeleteKey("Keep", "K");
    ini.UpdateFile();
    EXPECT_EQ("[Keep]\r\nNew=v\r\n", dir.Read("w.ini"));
    EXPECT_FALSE(ini.Modified());
}

TEST(IniFile, AFailedSaveLeavesTheOldFileWhole)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    dir.Write("p.ini", "[S]\r\nK=old\r\n");
    TMemIniFile ini(dir.File("p.ini"));
    ini.WriteString("S", "K", "new");
    chmod(dir.Path().c_str(), 0555);
    EXPECT_THROW(ini.UpdateFile(), EIniWriteError);
    chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ("[S]\r\nK=old\r\n", dir.Read("p.ini"));
}

TEST(IniFile, SaveLeavesNoTemporaryFileBehind)
{
    TempDir dir;
    TMemIniFile ini(dir.File("t.ini"));
    ini.WriteString("S", "K", "v");
    ini.UpdateFile();
    ini.WriteString("S", "K", "w");
    ini.UpdateFile();
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(1, files);
    EXPECT_EQ("[S]\r\nK=w\r\n", dir.Read("t.ini"));
}

TEST(IniFile, AReplaceThatFailsRemovesItsTemporaryFile)
{
    TempDir dir;
    // A folder in the file's place makes the final rename fail, even for root.
    std::filesystem::create_directories(dir.File("blocked.ini/inside"));
    TMemIniFile ini(dir.File("blocked.ini"));
    ini.WriteString("S", "K", "v");
    EXPECT_THROW(ini.UpdateFile(), EIniWriteError);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(1, entries);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("blocked.ini/inside")));
}

TEST(IniFile, SaveIntoAMissingFolderFailsCleanly)
{
    TempDir dir;
    TMemIniFile ini(dir.File("nofolder/x.ini"));
    ini.WriteString("S", "K", "v");
    EXPECT_THROW(ini.UpdateFile(), EIniWriteError);
}

TEST(IniFile, ListsSectionsKeysAndKeepsComments)
{
    TempDir dir;
    dir.Write("l.ini", "; header comment is dropped\n[A]\n; note\nx=1\ny=2\nx=3\n[B]\n[a]\nz=4\n");
    TMemIniFile ini(dir.File("l.ini"));
    EXPECT_EQ((std::vector<std::string>{"A", "B"}), ini.ReadSections());
    EXPECT_EQ((std::vector<std::string>{"x", "y", "z"}), ini.ReadSection("a"));
    EXPECT_EQ("1", ini.ReadString("A", "x", "")); // the first of a repeated key
    EXPECT_EQ((std::vector<std::string>{"x=1", "y=2", "z=4"}), ini.ReadSectionValues("A"));
    EXPECT_EQ("[A]\r\n; note\r\nx=1\r\ny=2\r\nz=4\r\n\r\n[B]\r\n", ini.ToText());
}

TEST(IniFile, LineBreaksInValuesCannotSplitTheFile)
{
    TempDir dir;
    TMemIniFile ini(dir.File("n.ini"));
    ini.WriteString("S", "K", "one\r\n[Evil]\nx=1");
    ini.UpdateFile();
    TMemIniFile back(dir.File("n.ini"));
    EXPECT_FALSE(back.SectionExists("Evil"));
    EXPECT_EQ("one  [Evil] x=1", back.ReadString("S", "K", ""));
}

} // namespace
} // namespace orv
