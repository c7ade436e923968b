#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sim/SimBus.h"
#include "sim/SimLog.h"

namespace orv::sim {

enum class TLinkKind { Gpio, Serial, UsbCan };

const char* LinkKindName(TLinkKind kind);
bool ParseLinkKind(const std::string& text, TLinkKind& kind);

// How a link reaches its port.
struct TLinkPort {
    std::string Name;                                  // "COM3", for the log
    std::function<void(const std::string&)> Write;     // raw bytes to the application
    std::function<bool()> Silenced;                     // replies are held back
};

// The device at the far end of the serial port: it cuts what the application
// writes into frames, logs them readably, passes CAN frames to the bus and
// frames the boards' replies for the wire.
class TSimLink {
public:
    TSimLink(TSimBus& bus, TSimLog& log, TLinkPort port);
    virtual ~TSimLink() = default;

    virtual TLinkKind Kind() const = 0;
    // Bytes the application wrote.
    virtual void Receive(std::string_view bytes) = 0;
    // The port was unplugged: forgets partial input, and what a board that is
    // powered from its port was set to.
    virtual void Reset() = 0;
    // Data arriving on one of the GPIO board's serial channels; only the GPIO
    // board has them.
    virtual bool ChannelInput(int channel, const std::string& bytes, std::string& error);
    // One line of link state for the "status" command.
    virtual std::string State() const { return {}; }
    // Sends a frame that a board sends on its own (its periodic reports);
    // false while the link cannot carry board frames (channel closed, wrong
    // bit rate, nobody has talked to the controller yet).
    bool Emit(const TSimCanFrame& frame);

protected:
    virtual bool CarriesBoardFrames() const = 0;
    // Frames a board's frame for the wire and transmits it.
    virtual void SendFromBus(const TSimCanFrame& frame) = 0;

    void Log(const std::string& text);
    // Logs and writes a reply unless the port is silenced.
    void Transmit(const std::string& bytes, const std::string& shown, const std::string& meaning);
    // Delivers a CAN frame to the boards and transmits their replies.
    void ToBus(const TSimCanFrame& frame);
    const char* KindName() const { return LinkKindName(Kind()); }

    TSimBus& fBus;
    TSimLog& fLog;
    TLinkPort fPort;
};

std::unique_ptr<TSimLink> MakeLink(TLinkKind kind, TSimBus& bus, TSimLog& log, TLinkPort port);

} // namespace orv::sim
