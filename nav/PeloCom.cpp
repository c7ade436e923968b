#include "nav/PeloCom.h"

#include "nav/OrvSentence.h"

namespace orv {

TPeloCom::TPeloCom(ISerialLibrary& library) : TGeneralCom(library)
{
    SetPortName("Com1");
}

TPeloCom::~TPeloCom() = default;

void TPeloCom::CreateDecoders()
{
    if (fNmea)
        return;
    auto nmea = std::make_unique<TNMEADecoding>(Fix(), fBlocks);
    nmea->OnDecode = [this](TMsgDecoding& d) { AfterDecode(d); };
    nmea->AddField(TNMEADecoding::kVTG, fBlocks.vtg.speedKmh, fkSingle, TNMEADecoding::kVtgSpeedField);
    nmea->AddField(TNMEADecoding::kRMC, fBlocks.rmc.status, fkChar, TNMEADecoding::kRmcStatusField);
    nmea->AddField(TNMEADecoding::kRMC, fBlocks.rmc.speedKnots, fkSingle, TNMEADecoding::kRmcSpeedField);
    nmea->AddField(TNMEADecoding::kRMA, fBlocks.rma.speedKnots, fkSingle, TNMEADecoding::kRmaSpeedField);
    fNmea = static_cast<TNMEADecoding*>(&AddDecoder(std::move(nmea)));

    auto orvDecoder = std::make_unique<OrvDecoding>(Fix(), fOrvBlock, fSignFlags, fChannels);
    orvDecoder->OnDecode = [this](TMsgDecoding& d) { AfterDecode(d); };
    orvDecoder->RegisterOrvFields();
    fOrv = static_cast<OrvDecoding*>(&AddDecoder(std::move(orvDecoder)));
}

bool TPeloCom::Poll()
{
    TGPSClock& clock = TGPSClock::Instance();
    if (Connected() && fReceiverSetup && !clock.DeadlineRunning(fReceiverSetupDeadline)) {
        WriteAll(ReceiverSetupSentences());
        clock.SetDeadline(kReceiverSetupIntervalMs, fReceiverSetupDeadline);
    }
    if (Connected() && fGuidanceSelected && !clock.DeadlineRunning(fOrvDeadline)) {
        clock.SetDeadline(kOrvIntervalMs, fOrvDeadline);
        SendOrvSentence();
    }
    return TGeneralCom::Poll();
}

void TPeloCom::SendOrvSentence()
{
    if (Connected())
        WriteSentence(BuildOrvSentence(OutgoingOrvFields(fChannels)));
}

void TPeloCom::WriteAll(const std::vector<std::string>& sentences)
{
    for (const auto& s : sentences)
        WriteSentence(s);
}

void TPeloCom::AfterDecode(TMsgDecoding& decoder)
{
    if (&decoder == fNmea)
        AfterNmea();
    else if (&decoder == fOrv)
        AfterOrv();
    ++fDecodedCount;
}

void TPeloCom::AfterNmea()
{
    // Only a sentence that carried a speed refreshes it: a receiver that has
    // lost its fix keeps sending sentences with empty fields, and those must
    // not keep an old speed looking fresh.
    if (fNmea->SpeedDelivered()) {
        fChannels.SetRemote(gchSpeed, Fix().groundSpeed);
        fChannels.StampNmea();
    }
    fStatus = fBlocks.rmc.status;
    fFixValid = fStatus == 'A';
    if (fReceiverSetup) {
        fReceiverSetup = false;
        WriteAll(ReceiverSwitchOffSentences());
    }
}

void TPeloCom::AfterOrv()
{
    fChannels.StampOrv();
    const double swath = fChannels.Remote(gchSwathWidth);
    if (swath != fChannels.Local(gchSwathWidth) && OnRemoteSwathWidth)
        OnRemoteSwathWidth(*this, static_cast<float>(swath));
    const double rate = fChannels.Remote(gchAppRate);
    if (rate != fChannels.Local(gchAppRate) && OnRemoteAppRate)
        OnRemoteAppRate(*this, static_cast<float>(rate));
}

void TPeloCom::MessageDecoded(const TDecodedMessage& message)
{
    if (message.decoder == fNmea && OnNmeaMessage)
        OnNmeaMessage(*this, message.messageId);
    else if (message.decoder == fOrv && OnOrvMessage)
        OnOrvMessage(*this, message.messageId);
}

} // namespace orv
