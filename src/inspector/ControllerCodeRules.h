#ifndef INSPECTOR_CONTROLLERCODERULES_H
#define INSPECTOR_CONTROLLERCODERULES_H

#include "midi/MidiOutputMessage.h"

#include <QMetaType>
#include <QVector>

// How an edge controller's MSB and LSB codes answer a change of either:
// plain functions of the old and new codes, so the rules read (and test)
// apart from the row widget that applies them.
struct ControllerCodeChange
{
    int previousMsb = -127; // -127: not seen yet
    int previousLsb = -127;
    int msb = -1;
    int lsb = -1;
    bool msbChanged = false;
    bool lsbChanged = false;
};

// The messages that put the controllers the codes leave back to rest, so a
// sound does not stay bent or muted after the curve moved elsewhere. Only
// while playing with the setting on; none for codes that name no
// controller.
QVector<MidiOutputMessage> smartResetMessages(const ControllerCodeChange &change, bool playing, bool enabled,
                                              MidiOutputMessage::Ticks ticks);

// The codes to write so the pair stays consistent: pitch bend in both, or
// the fine partner of a coarse controller with the automatic partner on.
// -127 in a field: leave that code as it is.
struct ControllerCodePairing
{
    int lsb = -127;
    int msb = -127;
};
ControllerCodePairing pairedControllerCodes(const ControllerCodeChange &change, bool autoLsb);

Q_DECLARE_METATYPE(ControllerCodeChange)

#endif
