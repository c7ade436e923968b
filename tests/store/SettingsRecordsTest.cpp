#include "store/SettingsRecords.h"

#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(AircraftID, UnknownIsNeverWrittenAndAnEqualIdIsNotRewritten)
{
    test::TempDir dir;
    TMemIniFile ini(dir.File("LastSelectedPreset.ini"));
    EXPECT_EQ("Unknown", ReadAircraftID(ini));
    EXPECT_FALSE(StoreAircraftID(ini, "Unknown"));
    EXPECT_FALSE(ini.ValueExists("Vehicle", "AircraftID"));
    EXPECT_TRUE(StoreAircraftID(ini, "C-FTNK"));
    EXPECT_EQ("C-FTNK", ReadAircraftID(ini));
    EXPECT_FALSE(StoreAircraftID(ini, "C-FTNK"));
    // Into the cache only: the disk sees it with the next save.
    EXPECT_FALSE(FileExists(dir.File("LastSelectedPreset.ini")));
}

TEST(VersionsRecord, SingleAndDualBoardGates)
{
    test::TempDir dir;
    TMemIniFile ini(dir.File("LastSelectedPreset.ini"));
    WriteVersionsRecord(ini, "0.1.0", "", "", "2.1R");
    EXPECT_EQ("2.1R", ini.ReadString("Versions", "Firmware Right", ""));
    EXPECT_EQ("", ini.ReadString("Versions", "Firmware left", "missing"));
    // Single board: board 1 falls back to board 0; the stale right entry stays.
    WriteVersionsRecord(ini, "0.1.1", "1.9", "", "");
    TMemIniFile disk(dir.File("LastSelectedPreset.ini"));
    EXPECT_EQ("0.1.1", disk.ReadString("Versions", "Application", ""));
    EXPECT_EQ("1.9", disk.ReadString("Versions", "Firmware", ""));
    EXPECT_EQ("2.1R", disk.ReadString("Versions", "Firmware Right", ""));
    WriteVersionsRecord(ini, "0.1.1", "1.9", "2.0L", "2.0R");
    EXPECT_EQ("2.0L", ini.ReadString("Versions", "Firmware left", ""));
}

TEST(StartupRecord, ProgramStartIsTheDateAndIsSaved)
{
    test::TempDir dir;
    TMemIniFile ini(dir.File("OrvStartup.ini"));
    StampProgramStart(ini, 46367.75); // 2026-12-11 18:00
    EXPECT_EQ("[Events]\r\nProgram Start=2026-12-11\r\n", dir.Read("OrvStartup.ini"));
}

} // namespace
} // namespace orv
