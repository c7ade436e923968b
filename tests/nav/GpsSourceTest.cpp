#include "nav/GPSClock.h"
#include "nav/GpsSource.h"
#include "platform/fake/FakeSerialLibrary.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

class GpsSourceTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeTimeSource source;
    FakeSerialLibrary serial;
    std::unique_ptr<TMemIniFile> settings;
    std::unique_ptr<TGpsSource> gps;
    int saves = 0;
    std::vector<int64_t> pauses;
    std::vector<std::string> logged;

    void SetUp() override
    {
        TGPSClock::Install(source);
        SetLogHook([this](const std::string& line) { logged.push_back(line); });
        settings = std::make_unique<TMemIniFile>(dir.File("LastSelectedPreset.ini"));
        Make();
    }
    void TearDown() override
    {
        gps.reset();
        SetLogHook(nullptr);
        TGPSClock::Uninstall();
    }
    void Make()
    {
        gps = std::make_unique<TGpsSource>(serial, *settings);
        gps->SaveSettings = [this] {
            ++saves;
            settings->UpdateFile();
        };
        gps->Pause = [this](int64_t ms) { pauses.push_back(ms); };
    }
};

TEST_F(GpsSourceTest, SourceTableMatchesTheCombo)
{
    const auto sources = GpsSources();
    ASSERT_EQ(5u, sources.size());
    EXPECT_STREQ("4800 NMEA: RMA, RMC, or  VTG", sources[0].caption);
    EXPECT_STREQ("Tracmap", sources[4].caption);
}

TEST_F(GpsSourceTest, GenericReceiverOnTheConfiguredPort)
{
    settings->WriteString("GPS", "GPSPort", "COM4");
    serial.AddPort(3);
    const TGpsStartResult r = gps->Start(25.0f);
    ASSERT_NE(nullptr, gps->Link());
    EXPECT_TRUE(r.connected);
    EXPECT_FALSE(r.gpsNotAvailable);
    EXPECT_EQ("4800 NMEA: RMA, RMC, or VTG", r.statusText);
    EXPECT_EQ(0x20, r.capabilityMask);
    EXPECT_TRUE(serial.IsOpen(3));
    EXPECT_TRUE(gps->Link()->ReceiverSetupRequested());
    EXPECT_FALSE(gps->Link()->GuidanceSelected());
    // The line speed the receiver is told to use.
    EXPECT_EQ(4800, gps->Link()->BaudRate());
    EXPECT_EQ(std::vector<int64_t>{20}, pauses);
    const TGpsSpeed s = gps->Link()->GetSpeed();
    EXPECT_FLOAT_EQ(25.0f, s.value);
    EXPECT_FALSE(s.fromRemote);
    EXPECT_EQ(1, saves);
    TMemIniFile reread(dir.File("LastSelectedPreset.ini"));
    EXPECT_EQ(0, reread.ReadInteger("GPS", "SelectedGPS", -1));
}

TEST_F(GpsSourceTest, GenericReceiverThatDoesNotOpen)
{
    const TGpsStartResult r = gps->Start(std::nullopt);
    EXPECT_EQ(nullptr, gps->Link());
    EXPECT_FALSE(r.connected);
    EXPECT_TRUE(r.gpsNotAvailable);
    EXPECT_EQ("Generic GPS Port Not Connecting", r.runPageGpsText);
    EXPECT_EQ("Generic NMEA Port did not open", r.statusText);
    EXPECT_EQ(0x20, r.capabilityMask);
    EXPECT_EQ(1, saves) << "the choice is stored all the same";
}

TEST_F(GpsSourceTest, AStartThatFailedIsDueAgainEveryRetryIntervalUntilAPortOpens)
{
    EXPECT_FALSE(gps->RetryDue()) << "nothing was started";
    gps->Start(std::nullopt);
    ASSERT_EQ(nullptr, gps->Link());
    EXPECT_FALSE(gps->RetryDue());
    source.AdvanceMs(TGpsSource::kRetryIntervalMs - 1);
    EXPECT_FALSE(gps->RetryDue());
    source.AdvanceMs(2);
    EXPECT_TRUE(gps->RetryDue());

    // Still no port: due again one interval after this start.
    gps->Start(std::nullopt);
    EXPECT_FALSE(gps->RetryDue());
    source.AdvanceMs(TGpsSource::kRetryIntervalMs + 1);
    EXPECT_TRUE(gps->RetryDue());
    EXPECT_EQ(1, saves) << "the unchanged choice is not written again";

    serial.AddPort(0);
    EXPECT_TRUE(gps->Start(std::nullopt).connected);
    source.AdvanceMs(10 * TGpsSource::kRetryIntervalMs);
    EXPECT_FALSE(gps->RetryDue()) << "the link is up";
}

TEST_F(GpsSourceTest, ClosingTheGpsStopsTheRetries)
{
    gps->Start(std::nullopt);
    gps->Close();
    source.AdvanceMs(2 * TGpsSource::kRetryIntervalMs);
    EXPECT_FALSE(gps->RetryDue());
}

