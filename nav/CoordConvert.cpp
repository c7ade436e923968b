#include "nav/CoordConvert.h"

#include "store/Log.h"

#include <cmath>

namespace orv {

namespace {
constexpr double kHalfPi = 1.5707963267948966;
}

TCoordConvert::~TCoordConvert()
{
    // Nothing the converter holds can fail to release today; the guard keeps
    // the promise that freeing it never raises.
    try {
        fUnits = TDisplayUnits{};
    } catch (...) {
        Log("Exception raised on freeing objects in TCoordConvert");
    }
}

float TCoordConvert::ConvertForDisplay(const TDisplayUnits& units, int kind, float value)
{
    switch (kind) {
    case dqVolume:
        if (units.volume == 0)
            return static_cast<float>(value * 0.264172051);
        if (units.volume == 1)
            return static_cast<float>(value * 0.219969);
        return value;
    case dqMass:
        if (units.mass == 0)
            return static_cast<float>(value * 2.20462);
        return value;
    default:
        return value;
    }
}

double TCoordConvert::SafeArcSin(double x)
{
    if (x == 0)
        return 0;
    if (x == 1)
        return kHalfPi;
    if (x == -1)
        return -kHalfPi;
    if (x >= -0.5 && x <= 0.5)
        return std::atan(x / std::sqrt(1 - x * x));
    if (x > 0.5)
        return kHalfPi - SafeArcCos(x);
    return SafeArcCos(-x) - kHalfPi;
}

double TCoordConvert::SafeArcCos(double x)
{
    if (x == 0)
        return kHalfPi;
    if (x == 1 || x == -1)
        return 0;
    if (x >= 0.5 || x < -0.5)
        return std::atan(std::sqrt(1 - x * x) / x);
    if (x >= 0)
        return kHalfPi - SafeArcSin(x);
    return SafeArcSin(-x) - kHalfPi;
}

} // namespace orv
