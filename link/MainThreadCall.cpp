#include "link/MainThreadCall.h"

#include "nav/GPSClock.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace orv {

namespace {

enum class JobState { Queued, Running, Done, Withdrawn };

struct Job {
    std::function<void()> fn;
    JobState state = JobState::Queued;
};

std::mutex gMutex;                 // guards the queue and every job's state
std::condition_variable gChanged;  // a job finished, or a job was queued
std::deque<std::shared_ptr<Job>> gQueue;
std::atomic<bool> gMainMarked{false};
std::thread::id gMainId;

void WakeMainThread()
{
    if (auto* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { TMainThreadCalls::ServePending(); }, Qt::QueuedConnection);
}

} // namespace

void TMainThreadCalls::MarkMainThread()
{
    if (QCoreApplication::instance() || gMainMarked.exchange(true))
        return;
    gMainId = std::this_thread::get_id();
}

bool TMainThreadCalls::OnMainThread()
{
    if (auto* app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    return gMainMarked && std::this_thread::get_id() == gMainId;
}

bool TMainThreadCalls::Call(const std::function<void()>& fn, const std::atomic<bool>& cancel)
{
    if (OnMainThread()) {
        fn();
        return true;
    }
    auto job = std::make_shared<Job>();
    job->fn = fn;
    {
        std::lock_guard lock(gMutex);
        gQueue.push_back(job);
    }
    gChanged.notify_all();
    WakeMainThread();
    std::unique_lock lock(gMutex);
    for (;;) {
        if (job->state == JobState::Done)
            return true;
        if (job->state == JobState::Queued && cancel) {
            job->state = JobState::Withdrawn;
            return false;
        }
        // A running job always finishes: jobs never wait for a worker.
        gChanged.wait_for(lock, std::chrono::milliseconds(5));
    }
}

int TMainThreadCalls::ServePending()
{
    int run = 0;
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard lock(gMutex);
            while (!gQueue.empty() && !job) {
                job = std::move(gQueue.front());
                gQueue.pop_front();
                if (job->state != JobState::Queued)
                    job.reset();
            }
            if (!job)
                return run;
            job->state = JobState::Running;
        }
        try {
            job->fn();
        } catch (...) {
            // a job's failure is its own to report; it must not stop the others
        }
        {
            std::lock_guard lock(gMutex);
            job->state = JobState::Done;
            job->fn = nullptr;
        }
        gChanged.notify_all();
        ++run;
    }
}

int TMainThreadCalls::PendingCount()
{
    std::lock_guard lock(gMutex);
    return static_cast<int>(gQueue.size());
}

void TMainThreadCalls::WaitServing(int64_t ms)
{
    auto& clock = TGPSClock::Instance();
    TDeadline until;
    clock.SetDeadline(ms, until);
    do {
        ServePending();
        std::unique_lock lock(gMutex);
        if (gQueue.empty())
            gChanged.wait_for(lock, std::chrono::microseconds(500));
    } while (clock.DeadlineRunning(until));
}

bool TMainThreadCalls::WaitPumping(int64_t ms)
{
    auto& clock = TGPSClock::Instance();
    TDeadline until;
    clock.SetDeadline(ms, until);
    do {
        ServePending();
        if (clock.Delay(1, true))
            return true;
    } while (clock.DeadlineRunning(until));
    ServePending();
    return false;
}

void TMainThreadCalls::ServeUntil(const std::function<bool()>& done)
{
    while (!done()) {
        ServePending();
        std::unique_lock lock(gMutex);
        if (gQueue.empty())
            gChanged.wait_for(lock, std::chrono::milliseconds(1));
    }
}

} // namespace orv
