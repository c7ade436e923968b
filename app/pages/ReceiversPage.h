#pragma once
#include "nav/ComPort.h"
#include "nav/GpsSource.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

namespace Ui {
class PageReceivers;
}

namespace orv {

// The "Receivers" page: the GPS receiver port, its name ("GPS"/"GPSPort")
// and what arrives on it. While the page is shown the GPS link is closed and
// the page holds the port itself; leaving the page gives the port back.
class TReceiversPage {
public:
    // The port holds the generic receiver ("GPSPort"), so it is read at the
    // speed the GPS link uses for that receiver.
    static constexpr int kReceiverBaud = TGpsSource::LineBaud(true);
    static constexpr int kReadIntervalMs = 100;

    // portsFolder: where the "COM<n>" names are listed (SerialPortsFolder()).
    TReceiversPage(Ui::PageReceivers& ui, ISerialLibrary& library, TGpsSource& gps, std::string portsFolder);
    ~TReceiversPage();

    // The page is shown: close the GPS link, list the receiver, open its port.
    void Show();
    // The page is left: stop reading and release the port.
    void Hide();
    // Reads what the receiver sent and shows the complete lines.
    void ReadReceiver();

    bool ReceiverOpen() const { return fReceiver && fReceiver->Connected(); }
    QTimer& ReadTimer() { return fTimer; }

    void bsComboBoxGPSPortChange(int index);
    // The baud rate of the receiver is fixed; the choice changes nothing.
    void bsComboBoxReceiverBaudrateChange(int) {}

private:
    void FillPorts();
    void OpenReceiver();

    Ui::PageReceivers& fUi;
    ISerialLibrary& fLibrary;
    TGpsSource& fGps;
    std::string fPortsFolder;
    std::unique_ptr<TComPort> fReceiver;
    std::string fPending; // a line still waiting for its end
    QObject fContext;
    QTimer fTimer;
    bool fFilling = false;
};

} // namespace orv
