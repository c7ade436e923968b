#pragma once
#include <string>

namespace orv::sim {

// Path of port number N in a ports folder: DIR/COM<N+1>.
std::string PortLinkPath(const std::string& dir, int number);
// Whether DIR/COM<N+1> exists and leads to a live device (a dangling link
// left by a killed simulator does not count).
bool PortNameTaken(const std::string& dir, int number);

// One simulated serial port: a pseudo-terminal whose slave side appears in the
// ports folder as the symlink COM<N+1>. Unplugging closes the pseudo-terminal
// (its device node vanishes, an open slave sees a hang-up) and removes the link.
class TPtyPort {
public:
    TPtyPort(std::string dir, int number);
    ~TPtyPort();
    TPtyPort(const TPtyPort&) = delete;
    TPtyPort& operator=(const TPtyPort&) = delete;

    // Opens a fresh pseudo-terminal and creates the link. A dangling link of
    // the same name is replaced; a live one is an error (another process
    // serves that port).
    bool Plug(std::string& error);
    // Removes the link (only while it is still ours) and closes the terminal.
    void Unplug();
    bool Plugged() const { return fMaster >= 0; }

    int Number() const { return fNumber; }
    std::string Name() const { return "COM" + std::to_string(fNumber + 1); }
    const std::string& LinkPath() const { return fLinkPath; }
    const std::string& TtyPath() const { return fTtyPath; }
    int MasterFd() const { return fMaster; }

    // Reads what the application wrote; false when the terminal failed.
    bool ReadAvailable(std::string& out);
    // Writes without blocking; false when the bytes could not all be written
    // (nobody drains the port, or it is unplugged).
    bool Write(const std::string& bytes);
    // Stops (or restarts) the application's output on the slave side, so its
    // writes block once they are issued.
    void SetOutputStopped(bool stopped);
    // "115200 8N1" as the application set the line up.
    std::string LineSettings() const;

private:
    std::string fDir;
    int fNumber;
    std::string fLinkPath;
    std::string fTtyPath;
    int fMaster = -1;
    int fSlave = -1;  // held open so the master never sees a hang-up between opens
};

} // namespace orv::sim
