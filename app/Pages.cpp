#include "app/Pages.h"

#include <QTabWidget>
#include <QWidget>

namespace orv {

namespace {
template <class U>
QWidget* MakeSheet(U& ui, QTabWidget* owner)
{
    auto* w = new QWidget(owner);
    ui.setupUi(w);
    return w;
}
} // namespace

void TPages::Build(QTabWidget* pageControl)
{
    sheets[0] = MakeSheet(diagnostics, pageControl);
    sheets[1] = MakeSheet(status, pageControl);
    sheets[2] = MakeSheet(runGate, pageControl);
    sheets[3] = MakeSheet(runDryMaterial, pageControl);
    sheets[4] = MakeSheet(selectPrimaryMode, pageControl);
    sheets[5] = MakeSheet(configuration, pageControl);
    sheets[6] = MakeSheet(editPresetsWet, pageControl);
    sheets[7] = MakeSheet(editPresets, pageControl);
    sheets[8] = MakeSheet(editCalibrations, pageControl);
    sheets[9] = MakeSheet(startCalCurve, pageControl);
    sheets[10] = MakeSheet(testCalPoint, pageControl);
    sheets[11] = MakeSheet(maxMinOpenings, pageControl);
    sheets[12] = MakeSheet(alignPositionSensor, pageControl);
    sheets[13] = MakeSheet(tankLevel, pageControl);
    sheets[14] = MakeSheet(tankSplits, pageControl);
    sheets[15] = MakeSheet(dryZero, pageControl);
    sheets[16] = MakeSheet(runWetSealed, pageControl);
    sheets[17] = MakeSheet(meteringPlate, pageControl);
    sheets[18] = MakeSheet(calibrateOpeningDistance, pageControl);
    sheets[19] = MakeSheet(matchManualDial, pageControl);
    sheets[20] = MakeSheet(setCardID, pageControl);
    sheets[21] = MakeSheet(tunePWM, pageControl);
    sheets[22] = MakeSheet(cycleTests, pageControl);
    sheets[23] = MakeSheet(loadRite, pageControl);
    sheets[24] = MakeSheet(receivers, pageControl);
    for (int i = 0; i < kPageCount; ++i)
        pageControl->addTab(sheets[i], QString::fromUtf8(kPageTable[i].caption));
}

} // namespace orv
