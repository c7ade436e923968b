#include "app/pages/ConfigurationSettingsPage.h"

#include "ui_PageConfiguration.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>

namespace orv {

namespace {
const QColor kMarkColour(0xFF, 0xFF, 0x00); // yellow
} // namespace

// A click on a settings edit opens the numeric entry.
class TConfigurationSettingsPage::TClickFilter : public QObject {
public:
    explicit TClickFilter(TConfigurationSettingsPage& page) : fPage(page) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease && fPage.fEntry) {
            for (int key = 0; key < kSettingKeyCount; ++key) {
                if (fPage.fRows[key].edit == watched) {
                    fPage.EditControllerSetting(key);
                    return true;
                }
            }
        }
        return false;
    }

private:
    TConfigurationSettingsPage& fPage;
};

const char* const TConfigurationSettingsPage::kInvalidMessage = "The marked values are not valid integers";

TConfigurationSettingsPage::TConfigurationSettingsPage(Ui::PageConfiguration& ui, TControllerSettings& settings,
                                                       MessageFunction message)
    : fUi(ui), fSettings(settings), fMessage(std::move(message))
{
    fRows[cskProportionalCurrent] = {fUi.bsLabelProportionalCurrent, fUi.EditProportionalCurrent,
                                     fUi.LabelReadProportionalCurrent};
    fRows[cskMaxProportionalCurrent] = {fUi.bsLabelPropCurrentMax, fUi.EditPropCurrentMax,
                                        fUi.LabelReadPropCurrentMax};
    fRows[cskOuterDeadBand] = {fUi.bsLabelOuterDeadband, fUi.EditOuterDeadband, fUi.LabelReadOuterDeadband};
    fRows[cskInnerDeadBand] = {fUi.bsLabelInnerDeadBand, fUi.EditInnerDeadBand, fUi.LabelReadInnerDeadBand};
    fRows[cskMaximumOpening] = {fUi.bsLabelMaximumOpen, fUi.EditMaximumOpen, fUi.LabelReadMaximumOpen};
    fRows[cskSealedPosition] = {fUi.bsLabelMinimumOpen, fUi.EditMinimumOpen, fUi.LabelReadMinimumOpen};
    fRows[cskDryZeroOpening] = {fUi.bsLabelDryZeroValue, fUi.EditDryZeroValue, fUi.LabelReadDryZeroValue};
    fRows[cskPwmFrequency] = {fUi.bsLabelPWMFrequency, fUi.EditPWMFrequency, fUi.LabelReadPWMFrequency};
    fRows[cskPwmProportion] = {fUi.bsLabelPWMProportion, fUi.EditPWMProportion, fUi.LabelReadPWMProportion};
    fNormalPalette = fUi.EditProportionalCurrent->palette();

    if (!fMessage) {
        QWidget* parent = fUi.bsGroupBoxControllerSettings;
        fMessage = [parent](const QString& text) {
            QMessageBox::warning(parent->window(), QApplication::applicationName(), text);
        };
    }
    QObject::connect(fUi.bsButtonSaveConfigChanges, &QPushButton::clicked, &fContext,
                     [this] { bsButtonSaveConfigChangesClick(); });
    // clicked comes only from the operator, never from Show's own ticks.
    QObject::connect(fUi.bsRadioButtonLeft, &QRadioButton::clicked, &fContext,
                     [this] { fSettings.SelectDisplayedBoard(true); });
    QObject::connect(fUi.bsRadioButtonRight, &QRadioButton::clicked, &fContext,
                     [this] { fSettings.SelectDisplayedBoard(false); });
    fClickFilter = std::make_unique<TClickFilter>(*this);
    for (const TRow& row : fRows)
        if (row.edit)
            row.edit->installEventFilter(fClickFilter.get());
    fSettings.SetView(this);
}

TConfigurationSettingsPage::~TConfigurationSettingsPage()
{
    fSettings.SetView(nullptr);
}

