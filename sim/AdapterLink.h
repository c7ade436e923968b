#pragma once
#include <string>

#include "sim/SimLink.h"

namespace orv::sim {

// The USB-to-CAN adapter: serial-line CAN ASCII commands ended by CR.
// C closes the CAN channel, Sn sets its bit rate (closed only), O opens it,
// T/t send an extended/standard frame (open only). Success is answered with
// CR ("Z\r"/"z\r" after a frame), failure with BEL. Frames from the boards
// come out as "Tiiiiiiii8dddddddddddddddd\r" while the channel is open.
class TAdapterLink : public TSimLink {
public:
    // "S6", the rate the boards run at.
    static constexpr int kBoardsRate = 6;

    TAdapterLink(TSimBus& bus, TSimLog& log, TLinkPort port);

    TLinkKind Kind() const override { return TLinkKind::UsbCan; }
    void Receive(std::string_view bytes) override;
    void Reset() override;
    std::string State() const override;

protected:
    bool CarriesBoardFrames() const override;
    void SendFromBus(const TSimCanFrame& frame) override;

public:

    // The text of a frame the adapter passes on from the bus.
    static std::string FrameText(const TSimCanFrame& frame);

private:
    using THandler = void (TAdapterLink::*)(const std::string& line);
    struct TCommand {
        char Letter;
        const char* Meaning;
        THandler Handler;
    };
    static const TCommand kCommands[];

    void OnLine(const std::string& line);
    void Answer(const std::string& line, const std::string& answer, const std::string& meaning);
    void OnClose(const std::string& line);
    void OnBitRate(const std::string& line);
    void OnOpen(const std::string& line);
    void OnE(const std::string& line);
    void OnExtendedFrame(const std::string& line);
    void OnStandardFrame(const std::string& line);
    void OnVersion(const std::string& line);
    void OnSerialNumber(const std::string& line);
    void OnStatusFlags(const std::string& line);
    void SendFrame(const std::string& line, int idDigits);

    std::string fText;
    bool fOpen = false;
    int fRate = -1;
};

} // namespace orv::sim
