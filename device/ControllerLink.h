#pragma once
#include "link/CanRecord.h"

#include <cstdint>

namespace orv {

// What the device model needs of the link in use: its kind and health, the
// three ways of sending a frame, and the received CAN queue.
class IControllerLink {
public:
    virtual ~IControllerLink() = default;
    virtual int LinkKind() const = 0;
    virtual int PortNumber() const = 0;
    virtual bool LinkHealthy() = 0;
    virtual void SendGpioCanFrame(int channel, const TCanRecord& record) = 0;
    virtual void SendAdapterFrame(const TCanRecord& record) = 0;
    virtual void SendSerialFrame(uint8_t code, uint32_t dataLow, uint32_t dataHigh) = 0;
    // Takes the oldest record received on a CAN channel; false when none waits.
    virtual bool PopCanFrame(int channel, TCanRecord& record) = 0;
    // Marks the ping of the link's own kind as failed (a decoding error).
    virtual void MarkPingFailed() = 0;
    // Configures a serial channel 1..4 of the GPIO board.
    virtual void SetChannelConfig(int channel, int code) = 0;
};

} // namespace orv