QLineEdit* TConfigurationSettingsPage::Edit(int key) const
{
    return key >= 0 && key < kSettingKeyCount ? fRows[key].edit : nullptr;
}

void TConfigurationSettingsPage::Show()
{
    fSettings.ShowDisplayedBoard();
    ShowLeftRight();
}

void TConfigurationSettingsPage::ShowLeftRight()
{
    const int mode = fSettings.PrimaryMode();
    fUi.bsGroupBoxLeftRight->setVisible(mode == 0 || mode == 1);
    const int board = fSettings.DisplayedBoard();
    // Neither is ticked for the unaddressed board.
    fUi.bsRadioButtonLeft->setAutoExclusive(false);
    fUi.bsRadioButtonRight->setAutoExclusive(false);
    fUi.bsRadioButtonLeft->setChecked(board == 1);
    fUi.bsRadioButtonRight->setChecked(board == 2);
    fUi.bsRadioButtonLeft->setAutoExclusive(true);
    fUi.bsRadioButtonRight->setAutoExclusive(true);
}

bool TConfigurationSettingsPage::ReadSettingsEdits()
{
    if (!fSettings.Model())
        return false;
    TSettingsTexts texts;
    for (int key = 0; key < kSettingKeyCount; ++key)
        if (fRows[key].edit)
            texts[key] = fRows[key].edit->text().toStdString();
    TBoardSettings values = fSettings.Values(fSettings.DisplayedBoard());
    const int bad = ValidateSettingsTexts(texts, fSettings.PrimaryMode(), values);
    if (bad >= 0) {
        // Only the refused value is marked, so the message points at it.
        ClearSettingMarks();
        MarkSetting(bad);
        fMessage(QString::fromUtf8(kInvalidMessage));
        return false;
    }
    values[cskPwmEnabled] = fUi.bsCheckBoxPWMEnabled->isChecked() ? 1 : 0;
    values[cskMaxSolenoids] = fUi.bsCheckBoxHighSpeedSolenoids->isChecked() ? 1 : 0;
    fSettings.TakeSettingsEdits(values);
    return true;
}

void TConfigurationSettingsPage::EditControllerSetting(int key)
{
    const TSettingEditDef* def = SettingEditDef(key);
    QLineEdit* edit = Edit(key);
    if (!def || !edit || !fEntry)
        return;
    int minimum = def->minimum;
    if (key == cskDryZeroOpening) {
        // Never below the board's sealed position.
        int sealed = 0;
        minimum = ParseDecimal(fUi.LabelReadMinimumOpen->text().toStdString(), sealed) && sealed > 0 ? sealed : 1;
    }
    const int start = SettingEditStart(edit->text().toStdString(), fRows[key].readback->text().toStdString(), minimum);
    const QString title = QStringLiteral("%1 (%2..%3)").arg(QString::fromUtf8(def->name)).arg(minimum).arg(def->maximum);
    std::optional<double> value;
    try {
        value = fEntry(title, start, def->wholeDigits);
    } catch (...) {
        return; // the entry's own trouble leaves the edit as it was
    }
    if (value)
        edit->setText(QString::fromStdString(SettingEditText(*value, minimum, def->maximum)));
}

void TConfigurationSettingsPage::SaveConfigChanges()
{
    // The apply's waits serve the event loop: a second press meanwhile is dropped.
    if (fSaving)
        return;
    fSaving = true;
    try {
        if (ReadSettingsEdits())
            fSettings.SaveDisplayedBoard();
    } catch (...) {
        fSaving = false;
        throw;
    }
    fSaving = false;
}

// IControllerSettingsView

void TConfigurationSettingsPage::ShowSettingValue(int key, int value)
{
    if (key == cskPwmEnabled)
        fUi.bsCheckBoxPWMEnabled->setChecked(value != 0);
    else if (key == cskMaxSolenoids)
        fUi.bsCheckBoxHighSpeedSolenoids->setChecked(value != 0);
    else if (QLineEdit* edit = Edit(key))
        edit->setText(QString::number(value));
}

