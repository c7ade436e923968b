#include "app/UsbWatch.h"

#include "store/Format.h"
#include "store/IniFile.h"
#include "store/Log.h"

namespace orv {

TUsbWatch::TUsbWatch(Hooks hooks, std::string adapterId, TRemovableMedia media)
    : fHooks(std::move(hooks)), fMedia(std::move(media))
{
    SetAdapterId(std::move(adapterId));
}

std::string TUsbWatch::ReadAdapterId(const TMemIniFile& startupIni)
{
    return Trim(startupIni.ReadString("Comm Settings", kAdapterIdKey, kDefaultAdapterId));
}

void TUsbWatch::SetAdapterId(std::string id)
{
    id = Trim(id);
    // A blank text would be found in every name.
    fAdapterId = id.empty() ? std::string(kDefaultAdapterId) : std::move(id);
}

bool TUsbWatch::Attach(IUsbMonitor& monitor)
{
    return monitor.Start([this](const std::string& name) { UsbArrived(name); },
                         [this](const std::string& name) { UsbRemoved(name); });
}

bool TUsbWatch::IsAdapter(const std::string& name) const
{
    return UpperCase(name).find(UpperCase(fAdapterId)) != std::string::npos;
}

void TUsbWatch::SetUsbAdapterSeen(bool seen)
{
    fUsbAdapterSeen = seen;
    if (fHooks.showUsbLight)
        fHooks.showUsbLight(seen);
}

void TUsbWatch::UsbArrived(const std::string& name)
{
    // The technician finds here the name to put in "UsbAdapterId".
    Log("USB device arrived: %s", name);
    if (fHooks.enableCheckUsbTimer)
        fHooks.enableCheckUsbTimer(true);
    SetUsbAdapterSeen(IsAdapter(name));
}

void TUsbWatch::UsbRemoved(const std::string& name)
{
    Log("USB device removed: %s", name);
    if (fHooks.showUsbLight)
        fHooks.showUsbLight(false);
    if (IsAdapter(name))
        SetUsbAdapterSeen(false);
    if (fHooks.enableCheckUsbTimer)
        fHooks.enableCheckUsbTimer(false);
    if (fServiceStickPath != "#")
        FindServiceStick();
}

void TUsbWatch::TimerCheckUSBTimer()
{
    if (fHooks.enableCheckUsbTimer)
        fHooks.enableCheckUsbTimer(false);
    if (FindServiceStick()) {
        DebugOut("calling DoingService at TimerCheckUSBTimer");
        if (fHooks.enterServiceMode)
            fHooks.enterServiceMode();
    }
}

bool TUsbWatch::FindServiceStick()
{
    return orv::FindServiceStick(fServiceStickPath, fMedia);
}

} // namespace orv
