// From a new ground speed on the navigation port to the Control Message that
// carries the new gate position on the controller port, through the whole
// program against orvane-sim. Both moments are read from the simulator's own
// time-stamped log, so the figure is what the hardware would see.
#include "tests/support/AppProcess.h"
#include "tests/support/FactoryHome.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

namespace {

using namespace orv::test;

constexpr int kControllerPort = 2;
constexpr int kNavPort = 3;

// Factory Urea preset and gate: 406 at 30 m/s, 645 at 60 m/s.
struct SpeedCase {
    const char* speed;
    int position;
};
const SpeedCase kCases[] = {{"60", 645}, {"30", 406}};

double Stamp(const std::string& line)
{
    const size_t open = line.find('[');
    return open == std::string::npos ? -1 : std::atof(line.c_str() + open + 1);
}

class Rig {
public:
    static Rig& Get()
    {
        static Rig rig;
        return rig;
    }
    bool ok = false;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<AppProcess> app;

private:
    Rig()
    {
        sim = std::make_unique<SimProcess>(std::vector<std::string>{
            "--link", "usbcan", "--port", std::to_string(kControllerPort), "--status-rate", "10", "--run",
            "board 0 armed on", "--run", "board 0 cancontrol on", "--nav", "nmea", "--nav-port",
            std::to_string(kNavPort), "--nav-baud", "4800", "--nav-rate", "10", "--speed-profile", "const:30"});
        if (!sim->Ready())
            return;
        SeedFactoryHome(home.Path(), 1, kControllerPort, kNavPort);
        app = std::make_unique<AppProcess>(home.Path(), sim->PortsDir());
        if (!app->WaitForOutput("Tab Shown: Run Dry Material", 60000))
            return;
        sim->Command("board 0 pilot on");
        ok = true;
    }
    TempDir home;
};

// Seconds from the first navigation sentence after the speed command to the
// first Control Message with the wanted position; negative when none came.
double Measure(SimProcess& sim, const SpeedCase& c)
{
    const size_t from = sim.LogText().size();
    sim.Command(std::string("nav speed ") + c.speed);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until) {
        std::istringstream lines(sim.LogText().substr(from));
        std::string line;
        double sent = -1;
        while (std::getline(lines, line)) {
            if (sent < 0 && line.find(" TX nav \"$GP") != std::string::npos)
                sent = Stamp(line);
            const size_t at = line.find("Control Message board 0 position ");
            if (sent >= 0 && at != std::string::npos) {
                const int position = std::atoi(line.c_str() + at + 33);
                if (std::abs(position - c.position) <= 1)
                    return Stamp(line) - sent;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

void BM_SpeedChangeToControlMessage(benchmark::State& state)
{
    Rig& rig = Rig::Get();
    if (!rig.ok) {
        state.SkipWithError("the program did not reach its run page against orvane-sim");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        const double seconds = Measure(*rig.sim, kCases[i++ % 2]);
        if (seconds < 0) {
            state.SkipWithError("no Control Message with the new position within 5 s");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_SpeedChangeToControlMessage)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace
