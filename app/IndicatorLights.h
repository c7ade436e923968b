#pragma once
#include <QWidget>

#include <array>

class QFrame;

namespace orv {

// The strip of seven small coloured marks that blink while data flows.
class TIndicatorLights {
public:
    static constexpr int kCount = 7;
    explicit TIndicatorLights(QWidget* strip);
    ~TIndicatorLights();

    void Show(int i, bool visible);
    void Toggle(int i);
    bool Visible(int i) const;
    QFrame* Light(int i) const { return i >= 0 && i < kCount ? fLights[i] : nullptr; }

private:
    std::array<QFrame*, kCount> fLights{};
};

} // namespace orv
