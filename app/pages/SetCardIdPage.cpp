#include "app/pages/SetCardIdPage.h"

#include "device/DeviceModel.h"
#include "nav/GPSClock.h"
#include "ui_PageSetCardID.h"

namespace orv {

const char* const TSetCardIdPage::kInstructions =
    "To give a controller its address, switch off the power of every other controller so that only the "
    "controller to be addressed is powered. Then tick \"Left\" to make it the left gate controller, or "
    "\"Right\" to make it the right gate controller. The controllers that answer are listed above the "
    "boxes; restore the power of the other controllers when done.";

TSetCardIdPage::TSetCardIdPage(Ui::PageSetCardID& ui, std::function<TDeviceModel*()> model)
    : fUi(ui), fModel(std::move(model))
{
    fUi.bsLabelCardIdInstructions->setText(QString::fromUtf8(kInstructions));
    QObject::connect(fUi.bsCheckBoxLeftGate, &QCheckBox::clicked, &fContext, [this] { OnLeftRightGateSet(); });
    QObject::connect(fUi.bsCheckBoxRightGate, &QCheckBox::clicked, &fContext, [this] { OnLeftRightGateSet(); });
}

void TSetCardIdPage::ShowConnectedControllerIDs()
{
    fRefreshing = true;
    fUi.bsLabelConnectedIDs->clear();
    fUi.bsCheckBoxLeftGate->setChecked(false);
    fUi.bsCheckBoxRightGate->setChecked(false);
    const TDeviceModel* model = fModel ? fModel() : nullptr;
    QString text;
    int shown = 0;
    static const char* const kNames[] = {"  Broadcast  ", "  Left Gate  ", "  Right Gate  "};
    for (int b = 0; b < 3; ++b) {
        if (model && model->BoardPresent(b)) {
            text += QString::fromUtf8(kNames[b]);
            ++shown;
        }
    }
    fUi.bsLabelConnectedIDs->setText(text);
    // With two controllers powered an address would reach both.
    const bool enable = shown < 2;
    fUi.bsCheckBoxLeftGate->setEnabled(enable);
    fUi.bsCheckBoxRightGate->setEnabled(enable);
    if (enable && model) {
        if (model->BoardPresent(1))
            fUi.bsCheckBoxLeftGate->setChecked(true);
        else if (model->BoardPresent(2))
            fUi.bsCheckBoxRightGate->setChecked(true);
    }
    fRefreshing = false;
}

void TSetCardIdPage::OnLeftRightGateSet()
{
    TDeviceModel* model = fModel ? fModel() : nullptr;
    // The waits below serve the event loop, so a second click could arrive.
    if (!model || fRefreshing || fAssigning)
        return;
    fAssigning = true;
    if (fUi.bsCheckBoxLeftGate->isChecked() && !model->BoardPresent(1))
        model->SetBoardID(1);
    else if (fUi.bsCheckBoxRightGate->isChecked() && !model->BoardPresent(2))
        model->SetBoardID(2);
    TGPSClock& clock = TGPSClock::Instance();
    clock.Delay(100, true);
    // The boards' next statuses fill the set again under their new addresses.
    model->ClearBoardsPresent();
    clock.Delay(200, true);
    fAssigning = false;
    ShowConnectedControllerIDs();
}

} // namespace orv
