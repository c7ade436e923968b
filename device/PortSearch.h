#pragma once
#include "link/CanRecord.h"
#include "platform/SerialPort.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace orv {

class TDVIOController;

// Finds the serial port of the wanted link kind: either re-verifies the
// remembered port on the link in use, or opens every port of the machine at
// once, each on a link object of its own, and keeps the first that verifies.
// Main thread only; its waits keep the pingers' requests served.
class TPortSearch {
public:
    // Search time per comm target 0..5.
    static int SearchTimeMs(int target);
    static constexpr int kVerifyKnownPortMs = 2000;
    static constexpr int kListSettleMs = 500;
    static constexpr int kCheckEveryMs = 50;

    explicit TPortSearch(ISerialLibrary& sio);
    ~TPortSearch();

    // The one entry point. target 0..5; lastOrvPort is read for the odd
    // targets and written by the even ones (255 when nothing answered);
    // canport is the link in use, which the odd targets verify.
    // False at once while a search is already running.
    bool FindCommTarget(int target, uint8_t& lastOrvPort, TDVIOController* canport);
    bool Running() const { return fRunning; }

    bool VerifyKnownPort(int target, uint8_t port, TDVIOController* canport);
    bool FindAvailableCurrentCommTarget(int target, uint8_t& lastOrvPort);
    bool FindVerifiedPortByPing(int target, uint8_t& lastOrvPort);
    // Ports 0..254 that open with small queues.
    std::vector<int> ListPorts();
    // True when the port can be opened (it is closed again at once).
    bool ProbePort(int port);
    void ReleaseSearchLinks();

    // The "Status Request" to board 0 every link of the search pings with.
    static TCanRecord CanPingRecord();

    // The search's waits (default: serve the workers and the event loop).
    using WaitHook = std::function<void(int ms)>;
    void SetWaitHook(WaitHook hook) { fWait = std::move(hook); }
    // Asked before and after each wait: true ends the search or the check at
    // once, as if nothing had answered (the owner has something more urgent
    // to do with the links, which must not happen inside the search).
    using StopHook = std::function<bool()>;
    void SetStopHook(StopHook hook) { fStop = std::move(hook); }
    // Ends the running search at its next wait (its link was taken away).
    void Stop() { fStopNow = fRunning; }
    const std::vector<std::pair<int, std::unique_ptr<TDVIOController>>>& SearchLinks() const { return fLinks; }
    // The search link being closed right now, if any.
    const TDVIOController* Closing() const { return fClosing; }

private:
    // True when the wait was cut short: the application is stopping, or the
    // owner asked the search to stop.
    bool Wait(int ms);
    bool StopAsked() const { return fStopNow || (fStop && fStop()); }

    ISerialLibrary& fSio;
    bool fRunning = false;
    std::vector<std::pair<int, std::unique_ptr<TDVIOController>>> fLinks;
    const TDVIOController* fClosing = nullptr;
    WaitHook fWait;
    StopHook fStop;
    bool fStopNow = false;
};

} // namespace orv
