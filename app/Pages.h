#pragma once

#include "ui/PageTable.h"

#include "ui_PageDiagnostics.h"
#include "ui_PageStatus.h"
#include "ui_PageRunGate.h"
#include "ui_PageRunDryMaterial.h"
#include "ui_PageSelectPrimaryMode.h"
#include "ui_PageConfiguration.h"
#include "ui_PageEditPresetsWet.h"
#include "ui_PageEditPresets.h"
#include "ui_PageEditCalibrations.h"
#include "ui_PageStartCalCurve.h"
#include "ui_PageTestCalPoint.h"
#include "ui_PageMaxMinOpenings.h"
#include "ui_PageAlignPositionSensor.h"
#include "ui_PageTankLevel.h"
#include "ui_PageTankSplits.h"
#include "ui_PageDryZero.h"
#include "ui_PageRunWetSealed.h"
#include "ui_PageMeteringPlate.h"
#include "ui_PageCalibrateOpeningDistance.h"
#include "ui_PageMatchManualDial.h"
#include "ui_PageSetCardID.h"
#include "ui_PageTunePWM.h"
#include "ui_PageCycleTests.h"
#include "ui_PageLoadRite.h"
#include "ui_PageReceivers.h"

#include <array>

class QTabWidget;
class QWidget;

namespace orv {

// The 25 pages of the main page control, built from their Designer layouts,
// in tab order.
struct TPages {
    Ui::PageDiagnostics diagnostics;
    Ui::PageStatus status;
    Ui::PageRunGate runGate;
    Ui::PageRunDryMaterial runDryMaterial;
    Ui::PageSelectPrimaryMode selectPrimaryMode;
    Ui::PageConfiguration configuration;
    Ui::PageEditPresetsWet editPresetsWet;
    Ui::PageEditPresets editPresets;
    Ui::PageEditCalibrations editCalibrations;
    Ui::PageStartCalCurve startCalCurve;
    Ui::PageTestCalPoint testCalPoint;
    Ui::PageMaxMinOpenings maxMinOpenings;
    Ui::PageAlignPositionSensor alignPositionSensor;
    Ui::PageTankLevel tankLevel;
    Ui::PageTankSplits tankSplits;
    Ui::PageDryZero dryZero;
    Ui::PageRunWetSealed runWetSealed;
    Ui::PageMeteringPlate meteringPlate;
    Ui::PageCalibrateOpeningDistance calibrateOpeningDistance;
    Ui::PageMatchManualDial matchManualDial;
    Ui::PageSetCardID setCardID;
    Ui::PageTunePWM tunePWM;
    Ui::PageCycleTests cycleTests;
    Ui::PageLoadRite loadRite;
    Ui::PageReceivers receivers;

    // The tab sheet of each page, by page index.
    std::array<QWidget*, kPageCount> sheets{};

    // Builds every page and adds it to the page control with its caption.
    void Build(QTabWidget* pageControl);
};

} // namespace orv
