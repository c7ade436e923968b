#include "device/SettingsReports.h"

#include "device/ControllerSettingsTable.h"
#include "device/DeviceModel.h"

namespace orv {

bool HighSpeedReported(const TDeviceModel& m, int b)
{
    return (m.StatusFlags(b) & sfHighSpeedSolenoidsOn) != 0;
}

int ReportedSetting(const TDeviceModel& m, int b, int key)
{
    switch (key) {
    case cskProportionalCurrent:
        return m.ProportionalCurrent(b);
    case cskMaxProportionalCurrent:
        return m.MaxProportionalCurrent(b);
    case cskOuterDeadBand:
        return m.OuterDeadBand(b);
    case cskInnerDeadBand:
        return m.InnerDeadBand(b);
    case cskMaximumOpening:
        return m.MaximumOpen(b);
    case cskSealedPosition:
    case cskDryZeroOpening:
        return m.MinimumOpen(b);
    case cskPwmProportion:
        return m.PwmProportion(b);
    case cskPwmFrequency:
        return m.PwmFrequency(b);
    case cskPwmEnabled:
        return m.PwmEnabled(b) ? 1 : 0;
    case cskMaxSolenoids:
        return HighSpeedReported(m, b) ? 1 : 0;
    }
    return 0;
}

void SetCommandValue(TDeviceModel& m, int b, int key, int v)
{
    switch (key) {
    case cskOuterDeadBand:
        m.SetConfigOuterDeadBand(b, static_cast<uint8_t>(v));
        break;
    case cskInnerDeadBand:
        m.SetConfigInnerDeadBand(b, static_cast<uint8_t>(v));
        break;
    case cskMaximumOpening:
        m.SetConfigMaximumOpen(b, static_cast<uint16_t>(v));
        break;
    case cskProportionalCurrent:
        m.SetProportionalCurrentValue(b, static_cast<uint8_t>(v));
        break;
    case cskMaxProportionalCurrent:
        m.SetMaxProportionalCurrentValue(b, static_cast<uint8_t>(v));
        break;
    case cskPwmFrequency:
        m.SetPwmFrequencyValue(b, static_cast<uint16_t>(v));
        break;
    case cskPwmProportion:
        m.SetPwmProportionValue(b, static_cast<uint8_t>(v));
        break;
    case cskPwmEnabled:
        m.SetPwmEnabledValue(b, v != 0);
        break;
    default:
        break;
    }
}

} // namespace orv
