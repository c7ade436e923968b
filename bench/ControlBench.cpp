// The opening computed every quantity tick, and one second of simulated drop.
#include "control/AppPreset.h"
#include "control/CalculatedQuantities.h"
#include "nav/GPSClock.h"
#include "platform/fake/FakeTimeSource.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace orv;

// A folder with the tables one dry and one fire-gate computation need.
class TBenchFolder {
public:
    TBenchFolder()
    {
        fPath = (std::filesystem::temp_directory_path() / ("orvane-bench-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(fPath);
        Write("DryMaterialPresets.ini",
              "[PRESETS]\nUrea=\n[Urea CONSTANTS]\nLENGTH UNITS=1\nVOLUME UNITS=2\nMASS UNITS=1\nSPEED UNITS=1\n"
              "LastAppRate=150\nFixedAppSpeed=60\nLastAppSwathWidth=22\nMAXIMUM FLOW=35\nMAXIMUM OPENING=0.1\n"
              "[Urea OPENING_TO_FLOW_RELATIVES]\n0.000=0.00000\n0.100=0.04000\n0.200=0.11000\n0.300=0.20000\n"
              "0.400=0.30000\n0.500=0.41000\n0.600=0.52000\n0.700=0.64000\n0.800=0.76000\n0.900=0.88000\n"
              "1.000=1.00000\n");
        Write("FiregatePresets.ini",
              "[PRESETS]\nWATER Level 5.0=\n[COMMON CONSTANTS]\nPresetFullTank=528\n"
              "[WATER Level 5.0 CONSTANTS]\nLastAppRate=2178\nFixedAppSpeed=120\nLastAppSwathWidth=50\n"
              "MAXIMUM FLOW=600\n[WATER Level 5.0 OPENING_TO_FLOW_RELATIVES]\n0=0\n1=1\n");
        std::string digital = "[CONSTANTS]\nLENGTH UNITS=1\nMAX_OPENING_0=40\nMAX_OPENING_1=10\n";
        for (int index : {0, 1}) {
            digital += "[RELATIVE_DIGITAL_TO_RELATIVE_PHYSICAL_OPENING_" + std::to_string(index) + "]\n";
            for (int p : {0, 5, 10, 15, 20, 25, 30, 35, 40, 50, 60, 75, 95, 100}) {
                const double d = p / 100.0;
                digital += std::to_string(d) + "=" + std::to_string(d * (0.9 + 0.1 * d)) + "\n";
            }
        }
        Write("RelativeDigitalToPhysical.ini", digital);
        Write("Tank_Coefficients.ini", "[Volume Coefficients]\n1=12\n2=0.04\n[Level Coefficients]\n1=0.0830382366\n"
                                       "[R Coefficients]\n0=1.5\n");
        Write("FiregateModelValues.ini", "[FIREGATE_MODEL_PARAMETERS]\nLengthOfGate=100\nFullTankLevel=120\n");
    }
    ~TBenchFolder() { std::filesystem::remove_all(fPath); }
    const std::string& Path() const { return fPath; }

private:
    void Write(const std::string& name, const std::string& text) { std::ofstream(fPath + "/" + name) << text; }
    std::string fPath;
};

void BM_CurrentOpening(benchmark::State& state)
{
    FakeTimeSource clock;
    TGPSClock::Install(clock);
    TBenchFolder folder;
    TDisplayUnits units;
    TCalculatedQuantities q(pmDryMaterial, folder.Path(), units);
    TAppPreset preset(true, &q, units, pmDryMaterial, folder.Path(), "Urea", "Urea");
    q.AttachPreset(&preset);
    q.SetUseGpsSpeed(true);
    double speed = 55;
    for (auto _ : state) {
        q.SetGpsSpeed(speed);
        benchmark::DoNotOptimize(q.CurrentOpening());
        speed = speed > 65 ? 55 : speed + 0.01;
    }
    TGPSClock::Uninstall();
}
BENCHMARK(BM_CurrentOpening);

// One second of simulated drop: 50 quantity ticks of 20 ms, about 333 model steps.
void BM_StepDropModelOneSecond(benchmark::State& state)
{
    FakeTimeSource clock;
    TGPSClock::Install(clock);
    TBenchFolder folder;
    TDisplayUnits units;
    TCalculatedQuantities q(pmFireGate, folder.Path(), units);
    TAppPreset preset(false, &q, units, pmFireGate, folder.Path(), "COMMON", "WATER Level 5.0");
    q.AttachPreset(&preset);
    q.SetOpeningFromDigital(50);
    TDropBoardInput board;
    board.pilotSwitchClosed = true;
    board.gateOpeningPercent = 50;
    board.switchUsedSinceFill = true;
    for (auto _ : state) {
        state.PauseTiming();
        q.Model().SetTankLevel(120);
        q.SetTankState(tks_full);
        q.SetTankState(tks_dropping_SplitZero);
        q.Model().SetModelFlow(1000);
        state.ResumeTiming();
        double litres = 0;
        for (int tick = 0; tick < 50; ++tick) {
            clock.AdvanceMs(20);
            litres += q.StepDropModel(board);
        }
        benchmark::DoNotOptimize(litres);
    }
    TGPSClock::Uninstall();
}
BENCHMARK(BM_StepDropModelOneSecond);

} // namespace
