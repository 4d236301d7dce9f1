#ifndef QMDVORMA_PLAYBACK_MIDISYNTHWORKER_H
#define QMDVORMA_PLAYBACK_MIDISYNTHWORKER_H

#include "QmdVorma/playback/MidiSynth.h"

#include <QObject>

// Lives on the synthesizer's thread; handles its input's messages on the
// MIDI relay thread.
class MidiSynthWorker : public QObject
{
    Q_OBJECT
public:
    MidiSynthWorker();

    bool isReady() const { return m_ready; }
    MidiInstrumentId channelInstrument(int channel) const;

    // Called with the synthesizer's mutex held.
    void onMidiInputReadyRead(MidiInput *input);

signals:
    void instrumentChanged(int channel, MidiInstrumentId id);

private:
    bool m_ready = true;
    MidiInstrumentId m_channelInstruments[16] = {};
};

#endif
