#pragma once
#include <memory>
#include <string>
#include <vector>

#include "sim/ControlSocket.h"
#include "sim/NavSource.h"
#include "sim/Noise.h"
#include "sim/PtyPort.h"
#include "sim/SimBus.h"
#include "sim/SimLink.h"
#include "sim/SimLog.h"
#include "sim/SimOptions.h"

namespace orv::sim {

// The running simulator: the served port with its link and boards, the
// navigation port, the decoy ports, the fault switches and the timed
// commands, all driven by one poll loop whose time hook moves the gates and
// sends what is due.
class TSimulator {
public:
    TSimulator(TSimOptions options, TSimLog& log);
    ~TSimulator();

    // Creates the ports folder, every port and the control socket.
    bool Start(std::string& error);
    // "READY link=usbcan port=2 path=... boards=0 decoys=0:silent,1:garbage"
    std::string ReadyLine() const;
    // Serves until "quit" or a termination signal; returns the exit code.
    int Run();

    // What the commands act on.
    std::string Execute(const std::string& line);
    bool Unplug(std::string& error);
    bool Plug(std::string& error);
    void SetSilence(bool on);
    void SetGarbage(bool on);
    void SetStall(bool on);
    void Schedule(double delaySeconds, const std::string& command);
    void RequestQuit() { fQuit = true; }
    TSimBus& Bus() { return fBus; }
    // Without a controller link (--link none) there is no link and no port.
    bool HasLink() const { return fLink != nullptr; }
    TSimLink& Link() { return *fLink; }
    // The navigation source, or nullptr.
    TNavSource* Nav() { return fNav.get(); }
    void SetStatusRate(double perSecond);
    bool WriteRaw(const std::string& bytes, std::string& error);
    std::string StatusLine() const;

private:
    struct TDecoy {
        TDecoyKind Kind;
        std::unique_ptr<TPtyPort> Port;
        TNoise Noise;
    };
    struct TTimed {
        double At;
        std::string Command;
    };

    bool PlaceDecoys(std::string& error);
    bool StartNav(std::string& error);
    bool StartBoards(std::string& error);
    bool RunStartCommands(std::string& error);
    int LowestFreePort(const std::vector<int>& taken) const;
    std::vector<int> TakenPorts() const;
    // The time hook: gates move, periodic reports and navigation sentences go out.
    void Tick();
    void SendPeriodicStatus(double now);
    void SaveStateWhenChanged(bool force);
    void ServeOnce();
    void ReadServed();
    void ReadDecoy(TDecoy& decoy);
    void EmitNoise();
    void RunDueCommands();
    void HandleInputLine(const std::string& line, int client);
    void ReadStdin();
    void Log(const std::string& text);

    TSimOptions fOptions;
    TSimLog& fLog;
    TSimBus fBus;
    std::unique_ptr<TPtyPort> fPort;
    std::unique_ptr<TSimLink> fLink;
    std::unique_ptr<TNavSource> fNav;
    std::vector<TDecoy> fDecoys;
    TNoise fNoise;
    TControlSocket fControl;
    std::vector<TTimed> fTimed;
    bool fSilenced = false;
    bool fGarbage = false;
    bool fStalled = false;
    bool fLineSettingsLogged = false;
    bool fQuit = false;
    bool fStdinOpen = true;
    std::string fStdinText;
    double fNextNoise = 0;
    double fLastTick = 0;
    double fStatusRate = 0;
    double fNextStatus = 0;
    std::string fSavedState;
    double fNextStateCheck = 0;
    bool fWriteFailing = false;
};

} // namespace orv::sim
