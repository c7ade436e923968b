#pragma once
#include "control/XYPair.h"

#include <array>
#include <cstdint>
#include <string>

namespace orv {

// Tank states of a fire-gate load: (dropping, stopping, stopped) per load part.
enum TTankState : uint8_t {
    tks_full = 0,
    tks_dropping_SplitZero = 1,
    tks_stopping_SplitZero = 2,
    tks_Stopped_SplitZero = 3,
    tks_dropping_SplitOne = 4,
    tks_stopping_SplitOne = 5,
    tks_Stopped_SplitOne = 6,
    tks_Dropping_SplitTwo = 7,
    tks_stopping_SplitTwo = 8,
    tks_Stopped_SplitTwo = 9,
    tks_dropping_SplitThree = 10,
    tks_stopping_SplitThree = 11,
    tks_Stopped_SplitThree = 12,
    tks_dropping_SplitFour = 13,
    tks_stopping_SplitFour = 14,
    tks_Stopped_SplitFour = 15,
    tks_dropping_SplitMore = 16,
    tks_stopping_SplitMore = 17,
    tks_Stopped_SplitMore = 18,
    tks_empty = 19,
};

// The drop model runs in the dropping and stopping states only.
bool ModelRunsIn(uint8_t tankState);

// What the drop model needs to know of the board it follows.
struct TDropBoardInput {
    bool pilotSwitchClosed = false;  // the board's stored pilot switch state
    float gateOpeningPercent = 0;    // from the board's position reports
    bool switchUsedSinceFill = false; // a drop was requested since the fill
};

// Indexes of the 28 model coefficients.
enum TModelCoefficient : int {
    mcVolume0 = 0,    // 0..5: tank volume (L) of the level (cm)
    mcLevel0 = 6,     // 6..11: tank level (cm) of the remaining volume (L)
    mcArea0 = 12,     // 12..16: cross-section (cm²) of the level, derived from the volume
    mcR0 = 17,        // 17..21
    mcGateLength = 22, // cm
    mcTimeToFullOpen = 23, // s
    mcTimeToFullOpenDry = 24, // s
    mcFullTankLevel = 25, // cm
    mcDoorWidth = 26,  // cm
    mcDoorGap = 27,    // distance between closed doors, cm
    mcCount = 28,
};

// The fire-gate tank and gate: tank polynomials, door geometry, the
// equivalent-opening tables and the hydraulic drop model. Lengths in cm,
// tank volumes in litres, flows in cm³/s.
class TFiregateModel {
public:
    static constexpr double kStep = 0.003; // s, one model step

    TFiregateModel();

    // "FiregateModelValues.ini"; a missing file keeps the built-in aircraft.
    void LoadModelValues(const std::string& path);
    // "Tank_Coefficients.ini"; a missing file leaves every tank coefficient 0.
    void LoadTankCoefficients(const std::string& path);
    // The door-to-equivalent table (100 points) and its exchange.
    void BuildEquivalentTables();

    float Coefficient(int i) const { return fCoefficients[i]; }
    void SetCoefficient(int i, float v) { fCoefficients[i] = v; }
    // Derives the area coefficients from the volume coefficients.
    void DeriveAreaCoefficients();
    uint8_t NumberOfDoors() const { return fDoors; }
    void SetNumberOfDoors(uint8_t n) { fDoors = n; }

    // Tank cross-section A(h), the factor R(h) (at least 1), the level L(v).
    double TankArea(double h) const;
    double TankR(double h) const;
    double LevelFromVolume(double v) const;

    // Open area (cm²) of the gate for a door opening x (cm); keeps the end area.
    double GateArea(double x);
    float EndArea() const { return fEndArea; }

    const TArrayOfXYPair& DoorToEquivalent() const { return fDoorToEquivalent; }
    const TArrayOfXYPair& EquivalentToDoor() const { return fEquivalentToDoor; }
    float MaxEquivalentOpening() const { return fMaxEquivalent; }

    // Equivalent opening (cm) that lets the target flow (L/s) out at level h.
    double RequiredEquivalentOpening(double h, double targetFlow) const;

    // One quantity tick of the drop model up to now (clock ticks); returns
    // the litres released. leakage: percent opening below which the gate
    // counts as closed; tweak: the preset's rate tweak; gateArea: open area
    // of the present opening (cm²).
    double Step(int64_t now, int64_t ticksPerMs, const TDropBoardInput& board, double leakage, double tweak,
                double gateArea);

    // Raw flow change of one step of dh at level h and flow q; false when it
    // has no value (empty tank, no cross-section or no flow).
    bool RawFlowChange(double h, double q, double dh, double tweak, double gateArea, double& raw) const;

    // Model state.
    float TankLevel() const { return fTankLevel; }
    void SetTankLevel(float h) { fTankLevel = h; }
    float LevelStep() const { return fLevelStep; }
    double ModelFlow() const { return fFlow; }
    void SetModelFlow(double q) { fFlow = q; }
    double RawChange() const { return fRawChange; }
    double SmoothedChange() const { return fSmoothedChange; }
    void SetSmoothedChange(double v) { fSmoothedChange = v; }
    int64_t SimulatedTime() const { return fSimulatedTime; }
    void SetSimulatedTime(int64_t t) { fSimulatedTime = t; }
    float GateAreaValue() const { return fGateArea; }

    uint8_t TankState() const { return fTankState; }
    // Sets the state; when that turns the model on or off, the flow and the
    // smoothed change are cleared and the simulated time set to now.
    void SetTankState(uint8_t state, int64_t now);
    bool Running() const { return fRunning; }
    void SetRunning(bool on, int64_t now);

private:
    std::array<float, mcCount> fCoefficients{};
    uint8_t fDoors = 2;
    float fEndArea = 0;
    TArrayOfXYPair fDoorToEquivalent;
    TArrayOfXYPair fEquivalentToDoor;
    float fMaxEquivalent = 0;

    float fTankLevel = 0;
    float fLevelStep = 0;
    double fFlow = 0;
    double fRawChange = 0;
    double fSmoothedChange = 0;
    float fGateArea = 0;
    int64_t fSimulatedTime = 0;
    uint8_t fTankState = tks_full;
    bool fRunning = false;
};

} // namespace orv
