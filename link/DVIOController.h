#pragma once
#include "link/CanRecord.h"
#include "link/GpioFrame.h"
#include "link/LinkHealth.h"
#include "link/LinkInbox.h"
#include "link/LinkOutbox.h"
#include "link/PingState.h"
#include "platform/SerialPort.h"

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

namespace orv {

class TPortNamedThread;
class TLinkEvent;
class TProcessStackThread;
class TDVIO_Parser;
class TPortWriteSerialThread;
class TPortReadThread;
class TPingThread;

// The controller link on one serial port: five worker threads move bytes
// between the port and the queues; the pinger has the counterpart verified
// and watched. Created, opened, closed and freed on the main thread.
class TDVIOController {
public:
    static constexpr uint8_t kNoPort = 255;

    explicit TDVIOController(ISerialLibrary& sio = DefaultSerialLibrary(), uint8_t linkKind = 0);
    // Runs CloseLink.
    ~TDVIOController();
    TDVIOController(const TDVIOController&) = delete;
    TDVIOController& operator=(const TDVIOController&) = delete;

    // Set-up, in this order: kind, CAN ping record, port, open.
    void SetLinkKind(uint8_t kind);
    uint8_t LinkKind() const { return fLinkKind; }
    void SetCanPingRecord(const TCanRecord& record);
    // Creates the five threads, suspended (255 = none). A link that already
    // has threads stops and frees them, and closes its port, first.
    void SetPortNumber(uint8_t port);
    uint8_t PortNumber() const { return fPortNumber; }
    // Opens the port and starts the threads; a failure takes the link down
    // and sets LinkClosed ("Bad Exit"). The program passes baud code 9.
    void OpenLink(int baudCode = 9);
    // Stops and frees the threads (serving their requests to the main thread
    // meanwhile), closes the port and empties the queues. Runs once; true.
    bool CloseLink();

    // State.
    bool LinkHealthy() { return fHealth.LinkHealthy(); }
    bool PortPresent();
    void SetLinkUp(bool up) { fHealth.SetLinkUp(up); }
    void SetWatch(TWatch which, bool on) { fHealth.SetWatch(which, on); }
    bool LinkUp() const { return fHealth.LinkUp(); }
    bool LinkVerified() const { return fLinkVerified; }
    bool Opening() const { return fOpening; }
    bool LinkClosed() const { return fLinkClosed; }
    bool Destroyed() const { return fDestroyed; }
    bool SerialPingFailed() const { return fHealth.SerialPingFailed(); }
    bool GpioPingFailed() const { return fHealth.GpioPingFailed(); }
    bool CanPingFailed() const { return fHealth.CanPingFailed(); }
    bool UsbCanPingFailed() const { return fHealth.UsbCanPingFailed(); }
    bool SendBlocked() const { return fHealth.SendBlocked(); }
    bool ReceiveBlocked() const { return fHealth.ReceiveBlocked(); }
    // 0x01..0x20 of the link failure byte (see TLinkHealth).
    uint8_t FailureBits() const { return fHealth.FailureBits(); }
    TLinkHealth& Health() { return fHealth; }
    bool HasThreads() const { return fWriter != nullptr || fPinger != nullptr; }

    // Sending.
    void QueueText(const std::string& text) { fOutbox.QueueText(text); }
    void QueueGpio(TGpioType type, std::vector<uint8_t> data) { fOutbox.QueueGpio(type, std::move(data)); }
    void SendAdapterFrame(const TCanRecord& record);
    void SendGpioCanFrame(int channel, const TCanRecord& record);
    bool SendSerialFrame(uint8_t code, uint32_t dataLow, uint32_t dataHigh);
    // The reset sequence, then (unless one was sent since the port opened)…
    void QueueAdapterReset();
    // …the adapter ping, preceded by the reset when none was sent yet.
    void QueueAdapterPing();

    // Receiving.
    std::optional<TCanRecord> PopCanFrame(int channel) { return fInbox.PopCan(channel); }
    size_t CanQueueSize(int channel) { return fInbox.CanQueueSize(channel); }
    bool GetResponseFlag(int type) { return fInbox.ResponseFlag(type); }
    void SetResponseFlag(int type, bool value) { fInbox.SetResponseFlag(type, value); }

