#pragma once
#include "device/DeviceModel.h"
#include "device/DvioLinkAdapter.h"
#include "device/PortSearch.h"
#include "link/DVIOController.h"
#include "platform/SerialPort.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

// The gate controller device model: the boards' state and commands (from
// TDeviceModel), the link it owns and the search for that link's port.
// Main thread only (LinkKindForLog excepted).
class OrvaneVEDOController : public TDeviceModel {
public:
    explicit OrvaneVEDOController(ISerialLibrary& sio = DefaultSerialLibrary());
    // Closes and frees the link in use.
    ~OrvaneVEDOController() override;
    OrvaneVEDOController(const OrvaneVEDOController&) = delete;
    OrvaneVEDOController& operator=(const OrvaneVEDOController&) = delete;

    // The link in use. Replacing it closes and frees the previous one;
    // nullptr leaves the model without a link.
    void SetCanport(std::unique_ptr<TDVIOController> link);
    TDVIOController* Canport() const { return fCanport.get(); }
    // A fresh, unopened link on the model's serial library, of the current
    // target's kind (so the log goes to that kind's file at once).
    std::unique_ptr<TDVIOController> NewCanport() const;
    // Closes and replaces the link in use by a fresh one.
    void ReplaceCanport() { SetCanport(NewCanport()); }

    bool LinkHealthy() const { return fCanport && fCanport->LinkHealthy(); }
    // 0x01 serial, 0x02 GPIO, 0x04 CAN, 0x08 USB-to-CAN ping failed,
    // 0x10 send, 0x20 receive watchdog, 0x40 not healthy; 0 without a link.
    uint8_t LinkFailureFlags() const;
    // The link kind for choosing the log file: -1 without a link, else the
    // current target's kind (the kind of every link the model works with).
    // Safe from any thread.
    int LinkKindForLog() const { return fLogKind; }

    int CurrentCommTarget() const { return fCurrentCommTarget; }
    // Ignored while the port is locked.
    void SetCurrentCommTarget(int target);
    int LastOrvPort() const { return fLastOrvPort; }
    void SetLastOrvPort(int port) { fLastOrvPort = static_cast<uint8_t>(port); }
    bool PortLocked() const { return fPortLocked; }
    void SetPortLocked(bool locked) { fPortLocked = locked; }

    // The search (see TPortSearch): odd targets verify LastOrvPort on the
    // link in use, even ones search every port and set LastOrvPort.
    bool FindCommTarget();
    bool VerifyKnownPort();
    bool FindAvailableCurrentCommTarget();
    bool FindVerifiedPortByPing();
    std::vector<int> ListPorts() { return fSearch.ListPorts(); }
    bool ProbePort(int port) { return fSearch.ProbePort(port); }
    bool SearchRunning() const { return fSearch.Running(); }
    TPortSearch& Search() { return fSearch; }

private:
    void UpdateLogKind();

    ISerialLibrary& fSio;
    std::unique_ptr<TDVIOController> fCanport;
    // Links replaced while a search ran, closed but kept until it returns.
    std::vector<std::unique_ptr<TDVIOController>> fReplacedDuringSearch;
    TDvioLinkAdapter fLinkAdapter;
    TPortSearch fSearch;
    int fCurrentCommTarget = 1;
    uint8_t fLastOrvPort = TDVIOController::kNoPort;
    bool fPortLocked = false;
    std::atomic<int> fLogKind{-1};
};

} // namespace orv
