#pragma once
#include "app/ModeView.h"
#include "ui/PageTable.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QWidget;

namespace orv {

// The run pages and "Select Primary Mode" as the mode logic sees them: every
// control of TRunControl found by its object name on its page, and every
// pilot's action on them handed to one callback. Setting a control from the
// program never fires its change event.
class TRunPagesView : public IModeView {
public:
    using ActionHandler = std::function<void(TRunAction action, int value)>;

    // sheets: the tab sheet of every page, by page index.
    TRunPagesView(const std::array<QWidget*, kPageCount>& sheets, ActionHandler onAction);
    ~TRunPagesView() override;

    // The widget of a control; nullptr when its page lacks it.
    QWidget* Widget(TRunControl c) const;

    void SetText(TRunControl c, const std::string& text) override;
    void SetValue(TRunControl c, int value) override;
    void SetRange(TRunControl c, int minimum, int maximum, int step) override;
    void SetChecked(TRunControl c, bool on) override;
    void SetVisible(TRunControl c, bool on) override;
    void SetEnabled(TRunControl c, bool on) override;
    void SetColour(TRunControl c, TViewColour colour) override;
    void SetItems(TRunControl c, const std::vector<std::string>& items, int selected) override;
    void ShowSheet(TRunControl pages, int sheet) override;
    int Sheet(TRunControl pages) const override;
    bool Checked(TRunControl c) const override;
    bool Enabled(TRunControl c) const override;
    int Value(TRunControl c) const override;
    std::string Text(TRunControl c) const override;
    std::vector<std::string> Items(TRunControl c) const override;

    // The style sheet colour of a skin colour.
    static const char* ColourName(TViewColour colour);

private:
    void ConnectActions(const std::array<QWidget*, kPageCount>& sheets);

    std::array<QWidget*, rcRunControlCount> fWidgets{};
    ActionHandler fOnAction;
    std::unique_ptr<QObject> fContext; // owns the connections and the label click filter
};

} // namespace orv
