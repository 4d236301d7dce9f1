#ifndef MIDI_MIDIINPUT_H
#define MIDI_MIDIINPUT_H

#include "midi/MidiIO.h"
#include "midi/MidiInputMessage.h"
#include "midi/MidiInputRelay.h"

#include <QObject>
#include <QVector>

#include <atomic>
#include <mutex>

// A user of a MIDI input port. Messages are queued per input and announced
// by readyRead(), which is emitted on the port's relay thread (not the
// driver's): receivers that connect directly run there, others get it
// queued. Users of one port each see every message except the types they
// ignore themselves.
class MidiInput : public QObject, public MidiIO<RtMidiIn>, private MidiInputSubscriber
{
    Q_OBJECT
public:
    static constexpr int QueueLimit = 1024;

    explicit MidiInput(QObject *parent = nullptr);
    ~MidiInput() override;

    bool open(const QString &portName) override;
    // Returns once no delivery to this input is in progress, then drops the
    // messages still queued. Do not close while holding a lock that a
    // directly connected readyRead() receiver takes.
    bool close() override;

    // Bits of MidiIgnoreFlag; 7 (all three ignored) at construction. The
    // port itself ignores a type only when every input on it does.
    int ignoreFlags() const;
    void setIgnoreFlags(int flags);

    // Every queued message in arrival order, leaving the queue empty. While
    // nobody takes them, the queue fills up to QueueLimit + 1 messages and
    // later ones are dropped.
    QVector<MidiInputMessage> takeMessages();

signals:
    void readyRead(MidiInput *input);

protected:
    void connectNotify(const QMetaMethod &signal) override;

private:
    void relayMessage(const MidiInputMessage &message) override;
    int subscriberIgnoreFlags() const override;

    std::atomic<int> m_ignoreFlags{MidiIgnoreDefault};
    // Qt hands a new connection to the emitting thread through its own
    // lock-free lists, which ThreadSanitizer cannot follow (Debian's Qt is
    // not instrumented). Connecting passes this fence after the connection
    // is made and the relay passes it before each emission, so what a
    // receiver set up before connecting is seen to reach the relay thread.
    std::mutex m_connectFence;
    std::mutex m_queueMutex;
    QVector<MidiInputMessage> m_queue;
};

#endif
