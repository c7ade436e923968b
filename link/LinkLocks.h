#pragma once
#include <mutex>

namespace orv {

// The three process-wide locks of every controller link in the process:
// - receive: receive buffers, received queue, CAN queues, channel receive
//   buffers and response flags of every link;
// - channel transmit: the GPIO serial channels' transmit buffers;
// - port write: serialises every write to any port.
// They live as long as the process, so a link never outlives its locks.
class TLinkLocks {
public:
    static std::mutex& Receive();
    static std::mutex& ChannelTransmit();
    static std::mutex& PortWrite();
    // Takes and releases the three in the order receive, channel transmit,
    // port write: returns once no thread is inside any of them.
    static void WaitUntilIdle();
};

} // namespace orv
