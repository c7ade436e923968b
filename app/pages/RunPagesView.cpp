#include "app/pages/RunPagesView.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <algorithm>

namespace orv {

namespace {

struct TControlRecord {
    TRunControl control;
    int page;
    const char* name;
};

const TControlRecord kControls[] = {
    {rcModeRadio0, pgSelectPrimaryMode, "RadioButtonFireGate"},
    {rcModeRadio1, pgSelectPrimaryMode, "RadioButtonDryMaterial"},
    {rcModeRadio2, pgSelectPrimaryMode, "RadioButtonWetSealed"},
    {rcModeRadio3, pgSelectPrimaryMode, "RadioButtonMeteringPlate"},
    {rcModeRadio4, pgSelectPrimaryMode, "RadioButtonSimpleDry"},
    {rcGoActive, pgSelectPrimaryMode, "bsButtonGoActive"},
    {rcNotReadyWarning, pgSelectPrimaryMode, "LabelNotReadyWarning"},
    {rcTestTimerMode, pgSelectPrimaryMode, "bsButtonTestTimerMode"},
    {rcPresetNotValid, pgSelectPrimaryMode, "LabelPresetNotValid"},
    {rcFirmwareLeft, pgSelectPrimaryMode, "LabelFirmwareLeft"},
    {rcFirmwareRight, pgSelectPrimaryMode, "LabelFirmwareRight"},

    {rcGatePages, pgRunGate, "bsPageControlRunGate"},
    {rcGateBanner, pgRunGate, "bsLabelGateBannerRunGate"},
    {rcGateManualCaption, pgRunGate, "LabelManualPotCaption"},
    {rcGateManualValue, pgRunGate, "LabelManualPotSetting"},
    {rcGateManualValue2, pgRunGate, "LabelManualPotSetting2"},
    {rcGateTimerWarning, pgRunGate, "LabelTimerWarningRunGate"},
    {rcGateSpeedGauge, pgRunGate, "bsGaugeSpeedRunGate"},
    {rcGateOpeningGauge, pgRunGate, "bsGaugeOpeningRunGate"},
    {rcGateSetMark, pgRunGate, "ShapeSetPositionMark"},
    {rcGateSetMark2, pgRunGate, "ShapeSetPositionMark2"},
    {rcGateWarningMark, pgRunGate, "LabelWarningMarkRight"},
    {rcGateMaterial, pgRunGate, "bsComboBoxFiregateMaterial"},
    {rcGateLevel, pgRunGate, "bsButtonFiregateLevel"},
    {rcGateLeakage, pgRunGate, "bsButtonMaxLeakage"},
    {rcGateRateValue, pgRunGate, "LabelRateValueRunGate"},
    {rcGateSwathValue, pgRunGate, "LabelSwathValueRunGate"},
    {rcGateGpsSpeed, pgRunGate, "bsCheckBoxGpsSpeedRunGate"},
    {rcGateGpsSwath, pgRunGate, "bsCheckBoxGpsSwathRunGate"},
    {rcGateGpsRate, pgRunGate, "bsCheckBoxGpsRateRunGate"},
    {rcGateTweakSlider, pgRunGate, "bsSliderTweakRunGate"},
    {rcGateTweakLabel, pgRunGate, "LabelTweakRunGate"},
    {rcGateFirmware, pgRunGate, "LabelFirmwareRunGate"},
    {rcGateGpsStatus, pgRunGate, "LabelGpsStatusRunGate"},
    {rcGateDialValue, pgRunGate, "LabelDialValueRunGate"},

    {rcDryPages, pgRunDryMaterial, "bsPageControlRunDry"},
    {rcDryBanner, pgRunDryMaterial, "bsLabelGateBannerRunDry"},
    {rcDryManualCaption, pgRunDryMaterial, "LabelDryManualCaption"},
    {rcDryManualValue, pgRunDryMaterial, "LabelDryManualSetting"},
    {rcDryWarning1, pgRunDryMaterial, "LabelDryWarning1"},
    {rcDryWarning2, pgRunDryMaterial, "LabelDryWarning2"},
    {rcDrySpeedGauge, pgRunDryMaterial, "bsGaugeSpeedRunDry"},
    {rcDryOpeningGauge, pgRunDryMaterial, "bsGaugeDryOpening"},
    {rcDryTargetGauge, pgRunDryMaterial, "bsGaugeDryTarget"},
    {rcDryTargetText, pgRunDryMaterial, "LabelDryTarget"},
    {rcDryTankGauge, pgRunDryMaterial, "bsGaugeTankDry"},
    {rcDryPresetCaption, pgRunDryMaterial, "LabelSelectedDryPreset"},
    {rcDryPresetCombo, pgRunDryMaterial, "bsComboBoxDryPreset"},
    {rcDryRateCaption, pgRunDryMaterial, "LabelRateCaptionRunDry"},
    {rcDryRateValue, pgRunDryMaterial, "LabelRateValueRunDry"},
    {rcDrySwathValue, pgRunDryMaterial, "LabelSwathValueRunDry"},
    {rcDryDialValue, pgRunDryMaterial, "LabelDialValueRunDry"},
    {rcDryGpsStatus, pgRunDryMaterial, "LabelGpsStatusRunDry"},
    {rcDryFirmware, pgRunDryMaterial, "LabelFirmwareRunDry"},
    {rcDryGpsSpeed, pgRunDryMaterial, "bsCheckBoxGpsSpeedRunDry"},
    {rcDryGpsSwath, pgRunDryMaterial, "bsCheckBoxGpsSwathRunDry"},
    {rcDryGpsRate, pgRunDryMaterial, "bsCheckBoxGpsRateRunDry"},
    {rcDryBumpSlider, pgRunDryMaterial, "bsSliderBump"},
    {rcDryBumpLabel, pgRunDryMaterial, "LabelBump"},
    {rcDryAutoBump, pgRunDryMaterial, "bsCheckBoxAutoBump"},
    {rcDryVariableRate, pgRunDryMaterial, "bsCheckBoxVariableRate"},
    {rcDryParkButton, pgRunDryMaterial, "bsButtonPark"},
    {rcDryTweakSlider, pgRunDryMaterial, "bsSliderTweakRunDry"},
    {rcDryTweakUpDown, pgRunDryMaterial, "bsUpDownTweakRunDry"},
    {rcDryTweakLabel, pgRunDryMaterial, "LabelTweakRunDry"},
    {rcSimpleParkButton, pgRunDryMaterial, "bsButtonParkSimple"},
    {rcSimpleOpeningGauge, pgRunDryMaterial, "bsGaugeSimpleOpening"},
    {rcSimpleTargetGauge, pgRunDryMaterial, "bsGaugeSimpleTarget"},
    {rcSimpleFixedTarget, pgRunDryMaterial, "LabelFixedTarget"},
    {rcSimpleStep0, pgRunDryMaterial, "bsButtonSimpleStep0"},
    {rcSimpleStep1, pgRunDryMaterial, "bsButtonSimpleStep1"},
    {rcSimpleStep2, pgRunDryMaterial, "bsButtonSimpleStep2"},
    {rcSimpleStep3, pgRunDryMaterial, "bsButtonSimpleStep3"},
    {rcSimpleStep4, pgRunDryMaterial, "bsButtonSimpleStep4"},
    {rcSimpleStep5, pgRunDryMaterial, "bsButtonSimpleStep5"},
    {rcSimpleFixedSpeed, pgRunDryMaterial, "bsButtonFixedSpeed"},
    {rcConfirmQuestion, pgRunDryMaterial, "LabelConfirmQuestion"},

    {rcWetBanner, pgRunWetSealed, "bsLabelGateBannerWetSealed"},
    {rcMeteringBanner, pgMeteringPlate, "bsLabelGateBannerMetering"},
    {rcMeteringGauge, pgMeteringPlate, "bsGaugeMeteringPlate"},
};

// How a widget reports the pilot's action.
enum class TSignal { Click, CheckClick, Value, Activated, LabelPress };

struct TActionRecord {
    int page;
    const char* name;
    TRunAction action;
    TSignal signal;
    int value; // for Click and LabelPress
};

const TActionRecord kActions[] = {
    {pgSelectPrimaryMode, "RadioButtonFireGate", raModeRadio, TSignal::Click, 0},
    {pgSelectPrimaryMode, "RadioButtonDryMaterial", raModeRadio, TSignal::Click, 1},
    {pgSelectPrimaryMode, "RadioButtonWetSealed", raModeRadio, TSignal::Click, 2},
    {pgSelectPrimaryMode, "RadioButtonMeteringPlate", raModeRadio, TSignal::Click, 3},
    {pgSelectPrimaryMode, "RadioButtonSimpleDry", raModeRadio, TSignal::Click, 4},
    {pgSelectPrimaryMode, "bsButtonGoActive", raGoActive, TSignal::Click, 0},
    {pgSelectPrimaryMode, "bsButtonTestTimerMode", raTestTimerMode, TSignal::Click, 0},
    {pgSelectPrimaryMode, "bsButtonChangeSystemSettingsSelect", raChangeSystemSettings, TSignal::Click, 0},

    {pgRunGate, "bsButtonChangeSystemSettingsRunGate", raChangeSystemSettings, TSignal::Click, 0},
    {pgRunGate, "bsButtonShutDownRunGate", raShutDown, TSignal::Click, 0},
    {pgRunGate, "bsUpDownScreenBrightnessRunGate", raScreenBrightness, TSignal::Value, 0},
    {pgRunGate, "bsCheckBoxGpsSpeedRunGate", raGpsSpeedCheck, TSignal::CheckClick, 0},
    {pgRunGate, "bsCheckBoxGpsSwathRunGate", raGpsSwathCheck, TSignal::CheckClick, 0},
    {pgRunGate, "bsCheckBoxGpsRateRunGate", raGpsRateCheck, TSignal::CheckClick, 0},
    {pgRunGate, "bsSliderTweakRunGate", raTweakSlider, TSignal::Value, 0},

    {pgRunDryMaterial, "bsButtonChangeSystemSettingsRunDry", raChangeSystemSettings, TSignal::Click, 0},
    {pgRunDryMaterial, "bsButtonShutDownRunDry", raShutDown, TSignal::Click, 0},
    {pgRunDryMaterial, "bsUpDownScreenBrightnessRunDry", raScreenBrightness, TSignal::Value, 0},
    {pgRunDryMaterial, "bsCheckBoxGpsSpeedRunDry", raGpsSpeedCheck, TSignal::CheckClick, 0},
    {pgRunDryMaterial, "bsCheckBoxGpsSwathRunDry", raGpsSwathCheck, TSignal::CheckClick, 0},
    {pgRunDryMaterial, "bsCheckBoxGpsRateRunDry", raGpsRateCheck, TSignal::CheckClick, 0},
    {pgRunDryMaterial, "bsSliderBump", raBumpSlider, TSignal::Value, 0},
    {pgRunDryMaterial, "bsButtonBumpUp", raBumpUp, TSignal::Click, 0},
    {pgRunDryMaterial, "bsButtonBumpDown", raBumpDown, TSignal::Click, 0},
    {pgRunDryMaterial, "bsSliderTweakRunDry", raTweakSlider, TSignal::Value, 0},
    {pgRunDryMaterial, "bsUpDownTweakRunDry", raTweakSlider, TSignal::Value, 0},
    {pgRunDryMaterial, "bsButtonTweakNext", raTweakNext, TSignal::Click, 0},
    {pgRunDryMaterial, "bsCheckBoxAutoBump", raAutoBump, TSignal::CheckClick, 0},
    {pgRunDryMaterial, "bsCheckBoxVariableRate", raVariableRate, TSignal::CheckClick, 0},
    {pgRunDryMaterial, "LabelRateValueRunDry", raRateClick, TSignal::LabelPress, 0},
    {pgRunDryMaterial, "LabelSwathValueRunDry", raSwathClick, TSignal::LabelPress, 0},
    {pgRunDryMaterial, "bsButtonPark", raPark, TSignal::Click, 0},
    {pgRunDryMaterial, "bsButtonParkSimple", raPark, TSignal::Click, 0},
    {pgRunDryMaterial, "bsButtonSimpleStep0", raSimpleStep, TSignal::Click, 0},
    {pgRunDryMaterial, "bsButtonSimpleStep1", raSimpleStep, TSignal::Click, 1},
    {pgRunDryMaterial, "bsButtonSimpleStep2", raSimpleStep, TSignal::Click, 2},
    {pgRunDryMaterial, "bsButtonSimpleStep3", raSimpleStep, TSignal::Click, 3},
    {pgRunDryMaterial, "bsButtonSimpleStep4", raSimpleStep, TSignal::Click, 4},
    {pgRunDryMaterial, "bsButtonSimpleStep5", raSimpleStep, TSignal::Click, 5},
    {pgRunDryMaterial, "bsButtonFixedSpeed", raFixedSpeedClick, TSignal::Click, 0},
    {pgRunDryMaterial, "bsButtonConfirmYes", raConfirmYes, TSignal::Click, 0},
    {pgRunDryMaterial, "bsButtonConfirmNo", raConfirmNo, TSignal::Click, 0},
    {pgRunDryMaterial, "bsComboBoxDryPreset", raDryPresetChosen, TSignal::Activated, 0},

    {pgRunWetSealed, "bsButtonChangeSystemSettingsWetSealed", raChangeSystemSettings, TSignal::Click, 0},
    {pgRunWetSealed, "bsButtonShutDownWetSealed", raShutDown, TSignal::Click, 0},
    {pgMeteringPlate, "bsButtonChangeSystemSettingsMetering", raChangeSystemSettings, TSignal::Click, 0},
    {pgMeteringPlate, "bsButtonShutDownMetering", raShutDown, TSignal::Click, 0},
};

// A press on a label is its click.
class TLabelPressFilter : public QObject {
public:
    TLabelPressFilter(QObject* parent, std::function<void()> onPress) : QObject(parent), fOnPress(std::move(onPress)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (fOnPress && w && w->isEnabled())
                fOnPress();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> fOnPress;
};

QWidget* Find(const std::array<QWidget*, kPageCount>& sheets, int page, const char* name)
{
    QWidget* sheet = page >= 0 && page < kPageCount ? sheets[page] : nullptr;
    return sheet ? sheet->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr;
}

} // namespace

TRunPagesView::TRunPagesView(const std::array<QWidget*, kPageCount>& sheets, ActionHandler onAction)
    : fOnAction(std::move(onAction)), fContext(std::make_unique<QObject>())
{
    for (const auto& r : kControls)
        fWidgets[r.control] = Find(sheets, r.page, r.name);
    ConnectActions(sheets);
}

TRunPagesView::~TRunPagesView() = default;

void TRunPagesView::ConnectActions(const std::array<QWidget*, kPageCount>& sheets)
{
    for (const auto& r : kActions) {
        QWidget* w = Find(sheets, r.page, r.name);
        if (!w)
            continue;
        const TRunAction action = r.action;
        const int value = r.value;
        auto fire = [this, action](int v) {
            if (fOnAction)
                fOnAction(action, v);
        };
        switch (r.signal) {
        case TSignal::Click:
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                QObject::connect(b, &QAbstractButton::clicked, fContext.get(), [fire, value] { fire(value); });
            break;
        case TSignal::CheckClick:
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                QObject::connect(b, &QAbstractButton::clicked, fContext.get(), [fire](bool on) { fire(on ? 1 : 0); });
            break;
        case TSignal::Value:
            if (auto* s = qobject_cast<QAbstractSlider*>(w))
                QObject::connect(s, &QAbstractSlider::valueChanged, fContext.get(), fire);
            else if (auto* sp = qobject_cast<QSpinBox*>(w))
                QObject::connect(sp, &QSpinBox::valueChanged, fContext.get(), fire);
            break;
        case TSignal::Activated:
            if (auto* c = qobject_cast<QComboBox*>(w))
                QObject::connect(c, &QComboBox::activated, fContext.get(), fire);
            break;
        case TSignal::LabelPress:
            w->installEventFilter(new TLabelPressFilter(fContext.get(), [fire, value] { fire(value); }));
            break;
        }
    }
}

QWidget* TRunPagesView::Widget(TRunControl c) const
{
    return c >= 0 && c < rcRunControlCount ? fWidgets[c] : nullptr;
}

void TRunPagesView::SetText(TRunControl c, const std::string& text)
{
    QWidget* w = Widget(c);
    if (!w)
        return;
    const QSignalBlocker block(w);
    const QString t = QString::fromStdString(text);
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(t);
    else if (auto* g = qobject_cast<QProgressBar*>(w))
        g->setFormat(t);
    else if (auto* cb = qobject_cast<QComboBox*>(w))
        cb->setCurrentText(t);
}

void TRunPagesView::SetValue(TRunControl c, int value)
{
    QWidget* w = Widget(c);
    if (!w)
        return;
    const QSignalBlocker block(w);
    if (auto* g = qobject_cast<QProgressBar*>(w))
        g->setValue(std::clamp(value, g->minimum(), g->maximum()));
    else if (auto* s = qobject_cast<QAbstractSlider*>(w))
        s->setValue(value);
    else if (auto* sp = qobject_cast<QSpinBox*>(w))
        sp->setValue(value);
}

void TRunPagesView::SetRange(TRunControl c, int minimum, int maximum, int step)
{
    QWidget* w = Widget(c);
    if (!w)
        return;
    const QSignalBlocker block(w);
    if (auto* s = qobject_cast<QAbstractSlider*>(w)) {
        s->setRange(minimum, maximum);
        s->setSingleStep(step);
        s->setPageStep(step);
    } else if (auto* sp = qobject_cast<QSpinBox*>(w)) {
        sp->setRange(minimum, maximum);
        sp->setSingleStep(step);
    } else if (auto* g = qobject_cast<QProgressBar*>(w)) {
        g->setRange(minimum, maximum);
    }
}

void TRunPagesView::SetChecked(TRunControl c, bool on)
{
    if (auto* b = qobject_cast<QAbstractButton*>(Widget(c))) {
        const QSignalBlocker block(b);
        b->setChecked(on);
    }
}

void TRunPagesView::SetVisible(TRunControl c, bool on)
{
    if (QWidget* w = Widget(c))
        w->setVisible(on);
}

void TRunPagesView::SetEnabled(TRunControl c, bool on)
{
    if (QWidget* w = Widget(c))
        w->setEnabled(on);
}

const char* TRunPagesView::ColourName(TViewColour colour)
{
    switch (colour) {
    case TViewColour::Magenta:
        return "#FF00FF";
    case TViewColour::Green:
        return "#00FF00";
    case TViewColour::Yellow:
        return "#FFFF00";
    case TViewColour::Cream:
        return "#FFFBF0";
    case TViewColour::SkyBlue:
        return "#A6CAF0";
    case TViewColour::Normal:
        break;
    }
    return "";
}

void TRunPagesView::SetColour(TRunControl c, TViewColour colour)
{
    QWidget* w = Widget(c);
    if (!w)
        return;
    const char* name = ColourName(colour);
    w->setStyleSheet(*name ? QStringLiteral("font-size: 16pt; font-weight: bold; color: black; background-color: %1;")
                                 .arg(QLatin1String(name))
                           : QString());
}

void TRunPagesView::SetItems(TRunControl c, const std::vector<std::string>& items, int selected)
{
    auto* cb = qobject_cast<QComboBox*>(Widget(c));
    if (!cb)
        return;
    const QSignalBlocker block(cb);
    cb->clear();
    for (const auto& i : items)
        cb->addItem(QString::fromStdString(i));
    cb->setCurrentIndex(selected >= 0 && selected < cb->count() ? selected : -1);
}

void TRunPagesView::ShowSheet(TRunControl pages, int sheet)
{
    if (auto* t = qobject_cast<QTabWidget*>(Widget(pages)); t && sheet >= 0 && sheet < t->count()) {
        const QSignalBlocker block(t);
        t->setCurrentIndex(sheet);
    }
}

int TRunPagesView::Sheet(TRunControl pages) const
{
    auto* t = qobject_cast<QTabWidget*>(Widget(pages));
    return t ? t->currentIndex() : -1;
}

bool TRunPagesView::Checked(TRunControl c) const
{
    auto* b = qobject_cast<QAbstractButton*>(Widget(c));
    return b && b->isChecked();
}

bool TRunPagesView::Enabled(TRunControl c) const
{
    QWidget* w = Widget(c);
    return w && w->isEnabled();
}

int TRunPagesView::Value(TRunControl c) const
{
    QWidget* w = Widget(c);
    if (auto* g = qobject_cast<QProgressBar*>(w))
        return g->value();
    if (auto* s = qobject_cast<QAbstractSlider*>(w))
        return s->value();
    if (auto* sp = qobject_cast<QSpinBox*>(w))
        return sp->value();
    return 0;
}

std::string TRunPagesView::Text(TRunControl c) const
{
    QWidget* w = Widget(c);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text().toStdString();
    if (auto* g = qobject_cast<QProgressBar*>(w))
        return g->format().toStdString();
    if (auto* cb = qobject_cast<QComboBox*>(w))
        return cb->currentText().toStdString();
    return {};
}

std::vector<std::string> TRunPagesView::Items(TRunControl c) const
{
    std::vector<std::string> out;
    if (auto* cb = qobject_cast<QComboBox*>(Widget(c)))
        for (int i = 0; i < cb->count(); ++i)
            out.push_back(cb->itemText(i).toStdString());
    return out;
}

} // namespace orv
