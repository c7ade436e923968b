#include "app/UsbWatch.h"

#include "platform/fake/FakeUsbMonitor.h"
#include "store/IniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace orv {
namespace {

const std::string kAdapter = "USB\\VID_0403&PID_6001 SUBSYSTEM=usb DEVTYPE=usb_device PRODUCT=403/6001/600";
const std::string kMouse = "USB\\VID_046D&PID_C52B SUBSYSTEM=usb DEVTYPE=usb_device PRODUCT=46d/c52b/1211";
const std::string kStick = "SUBSYSTEM=block DEVTYPE=partition DEVPATH=/devices/pci0000:00/usb1/1-3/block/sdb/sdb1";

// The watch with its window-side effects recorded, and a media root in a
// temporary folder where every folder one level down counts as mounted.
class UsbWatchTest : public ::testing::Test {
protected:
    TUsbWatch::Hooks Hooks()
    {
        TUsbWatch::Hooks h;
        h.showUsbLight = [this](bool v) { lights.push_back(v); };
        h.enableCheckUsbTimer = [this](bool v) { timerEnabled = v; };
        h.enterServiceMode = [this] { ++serviceEntries; };
        return h;
    }
    TRemovableMedia Media()
    {
        TRemovableMedia m;
        m.roots = {media.Path()};
        m.isMountPoint = [this](const std::string& p) { return p.rfind(media.Path() + "/pilot/", 0) == 0; };
        return m;
    }
    void InsertStick(const std::string& label, bool withFolder)
    {
        std::filesystem::create_directories(media.Path() + "/pilot/" + label + (withFolder ? "/PeloTek" : ""));
    }
    void PullStick(const std::string& label) { std::filesystem::remove_all(media.Path() + "/pilot/" + label); }

    test::TempDir media;
    std::vector<bool> lights;
    bool timerEnabled = false;
    int serviceEntries = 0;
    TUsbWatch watch{Hooks(), TUsbWatch::kDefaultAdapterId, Media()};
};

TEST_F(UsbWatchTest, TheAdapterArrivingIsSeenAndLightsTheUsbLight)
{
    watch.UsbArrived(kAdapter);
    EXPECT_TRUE(watch.UsbAdapterSeen());
    EXPECT_EQ(std::vector<bool>{true}, lights);
    EXPECT_TRUE(timerEnabled);
}

TEST_F(UsbWatchTest, AnyOtherArrivalClearsTheAdapterSeen)
{
    watch.UsbArrived(kAdapter);
    watch.UsbArrived(kMouse);
    EXPECT_FALSE(watch.UsbAdapterSeen());
    EXPECT_EQ((std::vector<bool>{true, false}), lights);
    EXPECT_TRUE(timerEnabled);
}

TEST_F(UsbWatchTest, ARemovalHidesTheLightWhateverTheDeviceButOnlyTheAdaptersClearsSeen)
{
    watch.UsbArrived(kAdapter);
    lights.clear();
    watch.UsbRemoved(kMouse);
    EXPECT_EQ(std::vector<bool>{false}, lights);
    EXPECT_TRUE(watch.UsbAdapterSeen());
    EXPECT_FALSE(timerEnabled);

    watch.UsbRemoved(kAdapter);
    EXPECT_FALSE(watch.UsbAdapterSeen());
    EXPECT_EQ((std::vector<bool>{false, false, false}), lights);
}

TEST_F(UsbWatchTest, TheIdentificationTextIsFoundIgnoringCaseAnywhereInTheName)
{
    struct Case {
        const char* id;
        std::string name;
        bool adapter;
    } cases[] = {
        {"VID_0403", kAdapter, true},
        {"vid_0403&pid_6001", kAdapter, true},
        {"PRODUCT=403/6001", kAdapter, true},
        {"VID_0403", kMouse, false},
        {"can_adapter", "SUBSYSTEM=usb ID_MODEL=CAN_Adapter", true},
        {"  ", kAdapter, true}, // blank: the default text
        {"  ", kMouse, false},
    };
    for (const auto& c : cases) {
        watch.SetAdapterId(c.id);
        EXPECT_EQ(c.adapter, watch.IsAdapter(c.name)) << c.id << " in " << c.name;
    }
}

TEST_F(UsbWatchTest, TheIdentificationTextComesFromTheStartupFile)
{
    test::TempDir dir;
    TMemIniFile ini(dir.File("OrvStartup.ini"));
    EXPECT_EQ("VID_0403", TUsbWatch::ReadAdapterId(ini));
    ini.WriteString("Comm Settings", "UsbAdapterId", " VID_1D50&PID_606F ");
    EXPECT_EQ("VID_1D50&PID_606F", TUsbWatch::ReadAdapterId(ini));
    ini.WriteString("Comm Settings", "UsbAdapterId", "");
    watch.SetAdapterId(TUsbWatch::ReadAdapterId(ini));
    EXPECT_EQ("VID_0403", watch.AdapterId());
}

TEST_F(UsbWatchTest, AServiceStickEightSecondsAfterAnArrivalTurnsOnTheServicePages)
{
    InsertStick("SERVICE", true);
    watch.UsbArrived(kStick);
    ASSERT_TRUE(timerEnabled);
    watch.TimerCheckUSBTimer(); // the 8 s timer fires
    EXPECT_FALSE(timerEnabled);
    EXPECT_EQ(1, serviceEntries);
    EXPECT_EQ(media.Path() + "/pilot/SERVICE/PeloTek", watch.ServiceStickPath());
}

TEST_F(UsbWatchTest, AStickWithoutThePeloTekFolderChangesNothing)
{
    InsertStick("MUSIC", false);
    watch.UsbArrived(kStick);
    watch.TimerCheckUSBTimer();
    EXPECT_EQ(0, serviceEntries);
    EXPECT_EQ("#", watch.ServiceStickPath());
}

TEST_F(UsbWatchTest, TheStickIsLookedForAgainWhenADeviceGoes)
{
    InsertStick("SERVICE", true);
    watch.UsbArrived(kStick);
    watch.TimerCheckUSBTimer();
    PullStick("SERVICE");
    watch.UsbRemoved(kStick);
    EXPECT_EQ("#", watch.ServiceStickPath());
    EXPECT_EQ(1, serviceEntries);
}

TEST_F(UsbWatchTest, TheMonitorsEventsReachTheWatch)
{
    FakeUsbMonitor monitor;
    ASSERT_TRUE(watch.Attach(monitor));
    monitor.Arrive(kAdapter);
    EXPECT_TRUE(watch.UsbAdapterSeen());
    monitor.Remove(kAdapter);
    EXPECT_FALSE(watch.UsbAdapterSeen());

    FakeUsbMonitor none;
    none.available = false;
    EXPECT_FALSE(watch.Attach(none));
}

} // namespace
} // namespace orv
