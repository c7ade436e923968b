#pragma once
#include "platform/UsbMonitor.h"

namespace orv {

// Device events fired by the test.
class FakeUsbMonitor final : public IUsbMonitor {
public:
    bool Start(Callback arrived, Callback removed) override
    {
        if (!available)
            return false;
        fArrived = std::move(arrived);
        fRemoved = std::move(removed);
        fRunning = true;
        return true;
    }
    void Stop() override { fRunning = false; }
    bool Running() const override { return fRunning; }

    void Arrive(const std::string& name)
    {
        if (fRunning && fArrived)
            fArrived(name);
    }
    void Remove(const std::string& name)
    {
        if (fRunning && fRemoved)
            fRemoved(name);
    }

    bool available = true;

private:
    Callback fArrived;
    Callback fRemoved;
    bool fRunning = false;
};

} // namespace orv
