#pragma once
#include "platform/RemovableMedia.h"
#include "platform/UsbMonitor.h"

#include <functional>
#include <string>

namespace orv {

class TMemIniFile;

// What the main window does about USB devices coming and going: whether the
// controller's USB adapter is present (indicator light 0), and 8 s after any
// arrival whether a service stick with a "PeloTek" folder was put in, which
// turns on the service pages.
class TUsbWatch {
public:
    struct Hooks {
        std::function<void(bool visible)> showUsbLight;      // indicator light 0
        std::function<void(bool enabled)> enableCheckUsbTimer; // TimerCheckUSB, 8 s
        std::function<void()> enterServiceMode;               // DoingService(page mode | osService)
    };

    // Looked for, ignoring case, anywhere in a device name: the USB vendor
    // number of FTDI, whose chips carry most USB-to-serial and USB-to-CAN
    // adapters. [Comm Settings] "UsbAdapterId" of "OrvStartup.ini" sets
    // another (a "VID_xxxx&PID_xxxx" pair, a model name).
    static constexpr const char* kDefaultAdapterId = "VID_0403";
    static constexpr const char* kAdapterIdKey = "UsbAdapterId";

    explicit TUsbWatch(Hooks hooks, std::string adapterId = kDefaultAdapterId, TRemovableMedia media = {});

    // [Comm Settings] "UsbAdapterId"; missing or blank gives the default.
    static std::string ReadAdapterId(const TMemIniFile& startupIni);

    // Delivers the monitor's events here. False when it cannot run.
    bool Attach(IUsbMonitor& monitor);

    void UsbArrived(const std::string& name);
    void UsbRemoved(const std::string& name);
    void TimerCheckUSBTimer();
    bool FindServiceStick();

    bool IsAdapter(const std::string& name) const;
    bool UsbAdapterSeen() const { return fUsbAdapterSeen; }
    // Every change also shows or hides indicator light 0.
    void SetUsbAdapterSeen(bool seen);
    // "#" when no service stick was found.
    const std::string& ServiceStickPath() const { return fServiceStickPath; }
    const std::string& AdapterId() const { return fAdapterId; }
    void SetAdapterId(std::string id);

private:
    Hooks fHooks;
    std::string fAdapterId;
    TRemovableMedia fMedia;
    bool fUsbAdapterSeen = false;
    std::string fServiceStickPath = "#";
};

} // namespace orv
