// Throughput of the navigation port's parser: sentences decoded per second,
// and bytes per second through the receive buffer as a receiver sends them.
#include "nav/GPSClock.h"
#include "nav/NMEADecoding.h"
#include "nav/OrvSentence.h"
#include "nav/PeloCom.h"
#include "platform/fake/FakeSerialLibrary.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace orv;

const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string kVtg = "$GNVTG,054.7,T,034.4,M,005.5,N,010.2,K*56";

// One second of a chatty receiver at its defaults, plus a guidance system's answer.
const std::string kSecondOfTraffic =
    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n"
    "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39\r\n"
    "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75\r\n"
    "$GPGSV,2,2,08,15,30,050,47,19,11,260,40,24,60,118,48,25,18,052,42*79\r\n"
    + kRmc + "\r\n" + kVtg + "\r\n" + "$ORV,1,0,21,120.50,-18.0,45.2,0.000*74\r\n";

void RegisterLikeTheLink(TNMEADecoding& nmea, TNmeaBlocks& blocks)
{
    nmea.AddField(TNMEADecoding::kVTG, blocks.vtg.speedKmh, fkSingle, TNMEADecoding::kVtgSpeedField);
    nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.status, fkChar, TNMEADecoding::kRmcStatusField);
    nmea.AddField(TNMEADecoding::kRMC, blocks.rmc.speedKnots, fkSingle, TNMEADecoding::kRmcSpeedField);
    nmea.AddField(TNMEADecoding::kRMA, blocks.rma.speedKnots, fkSingle, TNMEADecoding::kRmaSpeedField);
}

void BM_DecodeSentence(benchmark::State& state, const std::string& line)
{
    TGPSClock::Instance();
    TGPSFix fix;
    TNmeaBlocks blocks;
    TNMEADecoding nmea(fix, blocks);
    RegisterLikeTheLink(nmea, blocks);
    for (auto _ : state) {
        const bool ok = nmea.Match(line) && nmea.Decode(line);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(fix.groundSpeed);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(line.size()));
}
BENCHMARK_CAPTURE(BM_DecodeSentence, VTG, kVtg);
BENCHMARK_CAPTURE(BM_DecodeSentence, RMC, kRmc);

// The whole receive path: port read, line split, every decoder tried, hooks run.
void BM_ReceivePath(benchmark::State& state)
{
    TGPSClock::Instance();
    FakeSerialLibrary serial;
    serial.AddPort(0);
    TPeloCom link(serial);
    link.InitLink();
    link.SetPortName("COM1");
    link.OpenLink();
    for (auto _ : state) {
        serial.Feed(0, kSecondOfTraffic);
        while (link.Poll()) {
        }
    }
    state.SetItemsProcessed(link.DecodedCount());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kSecondOfTraffic.size()));
}
BENCHMARK(BM_ReceivePath);

void BM_BuildOrvSentence(benchmark::State& state)
{
    TGPSClock::Instance();
    TGuidanceChannels channels;
    channels.SetLocal(gchRunState, 1);
    channels.SetLocal(gchGateStatus, 21);
    channels.SetLocal(gchAppRate, 120.5);
    channels.SetLocal(gchSwathWidth, 18.0);
    channels.SetLocal(gchSpeed, 40.0);
    channels.SetRemoteDisabledMask(0x20);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildOrvSentence(OutgoingOrvFields(channels)));
}
BENCHMARK(BM_BuildOrvSentence);

} // namespace