void TConfigurationSettingsPage::ShowSettingControl(int key, bool visible)
{
    if (key == cskPwmEnabled) {
        fUi.bsCheckBoxPWMEnabled->setVisible(visible);
        return;
    }
    if (key == cskMaxSolenoids) {
        fUi.bsCheckBoxHighSpeedSolenoids->setVisible(visible);
        return;
    }
    if (key < 0 || key >= kSettingKeyCount || !fRows[key].edit)
        return;
    fRows[key].caption->setVisible(visible);
    fRows[key].edit->setVisible(visible);
    fRows[key].readback->setVisible(visible);
}

void TConfigurationSettingsPage::ClearSettingMarks()
{
    for (const TRow& row : fRows)
        if (row.edit)
            row.edit->setPalette(fNormalPalette);
    SetPanelFocused(false);
}

void TConfigurationSettingsPage::MarkSetting(int key)
{
    if (key == cskPwmEnabled || key == cskMaxSolenoids) {
        SetPanelFocused(true);
        return;
    }
    if (QLineEdit* edit = Edit(key)) {
        QPalette p = fNormalPalette;
        p.setColor(QPalette::Base, kMarkColour);
        edit->setPalette(p);
    }
}

bool TConfigurationSettingsPage::Marked(int key) const
{
    if (key == cskPwmEnabled || key == cskMaxSolenoids)
        return PanelFocused();
    const QLineEdit* edit = Edit(key);
    return edit && edit->palette().color(QPalette::Base) == kMarkColour;
}

void TConfigurationSettingsPage::SetPanelFocused(bool on)
{
    QFrame* panel = fUi.bsPanelSettingsChecks;
    if (panel->property("focusedLook").toBool() == on)
        return;
    panel->setProperty("focusedLook", on);
    panel->setStyleSheet(on ? QStringLiteral("#bsPanelSettingsChecks { border: 2px solid #FFFF00; }") : QString());
}

bool TConfigurationSettingsPage::PanelFocused() const
{
    return fUi.bsPanelSettingsChecks->property("focusedLook").toBool();
}

void TConfigurationSettingsPage::ShowMismatchText(int label, const std::string& text)
{
    QLabel* target = label == 1 ? fUi.bsLabelSettingsMismatch2 : fUi.bsLabelSettingsMismatch1;
    target->setText(QString::fromStdString(text));
}

void TConfigurationSettingsPage::ShowReadback(const TControllerReadback& r)
{
    fUi.LabelReadProportionalCurrent->setText(QString::number(r.proportionalCurrent));
    fUi.LabelReadPropCurrentMax->setText(QString::number(r.maxProportionalCurrent));
    fUi.LabelReadPWMFrequency->setText(QString::number(r.pwmFrequency));
    fUi.LabelReadPWMProportion->setText(QString::number(r.pwmProportion));
    fUi.bsCheckBoxReadPWMEnabled->setChecked(r.pwmEnabled);
    fUi.bsCheckBoxReadHighSpeed->setChecked(r.highSpeed);
    fUi.LabelReadOuterDeadband->setText(QString::number(r.outerDeadBand));
    fUi.LabelReadInnerDeadBand->setText(QString::number(r.innerDeadBand));
    fUi.LabelReadMaximumOpen->setText(QString::number(r.maximumOpen));
    fUi.LabelReadDryZeroValue->setText(r.showDryZero ? QString::number(r.dryZero) : QString());
    fUi.LabelReadMinimumOpen->setText(QString::number(r.sealed));
}

void TConfigurationSettingsPage::ShowHighSpeedReadback(bool on)
{
    fUi.bsCheckBoxReadHighSpeed->setChecked(on);
}

} // namespace orv
