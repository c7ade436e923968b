#pragma once
#include <string>
#include <vector>

namespace orv::sim {

// A file of recorded sentences, one per line, replayed at the pace at which
// they were recorded. A line may start with its time in seconds from the
// start of the recording ("12.250 $GPRMC,..."); otherwise the time of day in
// RMC, GGA, ZDA and GLL sentences paces the replay and the sentences between
// them follow at once. A file with no times at all goes out one line every
// `spacing` seconds. Blank lines are skipped.
class TNavRecording {
public:
    struct TLine {
        double At;         // seconds from the start of one pass
        std::string Text;  // without the line end
    };

    bool Load(const std::string& path, double spacing, std::string& error);

    const std::vector<TLine>& Lines() const { return fLines; }
    // Length of one pass: the last line's time plus the usual gap, so that
    // the loop keeps the recording's rhythm.
    double PassSeconds() const { return fPass; }

private:
    std::vector<TLine> fLines;
    double fPass = 1;
};

} // namespace orv::sim
