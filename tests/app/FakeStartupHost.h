#pragma once
#include "app/BusyGuard.h"
#include "app/StartupSequence.h"
#include "link/CanRecord.h"
#include "platform/fake/FakeTimeSource.h"
#include "store/IniFile.h"
#include "tests/support/TempDir.h"

#include <deque>
#include <string>
#include <vector>

namespace orv::test {

// Records what the handlers ask of the application and answers from a script.
class FakeStartupHost : public IStartupHost {
public:
    explicit FakeStartupHost(FakeTimeSource& clock) : fClock(clock), fIni(fDir.File("OrvStartup.ini")) {}

    TMemIniFile& StartupIni() override { return fIni; }
    TRateLimiter& RateLimiter() override { return fLimiter; }
    void SetLastOrvPort(int port) override { lastOrvPort = port; }
    int LastOrvPort() override { return lastOrvPort; }
    void SetCurrentCommTarget(int target) override
    {
        currentCommTarget = target;
        targets.push_back(target);
    }
    int CurrentCommTarget() override { return currentCommTarget; }
    bool FindCommTarget() override
    {
        ++finds;
        bool ok = findResults.empty() ? false : findResults.front();
        if (!findResults.empty())
            findResults.pop_front();
        if (ok && foundPort >= 0)
            lastOrvPort = foundPort;
        return ok;
    }
    bool ReInitializeCanport() override
    {
        ++reinits;
        return true;
    }
    void PollController() override { ++polls; }
    void RequestAllOrvStatus() override { ++statusRequests; }
    bool SettingsReported() override { return settingsReported; }
    bool PortLocked() override { return portLocked; }
    void SetPortLocked(bool locked) override { portLocked = locked; }
    void SetChannelConfig(int channel, int code) override { channelConfigs.push_back({channel, code}); }
    std::string LinkFailureText() override { return "CAN Failed; "; }
    std::string LinkKindName() override { return orv::LinkKindName(currentCommTarget); }
    bool RestartHub() override
    {
        ++hubRestarts;
        return hubRestartResult;
    }
    bool UsbAdapterSeen() override { return usbSeen; }
    void SetUsbAdapterSeen(bool seen) override { usbSeen = seen; }
    bool FailurePageShown() override { return failurePage; }
    void ShowFailurePage(bool) override
    {
        failurePage = true;
        ++failurePagesShown;
    }
    void LeaveFailurePage() override
    {
        failurePage = false;
        ++failurePagesLeft;
    }
    void EnterApplicationError() override { ++applicationErrors; }
    void AddDiagnosticsLine(const std::string& line) override { diagnostics.push_back(line); }
    void EnableCheckCan(bool enabled) override { tickEnabled = enabled; }
    void StartGpsLink() override { ++gpsStarts; }
    void ServiceProbeAndLogger() override { ++probeServices; }
    int DataVaultPort() override { return dataVaultPort; }
    int ReabePort() override { return reabePort; }
    void Delay(int64_t ms) override
    {
        delays.push_back(ms);
        fClock.AdvanceMs(ms);
    }

    TempDir fDir;
    FakeTimeSource& fClock;
    TMemIniFile fIni;
    TRateLimiter fLimiter;

    int lastOrvPort = 255;
    int currentCommTarget = 1;
    std::vector<int> targets;
    std::deque<bool> findResults;
    int foundPort = -1;
    int finds = 0, reinits = 0, polls = 0, statusRequests = 0, hubRestarts = 0;
    int failurePagesShown = 0, failurePagesLeft = 0, applicationErrors = 0, gpsStarts = 0, probeServices = 0;
    bool settingsReported = false, portLocked = false, hubRestartResult = false, usbSeen = false;
    bool failurePage = false, tickEnabled = true;
    int dataVaultPort = 0, reabePort = 0;
    std::vector<std::pair<int, int>> channelConfigs;
    std::vector<std::string> diagnostics;
    std::vector<int64_t> delays;
};

} // namespace orv::test
