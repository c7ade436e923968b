// The controller link: from a frame written by orvane-sim to its record in
// the CAN queue, per link kind; and the parsers' throughput.
#include "device/OrvaneVEDOController.h"
#include "device/PortSearch.h"
#include "link/AdapterFrame.h"
#include "link/DVIOController.h"
#include "link/GpioFrame.h"
#include "link/MainThreadCall.h"
#include "link/SerialFrame.h"
#include "nav/GPSClock.h"
#include "tests/support/SimProcess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// ---- a moving dual gate on the adapter ---------------------------------

// The port as the program sees it, noting when each Control Message's bytes
// have been handed to the device: the frame is then on the wire.
class TWireStamps final : public ISerialLibrary {
public:
    struct Frame {
        int board;
        int position;
        Clock::time_point at;
    };
    explicit TWireStamps(ISerialLibrary& port) : fPort(port) {}

    std::vector<Frame> Frames() const
    {
        std::lock_guard lock(fMutex);
        return fFrames;
    }

    int SioPuts(int port, const char* buf, int n) override
    {
        const int written = fPort.SioPuts(port, buf, n);
        const auto at = Clock::now();
        // "T" + identifier (8 hex) + "8" + D0..D7 (16 hex) + CR.
        const std::string text(buf, static_cast<size_t>(std::max(0, written)));
        std::lock_guard lock(fMutex);
        for (size_t t = text.find('T'); t != std::string::npos && t + 26 <= text.size(); t = text.find('T', t + 1)) {
            const uint32_t id = HexValue(std::string_view(text).substr(t + 1, 8));
            if (CanMessageCode(id) != kControlMessageCode)
                continue;
            const int position = static_cast<int>(HexValue(std::string_view(text).substr(t + 10, 2)) |
                                                  HexValue(std::string_view(text).substr(t + 12, 2)) << 8);
            fFrames.push_back({CanBoard(id), position, at});
        }
        return written;
    }
    int SioReset(int port, int rx, int tx) override { return fPort.SioReset(port, rx, tx); }
    int SioDone(int port) override { return fPort.SioDone(port); }
    int SioBaud(int port, int code) override { return fPort.SioBaud(port, code); }
    int SioParms(int port, int parity, int stop, int bits) override { return fPort.SioParms(port, parity, stop, bits); }
    int SioFlow(int port, char flow) override { return fPort.SioFlow(port, flow); }
    int SioDTR(int port, char cmd) override { return fPort.SioDTR(port, cmd); }
    int SioRTS(int port, char cmd) override { return fPort.SioRTS(port, cmd); }
    int SioRxClear(int port) override { return fPort.SioRxClear(port); }
    int SioTxClear(int port) override { return fPort.SioTxClear(port); }
    int SioSetTimeouts(int port, int a, int b, int c, int d, int e) override
    {
        return fPort.SioSetTimeouts(port, a, b, c, d, e);
    }
    int SioStatus(int port, int mask) override { return fPort.SioStatus(port, mask); }
    int SioRxQue(int port) override { return fPort.SioRxQue(port); }
    int SioGets(int port, char* buf, int n) override { return fPort.SioGets(port, buf, n); }
    int SioSetInteger(int port, int param, int value) override { return fPort.SioSetInteger(port, param, value); }

private:
    ISerialLibrary& fPort;
    mutable std::mutex fMutex;
    std::vector<Frame> fFrames;
};

struct TCommand {
    int board;
    int position;
    Clock::time_point at;
};

// Milliseconds from each commanded position to the first frame on the wire
// that carries it or a newer one of the same board (the gate only needs the
// latest); commands nothing newer reached the wire for are left out.
std::vector<double> CommandToWireMs(const std::vector<TCommand>& commands, const std::vector<TWireStamps::Frame>& frames)
{
    std::vector<double> ms;
    for (int board : {1, 2}) {
        std::vector<TCommand> mine;
        for (const auto& c : commands)
            if (c.board == board)
                mine.push_back(c);
        size_t served = 0; // commands before this index are on the wire
        for (const auto& f : frames) {
            if (f.board != board)
                continue;
            // The newest command issued before the frame that it carries.
            size_t carried = mine.size();
            for (size_t k = mine.size(); k-- > served;)
                if (mine[k].at <= f.at && mine[k].position == f.position) {
                    carried = k;
                    break;
                }
            if (carried == mine.size())
                continue;
            for (; served <= carried; ++served)
                ms.push_back(std::chrono::duration<double, std::milli>(f.at - mine[served].at).count());
        }
    }
    return ms;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5))];
}

