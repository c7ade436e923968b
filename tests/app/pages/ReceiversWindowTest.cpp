// The "Receivers" page of the real window against orvane-sim: the plain GPS
// receiver is read at the line speed the GPS link uses for it.
#include "nav/GpsSource.h"
#include "tests/app/pages/WindowPageSupport.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace orv {
namespace {

using test::Click;
using test::Find;

// The line speed set on a port, as the device on its far end sees it (0 when
// the port cannot be read).
speed_t LineSpeed(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return 0;
    struct termios tio {};
    const speed_t speed = ::tcgetattr(fd, &tio) == 0 ? ::cfgetospeed(&tio) : 0;
    ::close(fd);
    return speed;
}

TEST(ReceiversWindow, ThePlainReceiverIsReadAtTheGpsLinksSpeed)
{
    constexpr int kNavPort = 3;
    test::WindowWithSim w({"--link", "usbcan", "--port", "2", "--status-rate", "10", "--nav", "nmea", "--nav-port",
                           std::to_string(kNavPort), "--nav-baud", "4800"},
                          1, 2, kNavPort);
    ASSERT_TRUE(w.Ready()) << w.Why();
    TFormCanComport& form = w.Open();
    ASSERT_TRUE(test::ReachPage(w, pgRunDryMaterial));
    ASSERT_TRUE(w.ServeUntil([&] { return form.Gps()->Link() != nullptr; }, 10000));
    const std::string port = w.Sim().PortPath(kNavPort);
    ASSERT_EQ(speed_t(B4800), LineSpeed(port)) << "the GPS link reads the receiver at 4800";

    Click(form, "bsButtonChangeSystemSettingsRunDry");
    ASSERT_TRUE(w.ServeUntil([&] { return form.PageControl()->currentIndex() == pgSelectPrimaryMode; }, 10000));
    QTabBar* bar = form.PageControl()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(pgReceivers).center());
    ASSERT_EQ(pgReceivers, form.PageControl()->currentIndex());
    EXPECT_EQ(nullptr, form.Gps()->Link()) << "the page holds the port itself";
    EXPECT_EQ("Connected: COM4", Find<QLabel>(form, "LabelReceiverStatus")->text().toStdString());
    EXPECT_EQ(speed_t(B4800), LineSpeed(port)) << "the page reads the same receiver at another speed";
    // And what the receiver sends arrives.
    EXPECT_TRUE(w.ServeUntil(
        [&] { return Find<QPlainTextEdit>(form, "MemoReceiverData")->toPlainText().contains("$GPRMC"); }, 10000));
}

} // namespace
} // namespace orv
