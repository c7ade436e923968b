#include "device/OrvaneVEDOController.h"

namespace orv {

OrvaneVEDOController::OrvaneVEDOController(ISerialLibrary& sio) : fSio(sio), fSearch(sio) {}

OrvaneVEDOController::~OrvaneVEDOController()
{
    SetCanport(nullptr);
}

void OrvaneVEDOController::SetCanport(std::unique_ptr<TDVIOController> link)
{
    std::unique_ptr<TDVIOController> old = std::move(fCanport);
    fLogKind = -1;
    SetControllerLink(nullptr);
    fLinkAdapter.Bind(nullptr);
    if (old) {
        old->CloseLink();
        // A running check of the known port may still hold the link: the
        // search stops, and the link goes once the search has returned.
        if (fSearch.Running()) {
            fSearch.Stop();
            fReplacedDuringSearch.push_back(std::move(old));
        }
    }
    old.reset();
    fCanport = std::move(link);
    fLinkAdapter.Bind(fCanport.get());
    SetControllerLink(fCanport ? &fLinkAdapter : nullptr);
    UpdateLogKind();
}

std::unique_ptr<TDVIOController> OrvaneVEDOController::NewCanport() const
{
    const int kind = fCurrentCommTarget >= 0 && fCurrentCommTarget <= 5 ? fCurrentCommTarget : 0;
    return std::make_unique<TDVIOController>(fSio, static_cast<uint8_t>(kind));
}

void OrvaneVEDOController::UpdateLogKind()
{
    // Every link the model makes, verifies or searches with takes the current
    // target's kind, so that kind's file gets the lines from the first one on,
    // not only once a verification has changed the link's own kind.
    const int target = fCurrentCommTarget;
    if (!fCanport)
        fLogKind = -1;
    else
        fLogKind = target >= 0 && target <= 5 ? target : static_cast<int>(fCanport->LinkKind());
}

uint8_t OrvaneVEDOController::LinkFailureFlags() const
{
    if (!fCanport)
        return 0;
    // Health first: it is what trips the watchdog flags.
    const bool healthy = fCanport->LinkHealthy();
    uint8_t flags = fCanport->FailureBits();
    if (!healthy)
        flags |= lfNotHealthy;
    return flags;
}

void OrvaneVEDOController::SetCurrentCommTarget(int target)
{
    if (fPortLocked)
        return;
    fCurrentCommTarget = target;
    UpdateLogKind();
}

bool OrvaneVEDOController::FindCommTarget()
{
    struct TRelease {
        OrvaneVEDOController& model;
        ~TRelease()
        {
            if (!model.fSearch.Running())
                model.fReplacedDuringSearch.clear();
        }
    } release{*this};
    const bool found = fSearch.FindCommTarget(fCurrentCommTarget, fLastOrvPort, fCanport.get());
    UpdateLogKind();
    return found;
}

bool OrvaneVEDOController::VerifyKnownPort()
{
    const bool ok = fSearch.VerifyKnownPort(fCurrentCommTarget, fLastOrvPort, fCanport.get());
    UpdateLogKind();
    return ok;
}

bool OrvaneVEDOController::FindAvailableCurrentCommTarget()
{
    return fSearch.FindAvailableCurrentCommTarget(fCurrentCommTarget, fLastOrvPort);
}

bool OrvaneVEDOController::FindVerifiedPortByPing()
{
    return fSearch.FindVerifiedPortByPing(fCurrentCommTarget, fLastOrvPort);
}

} // namespace orv
