#ifndef TESTS_QMDVORMA_MIDICLOCKTESTSUPPORT_H
#define TESTS_QMDVORMA_MIDICLOCKTESTSUPPORT_H

// MIDI clock following and sending: sync port entries of a document, the
// clock's transport calls as the follower makes them, and a clock whose
// real time is whatever the test says.
#include "QmdVorma/VormaTestSupport.h"

#include "midi/MidiInput.h"
#include "QmdVorma/playback/MidiOutputSyncClock.h"
#include "QmdVorma/playback/MidiSync.h"

#include <QByteArray>
#include <QStringList>

#include <mutex>
#include <thread>
#include <vector>

constexpr quint64 MsNs = 1000000ull;
constexpr quint64 SecondNs = 1000000000ull;
constexpr quint64 ClockBeatTicks = MidiOutputSyncClock::BeatTicksPerClock;

// Writes a `SyncMidiInputs` or `SyncMidiOutputs` entry before the document
// is attached, as a saved file brings it.
inline void writeSyncEntry(VormaDocument &doc, const QString &dictionary, const QString &port, bool midiSync)
{
    doc.write([&](QmdDirectModelInterface &d) {
        d.setTypeIfInvalid(dictionary, Qmd::StrDict);
        const QmdIndex ports = d.index(dictionary);
        d.setTypeIfInvalid(port, Qmd::StrDict, ports);
        d.setData(QmdVorma::Keys::MidiSync, midiSync, d.index(port, ports));
    });
}

// The same through requests on an attached document, as the inspector
// makes them; the controller's signals have been handled on return.
inline void setSyncEntry(QmdVormaController &controller, const QString &dictionary, const QString &port,
                         bool midiSync)
{
    const QmdIndex ports = controller.index(dictionary);
    controller.requestSetTypeIfInvalid(port, Qmd::StrDict, ports);
    controller.requestSetData(QmdVorma::Keys::MidiSync, midiSync, controller.index(port, ports));
    settle();
}

inline void removeSyncEntry(QmdVormaController &controller, const QString &dictionary, const QString &port)
{
    controller.requestRemove(port, controller.index(dictionary));
    settle();
}

inline MidiSync *documentClock(QmdVormaController &controller)
{
    return qobject_cast<MidiSync *>(controller.sync());
}

// The transport calls the follower makes on a controller, with the thread
// each came on.
class TransportRecorder
{
public:
    struct Call
    {
        QString what; // "start" (go to start), "prime on", "prime off"
        std::thread::id thread;
    };

    explicit TransportRecorder(QmdVormaController &controller)
    {
        // Functor connections without a context run on the emitting thread.
        m_connections << QObject::connect(&controller, &QmdVormaController::playbackJogged,
                                          [this] { record(QStringLiteral("start")); });
        m_connections << QObject::connect(&controller, &QmdVormaController::playbackStateChanged, [this](bool on) {
            record(on ? QStringLiteral("prime on") : QStringLiteral("prime off"));
        });
    }
    ~TransportRecorder()
    {
        for (const QMetaObject::Connection &c : qAsConst(m_connections))
            QObject::disconnect(c);
    }

    QStringList calls() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QStringList what;
        for (const Call &call : m_calls)
            what << call.what;
        return what;
    }
    std::vector<std::thread::id> threads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<std::thread::id> ids;
        for (const Call &call : m_calls)
            ids.push_back(call.thread);
        return ids;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.clear();
    }

private:
    void record(const QString &what)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back({what, std::this_thread::get_id()});
    }

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    QList<QMetaObject::Connection> m_connections;
};

// A clock on the test's own time, which hands batches of received messages
// straight to the follower.
class ManualClock : public MidiSync
{
public:
    quint64 now = 5 * SecondNs;

    void follow(const QVector<MidiInputMessage> &batch) { followMidiClock(batch); }
    // One message received at `at` (which becomes now), `delta` seconds after
    // the one before it on the port.
    void receive(std::vector<quint8> bytes, quint64 at, double delta = 0.0)
    {
        now = at;
        MidiInputMessage message;
        message.bytes = QVector<quint8>(bytes.begin(), bytes.end());
        message.receivedNs = at;
        message.deltaTime = delta;
        follow({message});
    }
    using MidiSync::setBeatTickOffset;

protected:
    quint64 nowNs() const override { return now; }
};

// What the fake port received, one send per entry, as hex ("f2 00 00").
template <typename Fake>
QStringList sentBytes(const Fake &fake, const QString &port)
{
    QStringList hex;
    for (const auto &sent : fake->sentMessages(port))
        hex << QByteArray(reinterpret_cast<const char *>(sent.bytes.data()), int(sent.bytes.size())).toHex(' ');
    return hex;
}

#endif
