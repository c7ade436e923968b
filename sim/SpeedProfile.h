#pragma once
#include <optional>
#include <string>
#include <vector>

namespace orv::sim {

// How the simulated ground speed (metres per second) changes with time:
//   const:60              always 60
//   steps:50,60,70@10     each value for 10 s, then again from the first
//   ramp:50..70@30        50 to 70 in 30 s, back to 50 in the next 30 s, and so on
//   file:PATH             recorded sentences replayed at their own pace
struct TSpeedProfile {
    enum class TKind { Constant, Steps, Ramp, File };
    TKind Kind = TKind::Constant;
    std::vector<double> Values;  // Constant {v}; Steps the values; Ramp {from, to}
    double Seconds = 0;          // Steps: time per value; Ramp: time from one end to the other
    std::string Path;            // File
    std::string Text;            // as given

    // Speed `t` seconds after the profile started (a recording has none: 0).
    double SpeedAt(double t) const;
};

// Nothing, with the reason in `error`, when the text is not one of the forms above.
std::optional<TSpeedProfile> ParseSpeedProfile(const std::string& text, std::string& error);
// The same for a constant speed given as a number.
TSpeedProfile ConstantSpeed(double metresPerSecond);

} // namespace orv::sim
