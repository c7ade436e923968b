#pragma once
#include <string>
#include <vector>

namespace orv::sim {

// A Unix stream socket on which other programs send commands, one per line,
// and get one answer line each. The socket file is removed on destruction.
class TControlSocket {
public:
    TControlSocket() = default;
    ~TControlSocket();
    TControlSocket(const TControlSocket&) = delete;
    TControlSocket& operator=(const TControlSocket&) = delete;

    // A stale socket file (nobody listening) is replaced; anything else at
    // the path is an error.
    bool Listen(const std::string& path, std::string& error);
    int ListenFd() const { return fListen; }
    const std::vector<int>& Clients() const { return fClients; }

    void Accept();
    // Complete lines received from a client; false when the client went away
    // (it is then closed and forgotten).
    bool ReadLines(int client, std::vector<std::string>& lines);
    void Reply(int client, const std::string& line);

    // Client side: sends one command and returns the answer line.
    static bool SendCommand(const std::string& path, const std::string& command, std::string& answer,
        std::string& error);

private:
    void Drop(int client);

    std::string fPath;
    int fListen = -1;
    std::vector<int> fClients;
    std::vector<std::string> fPending;  // partial line per client, same order as fClients
};

} // namespace orv::sim
