#pragma once
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace orv {

// Wakes every 100 ms and hands the idle tick to the main thread. It touches
// nothing itself; at most one tick waits in the main thread's queue.
class TAppIdleThread : public QObject {
    Q_OBJECT
public:
    explicit TAppIdleThread(std::function<void()> tick, QObject* parent = nullptr);
    ~TAppIdleThread() override;

    void Resume();
    // Ends the thread and waits for it.
    void Terminate();
    bool Running() const { return fThread.joinable(); }

private:
    void Execute();
    void RunTick();

    std::function<void()> fTick;
    std::thread fThread;
    std::mutex fMutex;
    std::condition_variable fWake;
    bool fTerminated = false;
    std::atomic<bool> fTickQueued{false};
};

} // namespace orv
