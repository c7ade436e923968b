// Checking, restoring and backing up the protected settings files.
#include "store/IniBacker.h"
#include "store/IniFile.h"
#include "store/IniStamp.h"
#include "store/Log.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

namespace fs = std::filesystem;

// A stamped file whose content tells which version it is.
std::string Stamped(const std::string& version)
{
    const std::string body = "[Tank]\r\nVersion=" + version + "\r\n\r\n[Security]\r\n";
    const std::string stamp = StampText(StampCrc32(body));
    return body + "FileID=" + stamp + "\r\n";
}

std::string Damaged(const std::string& version)
{
    std::string t = Stamped(version);
    t.replace(t.find("Version="), 8, "Version=X");
    return t;
}

std::string VersionOf(const std::string& text)
{
    const size_t p = text.find("Version=");
    return p == std::string::npos ? "" : text.substr(p + 8, text.find('\r', p) - p - 8);
}

class Backer : public ::testing::Test {
protected:
    Backer()
    {
        SetLogHook([this](const std::string& line) { log += line + "\n"; });
        fs::create_directories(home.File("INI_Backup"));
    }
    ~Backer() override { SetLogHook(nullptr); }

    void Put(const std::string& name, const std::string& text) { home.Write(name, text); }
    bool Has(const std::string& name) const { return fs::exists(home.File(name)); }
    std::string Ring(int slot) const { return "INI_Backup/Tank" + std::to_string(slot) + ".ini"; }

    test::TempDir home;
    std::string log;
    TINIBacker backer{{"Tank"}};
};

TEST(IniRing, TheNextOlderCopyGoesToTheFirstFreeSlotOrTheOldest)
{
    struct Case {
        const char* present; // '1' per taken slot
        std::array<int64_t, kRingSlots> time;
        int slot;
    } cases[] = {
        {"0000000000", {}, 0},
        {"1110000000", {}, 3},
        {"1111011111", {}, 4},
        {"1111111110", {}, 9},
        {"0111111111", {}, 0},
        {"1111111111", {5, 6, 7, 8, 9, 1, 2, 3, 4, 5}, 5},
        {"1111111111", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 0},
    };
    for (const auto& c : cases) {
        TRingSlots ring;
        for (int i = 0; i < kRingSlots; ++i) {
            ring.present[i] = c.present[i] == '1';
            ring.time[i] = c.time[i];
        }
        EXPECT_EQ(c.slot, RingSlotToWrite(ring)) << c.present;
    }
}

TEST(IniRing, ARestoreTriesTheNewestCopyFirst)
{
    struct Case {
        const char* present;
        std::array<int64_t, kRingSlots> time;
        std::vector<int> order;
    } cases[] = {
        {"0000000000", {}, {}},
        {"1110000000", {}, {2, 1, 0}},
        {"1111011111", {}, {3, 2, 1, 0, 9, 8, 7, 6, 5}},
        {"0111111111", {}, {9, 8, 7, 6, 5, 4, 3, 2, 1}},
        {"1111111110", {}, {8, 7, 6, 5, 4, 3, 2, 1, 0}},
        {"1101100000", {}, {1, 0, 4, 3}},
        {"1111111111", {5, 6, 7, 8, 9, 1, 2, 3, 4, 5}, {4, 3, 2, 1, 0, 9, 8, 7, 6, 5}},
    };
    for (const auto& c : cases) {
        TRingSlots ring;
        for (int i = 0; i < kRingSlots; ++i) {
            ring.present[i] = c.present[i] == '1';
            ring.time[i] = c.time[i];
        }
        EXPECT_EQ(c.order, RingRestoreOrder(ring)) << c.present;
    }
}

TEST(IniProtected, TheFilesAreListedInTheirCheckingOrder)
{
    const std::vector<std::string> expected = {"DialToOpening",      "DryMaterialPresets",
                                               "FiregateModelValues", "FiregatePresets",
                                               "LastSelectedPreset",  "RelativeDigitalToPhysical",
                                               "Tank_Coefficients"};
    EXPECT_EQ(expected, ProtectedIniFiles());
}

