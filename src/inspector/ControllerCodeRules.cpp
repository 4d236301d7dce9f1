#include "inspector/ControllerCodeRules.h"

#include "inspector/ControllerInfo.h"

QVector<MidiOutputMessage> smartResetMessages(const ControllerCodeChange &change, bool playing, bool enabled,
                                              MidiOutputMessage::Ticks ticks)
{
    QVector<MidiOutputMessage> messages;
    if (!playing || !enabled)
        return messages;
    if (change.msbChanged && change.msb != change.previousMsb) {
        if (change.previousMsb == -2)
            messages.append(pitchBendMessage(ticks, 8192));
        else if (change.previousMsb >= 0 && change.previousMsb <= 127)
            messages.append(controlChangeMessage(ticks, change.previousMsb,
                                                 controllerInfo(change.previousMsb).resetValue));
    }
    if (change.lsbChanged && change.lsb != change.previousLsb && change.previousLsb >= 0
        && change.previousLsb <= 127)
        messages.append(controlChangeMessage(ticks, change.previousLsb, controllerInfo(change.previousLsb).resetValue));
    return messages;
}

ControllerCodePairing pairedControllerCodes(const ControllerCodeChange &change, bool autoLsb)
{
    ControllerCodePairing pairing;
    const int msb = change.msb;
    const int lsb = change.lsb;
    if (change.msbChanged) {
        const int partner = controllerInfo(msb).pairedLsbCode;
        if (msb == -2) {
            if (lsb != -2)
                pairing.lsb = -2;
        } else if (msb >= 0 && autoLsb && partner >= 0) {
            if (partner != lsb)
                pairing.lsb = partner;
        } else if (lsb == -2) {
            pairing.lsb = -1;
        }
    }
    if (change.lsbChanged && lsb == -2 && msb != -2)
        pairing.msb = -2;
    return pairing;
}
