#pragma once
#include "platform/SerialPort.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace orv {

// Serial ports in memory: a test makes ports exist, feeds the bytes a device
// would send, reads back what was written and makes ports vanish.
class FakeSerialLibrary final : public ISerialLibrary {
public:
    // Called for every write with the port and the bytes, outside the lock;
    // returns the count to report (a hook may block to simulate a stuck port).
    using PutsHook = std::function<int(int port, const std::string& bytes)>;

    void AddPort(int port)
    {
        std::lock_guard lock(fMutex);
        fPorts[port].exists = true;
    }
    // The device is unplugged: every operation on it reports it gone.
    void RemovePort(int port)
    {
        std::lock_guard lock(fMutex);
        fPorts[port].exists = false;
    }
    void Feed(int port, const std::string& bytes)
    {
        std::lock_guard lock(fMutex);
        fPorts[port].rx += bytes;
    }
    std::string Written(int port) const
    {
        std::lock_guard lock(fMutex);
        auto it = fPorts.find(port);
        return it == fPorts.end() ? std::string() : it->second.tx;
    }
    std::vector<std::string> Writes(int port) const
    {
        std::lock_guard lock(fMutex);
        auto it = fPorts.find(port);
        return it == fPorts.end() ? std::vector<std::string>() : it->second.writes;
    }
    size_t WriteCount(int port) const { return Writes(port).size(); }
    void ClearWritten(int port)
    {
        std::lock_guard lock(fMutex);
        fPorts[port].tx.clear();
        fPorts[port].writes.clear();
    }
    bool IsOpen(int port) const
    {
        std::lock_guard lock(fMutex);
        auto it = fPorts.find(port);
        return it != fPorts.end() && it->second.open;
    }
    int OpenCount() const
    {
        std::lock_guard lock(fMutex);
        return static_cast<int>(std::count_if(fPorts.begin(), fPorts.end(), [](auto& e) { return e.second.open; }));
    }
    void SetPutsHook(PutsHook hook)
    {
        std::lock_guard lock(fMutex);
        fPutsHook = std::move(hook);
    }
    // The next SioReset of this port fails with this result (0 = no failure).
    void FailNextReset(int port, int result)
    {
        std::lock_guard lock(fMutex);
        fPorts[port].failReset = result;
    }
    bool ProbeMode() const { return fProbe; }
    // SioReset calls made while the probe mode was on.
    int ProbeResets() const
    {
        std::lock_guard lock(fMutex);
        return fProbeResets;
    }

    int SioReset(int port, int, int) override
    {
        std::lock_guard lock(fMutex);
        if (fProbe)
            ++fProbeResets;
        auto& p = fPorts[port];
        if (p.failReset) {
            const int r = p.failReset;
            p.failReset = 0;
            if (r == kSioAlreadyOpen)
                p.open = true; // held open already: still usable
            return r;
        }
        if (!p.exists)
            return kSioNoSuchPort;
        if (p.open) {
            p.rx.clear();
            return kSioAlreadyOpen;
        }
        p.open = true;
        ++p.opens;
        return kSioOk;
    }
    int SioDone(int port) override
    {
        std::lock_guard lock(fMutex);
        auto& p = fPorts[port];
        if (!p.open)
            return kSioNotOpen;
        p.open = false;
        return kSioOk;
    }
    int SioBaud(int port, int) override { return Check(port); }
    int SioParms(int port, int, int, int) override { return Check(port); }
    int SioFlow(int port, char) override { return Check(port); }
    int SioDTR(int port, char) override { return Check(port); }
    int SioRTS(int port, char) override { return Check(port); }
    int SioRxClear(int port) override
    {
        std::lock_guard lock(fMutex);
        fPorts[port].rx.clear();
        return kSioOk;
    }
    int SioTxClear(int port) override { return Check(port); }
    int SioSetTimeouts(int port, int, int, int, int, int) override { return Check(port); }
    int SioStatus(int port, int mask) override
    {
        const int r = Check(port);
        return r < 0 ? r : 0 & mask;
    }
    int SioRxQue(int port) override
    {
        std::lock_guard lock(fMutex);
        const int r = CheckLocked(port);
        return r < 0 ? r : static_cast<int>(std::min<size_t>(fPorts[port].rx.size(), 512));
    }
    int SioGets(int port, char* buf, int n) override
    {
        std::lock_guard lock(fMutex);
        const int r = CheckLocked(port);
        if (r < 0)
            return r;
        auto& rx = fPorts[port].rx;
        const int k = std::min<int>(n, static_cast<int>(rx.size()));
        std::copy_n(rx.begin(), k, buf);
        rx.erase(0, static_cast<size_t>(k));
        return k;
    }
    int SioPuts(int port, const char* buf, int n) override
    {
        PutsHook hook;
        {
            std::lock_guard lock(fMutex);
            const int r = CheckLocked(port);
            if (r < 0)
                return r;
            hook = fPutsHook;
        }
        const std::string bytes(buf, static_cast<size_t>(n));
        const int result = hook ? hook(port, bytes) : n;
        std::lock_guard lock(fMutex);
        fPorts[port].tx += bytes;
        fPorts[port].writes.push_back(bytes);
        return result;
    }
    int SioSetInteger(int port, int param, int value) override
    {
        if (port == -1 && param == kSioProbeMode)
            fProbe = value != 0;
        return kSioOk;
    }

private:
    struct Port {
        bool exists = false;
        bool open = false;
        int failReset = 0;
        int opens = 0;
        std::string rx, tx;
        std::vector<std::string> writes;
    };
    int Check(int port)
    {
        std::lock_guard lock(fMutex);
        return CheckLocked(port);
    }
    int CheckLocked(int port)
    {
        auto& p = fPorts[port];
        if (!p.exists)
            return p.open ? kSioNoSuchPort : kSioNotOpen;
        return p.open ? kSioOk : kSioNotOpen;
    }

    mutable std::mutex fMutex;
    std::map<int, Port> fPorts;
    PutsHook fPutsHook;
    std::atomic<bool> fProbe{false};
    int fProbeResets = 0;
};

} // namespace orv