// One start-up check of one file: what lies in the folder, what the file is
// afterwards, what was kept aside and what the start-up is told.
struct CheckCase {
    const char* what;
    const char* file;   // "" missing
    const char* backup; // "" missing
    std::vector<std::pair<int, std::string>> ring;
    const char* resultVersion; // the file's version afterwards; "" missing
    const char* fatal;         // "" none
    const char* rejected;      // version kept as Tank.rejected.ini; "" none
    std::vector<std::string> deleted;
};

std::string Content(const std::string& spec)
{
    // "good:N" stamped version N, "bad:N" damaged, "trusted:N" marker
    const std::string kind = spec.substr(0, spec.find(':'));
    const std::string v = spec.substr(spec.find(':') + 1);
    if (kind == "good")
        return Stamped(v);
    if (kind == "bad")
        return Damaged(v);
    return "[Tank]\r\nVersion=" + v + "\r\n[Security]\r\nFileID=88888888\r\n";
}

TEST_F(Backer, StartUpChecksEachFileAndRestoresFromTheBackupThenTheNewestRingCopy)
{
    const CheckCase cases[] = {
        {"valid file", "good:5", "good:4", {}, "5", "", "", {}},
        {"trusted file is accepted and stamped", "trusted:5", "", {}, "5", "", "", {}},
        {"damaged file, good backup", "bad:5", "good:4", {}, "4", "", "X5", {}},
        {"missing file, good backup", "", "good:4", {}, "4", "", "", {}},
        {"missing file, bad backup, good slot", "", "bad:4", {{0, "good:1"}, {1, "good:2"}}, "2", "", "",
         {"INI_Backup/Tank.ini"}},
        {"newest slot bad, an older one good", "bad:9", "bad:4", {{7, "good:1"}, {8, "bad:2"}, {0, "good:3"}}, "3",
         "", "X9", {"INI_Backup/Tank.ini"}},
        {"wrapped ring: newest before the free slot", "", "", {{8, "good:8"}, {9, "good:9"}, {0, "good:10"}, {2, "good:2"}},
         "10", "", "", {}},
        {"missing file, nothing good", "", "bad:4", {{3, "bad:1"}}, "", "fatal Error: INI file is Missing: Tank.ini", "",
         {"INI_Backup/Tank.ini", "INI_Backup/Tank3.ini"}},
        {"damaged file, nothing good: the file stays", "bad:5", "bad:4", {}, "X5",
         "fatal Error: INI file is Missing: Tank.ini", "", {"INI_Backup/Tank.ini"}},
        {"damaged file, no backup at all", "bad:5", "", {}, "X5",
         "fatal Error: INI file is Missing and cannot be retrieved: Tank.ini", "", {}},
        {"never installed: defaults, nothing fatal", "", "", {}, "", "", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(home.Path());
        fs::create_directories(home.File("INI_Backup"));
        if (*c.file)
            Put("Tank.ini", Content(c.file));
        if (*c.backup)
            Put("INI_Backup/Tank.ini", Content(c.backup));
        for (const auto& [slot, spec] : c.ring)
            Put(Ring(slot), Content(spec));
        TINIBacker b({"Tank"});
        std::string fatal;
        try {
            b.CheckAll(home.Path() + "/");
        } catch (const EIniBackup& e) {
            fatal = e.what();
        }
        EXPECT_EQ(c.fatal, fatal);
        if (*c.resultVersion) {
            const std::string text = home.Read("Tank.ini");
            EXPECT_EQ(c.resultVersion, VersionOf(text));
            if (fatal.empty())
                EXPECT_EQ(TStampState::Valid, CheckStamp(text));
        } else {
            EXPECT_FALSE(Has("Tank.ini"));
        }
        if (*c.rejected)
            EXPECT_EQ(c.rejected, VersionOf(home.Read("Tank.rejected.ini")));
        else
            EXPECT_FALSE(Has("Tank.rejected.ini"));
        for (const auto& d : c.deleted)
            EXPECT_FALSE(Has(d)) << d;
        EXPECT_EQ(fatal.empty() && Has("Tank.ini"), b.Passed("Tank"));
    }
}

TEST_F(Backer, ATrustedFactoryFileIsStampedAndGetsItsFirstBackup)
{
    Put("Tank.ini", Content("trusted:1"));
    backer.CheckAll(home.Path());
    const std::string text = home.Read("Tank.ini");
    EXPECT_EQ(TStampState::Valid, CheckStamp(text));
    EXPECT_EQ(text, home.Read("INI_Backup/Tank.ini"));
    for (int i = 0; i < kRingSlots; ++i)
        EXPECT_FALSE(Has(Ring(i)));
}

TEST_F(Backer, TenShutdownsAfterChangesKeepNineOlderCopiesAndOneFreeSlot)
{
    Put("Tank.ini", Stamped("0"));
    backer.CheckAll(home.Path());
    for (int n = 1; n <= 12; ++n) {
        Put("Tank.ini", Stamped(std::to_string(n)));
        backer.BackupAll();
        EXPECT_EQ(std::to_string(n), VersionOf(home.Read("INI_Backup/Tank.ini")));
    }
    // Twelve refreshes: older copies 0..11 went to slots 0,1,..,9,0,1; each
    // write freed the slot after it.
    int present = 0;
    for (int i = 0; i < kRingSlots; ++i)
        present += Has(Ring(i));
    EXPECT_EQ(9, present);
    EXPECT_FALSE(Has(Ring(2)));
    EXPECT_EQ("11", VersionOf(home.Read(Ring(1))));
    EXPECT_EQ("3", VersionOf(home.Read(Ring(3))));
    // An unchanged file leaves backup and ring alone.
    backer.BackupAll();
    EXPECT_FALSE(Has(Ring(2)));
}

TEST_F(Backer, AFullRingStillTakesTheNewBackupInPlaceOfItsOldestCopy)
{
    Put("Tank.ini", Stamped("new"));
    Put("INI_Backup/Tank.ini", Stamped("backup"));
    for (int i = 0; i < kRingSlots; ++i) {
        Put(Ring(i), Stamped("r" + std::to_string(i)));
        // slot 6 oldest, slot 5 newest
        const auto age = std::chrono::seconds(((i + 10 - 6) % 10) + 1);
        fs::last_write_time(home.File(Ring(i)), fs::file_time_type::clock::now() - std::chrono::hours(1) + age);
    }
    backer.CheckAll(home.Path());
    EXPECT_EQ("new", VersionOf(home.Read("INI_Backup/Tank.ini")));
    EXPECT_EQ("backup", VersionOf(home.Read(Ring(6))));
    EXPECT_FALSE(Has(Ring(7)));
    EXPECT_EQ("r5", VersionOf(home.Read(Ring(5))));
}

TEST_F(Backer, ShutdownBacksUpOnlyFilesThatPassedAndNeverRaises)
{
    Put("A.ini", Stamped("a1"));
    Put("B.ini", Damaged("b1")); // no backup: fatal at start
    TINIBacker b({"A", "B"});
    EXPECT_THROW(b.CheckAll(home.Path()), EIniBackup);
    EXPECT_TRUE(b.Passed("A"));
    EXPECT_FALSE(b.Passed("B"));
    Put("A.ini", Stamped("a2"));
    b.BackupAll();
    EXPECT_EQ("a2", VersionOf(home.Read("INI_Backup/A.ini")));
    EXPECT_FALSE(Has("INI_Backup/B.ini")); // the damaged file is not blessed with a stamp
    EXPECT_EQ(TStampState::Invalid, CheckStamp(home.Read("B.ini")));

    // A file gone at shutdown, or changed behind the program's back, is
    // logged and the rest still backed up.
    TINIBacker two({"A", "C"});
    Put("C.ini", Stamped("c1"));
    two.CheckAll(home.Path());
    fs::remove(home.File("A.ini"));
    Put("C.ini", Stamped("c2"));
    EXPECT_NO_THROW(two.BackupAll());
    EXPECT_NE(std::string::npos, log.find("Missing INI file: A.ini")) << log;
    EXPECT_EQ("c2", VersionOf(home.Read("INI_Backup/C.ini")));
    Put("C.ini", Damaged("c3"));
    two.BackupAll();
    EXPECT_EQ("c2", VersionOf(home.Read("INI_Backup/C.ini")));
}

TEST_F(Backer, StaleTemporaryFilesOfACutSaveAreRemoved)
{
    Put("Tank.ini", Stamped("1"));
    Put("Tank.ini.Ab12Cd", "[Tank]\r\nVer");
    Put("INI_Backup/Tank.ini.x1y2z3", "partial");
    Put("INI_Backup/Tank4.ini.qwerty", "partial");
    Put("Tanker.ini.Ab12Cd", "not ours");
    backer.CheckAll(home.Path());
    EXPECT_FALSE(Has("Tank.ini.Ab12Cd"));
    EXPECT_FALSE(Has("INI_Backup/Tank.ini.x1y2z3"));
    EXPECT_FALSE(Has("INI_Backup/Tank4.ini.qwerty"));
    EXPECT_TRUE(Has("Tanker.ini.Ab12Cd"));
}

TEST_F(Backer, RestampSavesTheCacheStampedAndHandsBackAFreshOne)
{
    Put("Tank.ini", Content("trusted:1"));
    auto cache = std::make_unique<TMemIniFile>(home.File("Tank.ini"));
    const TMemIniFile* old = cache.get();
    cache->WriteString("Tank", "Version", "2");
    TINIBacker::Restamp(cache);
    EXPECT_NE(old, cache.get());
    EXPECT_EQ("2", cache->ReadString("Tank", "Version", ""));
    EXPECT_EQ(TStampState::Valid, CheckStamp(home.Read("Tank.ini")));
}

TEST_F(Backer, FileCopyNamesThePathItCannotOpen)
{
    try {
        FileCopy(home.File("none.ini"), home.File("copy.ini"));
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_EQ("Error raised while attempting to open file " + home.File("none.ini"), e.what());
    }
    Put("src.ini", std::string(20000, 'x'));
    EXPECT_TRUE(FileCopy(home.Path() + "//src.ini", home.File("deep/er/copy.ini")));
    EXPECT_EQ(std::string(20000, 'x'), home.Read("deep/er/copy.ini"));
}

// Power cut: a process saves the file again and again (and refreshes its
// backup now and then) and is killed at a random moment. The next check
// always finds a stamped file at least as new as the last save that
// completed, and restores nothing.
TEST(IniPowerCut, AKilledSaveLeavesTheOldOrTheNewStampedFileNeverAnOlderBackup)
{
    std::mt19937 rng(std::random_device{}());
    test::TempDir home;
    home.Write("Tank.ini", "[Tank]\r\nVersion=0\r\n[Security]\r\nFileID=88888888\r\n");
    for (int trial = 0; trial < 30; ++trial) {
        int acks[2];
        ASSERT_EQ(0, ::pipe(acks));
        const int before = std::stoi(VersionOf(home.Read("Tank.ini")));
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(acks[0]);
            TINIBacker b({"Tank"});
            try {
                b.CheckAll(home.Path());
            } catch (...) {
                ::_exit(3);
            }
            for (int n = before + 1;; ++n) {
                TMemIniFile f(home.File("Tank.ini"));
                f.WriteInteger("Tank", "Version", n);
                f.UpdateFile();
                if (n % 3 == 0)
                    b.BackupAll();
                if (::write(acks[1], &n, sizeof n) != sizeof n)
                    ::_exit(4);
            }
        }
        ::close(acks[1]);
        const int cutAfter = 1 + static_cast<int>(rng() % 12);
        int lastDone = before;
        for (int i = 0; i < cutAfter; ++i)
            ASSERT_EQ(static_cast<ssize_t>(sizeof lastDone), ::read(acks[0], &lastDone, sizeof lastDone));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(acks[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << trial;

        const std::string text = home.Read("Tank.ini");
        ASSERT_EQ(TStampState::Valid, CheckStamp(text)) << trial << "\n" << text;
        const int found = std::stoi(VersionOf(text));
        EXPECT_GE(found, lastDone) << trial;
        TINIBacker next({"Tank"});
        ASSERT_NO_THROW(next.CheckAll(home.Path())) << trial;
        EXPECT_EQ(found, std::stoi(VersionOf(home.Read("Tank.ini")))) << trial;
        EXPECT_FALSE(fs::exists(home.File("Tank.rejected.ini"))) << trial;
    }
}

} // namespace
} // namespace orv
