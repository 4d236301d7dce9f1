#ifndef QMDVORMA_PLAYBACK_MIDISYNTH_H
#define QMDVORMA_PLAYBACK_MIDISYNTH_H

#include <QMetaType>
#include <QPointer>
#include <QString>
#include <QThread>

#include <memory>
#include <mutex>

class MidiInput;
class MidiSynthWorker;

// An instrument of the built-in synthesizer; 0 is none.
typedef int MidiInstrumentId;

// The front of a built-in software synthesizer. No synthesizer engine exists
// on this platform: every query answers 0 or an empty string and every
// command does nothing. What remains is the thread with its worker, the
// ready handshake, and the worker's reaction to controller and program
// messages on its input, which it reports as instrumentChanged(channel, 0).
class MidiSynth : public QThread
{
    Q_OBJECT
public:
    // Starts the thread at once.
    explicit MidiSynth(QObject *parent = nullptr);
    // Ends the thread's event loop and waits until the worker is gone.
    ~MidiSynth() override;

    // True once the thread has made its worker.
    bool isReady() const;
    // The worker takes its MIDI from input (none for nothing). Before the
    // worker exists this does nothing.
    void setInput(MidiInput *input);

    MidiInstrumentId channelInstrument(int channel) const;
    QString instrumentName(MidiInstrumentId id) const;
    int instrumentCount() const;
    MidiInstrumentId instrument(int index) const;
    int instrumentIndex(MidiInstrumentId id) const;
    void setChannelInstrument(int channel, MidiInstrumentId id);
    void resetToDefaultSoundBank();
    QString soundBankName() const;

signals:
    void instrumentChanged(int channel, MidiInstrumentId id);

protected:
    void run() override;

private:
    struct State;
    // Shared with the input connection, which may still be running on the
    // relay thread while the worker goes away.
    const std::shared_ptr<State> m_state;
};

// The bank select and program of an instrument; all 0 on this platform.
void midiInstrumentNumbers(MidiInstrumentId id, quint8 *bankMsb, quint8 *bankLsb, quint8 *program);
// The instrument of a bank select and program; 0 on this platform.
MidiInstrumentId midiInstrumentId(quint8 bankMsb, quint8 bankLsb, quint8 program);

#endif
