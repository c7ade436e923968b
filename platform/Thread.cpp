#include "platform/Thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orv {

void SetCurrentThreadName(const std::string& name)
{
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

void SetCurrentThreadPriority(TThreadPriority priority)
{
    int nice = 0;
    switch (priority) {
    case TThreadPriority::Normal:
        return;
    case TThreadPriority::Higher:
        nice = -5;
        break;
    case TThreadPriority::Highest:
        nice = -10;
        break;
    }
    // Per-thread nice value; fails quietly without CAP_SYS_NICE.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), nice);
}

} // namespace orv
