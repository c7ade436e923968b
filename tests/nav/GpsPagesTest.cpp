#include "app/pages/GpsSourceSelect.h"
#include "app/pages/ReceiversPage.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeSerialLibrary.h"
#include "platform/fake/FakeTimeSource.h"
#include "tests/support/TempDir.h"
#include "ui_PageReceivers.h"
#include "ui_PageSelectPrimaryMode.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QWidget>

#include <gtest/gtest.h>

namespace orv {
namespace {

class GpsPagesTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FakeTimeSource source;
    FakeSerialLibrary serial;
    std::unique_ptr<TMemIniFile> settings;
    std::unique_ptr<TGpsSource> gps;

    void SetUp() override
    {
        TGPSClock::Install(source);
        settings = std::make_unique<TMemIniFile>(dir.File("LastSelectedPreset.ini"));
        gps = std::make_unique<TGpsSource>(serial, *settings);
        gps->Pause = nullptr;
    }
    void TearDown() override
    {
        gps.reset();
        TGPSClock::Uninstall();
    }
};

TEST_F(GpsPagesTest, ComboListsTheSourcesAndShowsTheStoredChoice)
{
    settings->WriteInteger("GPS", "SelectedGPS", 3);
    gps->Reload();
    QWidget host;
    Ui::PageSelectPrimaryMode ui;
    ui.setupUi(&host);
    int starts = 0;
    TGpsSourceSelect select(ui, *gps, [&] { ++starts; });

    ASSERT_EQ(5, ui.bsComboBoxGPS->count());
    EXPECT_EQ("4800 NMEA: RMA, RMC, or  VTG", ui.bsComboBoxGPS->itemText(0).toStdString());
    EXPECT_EQ("Pelorin", ui.bsComboBoxGPS->itemText(2).toStdString());
    EXPECT_EQ(3, ui.bsComboBoxGPS->currentIndex());
    EXPECT_EQ(0, starts) << "showing the stored choice starts nothing";
    EXPECT_TRUE(ui.LabelGPSNotAvailable->isHidden());

    ui.bsComboBoxGPS->setCurrentIndex(1);
    EXPECT_EQ(1, gps->SelectedGPS());
    EXPECT_EQ(1, starts);
}

TEST_F(GpsPagesTest, StartResultIsShown)
{
    QWidget host;
    Ui::PageSelectPrimaryMode ui;
    ui.setupUi(&host);
    TGpsSourceSelect select(ui, *gps, [&] { select.ShowResult(gps->Start(std::nullopt)); });
    ui.bsComboBoxGPS->setCurrentIndex(4); // nothing on COM1
    EXPECT_EQ("Tracmap GPS Selected", ui.LabelGPSSourceStatus->text().toStdString());
    EXPECT_FALSE(ui.LabelGPSNotAvailable->isHidden());
    serial.AddPort(0);
    ui.bsComboBoxGPS->setCurrentIndex(0);
    EXPECT_EQ("4800 NMEA: RMA, RMC, or VTG", ui.LabelGPSSourceStatus->text().toStdString());
    EXPECT_TRUE(ui.LabelGPSNotAvailable->isHidden());
}

class ReceiversPageTest : public GpsPagesTest {
protected:
    test::TempDir ports;
    QWidget host;
    Ui::PageReceivers ui;
    std::unique_ptr<TReceiversPage> page;

    void SetUp() override
    {
        GpsPagesTest::SetUp();
        ports.Write("COM1", "");
        ports.Write("COM2", "");
        ui.setupUi(&host);
        page = std::make_unique<TReceiversPage>(ui, serial, *gps, ports.Path());
    }
    void TearDown() override
    {
        page.reset();
        GpsPagesTest::TearDown();
    }
};

TEST_F(ReceiversPageTest, ShowingThePageTakesThePortFromTheGpsLink)
{
    settings->WriteString("GPS", "GPSPort", "COM2");
    serial.AddPort(1);
    gps->Start(std::nullopt);
    ASSERT_NE(nullptr, gps->Link());
    const int linkBaud = gps->Link()->BaudRate();

    page->Show();
    // The receiver is read at the line speed the GPS link uses for it.
    EXPECT_EQ(std::to_string(linkBaud), ui.bsComboBoxReceiverBaudrate->currentText().toStdString());
    EXPECT_EQ(nullptr, gps->Link());
    ASSERT_EQ(1, ui.bsListBoxReceiverPorts->count());
    EXPECT_EQ("GPS Receiver", ui.bsListBoxReceiverPorts->item(0)->text().toStdString());
    EXPECT_EQ(0, ui.bsListBoxReceiverPorts->currentRow());
    EXPECT_TRUE(page->ReceiverOpen());
    EXPECT_TRUE(serial.IsOpen(1));
    EXPECT_EQ("Connected: COM2", ui.LabelReceiverStatus->text().toStdString());
    EXPECT_EQ("COM2", ui.bsComboBoxGPSPort->currentText().toStdString());
    EXPECT_TRUE(page->ReadTimer().isActive());

    serial.Feed(1, "$GPVTG,054.7,T,034.4,M,005.5,N,036.0,K*4E\r\n$GPRMC,1");
    page->ReadReceiver();
    EXPECT_EQ("$GPVTG,054.7,T,034.4,M,005.5,N,036.0,K*4E", ui.MemoReceiverData->toPlainText().toStdString());

    page->Hide();
    EXPECT_FALSE(serial.IsOpen(1)) << "the port is given back for the GPS link";
    EXPECT_FALSE(page->ReadTimer().isActive());
    EXPECT_TRUE(gps->Start(std::nullopt).connected);
}

TEST_F(ReceiversPageTest, MissingPortShowsNotConnected)
{
    page->Show();
    EXPECT_FALSE(page->ReceiverOpen());
    EXPECT_EQ("Not Connected", ui.LabelReceiverStatus->text().toStdString());
    EXPECT_EQ((QStringList{"COM1", "COM2"}), [&] {
        QStringList items;
        for (int i = 0; i < ui.bsComboBoxGPSPort->count(); ++i)
            items << ui.bsComboBoxGPSPort->itemText(i);
        return items;
    }());
}

TEST_F(ReceiversPageTest, ChoosingAPortStoresItAndReopens)
{
    serial.AddPort(1);
    page->Show();
    EXPECT_EQ("Not Connected", ui.LabelReceiverStatus->text().toStdString()) << "COM1 is the default and absent";
    ui.bsComboBoxGPSPort->setCurrentText("COM2");
    EXPECT_EQ("COM2", gps->GpsPortName());
    TMemIniFile reread(dir.File("LastSelectedPreset.ini"));
    EXPECT_EQ("COM2", reread.ReadString("GPS", "GPSPort", ""));
    EXPECT_TRUE(serial.IsOpen(1));
    EXPECT_EQ("Connected: COM2", ui.LabelReceiverStatus->text().toStdString());

    ui.bsComboBoxReceiverBaudrate->setCurrentIndex(0);
    EXPECT_TRUE(serial.IsOpen(1)) << "the baud rate choice changes nothing";
    EXPECT_EQ("38400", ui.bsComboBoxReceiverBaudrate->itemText(3).toStdString());
}

TEST_F(ReceiversPageTest, ConfiguredPortMissingFromTheFolderIsStillListed)
{
    settings->WriteString("GPS", "GPSPort", "COM7");
    page->Show();
    EXPECT_EQ("COM7", ui.bsComboBoxGPSPort->currentText().toStdString());
    EXPECT_EQ(3, ui.bsComboBoxGPSPort->count());
}

} // namespace
} // namespace orv
