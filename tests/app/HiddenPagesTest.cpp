// In flight the pilot's keypad and touches must never leave the run page: the
// other pages are hidden, and on them the quantity loop stops commanding the
// gate.
#include "app/FormCanComport.h"
#include "tests/app/WindowWithSim.h"
#include "ui/PageTable.h"

#include <QApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>

#include <cstdlib>
#include <gtest/gtest.h>

namespace orv {
namespace {

std::vector<std::string> ArmedDryGate()
{
    return {"--link", "usbcan", "--port", "2", "--status-rate", "10", "--run", "board 0 armed on", "--run",
            "board 0 cancontrol on", "--run", "board 0 pilot on", "--nav", "nmea", "--nav-port", "3",
            "--nav-baud", "4800", "--speed-profile", "const:30"};
}

// The widget a key goes to, as the application would pick it.
QWidget* KeyTarget(QWidget* window)
{
    QWidget* w = QApplication::focusWidget();
    return w ? w : window;
}

void Wheel(QWidget* w, int delta)
{
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TEST(HiddenPages, KeysTouchesAndWheelNeverLeaveTheRunPageInFlight)
{
    test::WindowWithSim w(ArmedDryGate(), 1);
    ASSERT_TRUE(w.Ready()) << w.Why();
    TFormCanComport& form = w.Open();
    QTabWidget* pages = form.PageControl();
    ASSERT_TRUE(w.ServeUntil([&] { return w.InNominal() && pages->currentIndex() == pgRunDryMaterial; }, 40000))
        << "state " << int(form.StateMachine().CurrentState) << ", page " << pages->currentIndex();
    // Urea at 30 m/s: 406, as the rate loop's worked figures have it.
    ASSERT_TRUE(w.ServeUntil([&] { return std::abs(w.SimSetPoint() - 406) <= 1; }, 15000)) << w.SimSetPoint();

    // A touch anywhere on the page control, then every key and turn that
    // moves a tab widget on.
    QTest::mouseClick(pages, Qt::LeftButton, Qt::NoModifier, QPoint(pages->width() / 2, 5));
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    pages->setFocus();
    struct Press {
        int key;
        Qt::KeyboardModifiers mods;
    };
    const Press presses[] = {{Qt::Key_Right, Qt::NoModifier},    {Qt::Key_Right, Qt::NoModifier},
                             {Qt::Key_Left, Qt::NoModifier},     {Qt::Key_Left, Qt::NoModifier},
                             {Qt::Key_Tab, Qt::ControlModifier}, {Qt::Key_PageDown, Qt::ControlModifier},
                             {Qt::Key_PageUp, Qt::ControlModifier}, {Qt::Key_Home, Qt::NoModifier},
                             {Qt::Key_End, Qt::NoModifier}};
    for (const Press& p : presses) {
        QTest::keyClick(KeyTarget(&form), Qt::Key(p.key), p.mods);
        QTest::keyClick(pages->tabBar(), Qt::Key(p.key), p.mods);
        w.Serve(30);
        EXPECT_EQ(pgRunDryMaterial, pages->currentIndex()) << "after key " << p.key;
    }
    Wheel(pages->tabBar(), -120);
    Wheel(pages->tabBar(), 120);
    EXPECT_EQ(pgRunDryMaterial, pages->currentIndex()) << "after the wheel";

    // No hidden page can be chosen or take the focus.
    for (int i = 0; i < kPageCount; ++i) {
        if (i == pgRunDryMaterial)
            continue;
        EXPECT_FALSE(pages->tabBar()->isTabEnabled(i)) << "page " << i;
        EXPECT_FALSE(pages->widget(i)->isVisible()) << "page " << i;
    }
    EXPECT_EQ(Qt::NoFocus, pages->tabBar()->focusPolicy());

    // The rate loop still commands the gate.
    ASSERT_EQ(0u, w.Sim().Command("nav speed 60").rfind("OK", 0));
    EXPECT_TRUE(w.ServeUntil([&] { return std::abs(w.SimSetPoint() - 645) <= 1; }, 15000))
        << "at 60 m/s the set point is " << w.SimSetPoint();
}

} // namespace
} // namespace orv