// Both boards of a dual gate armed under CAN control with the pilot switch
// on, reporting on their own ten times a second besides answering the status
// poll; the program's timers are played by this thread: the controller poll
// every 10 ms (status requests ten a second, position following) and the
// quantity loop every 20 ms, which moves both gates 6 counts per step.
void BM_AdapterDualGatePositionToWire(benchmark::State& state)
{
    std::vector<std::string> args = {"--link", "usbcan", "--port", "0", "--boards", "2", "--status-rate", "10"};
    for (const char* board : {"1", "2"})
        for (const char* field : {"armed", "cancontrol", "pilot"})
            for (const std::string& a : {std::string("--run"), std::string("board ") + board + " " + field + " on"})
                args.push_back(a);
    test::SimProcess sim(args);
    if (!sim.Ready()) {
        state.SkipWithError(("simulator: " + sim.StartError()).c_str());
        return;
    }
    test::ScopedEnv ports("ORVANE_PORTS", sim.PortsDir());
    TMainThreadCalls::MarkMainThread();
    TWireStamps wire(DefaultSerialLibrary());
    OrvaneVEDOController model(wire);
    bool polling = false;
    auto poll = [&] {
        if (polling)
            return;
        polling = true;
        model.PollController();
        polling = false;
    };
    TGPSClock::SetPumpHook([&] {
        TMainThreadCalls::ServePending();
        poll();
        return false;
    });
    for (int board : {1, 2})
        model.SetZeroPosition(board, 150);
    model.SetCurrentCommTarget(lkUsbCanKnown);
    model.SetCanport(model.NewCanport());
    TDVIOController& link = *model.Canport();
    link.SetCanPingRecord(TPortSearch::CanPingRecord());
    link.SetPortNumber(0);
    link.OpenLink(9);

    auto serveFor = [&](std::chrono::milliseconds span, const std::function<bool()>& done) {
        const auto until = Clock::now() + span;
        while (Clock::now() < until && !done()) {
            TMainThreadCalls::ServePending();
            poll();
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return done();
    };
    const bool ready = serveFor(std::chrono::seconds(10), [&] {
        const auto& s = model.State();
        return link.LinkVerified() && s.Present(1) && s.Present(2) && s.armed && s.underCanControl;
    });
    if (!ready) {
        TGPSClock::SetPumpHook(nullptr);
        state.SkipWithError("the dual gate did not come up on the adapter within 10 s");
        return;
    }

    std::vector<TCommand> commands;
    const auto wireBefore = wire.Frames().size();
    for (auto _ : state) {
        // Ten seconds of motion: triangle waves between 300 and 800, the
        // right gate half a sweep behind the left.
        const auto start = Clock::now();
        auto nextPoll = start;
        auto nextStep = start;
        int step = 0;
        while (Clock::now() - start < std::chrono::seconds(10)) {
            const auto now = Clock::now();
            if (now >= nextStep) {
                for (int board : {1, 2}) {
                    const int phase = (step * 6 + (board == 2 ? 500 : 0)) % 1000;
                    const int position = 300 + (phase < 500 ? phase : 1000 - phase);
                    model.setPos(board, position);
                    commands.push_back({board, position, Clock::now()});
                }
                ++step;
                nextStep += std::chrono::milliseconds(20);
            }
            if (now >= nextPoll) {
                poll();
                nextPoll += std::chrono::milliseconds(10);
            }
            TMainThreadCalls::ServePending();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        // Let the last commands reach the wire.
        serveFor(std::chrono::milliseconds(300), [] { return false; });
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    auto frames = wire.Frames();
    frames.erase(frames.begin(), frames.begin() + static_cast<long>(wireBefore));
    const std::vector<double> ms = CommandToWireMs(commands, frames);
    TGPSClock::SetPumpHook(nullptr);
    model.SetCanport(nullptr);

    state.SetLabel("usbcan, 2 boards, 50 Hz commands, 10 Hz poll");
    state.counters["commands"] = benchmark::Counter(static_cast<double>(commands.size()));
    state.counters["served"] = benchmark::Counter(static_cast<double>(ms.size()));
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames.size()));
    state.counters["p50_ms"] = benchmark::Counter(Percentile(ms, 0.50));
    state.counters["p95_ms"] = benchmark::Counter(Percentile(ms, 0.95));
    state.counters["max_ms"] = benchmark::Counter(Percentile(ms, 1.0));
}
BENCHMARK(BM_AdapterDualGatePositionToWire)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

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
