#pragma once
#include "nav/ComPort.h"
#include "nav/GPSClock.h"
#include "nav/GPSFix.h"
#include "nav/MsgDecoding.h"
#include "nav/TokenList.h"

#include <array>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// A line-oriented serial link: it reads what the port has into a receive
// buffer, cuts it into lines on CR and LF and hands each line to its decoders.
// Polled from the main thread; it holds no locks and raises nothing from a read.
class TGeneralCom {
public:
    static constexpr int kBufferSize = 8192;              // 8191 usable plus a terminating zero
    static constexpr int kReadChunk = 1024;               // characters taken per poll
    static constexpr size_t kMinLineLength = 11;          // shorter lines are noise
    static constexpr size_t kMaxQueuedMessages = 1024;    // the oldest go when nobody drains
    static constexpr int64_t kCommErrorLogIntervalMs = 500;

    struct TDecodedMessage {
        int messageId;
        TMsgDecoding* decoder;
    };

    explicit TGeneralCom(ISerialLibrary& library);
    virtual ~TGeneralCom();
    TGeneralCom(const TGeneralCom&) = delete;
    TGeneralCom& operator=(const TGeneralCom&) = delete;

    void SetPortName(std::string name) { fPort.SetPortName(std::move(name)); }
    const std::string& PortName() const { return fPort.PortName(); }
    bool SetBaudRate(int baud) { return fPort.SetBaudRate(baud); }
    int BaudRate() const { return fPort.BaudRate(); }
    // Opens the port; when it connects its buffers are cleared. True when connected.
    bool OpenLink();
    void CloseLink() { fPort.Close(); }
    bool Connected() const { return fPort.Connected(); }

    virtual int WriteBytes(const char* data, int n) { return fPort.Write(data, n); }
    virtual int ReadBytes(char* buffer, int n) { return fPort.Read(buffer, n); }
    int WriteText(const std::string& text) { return WriteBytes(text.data(), static_cast<int>(text.size())); }
    const std::string& LastSent() const { return fLastSent; }

    // Gives a line to every decoder that takes it (a line may be taken by more than one).
    virtual void DispatchLine(std::string_view line);
    virtual void InitLink() = 0;
    virtual void CreateDecoders() = 0;
    // Reads what is waiting and decodes the complete lines; true when anything was read.
    virtual bool Poll();

    // Reads up to requested characters into the receive buffer and processes
    // the complete lines; returns the count read.
    int ReadIntoBuffer(int requested);
    // Processes what the buffer holds as if it had just been read (tests, replays).
    void ProcessBuffer();
    // Appends received characters without reading the port (tests, replays).
    void FeedBuffer(std::string_view text);
    size_t Buffered() const { return fHeld; }
    std::string_view BufferText() const { return {fBuffer.data(), fHeld}; }
    int ReentrantReads() const { return fReentrantReads; }

    void SetDiscard(bool discard) { fDiscard = discard; }
    TGPSFix& Fix() { return fFix; }
    const TGPSFix& Fix() const { return fFix; }
    const std::deque<TDecodedMessage>& DecodedQueue() const { return fQueue; }
    const std::vector<std::unique_ptr<TMsgDecoding>>& Decoders() const { return fDecoders; }

protected:
    TMsgDecoding& AddDecoder(std::unique_ptr<TMsgDecoding> decoder);
    // Drains the decoded-message queue, calling MessageDecoded for each entry.
    void DrainQueue();
    virtual void MessageDecoded(const TDecodedMessage&) {}
    int WriteSentence(const std::string& text);

private:
    void HandleCommErrors(uint32_t errors);
    void SplitLines();

    TComPort fPort;
    std::array<char, kBufferSize> fBuffer{};
    size_t fHeld = 0;
    TTokenList fLines;
    std::vector<std::unique_ptr<TMsgDecoding>> fDecoders;
    std::deque<TDecodedMessage> fQueue;
    std::string fLastSent;
    TGPSFix fFix;
    TDeadline fErrorLogDeadline;
    bool fReading = false;
    int fReentrantReads = 0;
    bool fDiscard = false;
};

} // namespace orv
