#include "link/LinkLocks.h"

namespace orv {

std::mutex& TLinkLocks::Receive()
{
    static std::mutex m;
    return m;
}

std::mutex& TLinkLocks::ChannelTransmit()
{
    static std::mutex m;
    return m;
}

std::mutex& TLinkLocks::PortWrite()
{
    static std::mutex m;
    return m;
}

void TLinkLocks::WaitUntilIdle()
{
    { std::lock_guard a(Receive()); }
    { std::lock_guard b(ChannelTransmit()); }
    { std::lock_guard c(PortWrite()); }
}

} // namespace orv
