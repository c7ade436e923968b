#include "app/pages/ReceiversPage.h"

#include "ui_PageReceivers.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>

#include <algorithm>

namespace orv {

namespace {

constexpr size_t kMaxPendingLine = 1024; // a "line" without end is noise past this
constexpr const char* kBaudRates[] = {"4800", "9600", "19200", "38400", "57600", "115200"};

} // namespace

TReceiversPage::TReceiversPage(Ui::PageReceivers& ui, ISerialLibrary& library, TGpsSource& gps,
                               std::string portsFolder)
    : fUi(ui), fLibrary(library), fGps(gps), fPortsFolder(std::move(portsFolder))
{
    for (const char* rate : kBaudRates)
        fUi.bsComboBoxReceiverBaudrate->addItem(rate);
    fUi.bsComboBoxReceiverBaudrate->setCurrentText(QString::number(kReceiverBaud));
    QObject::connect(fUi.bsComboBoxReceiverBaudrate, &QComboBox::currentIndexChanged, &fContext,
                     [this](int index) { bsComboBoxReceiverBaudrateChange(index); });
    QObject::connect(fUi.bsComboBoxGPSPort, &QComboBox::currentIndexChanged, &fContext,
                     [this](int index) { bsComboBoxGPSPortChange(index); });
    fTimer.setInterval(kReadIntervalMs);
    QObject::connect(&fTimer, &QTimer::timeout, &fContext, [this] { ReadReceiver(); });
}

TReceiversPage::~TReceiversPage()
{
    fTimer.stop();
}

void TReceiversPage::Show()
{
    fGps.Close();
    fUi.bsListBoxReceiverPorts->clear();
    fUi.bsListBoxReceiverPorts->addItem("GPS Receiver");
    fUi.bsListBoxReceiverPorts->setCurrentRow(0);
    FillPorts();
    if (!fReceiver)
        OpenReceiver();
    fTimer.start();
}

void TReceiversPage::Hide()
{
    fTimer.stop();
    fReceiver.reset();
    fPending.clear();
}

void TReceiversPage::FillPorts()
{
    fFilling = true;
    const std::string configured = fGps.GpsPortName();
    std::vector<std::string> names = AvailableComPorts(fPortsFolder);
    if (std::find(names.begin(), names.end(), configured) == names.end())
        names.insert(names.begin(), configured);
    fUi.bsComboBoxGPSPort->clear();
    for (const auto& name : names)
        fUi.bsComboBoxGPSPort->addItem(QString::fromStdString(name));
    fUi.bsComboBoxGPSPort->setCurrentText(QString::fromStdString(configured));
    fFilling = false;
}

void TReceiversPage::OpenReceiver()
{
    fReceiver = std::make_unique<TComPort>(fLibrary);
    fReceiver->SetPortName(fGps.GpsPortName());
    fReceiver->SetBaudRate(kReceiverBaud);
    const bool connected = fReceiver->Open();
    if (connected)
        fReceiver->ClearBuffers(true, true);
    fUi.LabelReceiverStatus->setText(connected ? QString::fromStdString("Connected: " + fReceiver->PortName())
                                               : QString("Not Connected"));
}

void TReceiversPage::bsComboBoxGPSPortChange(int index)
{
    if (fFilling || index < 0)
        return;
    const std::string name = fUi.bsComboBoxGPSPort->itemText(index).toStdString();
    if (ComPortNumber(name) < 0)
        return;
    fGps.SetGpsPortName(name);
    fReceiver.reset();
    fPending.clear();
    OpenReceiver();
}

void TReceiversPage::ReadReceiver()
{
    if (!ReceiverOpen())
        return;
    char buffer[1024];
    const int n = fReceiver->Read(buffer, sizeof buffer);
    for (int i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (c == '\r' || c == '\n') {
            if (!fPending.empty())
                fUi.MemoReceiverData->appendPlainText(QString::fromLatin1(fPending.data(), int(fPending.size())));
            fPending.clear();
        } else if (fPending.size() < kMaxPendingLine) {
            fPending += c;
        }
    }
}

} // namespace orv
