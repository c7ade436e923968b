#pragma once
#include <cstdint>

namespace Ui {
class PageStatus;
}

namespace orv {

// The "Status" page: one check item per displayed bit of a board's status
// flag word, each carrying its bit number.
class TStatusPage {
public:
    // Item data role of the bit number.
    static constexpr int kBitRole = 0x0100; // Qt::UserRole

    explicit TStatusPage(Ui::PageStatus& ui);

    // Rebuilds the items (start-up).
    void FillStatusList();
    // Ticks each item whose bit is set; bits above 15 count as clear.
    void ShowStatusFlags(uint32_t flags);

private:
    Ui::PageStatus& fUi;
};

} // namespace orv
