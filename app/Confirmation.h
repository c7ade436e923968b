#pragma once
#include <functional>
#include <string>

namespace orv {

class IModeView;

// The one confirmation sheet of the dry run page: a question with a stored
// confirm action and an optional refuse action; either answer returns to the
// sub-page shown before the question.
class TConfirmation {
public:
    explicit TConfirmation(IModeView& view);

    void AskConfirmation(const std::string& question, std::function<void()> confirm,
                         std::function<void()> refuse = nullptr);
    void ConfirmYes();
    void ConfirmNo();
    bool Asking() const { return fAsking; }

private:
    void Close();

    IModeView& fView;
    std::function<void()> fConfirm;
    std::function<void()> fRefuse;
    int fReturnSheet = 0;
    bool fAsking = false;
};

} // namespace orv
