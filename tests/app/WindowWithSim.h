#pragma once
// The real main window, in this process, against orvane-sim: what a pilot
// sees and touches, with the aircraft's hardware simulated on pseudo-terminals.
//
//     test::WindowWithSim w({"--link", "usbcan", "--port", "2", ...}, pmDryMaterial);
//     ASSERT_TRUE(w.Ready()) << w.Why();
//     ASSERT_TRUE(w.ServeUntil([&] { return w.InNominal(); }, 30000));
#include "app/FormCanComport.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TempDir.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

class WindowWithSim {
public:
    // The INI folder is seeded with the factory configuration, `primaryMode`,
    // the controller remembered on a USB-to-CAN adapter at `controllerPort`
    // and a generic GPS receiver on `navPort`; the simulator's arguments
    // decide what answers there.
    WindowWithSim(const std::vector<std::string>& simArgs, int primaryMode, int controllerPort = 2,
                  int navPort = 3);
    ~WindowWithSim();
    WindowWithSim(const WindowWithSim&) = delete;
    WindowWithSim& operator=(const WindowWithSim&) = delete;

    bool Ready() const { return fSim.Ready(); }
    std::string Why() const { return fSim.StartError(); }

    // Creates and shows the window; start-up runs from the event loop.
    TFormCanComport& Open();
    TFormCanComport& Form() { return *fForm; }
    SimProcess& Sim() { return fSim; }
    const TempDir& Home() const { return fHome; }

    // Serves the window's events until `done` holds or `timeoutMs` passes.
    bool ServeUntil(const std::function<bool()>& done, int timeoutMs);
    // Serves the window's events for a while, whatever happens.
    void Serve(int ms);
    bool InNominal() const;

    // The board's commanded set point, as the simulator holds it (-1 unknown).
    int SimSetPoint(int board = 0);

private:
    TempDir fHome;
    TempDir fSysfs;
    SimProcess fSim;
    std::unique_ptr<ScopedEnv> fEnvHome, fEnvPorts, fEnvSysfs;
    std::unique_ptr<TFormCanComport> fForm;
};

} // namespace orv::test
