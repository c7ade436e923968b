#include "store/IniFile.h"

#include "tests/support/CommaLocale.h"
#include "tests/support/TempDir.h"

#include <clocale>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <locale>
#include <sys/resource.h>
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
    dir.Write("f.ini", "[S]\r\nY=0.25\r\n");
    // Both the C library's and the C++ library's number formats say "comma"
    // while the file is read and written; the text must keep its period.
    test::TCommaLocale comma;
    ASSERT_TRUE(comma.Active()) << "no decimal-comma locale could be installed or compiled (localedef and the "
                                   "\"locales\" package's de_DE source are needed); this test cannot run without one";
    ASSERT_EQ(',', std::localeconv()->decimal_point[0]);
    struct CommaPoint : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
    TMemIniFile ini(dir.File("f.ini"));
    ini.WriteFloat("S", "X", 2.5);
    ini.WriteFloat("S", "Z", -1234567.125);
    const double y = ini.ReadFloat("S", "Y", 0);
    ini.UpdateFile();
    std::locale::global(previous);

    EXPECT_EQ("2.5", ini.ReadString("S", "X", ""));
    EXPECT_DOUBLE_EQ(2.5, ini.ReadFloat("S", "X", 0));
    EXPECT_DOUBLE_EQ(0.25, y);
    EXPECT_EQ("[S]\r\nY=0.25\r\nX=2.5\r\nZ=-1234567.125\r\n", dir.Read("f.ini"));
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

// Lets the process write files of at most `bytes` bytes while it lives, as a
// full disk would; root is held to it like anyone else.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &fSaved);
        fSavedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = fSaved;
        limit.rlim_cur = bytes;
        fActive = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &fSaved);
        std::signal(SIGXFSZ, fSavedHandler);
    }
    bool Active() const { return fActive; }

private:
    rlimit fSaved{};
    void (*fSavedHandler)(int) = nullptr;
    bool fActive = false;
};

TEST(IniFile, AFailedSaveLeavesTheOldFileWhole)
{
    TempDir dir;
    dir.Write("p.ini", "[S]\r\nK=old\r\nL=kept\r\n");
    TMemIniFile ini(dir.File("p.ini"));
    ini.WriteString("S", "K", std::string(200, 'n'));
    {
        // Room for half the new text only.
        FileSizeLimit full(100);
        ASSERT_TRUE(full.Active());
        EXPECT_THROW(ini.UpdateFile(), EIniWriteError);
    }
    EXPECT_EQ("[S]\r\nK=old\r\nL=kept\r\n", dir.Read("p.ini"));
    EXPECT_TRUE(ini.Modified()); // the change still waits for a save
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(1, entries); // no half-written temporary file is left behind

    // With room again the same object saves the change.
    ini.UpdateFile();
    EXPECT_EQ("[S]\r\nK=" + std::string(200, 'n') + "\r\nL=kept\r\n", dir.Read("p.ini"));
}

TEST(IniFile, ASaveIntoAFolderWithoutWriteAccessFails)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; AFailedSaveLeavesTheOldFileWhole covers the failure";
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

TEST(IniFile, AByteOrderMarkAtTheStartIsNotPartOfTheFirstSection)
{
    TempDir dir;
    dir.Write("bom.ini", "\xEF\xBB\xBF[Vehicle]\r\nAircraftID=C-FTNK\r\n\r\n[PrimaryMode]\r\nPrimaryModeID=1\r\n");
    TMemIniFile ini(dir.File("bom.ini"));
    EXPECT_TRUE(ini.SectionExists("Vehicle"));
    EXPECT_EQ("C-FTNK", ini.ReadString("Vehicle", "AircraftID", "Unknown"));
    EXPECT_EQ((std::vector<std::string>{"Vehicle", "PrimaryMode"}), ini.ReadSections());
    // The next save keeps every section.
    ini.WriteInteger("PrimaryMode", "PrimaryModeID", 2);
    ini.UpdateFile();
    TMemIniFile back(dir.File("bom.ini"));
    EXPECT_EQ("C-FTNK", back.ReadString("Vehicle", "AircraftID", "Unknown"));
    EXPECT_EQ(2, back.ReadInteger("PrimaryMode", "PrimaryModeID", 0));
}

TEST(IniFile, OnlyALeadingByteOrderMarkIsSkipped)
{
    struct Case {
        const char* text;
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        // Blank lines after the mark.
        {"\xEF\xBB\xBF\r\n\r\n[A]\r\nk=1\r\n", "A", "k", "1"},
        // A mark and no line end at all.
        {"\xEF\xBB\xBF[A]\nk=2", "A", "k", "2"},
        // A mark that is not at the start stays part of the value.
        {"[A]\nk=x\xEF\xBB\xBF\n", "A", "k", "x\xEF\xBB\xBF"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.Write("c.ini", c.text);
        TMemIniFile ini(dir.File("c.ini"));
        EXPECT_EQ(c.value, ini.ReadString(c.section, c.key, "missing")) << c.text;
    }
    TempDir dir;
    dir.Write("only.ini", "\xEF\xBB\xBF");
    EXPECT_TRUE(TMemIniFile(dir.File("only.ini")).ReadSections().empty());
}

} // namespace
} // namespace orv
