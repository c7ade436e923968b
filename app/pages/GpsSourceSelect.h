#pragma once
#include "nav/GpsSource.h"

#include <QObject>

#include <functional>

namespace Ui {
class PageSelectPrimaryMode;
}

namespace orv {

// The GPS source combo of the "Select Primary Mode" page: its items are the
// source table, its index is "SelectedGPS"; a choice by the operator stores
// the index and asks the window to start the GPS link again.
class TGpsSourceSelect {
public:
    // startGps: the window's Start GPS (it applies the result through ShowResult).
    TGpsSourceSelect(Ui::PageSelectPrimaryMode& ui, TGpsSource& source, std::function<void()> startGps);

    // Puts the combo on the stored choice without starting anything.
    void Show();
    // Shows the status text and the "GPS Not Available!" label of a start.
    void ShowResult(const TGpsStartResult& result);

    // bsComboBoxGPSChange
    void bsComboBoxGPSChange(int index);

private:
    Ui::PageSelectPrimaryMode& fUi;
    TGpsSource& fSource;
    std::function<void()> fStartGps;
    QObject fContext; // owns the combo connection
    bool fShowing = false;
};

} // namespace orv
