// The controller link: from a frame written by orvane-sim to its record in
// the CAN queue, per link kind; and the parsers' throughput.
#include "link/AdapterFrame.h"
#include "link/DVIOController.h"
#include "link/GpioFrame.h"
#include "link/MainThreadCall.h"
#include "link/SerialFrame.h"
#include "tests/support/SimProcess.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace {

using namespace orv;
using Clock = std::chrono::steady_clock;

// Status frames as the simulator's raw command writes them, with the frame
// number in D0 and D1. Written out byte by byte here so the benchmark does
// not lean on the builders it measures.
std::string HexOf(unsigned v)
{
    char s[4];
    std::snprintf(s, sizeof s, "%02X", v & 0xFF);
    return s;
}

std::string RawGpio(unsigned n)
{
    // F9 21 10 2A (checksum) | 00 00 08 80 | 03 00 08 00 | n0 n1 00 00 | 00 00 00 00 | 9F
    std::string hex = "F9 21 10 2A 00 00 08 80 03 00 08 00 " + HexOf(n) + " " + HexOf(n >> 8);
    return hex + " 00 00 00 00 00 00 9F";
}

std::string RawText(const std::string& text)
{
    std::string hex;
    for (unsigned char c : text)
        hex += (hex.empty() ? "" : " ") + HexOf(c);
    return hex;
}

std::string RawAdapter(unsigned n)
{
    return RawText("T000800038" + HexOf(n) + HexOf(n >> 8) + "000000000000\r");
}

std::string RawSerial(unsigned n)
{
    std::string line = "#03," + HexOf(n) + "," + HexOf(n >> 8) + ",00,00,00,00,00,00,";
    unsigned sum = 0;
    for (unsigned char c : line)
        sum += c;
    return RawText(line + HexOf(sum) + "\r\n");
}

struct KindSetup {
    const char* simName;
    uint8_t kind;
    std::string (*raw)(unsigned);
};
const KindSetup kKinds[] = {{"gpio", 0, RawGpio}, {"serial", 2, RawSerial}, {"usbcan", 4, RawAdapter}};

void BM_FrameToCanQueue(benchmark::State& state)
{
    const KindSetup& k = kKinds[state.range(0)];
    test::SimProcess sim({"--link", k.simName, "--port", "0"});
    if (!sim.Ready()) {
        state.SkipWithError(("simulator: " + sim.StartError()).c_str());
        return;
    }
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    auto link = std::make_unique<TDVIOController>(DefaultSerialLibrary(), k.kind);
    link->SetCanPingRecord(MakeCanRecord(CanIdentifier(kStatusRequestCode, 0)));
    link->SetPortNumber(0);
    link->OpenLink(9);
    unsigned n = 0;
    double commandMs = 0;
    for (auto _ : state) {
        ++n;
        // Frames arrive at any moment of the reader's 50 ms poll, not right
        // after a read: start at a spread of phases.
        const auto phase = std::chrono::milliseconds((n * 37) % 61);
        const auto resume = Clock::now() + phase;
        while (Clock::now() < resume) {
            TMainThreadCalls::ServePending();
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        while (link->PopCanFrame(1)) {
        } // the pings' answers
        const std::string command = "raw " + k.raw(n);
        const auto start = Clock::now();
        sim.Command(command);
        commandMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        bool seen = false;
        while (!seen && Clock::now() - start < std::chrono::seconds(2)) {
            TMainThreadCalls::ServePending();
            while (auto r = link->PopCanFrame(1))
                if ((r->DataLow & 0xFFFF) == (n & 0xFFFF))
                    seen = true;
            if (!seen) // leave the cores to the link's threads and the simulator
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!seen) {
            state.SkipWithError("a frame did not arrive within 2 s");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    link->CloseLink();
    state.SetLabel(k.simName);
    // The part spent getting the command to the simulator and its answer back.
    state.counters["command_ms"] = benchmark::Counter(commandMs / std::max<double>(1, double(n)));
}
BENCHMARK(BM_FrameToCanQueue)->DenseRange(0, 2)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

std::vector<uint8_t> GpioStream(size_t frames)
{
    std::vector<uint8_t> all;
    for (size_t i = 0; i < frames; ++i) {
        const auto rec = MakeCanRecord(CanIdentifier(0x03, 1), static_cast<uint32_t>(i)).ToBytes();
        const auto f = BuildGpioFrame(gtCan1, rec.data(), rec.size());
        all.insert(all.end(), f.begin(), f.end());
        all.push_back(0x00); // a stray byte between frames
    }
    return all;
}

void BM_ParseGpioBuffer(benchmark::State& state)
{
    const auto stream = GpioStream(180); // just under the 4096-byte receive buffer
    std::vector<uint8_t> buffer(kGpioRxBufferSize);
    std::vector<TGpioMessage> out;
    for (auto _ : state) {
        std::copy(stream.begin(), stream.end(), buffer.begin());
        out.clear();
        benchmark::DoNotOptimize(ParseGpioBuffer(buffer.data(), stream.size(), out));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * 180);
}
BENCHMARK(BM_ParseGpioBuffer);

void BM_ParseAdapterText(benchmark::State& state)
{
    std::string stream;
    for (int i = 0; i < 300; ++i)
        stream += "z\r" + BuildAdapterFrame(MakeCanRecord(CanIdentifier(0x03, 1), static_cast<uint32_t>(i)));
    for (auto _ : state) {
        std::string text = stream;
        TAdapterParse result;
        ParseAdapterText(text, result);
        benchmark::DoNotOptimize(result.Records.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * 300);
}
BENCHMARK(BM_ParseAdapterText);

void BM_ParseSerialText(benchmark::State& state)
{
    std::string stream;
    for (int i = 0; i < 250; ++i) {
        std::string line = "#03," + HexByte(static_cast<uint8_t>(i)) + ",00,00,00,00,00,00,00,";
        stream += line + HexByte(SerialChecksum(line)) + "\r\n";
    }
    for (auto _ : state) {
        std::string text = stream;
        TSerialParse result;
        ParseSerialText(text, result);
        benchmark::DoNotOptimize(result.Records.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * 250);
}
BENCHMARK(BM_ParseSerialText);

} // namespace
