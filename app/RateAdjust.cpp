#include "app/RateAdjust.h"

#include "app/Confirmation.h"
#include "app/GpsControl.h"
#include "app/ModeHost.h"
#include "app/ModeState.h"
#include "app/ModeView.h"
#include "device/DeviceModel.h"
#include "nav/GpsSource.h"
#include "store/Format.h"
#include "store/IniFile.h"
#include "store/Log.h"
#include "ui/UnitFormat.h"
#include "ui/Units.h"

#include <algorithm>
#include <cmath>

namespace orv {

TRateAdjust::TRateAdjust(TModeState& state, IModeHost& host, const TModeHooks& hooks, TGpsControl& gps,
                         TConfirmation& confirmation)
    : fState(state), fHost(host), fHooks(hooks), fGps(gps), fConfirmation(confirmation)
{
}

bool TRateAdjust::DryMode() const
{
    return fState.primaryMode == pmDryMaterial || fState.primaryMode == pmSimpleDry;
}

void TRateAdjust::RecomputeOpening()
{
    fGps.RecomputeOpening();
}

void TRateAdjust::ShowRateAndSwath()
{
    if (!fState.preset)
        return;
    const TDisplayUnits& units = fHost.DisplayUnits();
    const TAppPreset& p = *fState.preset;
    IModeView& view = fHost.View();
    if (fState.primaryMode == pmFireGate) {
        view.SetText(rcGateRateValue, FormatRate(false, p.AppRateSI(), units));
        view.SetText(rcGateSwathValue, FormatSwathWidth(p.SwathWidthSI(), units));
    } else {
        view.SetText(rcDryRateValue, FormatAppRate(p.AppRateSI(), units));
        view.SetText(rcDrySwathValue, FormatSwathWidth(p.SwathWidthSI(), units));
    }
}

void TRateAdjust::RefreshRateDisplays()
{
    if (fRefreshing || !fState.preset)
        return;
    fRefreshing = true;
    try {
        IModeView& view = fHost.View();
        const int tweak = static_cast<int>(RoundHalfEven(fState.preset->RateTweak() * 100.0));
        if (fState.primaryMode == pmFireGate) {
            view.SetRange(rcGateTweakSlider, kSliderMin, kSliderMax, 5);
            view.SetValue(rcGateTweakSlider, tweak);
        } else {
            view.SetRange(rcDryTweakSlider, kSliderMin, kSliderMax, 5);
            view.SetValue(rcDryTweakSlider, tweak);
            view.SetRange(rcDryTweakUpDown, kSliderMin, kSliderMax, 1);
            view.SetValue(rcDryTweakUpDown, tweak);
        }
        if (DryMode() && fState.quantities) {
            view.SetRange(rcDryBumpSlider, kSliderMin, kSliderMax, 5);
            view.SetValue(rcDryBumpSlider, static_cast<int>(RoundHalfEven(fState.quantities->Bump() * 100.0)));
            fState.bumpStep = 1;
        }
        RecomputeOpening();
        ShowRateAndSwath();
        fGps.ApplyGpsFlags();
        TGpsSource* source = fHost.GpsSource();
        if (TPeloCom* link = source ? source->Link() : nullptr) {
            link->SetLocalAppRate(fState.preset->AppRateSI());
            link->SetLocalSwathWidth(fState.preset->SwathWidthSI());
            link->SetLocalSpeed(static_cast<float>(fState.preset->FixedAppSpeedSI()));
        }
        Log("Updated GPS Reciever values");
    } catch (...) {
        fRefreshing = false;
        fHost.ShowFailureText({"Error Raised while Updating Current App Values!!!", " ",
                               "First try \"RETRY\" below.", "IF that fails, try \"Restart Application\" below."});
        fHost.EnableCheckCan(false);
        throw;
    }
    fRefreshing = false;
}

void TRateAdjust::SetBump(int v)
{
    StoreBump(v / 100.0, v);
}

void TRateAdjust::StoreBump(double factor, int sliderValue)
{
    if (!fState.quantities)
        return;
    fState.quantities->SetBump(static_cast<float>(factor));
    // The slider, its label and the stored "Bump" (restored at the next mode
    // set) always tell the bump in use.
    const bool wasBumping = fBumping;
    fBumping = true;
    fHost.View().SetValue(rcDryBumpSlider, sliderValue);
    fBumping = wasBumping;
    fHost.View().SetText(rcDryBumpLabel, Format("Bump: %d%%", sliderValue - 100));
    if (TMemIniFile* ini = fHost.SettingsIni()) {
        ini->WriteFloat(Format("Controller Settings for Mode:%d", static_cast<int>(fState.primaryMode)), "Bump",
                        factor);
        fHost.SaveSettingsIni();
    }
    RecomputeOpening();
    ShowRateAndSwath();
}

void TRateAdjust::BumpSliderChange(int value)
{
    if (!DryMode() || fBumping || value < kSliderMin || value > kSliderMax)
        return;
    fBumping = true;
    SetBump(value);
    fBumping = false;
}

void TRateAdjust::BumpStep(int direction)
{
    if (!DryMode() || fBumping)
        return;
    const int old = fHost.View().Value(rcDryBumpSlider);
    const int v = std::clamp(old + direction * fState.bumpStep, kSliderMin, kSliderMax);
    if (v == old)
        return; // the slider did not take it
    fBumping = true;
    fHost.View().SetValue(rcDryBumpSlider, v);
    SetBump(v);
    fBumping = false;
    fHost.BackupSettingsIni();
}

void TRateAdjust::ShowTweak(int value)
{
    const std::string text = Format("Calibration tweak: %d%%", value - 100);
    if (fState.primaryMode == pmFireGate) {
        fHost.View().SetText(rcGateTweakLabel, text);
        fHost.View().SetValue(rcGateTweakSlider, value);
    } else {
        fHost.View().SetText(rcDryTweakLabel, text);
        fHost.View().SetValue(rcDryTweakSlider, value);
        fHost.View().SetValue(rcDryTweakUpDown, value);
    }
    fTweakShown = value;
}

void TRateAdjust::TweakChange(int value)
{
    if (value < kSliderMin || value > kSliderMax)
        return;
    ShowTweak(value);
    if (!fState.preset)
        return;
    const double factor = value / 100.0;
    if (std::fabs(fState.preset->RateTweak() - factor) < 1e-9)
        return;
    fState.preset->SetRateTweak(factor);
    if (fState.primaryMode == pmFireGate)
        fState.preset->ApplyRateTweak();
}

void TRateAdjust::TweakNextClick()
{
    const int asked = fState.preset ? static_cast<int>(RoundHalfEven(fState.preset->RateTweak() * 100.0)) : 100;
    std::string refusal;
    bool refused = false;
    if (fState.preset && fState.quantities && DryMode() && std::fabs(fState.preset->RateTweak() - 1.0) > 1e-9) {
        if (fState.preset->ApplyRateTweak(&refusal))
            StoreBump(1.0, 100); // the reshaped curve already gives the rate asked for
        else
            refused = true;
        RecomputeOpening();
    }
    ShowTweak(100);
    if (refused) {
        // The pilot stays on the tweak sheet and reads why nothing changed.
        fHost.View().SetText(rcDryTweakLabel, Format("Tweak of %d%% refused: %s", asked - 100, refusal));
        fHost.View().ShowSheet(rcDryPages, dsTweak);
        return;
    }
    fHost.View().ShowSheet(rcDryPages, dsSystem);
}

double TRateAdjust::AutoBumpProposal(double fullTank, double dispersed, double cleanupDispersed, double bump)
{
    if (fullTank <= 0)
        return bump;
    const double a = (dispersed + cleanupDispersed) / fullTank;
    const double p = a * bump;
    return p > 0.66 && p < 1.5 ? p : bump;
}

bool TRateAdjust::ProposeAutoBump()
{
    if (fState.primaryMode != pmDryMaterial || !fState.autoBumpEnabled || !fState.quantities || !fState.preset)
        return false;
    TCalculatedQuantities& q = *fState.quantities;
    TTankFigures t = fHooks.tankFigures ? fHooks.tankFigures() : TTankFigures{};
    const double bump = q.Bump();
    double proposal = bump;
    if (t.fullTank >= 100) {
        if (fHooks.accountArea)
            fHooks.accountArea(200);
        const double flow = q.Flow() * 200.0 / 1000.0;
        if (q.CleanupActive())
            t.cleanupDispersed -= flow;
        else
            t.dispersed -= flow;
        proposal = AutoBumpProposal(t.fullTank, t.dispersed, t.cleanupDispersed, bump);
    }
    if (RoundHalfEven(bump * 100) == RoundHalfEven(proposal * 100))
        return false;
    const std::string question =
        Format("Are you SURE you want to AUTO BUMP from %d%% to %d%%?", RoundHalfEven(bump * 100 - 100),
               RoundHalfEven(proposal * 100 - 100));
    fConfirmation.AskConfirmation(question, [this, proposal] { ApplyAutoBump(proposal); });
    return true;
}

void TRateAdjust::ApplyAutoBump(double proposal)
{
    StoreBump(proposal, std::clamp(static_cast<int>(RoundHalfEven(proposal * 100)), kSliderMin, kSliderMax));
}

void TRateAdjust::AutoBumpClick(bool on)
{
    fState.autoBumpEnabled = on;
    if (TMemIniFile* ini = fHost.SettingsIni()) {
        ini->WriteBool("Controller Settings for Mode:1", "AutoBumpEnabled", on);
        fHost.SaveSettingsIni();
    }
}

void TRateAdjust::VariableRateClick(bool on)
{
    fState.variableRate = on;
    if (fState.quantities)
        fState.quantities->SetVariableRate(on);
    fHost.View().SetText(rcDryRateCaption, on ? "Max Var Rate:" : "Fixed Rate:");
}

void TRateAdjust::RateValueClick()
{
    if (!fState.preset || !fState.quantities)
        return;
    // The same rate unit as the preset's rate and the run page text.
    const double factor = DisplayRateUnit(true, fHost.DisplayUnits()).factor;
    const bool variable = fState.variableRate;
    double value = variable ? fState.quantities->MaxVariableRate() * factor : fState.preset->AppRate();
    if (!fHost.EditValue(variable ? "Max of Variable Application Rate" : "Application Rate", value))
        return;
    if (variable) {
        if (factor > 0)
            fState.quantities->SetMaxVariableRate(static_cast<float>(value / factor));
    } else {
        fState.preset->SetAppRate(value);
    }
    RecomputeOpening();
    ShowRateAndSwath();
}

void TRateAdjust::SwathValueClick()
{
    if (!fState.preset)
        return;
    double value = fState.preset->SwathWidth();
    if (!fHost.EditValue("Default Swath Width", value))
        return;
    fState.preset->SetSwathWidth(value);
    RecomputeOpening();
    ShowRateAndSwath();
}

double TRateAdjust::StepOfCaption(const std::string& caption, bool metric)
{
    const std::string t = Trim(caption);
    if (t.size() < 3 || (t[0] != '+' && t[0] != '-'))
        return 0;
    const std::string number = Trim(t.substr(1));
    double s = 0;
    const auto slash = number.find('/');
    if (slash != std::string::npos) {
        double n = 0, d = 0;
        if (!TryStrToFloat(number.substr(0, slash), n) || !TryStrToFloat(number.substr(slash + 1), d) || d == 0)
            return 0;
        s = n / d;
    } else if (!TryStrToFloat(number, s)) {
        return 0;
    }
    const double metres = metric ? s / 100.0 : s * 0.0254;
    return t[0] == '-' ? -metres : metres;
}

void TRateAdjust::ShowSimpleCaptions()
{
    const auto captions = SimpleStepCaptions(fHost.DisplayUnits());
    for (int i = 0; i < 6; ++i)
        fHost.View().SetText(static_cast<TRunControl>(rcSimpleStep0 + i), captions[i]);
    if (fState.quantities) {
        TCalculatedQuantities& q = *fState.quantities;
        const TDisplayFactors f = ComputeDisplayFactors(fHost.DisplayUnits());
        fHost.View().SetText(rcSimpleFixedSpeed, Format("Fixed App Speed: %.0f %s", q.FixedSpeed() * f.speed, f.speedLabel));
    }
}

void TRateAdjust::SimpleStepClick(int index)
{
    if (fState.primaryMode != pmSimpleDry || !fState.quantities || index < 0 || index > 5)
        return;
    const TDisplayUnits& units = fHost.DisplayUnits();
    const std::string caption = SimpleStepCaptions(units)[index];
    const double step = StepOfCaption(caption, !ImperialLength(units));
    TCalculatedQuantities& q = *fState.quantities;
    // A gate cannot open less than closed.
    const double opening = std::max(0.0, static_cast<double>(q.FixedOpening()) + step);
    q.SetFixedOpening(static_cast<float>(opening));
    if (TMemIniFile* ini = fHost.SettingsIni()) {
        ini->WriteFloat("Simple", "FixedOpening", opening);
        fHost.SaveSettingsIni();
    }
    fHost.BackupSettingsIni();
    ShowFixedTarget();
}

void TRateAdjust::ShowFixedTarget()
{
    if (!fState.quantities)
        return;
    TCalculatedQuantities& q = *fState.quantities;
    IModeView& view = fHost.View();
    view.SetText(rcSimpleFixedTarget, "Fixed Target: " + FormatGateOpening(q.FixedOpening(), fHost.DisplayUnits()));
    TDeviceModel* model = fHost.DeviceModel();
    if (!model)
        return;
    const int b = model->FirstBoard();
    const int maximum = model->MaximumOpen(b);
    const int dryZero = model->DryZeroPosition(b);
    if (maximum <= dryZero)
        return;
    const int64_t target = dryZero + RoundHalfEven((maximum - dryZero) * q.DigitalOpeningAtFixedSpeed() / 100.0);
    view.SetValue(rcSimpleTargetGauge,
                  static_cast<int>(RoundHalfEven((target - model->ZeroPosition(b)) * 1000.0 / (maximum - dryZero))));
}

void TRateAdjust::FixedSpeedClick()
{
    if (fState.primaryMode != pmSimpleDry || !fState.quantities)
        return;
    TCalculatedQuantities& q = *fState.quantities;
    const TDisplayFactors f = ComputeDisplayFactors(fHost.DisplayUnits());
    double value = q.FixedSpeed() * f.speed;
    if (!fHost.EditValue("Fixed App Speed", value) || f.speed <= 0)
        return;
    q.SetFixedSpeed(static_cast<float>(value / f.speed));
    ShowFixedTarget();
    ShowSimpleCaptions();
    TGpsSource* source = fHost.GpsSource();
    if (TPeloCom* link = source ? source->Link() : nullptr)
        link->SetLocalSpeed(q.FixedSpeed());
    if (TMemIniFile* ini = fHost.SettingsIni()) {
        ini->WriteFloat("Simple", "FixedSpeed", q.FixedSpeed());
        fHost.SaveSettingsIni();
    }
}

} // namespace orv
