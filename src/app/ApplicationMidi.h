#ifndef APP_APPLICATIONMIDI_H
#define APP_APPLICATIONMIDI_H

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <vector>

class MidiInput;
class MidiInstrument;
class MidiSync;
struct MidiInputMessage;
class QTimer;

// The application's own MIDI, alive for the whole run: the port lists kept
// up to date by a poll every second, the entry port and the thru port.
//
// Messages played on the entry port go, batch by batch, to the widget with
// the keyboard focus as MidiEvents; while the focus window's document has
// MIDI triggering on they go to every window's controller instead. Every
// one of them is repeated on the thru port, byte for byte, through a thru
// instrument of its own that plays on the application clock (playing from
// construction to destruction, so its queue is always drained).
//
// Everything here runs on the GUI thread except the thru instrument's
// sending.
class ApplicationMidi : public QObject
{
    Q_OBJECT

public:
    static constexpr int PollIntervalMs = 1000;
    static constexpr int DefaultToggleTimeoutMs = 200;

    // How the entry port's messages reach the application's windows.
    // Functions not set count as triggering off.
    struct Routing
    {
        // True while the focus window's document has MIDI triggering on.
        std::function<bool()> triggering;
        // Hands a message, with the toggle time-out, to every window's
        // controller in window order.
        std::function<void(const MidiInputMessage &message, int toggleTimeoutMs)> trigger;
        std::function<int()> toggleTimeoutMs;
    };

    // Makes the entry input, the clock and the thru instrument, then starts
    // the poll and polls once. Both ports stay closed until applied.
    explicit ApplicationMidi(QObject *parent = nullptr);
    // The entry input first, then the thru instrument's thread (joined)
    // before the clock it reads.
    ~ApplicationMidi() override;

    void setRouting(const Routing &routing) { m_routing = routing; }

    const QSet<QString> &availableMidiInputPorts() const { return m_inputPortSet; }
    const QSet<QString> &availableMidiOutputPorts() const { return m_outputPortSet; }
    const QStringList &midiInputPortNames() const { return m_sortedInputPortNames; }
    const QStringList &midiOutputPortNames() const { return m_sortedOutputPortNames; }

    MidiInput *entryInput() const { return m_entryInput; }
    MidiInstrument *thruInstrument() const { return m_thruInstrument; }
    MidiSync *sync() const { return m_sync; }
    QTimer *pollTimer() const { return m_pollTimer; }

    // Opens, closes or keeps the entry port for the settings: none while
    // disabled, else the named port when the last poll found it. Returns
    // true when the name must be cleared from the settings: enabled, but
    // the named port was not there (an open that fails for another reason
    // keeps the name).
    bool applyMidiEntryPort(bool enabled, const QString &portName);
    bool applyMidiThruPort(bool enabled, const QString &portName);

public slots:
    // Replaces the sets and lists of a direction when its ports changed,
    // and tells of it. A port in use that has gone is closed; the settings
    // keep its name, and it opens again when a later poll finds it back.
    void pollMidiPorts();
    void onMidiInputReadyRead();

signals:
    void midiInputPortsChanged();
    void midiOutputPortsChanged();

private:
    // The display name of the port to use; empty for none. Sets *missing
    // when the setting names a port the last poll did not find.
    static QString wantedPort(bool enabled, const QString &portName, const QSet<QString> &present,
                              bool *missing);
    void useEntryPort(const QString &name);
    void useThruPort(const QString &name);

    QTimer *m_pollTimer = nullptr;
    QSet<QString> m_inputPortSet;
    QSet<QString> m_outputPortSet;
    QStringList m_sortedInputPortNames;
    QStringList m_sortedOutputPortNames;

    MidiInput *m_entryInput = nullptr;
    MidiSync *m_sync = nullptr;
    MidiInstrument *m_thruInstrument = nullptr;
    // The ports the settings ask for, open or not.
    QString m_wantedEntryPort;
    QString m_wantedThruPort;

    Routing m_routing;
};

// The same bytes, for the output layer.
std::vector<unsigned char> toStdByteVector(const QVector<quint8> &bytes);

#endif
