#include "app/pages/StatusPage.h"

#include "device/DeviceModel.h"
#include "ui_PageStatus.h"

#include <QListWidget>

namespace orv {

static_assert(TStatusPage::kBitRole == Qt::UserRole);

TStatusPage::TStatusPage(Ui::PageStatus& ui) : fUi(ui)
{
    FillStatusList();
}

void TStatusPage::FillStatusList()
{
    QListWidget* list = fUi.CheckListBoxStatus;
    list->clear();
    for (int bit : kDisplayedStatusBits) {
        auto* item = new QListWidgetItem(QString::fromStdString(TDeviceModel::StatusFlagName(bit)), list);
        // The marks show the boards' reports; the operator does not set them.
        item->setFlags(Qt::ItemIsEnabled);
        item->setData(kBitRole, bit);
        item->setCheckState(Qt::Unchecked);
    }
}

void TStatusPage::ShowStatusFlags(uint32_t flags)
{
    QListWidget* list = fUi.CheckListBoxStatus;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        const int bit = item->data(kBitRole).toInt();
        const bool set = bit >= 0 && bit <= 15 && ((flags >> bit) & 1u) != 0;
        item->setCheckState(set ? Qt::Checked : Qt::Unchecked);
    }
}

} // namespace orv
