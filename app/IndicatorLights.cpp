#include "app/IndicatorLights.h"

#include <QFrame>

namespace orv {

namespace {
// Black, red, yellow, green, magenta, blue, dark red.
const char* const kColours[TIndicatorLights::kCount] = {"#000000", "#FF0000", "#FFFF00", "#00FF00",
                                                         "#FF00FF", "#0000FF", "#800000"};
}

TIndicatorLights::TIndicatorLights(QWidget* strip)
{
    const int height = qMax(1, strip->height() - 1);
    for (int i = 0; i < kCount; ++i) {
        auto* f = new QFrame(strip);
        f->setObjectName(QStringLiteral("IndicatorLight%1").arg(i));
        f->setGeometry(10 + 20 * i, 0, 8, height);
        f->setStyleSheet(QStringLiteral("background-color: %1;").arg(kColours[i]));
        f->hide();
        fLights[i] = f;
    }
}

TIndicatorLights::~TIndicatorLights()
{
    for (auto*& f : fLights) {
        delete f;
        f = nullptr;
    }
}

void TIndicatorLights::Show(int i, bool visible)
{
    if (auto* f = Light(i))
        f->setVisible(visible);
}

void TIndicatorLights::Toggle(int i)
{
    if (auto* f = Light(i))
        f->setVisible(!f->isVisible());
}

bool TIndicatorLights::Visible(int i) const
{
    auto* f = Light(i);
    return f && !f->isHidden();
}

} // namespace orv
