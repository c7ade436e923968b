#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/NavOptions.h"
#include "sim/NavRecording.h"
#include "sim/NavSentences.h"
#include "sim/NmeaText.h"
#include "sim/OrvSentence.h"
#include "sim/PtyPort.h"
#include "sim/SimLog.h"
#include "sim/SpeedProfile.h"

namespace orv::sim {

// The navigation port: a generic NMEA receiver, or a guidance system that
// also sends "$ORV" sentences and answers the cockpit's. It writes its
// sentences at their rates with the speed of its profile, logs readably what
// the application sends to it, and can be switched at run time (status "V",
// spoiled checksums, silence, speed, swath, application rate).
class TNavSource {
public:
    TNavSource(TNavOptions options, std::string portsDir, TSimLog& log);
    ~TNavSource();

    // Plugs the port in and reads the profile (and its recording).
    bool Start(std::string& error);
    int Number() const { return fPort.Number(); }
    TPtyPort& Port() { return fPort; }
    // "nav=nmea nav-port=3 nav-path=DIR/COM4"
    std::string ReadyText() const;
    // One line for the "status" and "nav" commands.
    std::string Summary() const;

    // The poll loop: the port has bytes; time has passed.
    void OnReadable();
    void Tick();
    // Seconds until something is due (at most `longest`).
    double SecondsToNext(double longest) const;

    // Run-time controls.
    bool SetProfile(const std::string& text, std::string& error);
    void SetSpeed(double metresPerSecond);
    void SetStatus(char status);
    void SetChecksum(TChecksumMode mode);
    void SetSilence(bool on);
    void SetSwath(double metres) { fSwath = metres; }
    void SetAppRate(double kgPerHa) { fAppRate = kgPerHa; }
    void SetCourse(double degrees) { fCourse = degrees; }
    bool SetHz(double hz, std::string& error);
    bool SetTalker(const std::string& talker, std::string& error);
    bool SetSentences(const std::string& list, std::string& error);
    // Sends a line now; one without "*" gets a checksum by the current mode.
    bool SendLine(const std::string& text, std::string& error);
    bool Unplug(std::string& error);
    bool Plug(std::string& error);
    double CurrentSpeed() const;

private:
    struct TSchedule {
        const TSentenceKind* Kind;
        bool On;
        double Period;  // seconds; 0 follows the rate in Hz
        double Next;
    };

    std::string Name() const { return fPort.Name(); }
    void Log(const std::string& text);
    void Send(const std::string& bytes, const std::string& meaning);
    TNavFix Fix(double now);
    void EmitSentences(double now);
    void EmitSentence(const TSentenceKind& kind, const TNavFix& fix);
    void EmitRecording(double now);
    std::string Recorded(const std::string& text);
    void TakeRecordedSpeed(const std::string& text);
    void EmitOrv(const char* why);
    void HandleLine(const std::string& line, bool lfAlone);
    void OnOrv(const std::vector<std::string>& fields, bool checksumOk, std::string& meaning);
    void OnPortSetup(const std::vector<std::string>& fields, bool checksumOk, std::string& meaning);
    void OnRateSetup(const std::vector<std::string>& fields, bool checksumOk, std::string& meaning);
    void CheckLineSettings();
    std::string ExpectedLine() const { return std::to_string(fExpectedBaud) + " 8N1"; }
    std::string SentenceList() const;

    TNavOptions fOptions;
    TSimLog& fLog;
    TPtyPort fPort;
    TSpeedProfile fProfile;
    double fProfileStart = 0;
    std::optional<TNavRecording> fRecording;
    size_t fReplayIndex = 0;
    double fPassStart = 0;
    double fRecordedSpeed = 0;
    std::vector<TSchedule> fSchedules;
    double fHz;
    std::string fTalker;
    char fStatus = 'A';
    bool fStatusForced = false;  // applies to a recording too once set by hand
    TChecksumMode fChecksum = TChecksumMode::Good;
    bool fSilent = false;
    double fSwath = 30.0;
    double fAppRate = 100.0;
    double fCourse = 90.0;
    double fLatitude = 48.1173;
    double fLongitude = 11.5167;
    double fLastFix = 0;
    long fCockpitRunState = 0;
    long fCockpitGateStatus = 10;
    double fNextOrv = 0;
    long fExpectedBaud;
    std::string fLineSettings;
    std::string fText;
    bool fWriteFailing = false;
    unsigned long fSent = 0;
    unsigned long fReceived = 0;
    std::function<void()> fAnswer;  // what a received line asks for, once it is logged
};

} // namespace orv::sim
