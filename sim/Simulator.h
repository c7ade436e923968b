#pragma once
#include <memory>
#include <string>
#include <vector>

#include "sim/ControlSocket.h"
#include "sim/Noise.h"
#include "sim/PtyPort.h"
#include "sim/SimBus.h"
#include "sim/SimLink.h"
#include "sim/SimLog.h"
#include "sim/SimOptions.h"

namespace orv::sim {

// The running simulator: the served port with its link and boards, the decoy
// ports, the fault switches and the timed commands, all driven by one poll loop.
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
    TSimLink& Link() { return *fLink; }
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
};

} // namespace orv::sim
