#ifndef TESTS_QMDVORMA_PLAYBACKTESTSUPPORT_H
#define TESTS_QMDVORMA_PLAYBACKTESTSUPPORT_H

// Networks that play through the fake MIDI system: one instrument on a
// fake output port, nodes and edges drawn through the controller's
// requests, the document's own clock and threads.
#include "QmdVorma/EditingTestSupport.h"
#include "QmdVorma/playback/InstrumentTestSupport.h"

#include "QmdVorma/playback/AbstractSync.h"
#include "QmdVorma/playback/PlaybackEvent.h"
#include "QmdVorma/playback/VoiceGroup.h"

#include <QPolygonF>
#include <QtTest>

#include <limits>

constexpr qint64 Principal = qint64(QmdVorma::TicksPerPrincipal);

class PlayedNetwork
{
public:
    // At 600 beats per minute a principal lasts 100 ms: networks play
    // quickly, and a 10 ms step is still a tenth of an edge.
    explicit PlayedNetwork(uint tempo = 600, const QList<int> &channels = {0})
    {
        midi->addPort(MidiDirection::Output, port);
        instrument = addInstrumentEntry(doc, {port, channels});
        doc.write([tempo](QmdDirectModelInterface &d) { d.setData(QmdVorma::Keys::Tempo, tempo); });
        doc.attach();
    }
    ~PlayedNetwork() { c().requestPause(); }

    QmdVormaController &c() { return doc.controller; }

    // A node at (x, y) principals with the notes text.
    QmdItemId node(qint64 x, qint64 y, const QString &notes)
    {
        const QmdItemId id = addNode(doc, x * Principal, y * Principal);
        set(id, QmdVorma::Keys::Notes, notes);
        return id;
    }
    QmdItemId edge(QmdItemId from, QmdItemId to) { return addEdge(doc, from, to); }
    QmdItemId group(QmdItemId to) { return addVoiceGroup(doc, to); }

    void set(QmdItemId element, const QString &key, const QVariant &value)
    {
        c().requestSetData(key, value, c().elementIndex(element));
        settle();
    }
    QVariant state(QmdItemId element, const QString &key)
    {
        const std::lock_guard<PriorityInheritanceMutex> arrival(c().nodeArrivalMutex());
        return c().data(key, c().lookupElementStateIndex(element));
    }

    // A controller curve on the edge.
    void curve(QmdItemId edge, QmdVorma::ControllerCurveType type, short msb, short lsb, const QPolygonF &points)
    {
        c().requestAddControllerToEdge(c().elementIndex(edge), type, msb, lsb);
        settle();
        const QmdIndex controllers = c().index(QmdVorma::Keys::ContinuousControllers, c().elementIndex(edge));
        c().requestSetData(QmdVorma::Keys::CurvePoints, QVariant::fromValue(points), c().indexes(controllers).last());
        settle();
    }

    VoiceGroup *thread(QmdItemId group) { return c().voiceGroups().value(group); }

    QStringList sent(int from = 0) const { return sentHex(midi, port, from); }
    QVector<FakeMidiBackend::SentMessage> sentMessages() const { return midi->sentMessages(port); }
    // Waits, handling the document's change signals meanwhile, until the
    // port got count messages.
    bool waitForSent(int count, int timeoutMs = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (midi->sentMessages(port).size() < count) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::sendPostedEvents();
            QTest::qWait(5);
        }
        return true;
    }
    // The messages, as hex, with the given status byte.
    QStringList sentWithStatus(quint8 status) const
    {
        QStringList hex;
        for (const auto &m : midi->sentMessages(port)) {
            if (!m.bytes.empty() && m.bytes[0] == status)
                hex << QByteArray(reinterpret_cast<const char *>(m.bytes.data()), int(m.bytes.size())).toHex(' ');
        }
        return hex;
    }
    bool waitForNotesOn(int count, int timeoutMs = 10000)
    {
        QElapsedTimer timer;
        timer.start();
        while (notesOn().size() < count) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::sendPostedEvents();
            QTest::qWait(5);
        }
        return true;
    }
    // The pitches of the note-ons sent, in order.
    QList<int> notesOn() const
    {
        QList<int> keys;
        for (const auto &m : midi->sentMessages(port)) {
            if (m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] != 0)
                keys << m.bytes[1];
        }
        return keys;
    }

    // Every event posted so far, due or not.
    QVector<PlaybackEvent> takeEvents()
    {
        std::vector<PlaybackEvent> batch;
        c().feedbackPipe().takeDue(batch, std::numeric_limits<int>::max(), std::numeric_limits<QmdVorma::Ticks>::max());
        return QVector<PlaybackEvent>(batch.begin(), batch.end());
    }

    const QString port = QStringLiteral("Voices Out");
    ScopedFakeMidi midi;
    VormaDocument doc;
    QmdItemId instrument = 0;
};

inline QList<int> eventKinds(const QVector<PlaybackEvent> &events)
{
    QList<int> kinds;
    for (const PlaybackEvent &e : events)
        kinds << e.kind;
    return kinds;
}

#endif
