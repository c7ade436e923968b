#include "sim/NavSource.h"

#include "sim/HexText.h"
#include "sim/ReceiverSetup.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace orv::sim {

namespace {

constexpr double kOrvInterval = 1.0;   // unsolicited "$ORV" when none went out for this long
constexpr double kFastestHz = 100;
constexpr size_t kLongestLine = 1024;
constexpr double kMetresPerDegree = 111320.0;
constexpr int kMostReplayedPerTick = 1000;
constexpr double kPi = 3.14159265358979323846;

double UtcNow()
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

bool ToDecimal(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(out);
}

// The last three letters of an identifier ("RMC" of "GNRMC").
std::string TypeOf(const std::string& id)
{
    return id.size() >= 5 ? id.substr(id.size() - 3) : "";
}

} // namespace

const char* NavKindName(TNavKind kind)
{
    return kind == TNavKind::Nmea ? "nmea" : "guidance";
}

bool ParseNavKind(const std::string& text, TNavKind& kind)
{
    for (auto k : {TNavKind::Nmea, TNavKind::Guidance}) {
        if (text == NavKindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

TNavSource::TNavSource(TNavOptions options, std::string portsDir, TSimLog& log)
    : fOptions(std::move(options))
    , fLog(log)
    , fPort(std::move(portsDir), fOptions.Port)
    , fHz(fOptions.Hz)
    , fTalker(fOptions.Talker)
    , fExpectedBaud(fOptions.Baud)
{
    size_t count = 0;
    const TSentenceKind* kinds = SentenceKinds(count);
    for (size_t i = 0; i < count; ++i)
        fSchedules.push_back({&kinds[i], false, 0, 0});
}

TNavSource::~TNavSource() = default;

void TNavSource::Log(const std::string& text)
{
    fLog.Line(Name() + " " + text);
}

bool TNavSource::Start(std::string& error)
{
    if (!SetSentences(fOptions.Sentences, error) || !SetTalker(fOptions.Talker, error) || !SetHz(fOptions.Hz, error)
        || !SetProfile(fOptions.Profile, error))
        return false;
    if (!fPort.Plug(error))
        return false;
    fLastFix = fLog.Now();
    Log(std::string("serves the navigation source (") + NavKindName(fOptions.Kind) + ") on " + fPort.TtyPath()
        + ": speed profile " + fProfile.Text + ", sentences " + SentenceList() + " at " + Fixed(fHz, 1) + " Hz");
    return true;
}

std::string TNavSource::ReadyText() const
{
    return std::string("nav=") + NavKindName(fOptions.Kind) + " nav-port=" + std::to_string(fPort.Number())
        + " nav-path=" + fPort.LinkPath();
}

std::string TNavSource::SentenceList() const
{
    std::string list;
    for (const auto& s : fSchedules) {
        if (!s.On)
            continue;
        list += (list.empty() ? "" : ",") + std::string(s.Kind->Key);
        if (s.Period > 0)
            list += "@" + Fixed(s.Period, 1) + "s";
    }
    return list.empty() ? "none" : list;
}

std::string TNavSource::Summary() const
{
    return std::string("nav=") + NavKindName(fOptions.Kind) + " nav-port=" + std::to_string(fPort.Number())
        + " plugged=" + (fPort.Plugged() ? "yes" : "no") + " speed=" + Fixed(CurrentSpeed(), 2)
        + " profile=" + fProfile.Text + " status=" + fStatus + " checksum=" + ChecksumModeName(fChecksum)
        + " silence=" + (fSilent ? "on" : "off") + " hz=" + Fixed(fHz, 2) + " talker=" + fTalker
        + " sentences=" + SentenceList() + " swath=" + Fixed(fSwath, 1) + " apprate=" + Fixed(fAppRate, 2)
        + " course=" + Fixed(fCourse, 1) + " sent=" + std::to_string(fSent) + " received=" + std::to_string(fReceived);
}

double TNavSource::CurrentSpeed() const
{
    if (fProfile.Kind == TSpeedProfile::TKind::File)
        return fRecordedSpeed;
    return fProfile.SpeedAt(fLog.Now() - fProfileStart);
}

bool TNavSource::SetProfile(const std::string& text, std::string& error)
{
    auto profile = ParseSpeedProfile(text, error);
    if (!profile)
        return false;
    std::optional<TNavRecording> recording;
    if (profile->Kind == TSpeedProfile::TKind::File) {
        recording.emplace();
        if (!recording->Load(profile->Path, fHz > 0 ? 1.0 / fHz : 1.0, error))
            return false;
    }
    fProfile = *profile;
    fRecording = std::move(recording);
    fProfileStart = fPassStart = fLog.Now();
    fReplayIndex = 0;
    return true;
}

void TNavSource::SetSpeed(double metresPerSecond)
{
    fProfile = ConstantSpeed(metresPerSecond);
    fProfile.Text = "const:" + Fixed(metresPerSecond, 2);
    fRecording.reset();
}

void TNavSource::SetStatus(char status)
{
    fStatus = status;
    fStatusForced = true;
}

void TNavSource::SetChecksum(TChecksumMode mode)
{
    fChecksum = mode;
}

void TNavSource::SetSilence(bool on)
{
    fSilent = on;
    Log(on ? "silence on: nothing is sent" : "silence off");
}

bool TNavSource::SetHz(double hz, std::string& error)
{
    if (!(hz >= 0 && hz <= kFastestHz)) {
        error = "the sentence rate must be 0.." + std::to_string(int(kFastestHz)) + " per second";
        return false;
    }
    fHz = hz;
    const double now = fLog.Now();
    // A new rate replaces what the receiver set-up chose per sentence.
    for (auto& s : fSchedules) {
        s.Period = 0;
        s.Next = now;
    }
    return true;
}

bool TNavSource::SetTalker(const std::string& talker, std::string& error)
{
    if (talker.size() != 2 || !std::all_of(talker.begin(), talker.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
        error = "the talker is two capital letters (GP, GN, GL, ...)";
        return false;
    }
    fTalker = talker;
    return true;
}

bool TNavSource::SetSentences(const std::string& list, std::string& error)
{
    std::vector<bool> on(fSchedules.size(), false);
    if (list != "none") {
        size_t start = 0;
        for (;;) {
            const size_t comma = list.find(',', start);
            const std::string key = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            bool found = false;
            for (size_t i = 0; i < fSchedules.size(); ++i) {
                if (key == fSchedules[i].Kind->Key) {
                    on[i] = found = true;
                }
            }
            if (!found) {
                error = "unknown sentence \"" + key + "\" (gga, rmc, vtg, zda, rma, or none)";
                return false;
            }
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
    }
    const double now = fLog.Now();
    for (size_t i = 0; i < fSchedules.size(); ++i)
        fSchedules[i] = {fSchedules[i].Kind, bool(on[i]), 0, now};
    return true;
}

bool TNavSource::SendLine(const std::string& text, std::string& error)
{
    if (!fPort.Plugged()) {
        error = Name() + " is unplugged";
        return false;
    }
    std::string bytes = text;
    if (!text.empty() && text[0] == '$' && text.find('*') == std::string::npos)
        bytes = NmeaSentence(text.substr(1), fChecksum);
    else
        bytes += "\r\n";
    Send(bytes, "by command");
    return true;
}

bool TNavSource::Unplug(std::string& error)
{
    if (!fPort.Plugged()) {
        error = Name() + " is already unplugged";
        return false;
    }
    fPort.Unplug();
    fText.clear();
    Log("unplugged");
    return true;
}

bool TNavSource::Plug(std::string& error)
{
    if (fPort.Plugged()) {
        error = Name() + " is already plugged";
        return false;
    }
    if (!fPort.Plug(error))
        return false;
    fLineSettings.clear();
    fWriteFailing = false;
    Log("plugged in again on " + fPort.TtyPath());
    return true;
}

void TNavSource::Send(const std::string& bytes, const std::string& meaning)
{
    if (!fPort.Plugged() || fSilent)
        return;
    std::string shown = bytes;
    while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
        shown.pop_back();
    Log("TX nav \"" + Printable(shown) + "\"" + (meaning.empty() ? "" : " (" + meaning + ")"));
    if (fPort.Write(bytes)) {
        fWriteFailing = false;
        ++fSent;
    } else if (!fWriteFailing) {
        fWriteFailing = true;
        Log("   (not written: nobody drains the port; further losses are not logged until a write succeeds)");
    }
}

TNavFix TNavSource::Fix(double now)
{
    const double speed = CurrentSpeed();
    const double dt = std::max(0.0, now - fLastFix);
    fLastFix = now;
    const double rad = fCourse * kPi / 180.0;
    fLatitude = std::clamp(fLatitude + speed * dt * std::cos(rad) / kMetresPerDegree, -89.0, 89.0);
    fLongitude += speed * dt * std::sin(rad) / (kMetresPerDegree * std::cos(fLatitude * kPi / 180.0));
    if (fLongitude > 180)
        fLongitude -= 360;
    if (fLongitude < -180)
        fLongitude += 360;
    TNavFix fix;
    fix.UtcSeconds = UtcNow();
    fix.Latitude = fLatitude;
    fix.Longitude = fLongitude;
    fix.SpeedMs = speed;
    fix.CourseDeg = fCourse;
    fix.Status = fStatus;
    return fix;
}

void TNavSource::EmitSentence(const TSentenceKind& kind, const TNavFix& fix)
{
    Send(NmeaSentence(kind.Build(fTalker, fix), fChecksum),
        fChecksum == TChecksumMode::Good ? "" : std::string("checksum ") + ChecksumModeName(fChecksum));
}

void TNavSource::EmitSentences(double now)
{
    std::optional<TNavFix> fix;
    for (auto& s : fSchedules) {
        const double period = s.Period > 0 ? s.Period : (fHz > 0 ? 1.0 / fHz : 0.0);
        if (!s.On || period <= 0 || now < s.Next)
            continue;
        if (!fix)
            fix = Fix(now);
        EmitSentence(*s.Kind, *fix);
        s.Next += period;
        if (s.Next <= now)
            s.Next = now + period;
    }
}

std::string TNavSource::Recorded(const std::string& text)
{
    const auto line = ParseNmeaLine(text);
    if (!line)
        return text + "\r\n";
    auto fields = NmeaFields(line->Body);
    const std::string type = TypeOf(fields[0]);
    bool changed = false;
    if (fStatusForced) {
        const size_t at = type == "RMC" ? 2 : type == "RMA" ? 1 : 0;
        if (at && fields.size() > at && fields[at] != std::string(1, fStatus)) {
            fields[at] = std::string(1, fStatus);
            changed = true;
        }
    }
    if (!changed && fChecksum == TChecksumMode::Good)
        return text + "\r\n";  // exactly as recorded
    return NmeaSentence(JoinFields(fields), fChecksum);
}

void TNavSource::TakeRecordedSpeed(const std::string& text)
{
    const auto line = ParseNmeaLine(text);
    if (!line)
        return;
    const auto fields = NmeaFields(line->Body);
    const std::string type = TypeOf(fields[0]);
    double v = 0;
    if (type == "VTG" && fields.size() > 7 && ToDecimal(fields[7], v))
        fRecordedSpeed = v / 3.6;
    else if (type == "RMC" && fields.size() > 7 && ToDecimal(fields[7], v))
        fRecordedSpeed = v / kKnotsPerMetrePerSecond;
    else if (type == "RMA" && fields.size() > 8 && ToDecimal(fields[8], v))
        fRecordedSpeed = v / kKnotsPerMetrePerSecond;
}

void TNavSource::EmitRecording(double now)
{
    const auto& lines = fRecording->Lines();
    for (int sent = 0; now - fPassStart >= lines[fReplayIndex].At; ++sent) {
        if (sent == kMostReplayedPerTick) {
            // Far behind (the process was stopped): carry on from here.
            fPassStart = now - lines[fReplayIndex].At;
            break;
        }
        const std::string& text = lines[fReplayIndex].Text;
        TakeRecordedSpeed(text);
        Send(Recorded(text), "recorded line " + std::to_string(fReplayIndex + 1));
        if (++fReplayIndex == lines.size()) {
            fReplayIndex = 0;
            fPassStart += fRecording->PassSeconds();
        }
    }
}

void TNavSource::EmitOrv(const char* why)
{
    TOrvSentence s;
    s.RunState = std::labs(fCockpitRunState);
    s.GateStatus = std::labs(fCockpitGateStatus);
    s.AppRate = fAppRate;
    s.Swath = fSwath;
    s.Speed = CurrentSpeed();
    Send(NmeaSentence(OrvBody(s), fChecksum), why);
    fNextOrv = fLog.Now() + kOrvInterval;
}

void TNavSource::Tick()
{
    const double now = fLog.Now();
    if (!fPort.Plugged())
        return;
    if (fRecording)
        EmitRecording(now);
    else
        EmitSentences(now);
    if (fOptions.Kind == TNavKind::Guidance && now >= fNextOrv)
        EmitOrv("periodic");
}

double TNavSource::SecondsToNext(double longest) const
{
    const double now = fLog.Now();
    double next = now + longest;
    if (fRecording)
        next = std::min(next, fPassStart + fRecording->Lines()[fReplayIndex].At);
    else
        for (const auto& s : fSchedules)
            if (s.On && (s.Period > 0 || fHz > 0))
                next = std::min(next, s.Next);
    if (fOptions.Kind == TNavKind::Guidance)
        next = std::min(next, fNextOrv);
    return std::max(0.0, next - now);
}

void TNavSource::CheckLineSettings()
{
    const std::string settings = fPort.LineSettings();
    if (settings == fLineSettings)
        return;
    fLineSettings = settings;
    Log("line settings " + settings + (settings == ExpectedLine() ? "" : " (expected " + ExpectedLine() + ")"));
}

void TNavSource::OnReadable()
{
    std::string bytes;
    const bool ok = fPort.ReadAvailable(bytes);
    if (!bytes.empty()) {
        CheckLineSettings();
        for (char c : bytes) {
            if (c == '\r' || c == '\n') {
                if (!fText.empty()) {
                    std::string line;
                    line.swap(fText);
                    HandleLine(line, c == '\n');
                }
                continue;
            }
            fText += c;
            if (fText.size() > kLongestLine) {
                Log("RX nav garbage: " + std::to_string(fText.size()) + " characters without a line end dropped");
                fText.clear();
            }
        }
    }
    if (!ok) {
        Log(std::string("read failed (") + std::strerror(errno) + "): unplugged");
        std::string ignored;
        Unplug(ignored);
    }
}

void TNavSource::HandleLine(const std::string& line, bool lfAlone)
{
    ++fReceived;
    std::string meaning;
    const auto parsed = ParseNmeaLine(line);
    if (!parsed) {
        meaning = "not a sentence (ignored)";
    } else {
        const auto fields = NmeaFields(parsed->Body);
        const std::string& id = fields[0];
        if (id.rfind("ORV", 0) == 0)
            OnOrv(fields, parsed->ChecksumOk, meaning);
        else if (id == "PSRF100")
            OnPortSetup(fields, parsed->ChecksumOk, meaning);
        else if (id == "PSRF103")
            OnRateSetup(fields, parsed->ChecksumOk, meaning);
        else
            meaning = "unknown sentence " + id + " (ignored)";
        if (!parsed->HasChecksum)
            meaning += "; no checksum";
        else if (!parsed->ChecksumOk)
            meaning += "; checksum \"" + parsed->ChecksumText + "\", expected " + HexByte(parsed->Expected);
        else if (HasLowerCaseHex(parsed->ChecksumText))
            meaning += "; checksum in lower-case hex";
    }
    if (lfAlone)
        meaning += "; ended by LF without CR";
    Log("RX nav \"" + Printable(line) + "\" = " + meaning);
    // Answers go out after the line they answer is in the log.
    auto answer = std::move(fAnswer);
    fAnswer = nullptr;
    if (answer)
        answer();
}

void TNavSource::OnOrv(const std::vector<std::string>& fields, bool checksumOk, std::string& meaning)
{
    std::vector<std::string> notes;
    std::string error;
    const auto orv = ParseOrv(fields, notes, error);
    meaning = "$" + fields[0] + " ";
    if (!orv) {
        meaning += "malformed: " + error;
        return;
    }
    meaning += DescribeOrv(*orv);
    for (const auto& n : notes)
        meaning += "; " + n;
    if (fOptions.Kind != TNavKind::Guidance) {
        meaning += "; a generic receiver does not answer it";
        return;
    }
    if (!checksumOk) {
        meaning += "; not answered (checksum)";
        return;
    }
    fCockpitRunState = orv->RunState;
    fCockpitGateStatus = orv->GateStatus;
    fAnswer = [this] { EmitOrv("answer"); };
}

void TNavSource::OnPortSetup(const std::vector<std::string>& fields, bool checksumOk, std::string& meaning)
{
    std::string error;
    const auto setup = ParsePortSetup(fields, error);
    if (!setup) {
        meaning = "receiver set-up, malformed: " + error;
        return;
    }
    meaning = "receiver set-up, " + DescribePortSetup(*setup);
    if (fOptions.Kind != TNavKind::Nmea || !fOptions.ObeySetup || !checksumOk) {
        meaning += fOptions.Kind != TNavKind::Nmea ? " (a guidance system ignores it)"
            : !checksumOk                          ? " (ignored: checksum)"
                                                   : " (not obeyed: --nav-setup ignore)";
        return;
    }
    fExpectedBaud = setup->Baud;
    meaning += " (obeyed)";
    const std::string settings = fPort.LineSettings();
    if (settings != ExpectedLine())
        meaning += "; the application's line is " + settings
            + ": a real receiver would now be out of step with it (a pseudo-terminal carries the bytes all the same)";
}

void TNavSource::OnRateSetup(const std::vector<std::string>& fields, bool checksumOk, std::string& meaning)
{
    std::string error;
    const auto setup = ParseRateSetup(fields, error);
    if (!setup) {
        meaning = "receiver set-up, malformed: " + error;
        return;
    }
    meaning = "receiver set-up, " + DescribeRateSetup(*setup);
    if (fOptions.Kind != TNavKind::Nmea || !fOptions.ObeySetup || !checksumOk) {
        meaning += fOptions.Kind != TNavKind::Nmea ? " (a guidance system ignores it)"
            : !checksumOk                          ? " (ignored: checksum)"
                                                   : " (not obeyed: --nav-setup ignore)";
        return;
    }
    TSchedule* schedule = nullptr;
    for (auto& s : fSchedules)
        if (s.Kind->SetupNumber == setup->Message)
            schedule = &s;
    if (!schedule) {
        meaning += " (this receiver does not write that message)";
        return;
    }
    meaning += " (obeyed)";
    const double now = fLog.Now();
    if (setup->Mode == 1) {
        const TSentenceKind* kind = schedule->Kind;
        fAnswer = [this, kind] { EmitSentence(*kind, Fix(fLog.Now())); };
        return;
    }
    schedule->On = setup->Rate > 0;
    schedule->Period = setup->Rate;
    schedule->Next = now;
}

} // namespace orv::sim