TEST_F(GpsSourceTest, GuidanceSystemsAlwaysUseCom1)
{
    const char* texts[] = {"AgNav GPS Selected", "Pelorin GPS Selected", "Satloc GPS Selected",
                           "Tracmap GPS Selected"};
    settings->WriteString("GPS", "GPSPort", "COM4");
    serial.AddPort(0);
    for (int i = 1; i <= 4; ++i) {
        gps->SetSelectedGPS(i);
        const TGpsStartResult r = gps->Start(std::nullopt);
        ASSERT_TRUE(r.connected) << i;
        EXPECT_EQ(texts[i - 1], r.statusText);
        EXPECT_EQ(0x38, r.capabilityMask);
        EXPECT_TRUE(serial.IsOpen(0));
        EXPECT_TRUE(gps->Link()->GuidanceSelected());
        EXPECT_FALSE(gps->Link()->ReceiverSetupRequested());
        EXPECT_EQ(38400, gps->Link()->BaudRate());
        EXPECT_EQ(i, settings->ReadInteger("GPS", "SelectedGPS", -1));
    }
    EXPECT_EQ(1, serial.OpenCount()) << "each start frees the previous link first";
}

TEST_F(GpsSourceTest, FallsBackToTheFixedSpeedAfterThreeSeconds)
{
    serial.AddPort(0);
    gps->Start(30.0f);
    serial.Feed(0, "$GPVTG,054.7,T,034.4,M,005.5,N,036.0,K*4E\r\n");
    EXPECT_TRUE(gps->PollIfDue());
    EXPECT_TRUE(gps->Link()->GetSpeed().fromRemote);
    EXPECT_FLOAT_EQ(10.0f, gps->Link()->GetSpeed().value);
    source.AdvanceMs(3100);
    EXPECT_FALSE(gps->Link()->GetSpeed().fromRemote);
    EXPECT_FLOAT_EQ(30.0f, gps->Link()->GetSpeed().value);
    for (int ch : {gchSpeed, gchAppRate, gchSwathWidth})
        EXPECT_EQ(3000, gps->Link()->Channels().RemoteTimeoutMs(ch));
}

TEST_F(GpsSourceTest, PollIfDueKeepsTheHundredMillisecondInterval)
{
    serial.AddPort(0);
    EXPECT_FALSE(gps->PollIfDue()) << "no link";
    gps->Start(std::nullopt);
    serial.Feed(0, "abc");
    EXPECT_TRUE(gps->PollIfDue());
    serial.Feed(0, "def");
    source.AdvanceMs(99);
    EXPECT_FALSE(gps->PollIfDue());
    source.AdvanceMs(2);
    EXPECT_TRUE(gps->PollIfDue());
}

TEST_F(GpsSourceTest, CloseFreesTheLinkAndThePort)
{
    serial.AddPort(0);
    gps->Start(std::nullopt);
    gps->Close();
    EXPECT_EQ(nullptr, gps->Link());
    EXPECT_FALSE(serial.IsOpen(0));
    gps->Close(true);
}

TEST_F(GpsSourceTest, RemoteEventsReachEveryNewLink)
{
    serial.AddPort(0);
    std::vector<float> swaths;
    gps->OnRemoteSwathWidth = [&](TPeloCom&, float v) { swaths.push_back(v); };
    gps->SetSelectedGPS(2);
    gps->Start(std::nullopt);
    gps->Start(std::nullopt);
    serial.Feed(0, "$ORV,1,0,21,120.50,-18.0,45.2,0.000*74\r\n");
    gps->PollIfDue();
    EXPECT_EQ(std::vector<float>{18.0f}, swaths);
}

TEST_F(GpsSourceTest, StoredChoiceOutsideTheTableIsTheGenericReceiver)
{
    settings->WriteInteger("GPS", "SelectedGPS", 9);
    Make();
    EXPECT_EQ(0, gps->SelectedGPS());
    settings->WriteInteger("GPS", "SelectedGPS", 3);
    gps->Reload();
    EXPECT_EQ(3, gps->SelectedGPS());
    EXPECT_EQ("COM1", gps->GpsPortName());
}

TEST_F(GpsSourceTest, FailedSaveIsLoggedAndTheLinkStillStarts)
{
    serial.AddPort(0);
    gps->SaveSettings = [] { throw EIniWriteError("read-only medium"); };
    const TGpsStartResult r = gps->Start(std::nullopt);
    EXPECT_TRUE(r.connected);
    ASSERT_EQ(1u, logged.size());
    EXPECT_EQ("GPS settings not saved: read-only medium", logged[0]);
    EXPECT_EQ(0, settings->ReadInteger("GPS", "SelectedGPS", -1)) << "kept in the cache";
}

TEST_F(GpsSourceTest, GpsPortNameIsWrittenOnChange)
{
    gps->SetGpsPortName("COM2");
    EXPECT_EQ(1, saves);
    gps->SetGpsPortName("COM2");
    EXPECT_EQ(1, saves);
    EXPECT_EQ("COM2", gps->GpsPortName());
}

} // namespace
} // namespace orv
