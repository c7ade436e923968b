#pragma once
#include <cstdint>

namespace orv {

// Which tabs and which page a page mode offers.
struct TTabChoice {
    bool apply = false;    // false: tabs and page stay as they are
    uint32_t mask = 0;     // bit i: tab of page i visible
    int page = -1;         // page to show; -1 keeps the shown page
};

// Failure, then service, then nominal, in that order of precedence.
TTabChoice ChooseTabs(uint8_t pageMode, int primaryMode);

// The run page of a primary mode; -1 when the mode has none of its own.
int RunPageOfPrimaryMode(int primaryMode);

} // namespace orv
