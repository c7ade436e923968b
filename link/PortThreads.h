#pragma once
#include "link/LinkEvent.h"
#include "platform/Thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace orv {

class TDVIOController;

// A worker thread of one link: created suspended, resumed by OpenLink, and
// run until it is told to terminate or finds its link unusable. Each waits on
// its own wake event with a time-out.
class TPortNamedThread {
public:
    TPortNamedThread(TDVIOController& owner, int port, std::string name, std::string osName,
                     TThreadPriority priority, std::string eventName, int waitMs);
    virtual ~TPortNamedThread();
    TPortNamedThread(const TPortNamedThread&) = delete;
    TPortNamedThread& operator=(const TPortNamedThread&) = delete;

    // Creates the operating-system thread, suspended.
    void Start();
    void Resume();
    bool Suspended() const;
    // Asks the loop to end and wakes it.
    void Terminate();
    bool Terminated() const { return fTerminated; }
    const std::atomic<bool>& TerminatedFlag() const { return fTerminated; }
    // The loop has ended (or never ran).
    bool Finished() const { return fFinished; }
    void Join();

    const std::string& Name() const { return fName; }
    const std::string& OsName() const { return fOsName; }
    int PortNumber() const { return fPort; }
    TLinkEvent& Event() { return fEvent; }
    int WaitMs() const { return fWaitMs; }
    void SetWaitMs(int ms) { fWaitMs = ms; }

protected:
    virtual void Execute() = 0;
    TDVIOController& fOwner;

private:
    void Run();

    int fPort;
    std::string fName;
    std::string fOsName;
    TThreadPriority fPriority;
    TLinkEvent fEvent;
    std::atomic<int> fWaitMs;
    std::thread fThread;
    mutable std::mutex fMutex;
    std::condition_variable fCond;
    bool fStarted = false;
    bool fResumed = false;
    std::atomic<bool> fTerminated{false};
    std::atomic<bool> fFinished{false};
};

// Moves parsed messages into the link's queues and flags.
class TProcessStackThread final : public TPortNamedThread {
public:
    TProcessStackThread(TDVIOController& owner, int port);
protected:
    void Execute() override;
};

// Cuts received bytes into messages when the reader signals.
class TDVIO_Parser final : public TPortNamedThread {
public:
    TDVIO_Parser(TDVIOController& owner, int port);
    // Whom to wake when GPIO messages were emitted.
    void SetOutputEvent(TLinkEvent* event) { fOutput = event; }
protected:
    void Execute() override;
private:
    TLinkEvent* fOutput = nullptr;
};

// Writes the queued frames and texts.
class TPortWriteSerialThread final : public TPortNamedThread {
public:
    TPortWriteSerialThread(TDVIOController& owner, int port);
    bool Running() const { return fRunning; }
protected:
    void Execute() override;
private:
    std::atomic<bool> fRunning{false};
};

// Reads the bytes waiting at the port.
class TPortReadThread final : public TPortNamedThread {
public:
    TPortReadThread(TDVIOController& owner, int port);
protected:
    void Execute() override;
};

// Runs the ping logic on the main thread at the ping interval.
class TPingThread final : public TPortNamedThread {
public:
    TPingThread(TDVIOController& owner, int port, int intervalMs);
protected:
    void Execute() override;
};

} // namespace orv
