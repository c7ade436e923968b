#include "control/FiregateModel.h"

#include "nav/CoordConvert.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/IniPaths.h"
#include "store/Log.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kTwoG = 1962; // cm/s², twice the gravity acceleration
constexpr double kMaxSmoothedChange = 80000;
constexpr double kRestartFlow = 1000; // cm³/s

double Horner(const float* c, int count, double x)
{
    double r = 0;
    for (int i = count - 1; i >= 0; --i)
        r = r * x + c[i];
    return r;
}

float ReadModelValue(const TMemIniFile& file, const char* key, const char* def)
{
    const std::string text = file.ReadString("FIREGATE_MODEL_PARAMETERS", key, def);
    double v = 0;
    if (!TryStrToFloat(text, v))
        TryStrToFloat(def, v);
    return static_cast<float>(v);
}

} // namespace

bool ModelRunsIn(uint8_t tankState)
{
    return tankState >= tks_dropping_SplitZero && tankState <= tks_stopping_SplitMore && tankState % 3 != 0;
}

TFiregateModel::TFiregateModel()
{
    // The built-in gate when "FiregateModelValues.ini" is missing.
    fCoefficients[mcGateLength] = 105;
    fCoefficients[mcTimeToFullOpen] = 0.6f;
    fCoefficients[mcTimeToFullOpenDry] = 0.6f;
    fCoefficients[mcFullTankLevel] = 194;
    fCoefficients[mcDoorWidth] = 26.5f;
    fCoefficients[mcDoorGap] = 2;
    fDoors = 2;
}

void TFiregateModel::LoadModelValues(const std::string& path)
{
    if (!FileExists(path))
        return;
    const TMemIniFile file(path);
    fCoefficients[mcGateLength] = ReadModelValue(file, "LengthOfGate", "150");
    ReadModelValue(file, "ChosenFlowRate", "12.6"); // kept in the file, no effect
    fCoefficients[mcTimeToFullOpen] = ReadModelValue(file, "TimeToFullOpen", "0.6");
    fCoefficients[mcTimeToFullOpenDry] = ReadModelValue(file, "TimeToFullOpenDry", "0.6");
    fCoefficients[mcFullTankLevel] = ReadModelValue(file, "FullTankLevel", "200");
    fCoefficients[mcDoorWidth] = ReadModelValue(file, "GateDoorWidth", "26.5");
    fCoefficients[mcDoorGap] = ReadModelValue(file, "DistanceBetweenClosedDoors", "0");
    const int64_t doors = file.ReadInteger("FIREGATE_MODEL_PARAMETERS", "NumberOfDoors", 2);
    fDoors = doors >= 0 && doors <= 255 ? static_cast<uint8_t>(doors) : 2;
}

void TFiregateModel::LoadTankCoefficients(const std::string& path)
{
    if (!FileExists(path))
        return;
    const TMemIniFile file(path);
    for (int i = 0; i <= 5; ++i) {
        fCoefficients[mcVolume0 + i] = static_cast<float>(file.ReadFloat("Volume Coefficients", std::to_string(i), 0));
        fCoefficients[mcLevel0 + i] = static_cast<float>(file.ReadFloat("Level Coefficients", std::to_string(i), 0));
    }
    for (int i = 0; i <= 4; ++i)
        fCoefficients[mcR0 + i] = static_cast<float>(file.ReadFloat("R Coefficients", std::to_string(i), 0));
    DeriveAreaCoefficients();
}

void TFiregateModel::DeriveAreaCoefficients()
{
    // The cross-section is the derivative of the volume, litres to cm³.
    for (int i = 1; i <= 5; ++i)
        fCoefficients[11 + i] = static_cast<float>(i * fCoefficients[mcVolume0 + i] * 1000.0f);
}

double TFiregateModel::TankArea(double h) const
{
    return Horner(&fCoefficients[mcArea0], 5, h);
}

double TFiregateModel::TankR(double h) const
{
    return std::max(1.0, Horner(&fCoefficients[mcR0], 5, h));
}

double TFiregateModel::LevelFromVolume(double v) const
{
    return Horner(&fCoefficients[mcLevel0], 6, v);
}

double TFiregateModel::GateArea(double x)
{
    const double w = fCoefficients[mcDoorWidth];
    const double lg = fCoefficients[mcGateLength];
    const double gap = fCoefficients[mcDoorGap];
    // Without a door width every term that uses the angle vanishes.
    const double ratio = w > 0 ? x / (2 * w) : 0;
    double area = 0;
    double e = 0;
    if (fDoors == 2) {
        const double b = std::min(1.0, std::max(0.0, ratio));
        const double theta = 2 * TCoordConvert::SafeArcSin(b);
        const double c = w * std::cos(theta);
        const double f = 2 * (w - c) + gap;
        e = 2 * w * std::sin(theta) * (c + f);
        area = std::min(2 * lg * x + e, e + f * lg);
    } else {
        const double b = std::min(0.70710677, std::max(0.0, ratio));
        const double theta = std::min(kHalfPi, 2 * TCoordConvert::SafeArcSin(b));
        e = (w * std::sin(theta)) * (w * std::cos(theta));
        area = lg * x + e;
    }
    fEndArea = static_cast<float>(e);
    return area;
}

