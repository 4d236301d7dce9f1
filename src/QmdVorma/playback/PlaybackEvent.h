#ifndef QMDVORMA_PLAYBACK_PLAYBACKEVENT_H
#define QMDVORMA_PLAYBACK_PLAYBACKEVENT_H

#include "QmdVorma/QmdVorma.h"

#include <QMetaType>

// What a voice group reports for the canvas to show, due at a tick.
struct PlaybackEvent
{
    enum Kind : qint32 {
        VoiceReachedNode = 0,
        NoteEnded = 1,
        VoiceStarted = 2,
        VoiceReturned = 3, // to its group's pool
        NoFreeVoice = 4
    };

    qint32 kind = VoiceReachedNode;
    QmdVorma::Ticks time = 0;
    qint32 voiceGroupId = 0;
    qint32 voiceId = 0;     // 1 to 24; 0 for NoFreeVoice
    quint32 nodeId = 0;     // item id of the node, 0 when none
    qint32 instrumentId = 0;
    quint8 pitch = 0;
    quint8 velocity = 0;    // after the voice's velocity scale
    qint64 duration = 0;    // ticks

    bool operator==(const PlaybackEvent &o) const
    {
        return kind == o.kind && time == o.time && voiceGroupId == o.voiceGroupId
            && voiceId == o.voiceId && nodeId == o.nodeId && instrumentId == o.instrumentId
            && pitch == o.pitch && velocity == o.velocity && duration == o.duration;
    }
    bool operator!=(const PlaybackEvent &o) const { return !(*this == o); }
};

Q_DECLARE_METATYPE(PlaybackEvent)

#endif
