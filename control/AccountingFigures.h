#pragma once
#include <cstdint>

namespace orv {

// The job and tank figures kept with the calculated quantities (internal
// units: ha, kg or L). Zero when the quantities are made.
struct TAccountingFigures {
    double mapArea = 0;
    double requiredMaterial = 0;
    double normalArea = 0;
    double cleanupArea = 0;
    double normalAmount = 0;
    double cleanupAmount = 0;
    double suppliedMaterial = 0;
    double capacity = 0;
    double presentFullTank = 0;
    double presentTankDispersed = 0;
    double presentTankCleanupDispersed = 0;
    double lastFullTank = 0;
    int32_t loadCount = 0;
    int32_t runningLoadCount = 0;
    double runningTotalLoaded = 0;
    double overlapPercent = 0;
};

} // namespace orv
