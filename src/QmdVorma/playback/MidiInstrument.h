#ifndef QMDVORMA_PLAYBACK_MIDIINSTRUMENT_H
#define QMDVORMA_PLAYBACK_MIDIINSTRUMENT_H

#include "QmdVorma/playback/AbstractInstrument.h"
#include "midi/MidiOutput.h"
#include "midi/PriorityInheritanceMutex.h"

#include <mutex>

// An instrument that plays through a MIDI output port (`Type` "midi").
//
// Bound to a document it follows its entry: a new `MidiPort` reopens the
// port, while the same name keeps it open (a name that is not present falls back to the default output port,
// which is written back into the entry; with no output port at all the
// name is kept), new `MidiChannels` silence the
// notes sounding on the old channels and switch, and with
// `MidiDoProgramChange` on, a change of the port, the channels or the
// program settings sends the program with bank select at once, as does
// every play().
//
// A batch that fails to send pauses the instrument and silences its notes;
// when a port was open it is closed and the entry's `MidiPort` cleared
// (only when it is not empty already), and the cleared name then brings the
// default port back. It stays paused until the
// next play().
//
// Sending, switching channels, opening and closing are serialised by one
// mutex of the instrument, so no pass can put a note-on between the
// note-offs of a switch and the switch itself.
class MidiInstrument : public AbstractInstrument, public MidiOutput
{
    Q_OBJECT

public:
    explicit MidiInstrument(QmdItemId id, QObject *parent = nullptr);
    // Stops the thread, then silences the held notes; the port closes after.
    ~MidiInstrument() override;

    static QString staticTypeKey();
    QString typeKey() const override;
    QString displayName() const override;

    bool open(const QString &portName) override;
    bool close() override;
    // Silences the held notes on the old channels first when they change.
    void setChannels(const QBitArray &channels) override;

public slots:
    // Plays, and sends the program when program change is on.
    void play() override;
    // Paused once the pass in progress has ended, then every held note off.
    void pauseAndWait() override;
    // Empties the queue, silences the held notes, reopens the port unless
    // the one open is still the entry's, sets the channels and sends the
    // program when program change is on.
    void reset() override;
    void onInstrumentDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;

protected:
    bool sendMessages(const std::vector<MidiOutputMessage> &batch) override;

private:
    // Keeps the open port when it is the one of that name and still
    // reaches its device, silencing its notes; otherwise closes it and
    // opens that name (none when empty).
    void usePort(const QString &name);
    // Writes `MidiPort` of the entry when it holds another name.
    void writePortName(const QString &name);

    PriorityInheritanceMutex m_outputMutex;
};

#endif
