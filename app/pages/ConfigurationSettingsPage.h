#pragma once
#include "device/ControllerSettings.h"

#include <QObject>
#include <QPalette>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QWidget;

namespace Ui {
class PageConfiguration;
}

namespace orv {

// The controller-settings group of the "Configuration" page: the settings
// edits of the displayed board, its read-backs and mismatch texts, the
// "Left"/"Right" choice and "Save Configuration Changes". A touch on an edit
// opens the numeric entry the window installs (SetNumericEntry).
class TConfigurationSettingsPage final : public IControllerSettingsView {
public:
    // Shows a message to the operator (a message box unless replaced).
    using MessageFunction = std::function<void(const QString&)>;
    // The numeric entry: title, start value, whole digits; the confirmed
    // value, or nothing when cancelled.
    using NumericEntry = std::function<std::optional<double>(const QString& title, double start, int wholeDigits)>;

    TConfigurationSettingsPage(Ui::PageConfiguration& ui, TControllerSettings& settings,
                               MessageFunction message = {});
    ~TConfigurationSettingsPage() override;
    TConfigurationSettingsPage(const TConfigurationSettingsPage&) = delete;
    TConfigurationSettingsPage& operator=(const TConfigurationSettingsPage&) = delete;

    // The page is shown: displayed board, "Left"/"Right", settings,
    // read-backs and mismatch colours.
    void Show();

    // Validates the edits; on success their values become the displayed
    // board's settings. False (and nothing changed) on a bad text.
    bool ReadSettingsEdits();
    void SaveConfigChanges();
    void bsButtonSaveConfigChangesClick() { SaveConfigChanges(); }

    // Once a numeric entry is given, a click on a settings edit opens it
    // (EditControllerSetting); until then the edits take typed values.
    void SetNumericEntry(NumericEntry entry) { fEntry = std::move(entry); }
    void EditControllerSetting(int key);

    // The edit of a key; nullptr for the two check-box keys.
    QLineEdit* Edit(int key) const;
    bool Marked(int key) const;
    bool PanelFocused() const;

    // IControllerSettingsView
    void ShowSettingValue(int key, int value) override;
    void ShowSettingControl(int key, bool visible) override;
    void ClearSettingMarks() override;
    void MarkSetting(int key) override;
    void ShowMismatchText(int label, const std::string& text) override;
    void ShowReadback(const TControllerReadback& readback) override;
    void ShowHighSpeedReadback(bool on) override;

    static const char* const kInvalidMessage;

private:
    struct TRow {
        QLabel* caption;
        QLineEdit* edit;
        QLabel* readback;
    };
    class TClickFilter;
    void SetPanelFocused(bool on);
    void ShowLeftRight();

    Ui::PageConfiguration& fUi;
    TControllerSettings& fSettings;
    MessageFunction fMessage;
    std::array<TRow, kSettingKeyCount> fRows{};
    QPalette fNormalPalette;
    NumericEntry fEntry;
    bool fSaving = false;
    QObject fContext; // owns the connections
    std::unique_ptr<TClickFilter> fClickFilter;
};

} // namespace orv
