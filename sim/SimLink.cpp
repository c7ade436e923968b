#include "sim/SimLink.h"

#include "sim/AdapterLink.h"
#include "sim/BoardMessages.h"
#include "sim/GpioLink.h"
#include "sim/SerialLink.h"

namespace orv::sim {

const char* LinkKindName(TLinkKind kind)
{
    switch (kind) {
    case TLinkKind::Gpio: return "gpio";
    case TLinkKind::Serial: return "serial";
    case TLinkKind::UsbCan: return "usbcan";
    }
    return "?";
}

bool ParseLinkKind(const std::string& text, TLinkKind& kind)
{
    for (TLinkKind k : {TLinkKind::Gpio, TLinkKind::Serial, TLinkKind::UsbCan}) {
        if (text == LinkKindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

TSimLink::TSimLink(TSimBus& bus, TSimLog& log, TLinkPort port)
    : fBus(bus)
    , fLog(log)
    , fPort(std::move(port))
{
}

bool TSimLink::ChannelInput(int, const std::string&, std::string& error)
{
    error = std::string("the ") + KindName() + " link has no serial channels";
    return false;
}

void TSimLink::Log(const std::string& text)
{
    fLog.Line(fPort.Name + " " + text);
}

void TSimLink::Transmit(const std::string& bytes, const std::string& shown, const std::string& meaning)
{
    const bool silenced = fPort.Silenced && fPort.Silenced();
    Log(std::string(silenced ? "TX held back (silence) " : "TX ") + KindName() + " " + shown
        + (meaning.empty() ? "" : " = " + meaning));
    if (!silenced)
        fPort.Write(bytes);
}

void TSimLink::ToBus(const TSimCanFrame& frame)
{
    std::string note;
    auto replies = fBus.Deliver(frame, note);
    if (!note.empty())
        Log("   (" + note + ")");
    for (const auto& reply : replies)
        SendFromBus(reply);
}

bool TSimLink::Emit(const TSimCanFrame& frame)
{
    if (!CarriesBoardFrames())
        return false;
    SendFromBus(frame);
    return true;
}

std::unique_ptr<TSimLink> MakeLink(TLinkKind kind, TSimBus& bus, TSimLog& log, TLinkPort port)
{
    switch (kind) {
    case TLinkKind::Gpio: return std::make_unique<TGpioLink>(bus, log, std::move(port));
    case TLinkKind::Serial: return std::make_unique<TSerialLink>(bus, log, std::move(port));
    case TLinkKind::UsbCan: return std::make_unique<TAdapterLink>(bus, log, std::move(port));
    }
    return nullptr;
}

} // namespace orv::sim
