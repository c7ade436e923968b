#include "app/GateBanner.h"

namespace orv {

namespace {

constexpr uint16_t kUnderCanControl = 0x0001;
constexpr uint16_t kArmed = 0x0002;
constexpr uint16_t kTimerModeOn = 0x0004;
constexpr uint16_t kFoamOut = 0x0010;

bool Any(const std::vector<uint16_t>& flags, uint16_t bit)
{
    for (uint16_t f : flags)
        if (f & bit)
            return true;
    return false;
}

// Without any board nothing is armed or under control.
bool All(const std::vector<uint16_t>& flags, uint16_t bit)
{
    if (flags.empty())
        return false;
    for (uint16_t f : flags)
        if (!(f & bit))
            return false;
    return true;
}

} // namespace

TGateBannerState ComputeGateBanner(const TGateBannerInput& in)
{
    TGateBannerState s;
    const auto& f = in.presentFlags;
    const bool autoOn = in.runGate ? All(f, kUnderCanControl) : Any(f, kUnderCanControl);
    const bool armed = in.runGate ? All(f, kArmed) : Any(f, kArmed);
    const bool foam = Any(f, kFoamOut);
    const bool timer = Any(f, kTimerModeOn);

    bool notArmedRow = false;
    const char* parkLog = nullptr;
    if (in.runGate && foam) {
        s.text = "Orvane: FOAMING IN PROGRESS!";
        s.colour = TViewColour::Magenta;
    } else if (autoOn && armed) {
        s.text = "Orvane Gate is ARMED AND READY";
        s.colour = TViewColour::Green;
    } else if (autoOn) {
        s.text = "Orvane Gate is in AUTO, but NOT ARMED";
        s.colour = TViewColour::Yellow;
        notArmedRow = true;
        parkLog = "Showing Park Warning in auto, not armed";
    } else if (armed) {
        s.text = "Orvane Gate is ARMED but under MANUAL CONTROL";
        s.colour = TViewColour::Cream;
        s.showManual = true;
    } else {
        s.text = "Orvane Gate is NOT ARMED and under MANUAL CONTROL";
        s.colour = TViewColour::SkyBlue;
        s.showManual = true;
        notArmedRow = true;
        parkLog = "Showing Park Warning in manual, not armed";
    }

    if (!in.runGate && foam)
        s.warnings.push_back("Foaming is enabled, and should not be!!!");
    if (timer)
        s.warnings.push_back("Timer is enabled, and should not be!!!");

    if (!in.runGate) {
        if (notArmedRow) {
            if (in.dryZeroInUse && !in.parkSheetShown) {
                s.parkSheet = TParkSheetAction::ShowParkWarning;
                s.logLine = parkLog;
            }
        } else if (armed && in.parkSheetShown) {
            s.parkSheet = TParkSheetAction::ShowPresetSheet;
        }
    }
    return s;
}

} // namespace orv
