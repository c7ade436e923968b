#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

namespace orv {

// Short jobs that worker threads hand to the main thread and wait for.
//
// A job is queued and the main thread is woken through the Qt event loop;
// every wait on the main thread that belongs to the link (the search's waits,
// CloseLink's wait for its threads, the GPIO board's settling waits) also
// serves the queue directly. Jobs never wait themselves, so a job can never
// find itself nested inside a wait that waits for its own thread. A worker
// that is told to stop while its job is still queued withdraws the job and
// returns, so a link closed or destroyed while a worker waits cannot
// deadlock.
class TMainThreadCalls {
public:
    // True on the main thread (the Qt application's thread, or before any
    // application exists the thread that first called MarkMainThread).
    static bool OnMainThread();
    static void MarkMainThread();

    // Runs job on the main thread and waits for it. Returns false when the
    // job was withdrawn because cancel became true before it started.
    // On the main thread the job runs at once.
    static bool Call(const std::function<void()>& job, const std::atomic<bool>& cancel);

    // Main thread: runs every queued job. Returns the number run.
    static int ServePending();
    static int PendingCount();

    // Main-thread waits. Both serve queued jobs all the while and measure
    // time on the high-resolution clock.
    // WaitServing: nothing but the jobs is served (safe inside a job).
    static void WaitServing(int64_t ms);
    // WaitPumping: the event loop runs too (TGPSClock::Delay with pump).
    // Returns true when cut short because the application is terminating.
    static bool WaitPumping(int64_t ms);
    // Serves jobs until done() is true; no clock involved.
    static void ServeUntil(const std::function<bool()>& done);
};

} // namespace orv