void TFiregateModel::BuildEquivalentTables()
{
    const double w = fCoefficients[mcDoorWidth];
    const double lg = fCoefficients[mcGateLength];
    fDoorToEquivalent.Clear();
    for (int i = 0; i <= 99; ++i) {
        const double x = std::sqrt(2.0) * i * w / 100;
        const double area = GateArea(x);
        fDoorToEquivalent.Add(x, lg > 0 ? area / lg : 0);
    }
    fMaxEquivalent = static_cast<float>(fDoorToEquivalent[99].Y);
    fEquivalentToDoor = fDoorToEquivalent.Exchanged();
}

double TFiregateModel::RequiredEquivalentOpening(double h, double targetFlow) const
{
    if (targetFlow == 0 || !std::isfinite(targetFlow) || !std::isfinite(h))
        return 0;
    if (h < 0.1 || h > fCoefficients[mcFullTankLevel] + 1.0)
        return fMaxEquivalent;
    const double a = TankArea(h);
    const double lg = fCoefficients[mcGateLength];
    // No tank cross-section or no gate: no opening can be computed.
    if (a == 0 || !(lg > 0))
        return 0;
    const double q2 = targetFlow * targetFlow * 1e6;
    const double needed = std::sqrt(1 / (h * kTwoG / q2 + 1 / (a * a))) / lg;
    return std::min(static_cast<double>(fMaxEquivalent), needed);
}

bool TFiregateModel::RawFlowChange(double h, double q, double dh, double tweak, double gateArea, double& raw) const
{
    if (h < 0.1 || q <= 0 || !(gateArea > 0))
        return false;
    const double area = TankArea(h);
    const double a = 2 * area * TankR(h) / 10000;
    if (!(a > 0))
        return false;
    const double k = area * tweak / gateArea;
    raw = (area * area * h * kTwoG / (q * q) + 1 - k * k) * q * dh / a;
    return std::isfinite(raw);
}

void TFiregateModel::SetRunning(bool on, int64_t now)
{
    if (on == fRunning)
        return;
    fRunning = on;
    fFlow = 0;
    fSmoothedChange = 0;
    fSimulatedTime = now;
    Log(on ? "Firegate Iteration Activated" : "Firegate Iteration De-Activated");
}

void TFiregateModel::SetTankState(uint8_t state, int64_t now)
{
    if (state == fTankState)
        return;
    fTankState = state;
    SetRunning(ModelRunsIn(state), now);
}

double TFiregateModel::Step(int64_t now, int64_t ticksPerMs, const TDropBoardInput& board, double leakage,
                            double tweak, double gateArea)
{
    const int64_t stepTicks = ticksPerMs * 3;
    if (fSimulatedTime > now || now - fSimulatedTime > 1000 * ticksPerMs || stepTicks <= 0) {
        fSimulatedTime = now;
        return 0;
    }
    const bool gateOpen = board.gateOpeningPercent > leakage;
    if (!board.pilotSwitchClosed && !gateOpen) {
        // The gate is shut: nothing flows, and the closed time must not be
        // caught up as flow when it opens again within the second.
        fSimulatedTime = now;
        return 0;
    }
    const auto restartFlow = [&] {
        return gateOpen && board.switchUsedSinceFill && fTankLevel > 10 ? kRestartFlow : 0.0;
    };
    if (fTankLevel <= 0.1) {
        SetTankState(tks_empty, now);
        fSimulatedTime = now;
        fSmoothedChange = 0;
        return 0;
    }
    if (fFlow < 0) {
        fFlow = restartFlow();
        fSimulatedTime = now;
        return 0;
    }
    fGateArea = static_cast<float>(gateArea);
    if (!(gateArea > 0)) {
        fSimulatedTime = now;
        fSmoothedChange = 0;
        return 0;
    }
    double volume = 0;
    while (fSimulatedTime < now) {
        const double h = fTankLevel;
        const double area = TankArea(h);
        double raw = 0;
        // Without a tank cross-section the level step has no value, and the
        // raw change would fail on the same ground: stop here.
        const double dh = area > 0 ? kStep * fFlow / area : 0;
        if (!(area > 0) || !RawFlowChange(h, fFlow, dh, tweak, gateArea, raw)) {
            fSimulatedTime = now;
            fFlow = restartFlow();
            break;
        }
        fLevelStep = static_cast<float>(dh);
        fRawChange = raw;
        fTankLevel = static_cast<float>(h - dh);
        fSmoothedChange =
            std::clamp((2 * fSmoothedChange + raw) / 3, -kMaxSmoothedChange, kMaxSmoothedChange);
        const double u = std::max(fSmoothedChange, -fFlow / 2);
        fFlow = fFlow + u;
        volume = volume + fFlow * kStep / 1000;
        fSimulatedTime += stepTicks;
    }
    return volume;
}

} // namespace orv
