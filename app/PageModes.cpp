#include "app/PageModes.h"

#include "ui/PageTable.h"

namespace orv {

int RunPageOfPrimaryMode(int primaryMode)
{
    switch (primaryMode) {
    case 0:
        return pgRunGate;
    case 1:
    case 4:
        return pgRunDryMaterial;
    case 2:
        return pgRunWetSealed;
    default:
        return -1;
    }
}

TTabChoice ChooseTabs(uint8_t pageMode, int primaryMode)
{
    if (pageMode & osFailure)
        return {true, kFailureTabMask, pgDiagnostics};
    if (pageMode & osService)
        return {true, kServiceTabMask, pgSelectPrimaryMode};
    if (pageMode & osNominal)
        return {true, kNominalTabMask, RunPageOfPrimaryMode(primaryMode)};
    return {};
}

} // namespace orv
