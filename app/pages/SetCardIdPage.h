#pragma once
#include <QObject>

#include <functional>

namespace Ui {
class PageSetCardID;
}

namespace orv {

class TDeviceModel;

// The "Set Card ID" page: shows which controller addresses answer and gives
// the one powered controller the left or right address.
class TSetCardIdPage {
public:
    // model gives the device model; nullptr before it exists.
    TSetCardIdPage(Ui::PageSetCardID& ui, std::function<TDeviceModel*()> model);

    // Run when the page is shown and after an assignment.
    void ShowConnectedControllerIDs();
    // A click on "Left" or "Right".
    void OnLeftRightGateSet();

    static const char* const kInstructions;

private:
    Ui::PageSetCardID& fUi;
    std::function<TDeviceModel*()> fModel;
    bool fRefreshing = false;
    bool fAssigning = false;
    QObject fContext; // owns the connections
};

} // namespace orv
