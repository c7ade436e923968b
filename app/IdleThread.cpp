#include "app/IdleThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <pthread.h>

namespace orv {

TAppIdleThread::TAppIdleThread(std::function<void()> tick, QObject* parent) : QObject(parent), fTick(std::move(tick)) {}

TAppIdleThread::~TAppIdleThread()
{
    Terminate();
}

void TAppIdleThread::Resume()
{
    if (fThread.joinable())
        return;
    fTerminated = false;
    fThread = std::thread([this] { Execute(); });
    pthread_setname_np(fThread.native_handle(), "AppIdle");
}

void TAppIdleThread::Terminate()
{
    {
        std::lock_guard lock(fMutex);
        fTerminated = true;
    }
    fWake.notify_all();
    if (fThread.joinable())
        fThread.join();
}

void TAppIdleThread::Execute()
{
    std::unique_lock lock(fMutex);
    while (!fTerminated) {
        fWake.wait_for(lock, std::chrono::milliseconds(100), [this] { return fTerminated; });
        if (fTerminated || QCoreApplication::closingDown() || !fTick)
            continue;
        if (!fTickQueued.exchange(true))
            QMetaObject::invokeMethod(this, [this] { RunTick(); }, Qt::QueuedConnection);
    }
}

void TAppIdleThread::RunTick()
{
    fTickQueued = false;
    if (fTick)
        fTick();
}

} // namespace orv