    // GPIO board (each skipped when the port is not present).
    void SetGpioDirections(uint8_t value);
    void SetGpioBits(uint8_t value);
    void ClearGpioBits(uint8_t value, uint8_t flag);
    void SetChannelConfig(int channel, uint8_t code);
    void SetCanRate(int channel, uint8_t code);
    uint8_t CanRate(int channel) const;
    // The DIP reply: hardware id and second value (sent high byte first) and the DIP byte.
    std::array<uint8_t, 5> DipBytes() { return fInbox.DipBytes(); }
    uint16_t HardwareId();
    uint8_t DipSwitches();
    uint8_t GpioStatus(int index) { return fInbox.GpioStatus(index); }
    // GPIO board serial channels 1..4.
    int ChannelBytesAvailable(int channel) { return fInbox.ChannelBytesAvailable(channel); }
    int ReadChannel(uint8_t* dest, int count, int channel) { return fInbox.ReadChannel(dest, count, channel); }
    int WriteChannel(const uint8_t* src, int count, int channel);

    // Pings (main thread; the pinger calls it every ping interval).
    void PingTick();
    const TPingRecord& PingRecord(TPingKind kind) const { return fPings[kind]; }
    int PingInterval() const { return fPingInterval; }
    uint8_t VerifiedBits() const { return fVerifiedBits; }
    uint8_t RequiredBits() const { return fRequiredBits; }

    // Threads, for diagnostics and tests (null when absent).
    TPortNamedThread* Thread(int index) const; // 0 processor, 1 parser, 2 writer, 3 reader, 4 pinger
    ISerialLibrary& Serial() { return fSio; }

private:
    friend class TProcessStackThread;
    friend class TDVIO_Parser;
    friend class TPortWriteSerialThread;
    friend class TPortReadThread;
    friend class TPingThread;

    void BadExit();
    void CreateThreads(uint8_t port);
    void FreeThreads();
    void FreeThread(std::unique_ptr<TPortNamedThread>& thread);
    // Closes the port if this link opened it.
    void ClosePort();
    // Queues a board command's text by the rule of its code and wakes the writer.
    void QueueCommandText(std::string text, uint8_t code, int board);
    void InitPings();
    // A wait on the main thread that keeps serving the workers' requests
    // (elsewhere a plain sleep).
    void SettleWait(int ms);

    // Worker steps (run on the named worker thread).
    void ReadAvailable(int n);
    void ParseReceived(TPortNamedThread& parser, TLinkEvent* output);
    void ProcessReceived(TLinkEvent& own);
    bool WriterTick(TPortWriteSerialThread& writer);
    bool WriteItem(TPortWriteSerialThread& writer, const char* bytes, int len, bool text);
    bool PingerRunTick(TPingThread& pinger);

    // Pings (main thread).
    bool DipPing();
    bool CanPing();
    bool UsbCanPing();
    bool SerialPing();
    bool PingDue(TPingRecord& r) const;
    void PingRearm(TPingRecord& r) const;

    ISerialLibrary& fSio;
    std::atomic<uint8_t> fPortNumber{kNoPort};
    std::atomic<uint8_t> fLinkKind;
    TLinkHealth fHealth;
    TLinkInbox fInbox;
    TLinkOutbox fOutbox;
    std::atomic<bool> fLinkVerified{false};
    std::atomic<bool> fOpening{false};
    std::atomic<bool> fLinkClosed{false};
    std::atomic<bool> fDestroying{false};
    std::atomic<bool> fDestroyed{false};
    std::atomic<bool> fPortOpen{false};

    std::array<TPingRecord, 6> fPings{};
    int fPingInterval = 0;
    std::atomic<uint8_t> fVerifiedBits{0};
    std::atomic<uint8_t> fRequiredBits{0};
    TCanRecord fCanPing{};
    bool fCanPingSet = false;
    bool fPingTickRunning = false;
    std::array<std::atomic<uint8_t>, 2> fCanRates{};

    std::unique_ptr<TPortNamedThread> fProcessor;
    std::unique_ptr<TPortNamedThread> fParser;
    std::unique_ptr<TPortNamedThread> fWriter;
    std::unique_ptr<TPortNamedThread> fReader;
    std::unique_ptr<TPortNamedThread> fPinger;
};

} // namespace orv
