#include "app/Confirmation.h"

#include "app/ModeView.h"

namespace orv {

TConfirmation::TConfirmation(IModeView& view) : fView(view) {}

void TConfirmation::AskConfirmation(const std::string& question, std::function<void()> confirm,
                                    std::function<void()> refuse)
{
    if (!fAsking)
        fReturnSheet = fView.Sheet(rcDryPages);
    fConfirm = std::move(confirm);
    fRefuse = std::move(refuse);
    fAsking = true;
    fView.SetText(rcConfirmQuestion, question);
    fView.ShowSheet(rcDryPages, dsConfirm);
}

void TConfirmation::Close()
{
    fAsking = false;
    fView.ShowSheet(rcDryPages, fReturnSheet);
}

void TConfirmation::ConfirmYes()
{
    if (!fAsking)
        return;
    auto action = std::move(fConfirm);
    fRefuse = nullptr;
    Close();
    if (action)
        action();
}

void TConfirmation::ConfirmNo()
{
    if (!fAsking)
        return;
    auto action = std::move(fRefuse);
    fConfirm = nullptr;
    Close();
    if (action)
        action();
}

} // namespace orv
