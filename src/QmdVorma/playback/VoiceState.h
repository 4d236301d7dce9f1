#ifndef QMDVORMA_PLAYBACK_VOICESTATE_H
#define QMDVORMA_PLAYBACK_VOICESTATE_H

#include "Qmd/Qmd.h"
#include "QmdVorma/QmdVorma.h"

#include <QtGlobal>

// What a travelling voice carries, and what one note of a node is: the
// voice's part is copied from voice to voice along the network and from the
// voice into every note the node plays.
struct VoiceState
{
    // The edge travelled; the voice group's own id for the hop from the
    // group to its start node.
    QmdItemId item = 0;
    QmdVorma::Ticks departure = 0;
    // departure plus the travel time of item, recomputed at every step,
    // since edges can be moved while a voice is on them.
    QmdVorma::Ticks arrival = 0;
    quint8 pitch = 0;
    quint8 velocity = 0;
    // Applied to every note-on velocity; below 1 only for a group started by
    // a MIDI key with velocity scaling.
    QmdVorma::Scale velocityScale = 1.0;
    qint64 duration = 0; // ticks
    qint32 instrument = 0; // id under `Instruments`

    // velocity x velocityScale, halves rounded upward, within 0..127.
    quint8 scaledVelocity() const;
};

#endif
