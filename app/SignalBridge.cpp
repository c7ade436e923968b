#include "app/SignalBridge.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace orv {

namespace {
int gPipe[2] = {-1, -1};
std::atomic<bool> gTerminating{false};

void OnSignal(int)
{
    gTerminating = true;
    const char c = 1;
    if (gPipe[1] >= 0) {
        const ssize_t n = ::write(gPipe[1], &c, 1);
        (void)n;
    }
}
} // namespace

TSignalBridge::TSignalBridge(QObject* parent) : QObject(parent)
{
    if (gPipe[0] < 0 && ::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    fNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(fNotifier, &QSocketNotifier::activated, this, &TSignalBridge::OnReadable);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

TSignalBridge::~TSignalBridge()
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}

bool TSignalBridge::Terminating()
{
    return gTerminating;
}

void TSignalBridge::OnReadable()
{
    char buf[16];
    while (::read(gPipe[0], buf, sizeof buf) > 0) {
    }
    emit terminationRequested();
}

} // namespace orv
