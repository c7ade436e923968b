// The shipped program on a virtual panel display, driven by real X input: a
// touch and the keypad's keys in flight must leave the run page and its rate
// loop alone.
#include "tests/support/AppProcess.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XvfbDisplay.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace orv {
namespace {

int SetPoint(test::SimProcess& sim)
{
    const std::string answer = sim.Command("board 0 setpoint");
    const size_t at = answer.rfind(' ');
    return at == std::string::npos ? -1 : std::atoi(answer.c_str() + at + 1);
}

bool SetPointReaches(test::SimProcess& sim, int wanted, int timeoutMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (std::abs(SetPoint(sim) - wanted) <= 1)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    } while (std::chrono::steady_clock::now() < until);
    return false;
}

// Every "Tab Shown:" line of the program's output that names another page.
std::string OtherPagesShown(const std::string& output, const std::string& runPage)
{
    std::istringstream in(output);
    std::string line, other;
    while (std::getline(in, line))
        if (line.rfind("Tab Shown: ", 0) == 0 && line != "Tab Shown: " + runPage)
            other += line + "\n";
    return other;
}

TEST(RealWindowKeys, TouchAndKeypadInFlightStayOnTheRunPage)
{
    test::XvfbDisplay display;
    ASSERT_TRUE(display.Ready()) << display.Error();
    test::SimProcess sim({"--link", "usbcan", "--port", "2", "--status-rate", "10", "--run", "board 0 armed on",
                          "--run", "board 0 cancontrol on", "--run", "board 0 pilot on", "--nav", "nmea",
                          "--nav-port", "3", "--nav-baud", "4800", "--speed-profile", "const:30"});
    ASSERT_TRUE(sim.Ready()) << sim.StartError();
    test::TempDir home;
    test::SeedFactoryHome(home.Path(), 1, 2, 3);
    test::AppProcess app(home.Path(), sim.PortsDir(), display.Name());
    ASSERT_TRUE(app.WaitForOutput("Tab Shown: Run Dry Material", 40000)) << app.Output();
    ASSERT_TRUE(SetPointReaches(sim, 406, 15000)) << "at 30 m/s the set point is " << SetPoint(sim);

    const std::string window = display.XdoTool("search --sync --onlyvisible --name \"Orvane Controller\"");
    ASSERT_FALSE(window.empty()) << "no window on " << display.Name();
    const std::string id = window.substr(0, window.find('\n'));
    // A touch on the page, one where the tab strip would be, then the keys
    // and a turn of the wheel.
    display.XdoTool("windowactivate --sync " + id);
    for (const char* touch : {"200 200", "20 12", "60 12"})
        display.XdoTool("mousemove --window " + id + " " + touch + " click 1");
    display.XdoTool("key --window " + id + " --delay 250 Right Right Left Left Right ctrl+Tab ctrl+Next ctrl+Prior");
    display.XdoTool("mousemove --window " + id + " 60 12 click 4 click 5 click 5");
    display.XdoTool("key --window " + id + " --delay 250 Up Down KP_6 KP_4 Return");

    // The loop still follows the speed, and no other page was ever shown.
    ASSERT_EQ(0u, sim.Command("nav speed 60").rfind("OK", 0));
    EXPECT_TRUE(SetPointReaches(sim, 645, 15000)) << "at 60 m/s the set point is " << SetPoint(sim);
    EXPECT_EQ("", OtherPagesShown(app.Output(), "Run Dry Material"));
    EXPECT_EQ(0, app.Stop());
}

} // namespace
} // namespace orv
