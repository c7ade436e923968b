#include "app/pages/GpsSourceSelect.h"

#include "ui_PageSelectPrimaryMode.h"

#include <QComboBox>
#include <QLabel>

namespace orv {

TGpsSourceSelect::TGpsSourceSelect(Ui::PageSelectPrimaryMode& ui, TGpsSource& source, std::function<void()> startGps)
    : fUi(ui), fSource(source), fStartGps(std::move(startGps))
{
    fShowing = true;
    fUi.bsComboBoxGPS->clear();
    for (const TGpsSourceDef& def : GpsSources())
        fUi.bsComboBoxGPS->addItem(QString::fromUtf8(def.caption));
    fShowing = false;
    fUi.LabelGPSNotAvailable->setVisible(false);
    QObject::connect(fUi.bsComboBoxGPS, &QComboBox::currentIndexChanged, &fContext,
                     [this](int index) { bsComboBoxGPSChange(index); });
    Show();
}

void TGpsSourceSelect::Show()
{
    fShowing = true;
    fUi.bsComboBoxGPS->setCurrentIndex(fSource.SelectedGPS());
    fShowing = false;
}

void TGpsSourceSelect::ShowResult(const TGpsStartResult& result)
{
    fUi.LabelGPSSourceStatus->setText(QString::fromUtf8(result.statusText));
    fUi.LabelGPSNotAvailable->setVisible(result.gpsNotAvailable);
}

void TGpsSourceSelect::bsComboBoxGPSChange(int index)
{
    if (fShowing || index < 0)
        return;
    fSource.SetSelectedGPS(index);
    if (fStartGps)
        fStartGps();
}

} // namespace orv
