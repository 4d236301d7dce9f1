// A document's instrument playing into a real MIDI port: the private JACK
// server that scripts/test starts, with a virtual port as the synthesizer.
#include "QmdVorma/playback/InstrumentTestSupport.h"
#include "midi/JackTestSupport.h"
#include "midi/MidiPortNames.h"

#include "midi/Platform.h"

#include <QtTest>

#include <memory>
#include <vector>

class TestInstrumentJack : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void instrumentBytesArrive();
    void rewindKeepsTheClientUsersLinkTo();
    void closingADocumentLeavesItsWindowFree();
};

namespace {

// The output ports of this process's clients, by their JACK names.
QStringList ownOutputPorts()
{
    QStringList own;
    for (const QString &raw : MidiBackend::current()->portNames(MidiDirection::Input)) {
        if (raw.startsWith(ownMidiClientName(MidiDirection::Output)))
            own << raw;
    }
    return own;
}

} // namespace

void TestInstrumentJack::initTestCase()
{
    VORMA_REQUIRE_JACK_SERVER();
    MidiBackend::setCurrent(std::make_shared<RtMidiBackend>(MidiApiSetting::Jack));
}

void TestInstrumentJack::cleanupTestCase()
{
    MidiBackend::setCurrent(nullptr);
}

void TestInstrumentJack::init()
{
    // Ports closed by the test before close on a thread of their own: the
    // ports counted here are the test's own.
    MidiBackend::finishClosing();
}

void TestInstrumentJack::instrumentBytesArrive()
{
    VirtualSink sink("InstrumentSink");
    VormaDocument doc;
    InstrumentEntry entry{sink.name, {0, 9}};
    entry.programChange = true;
    entry.program = 5;
    entry.bankMsb = 1;
    entry.bankLsb = 2;
    const QmdItemId id = addInstrumentEntry(doc, entry);
    doc.attach();
    MidiInstrument *instrument = instrumentThread(doc.controller, id);
    QVERIFY(instrument);
    QCOMPARE(instrument->portName(), sink.name);

    // Play sends the program on both channels, then the queued note
    // follows from the output thread.
    AbstractSync *sync = doc.controller.sync();
    QVERIFY(sinkReceives(
        sink,
        [&] {
            startPlaying(doc.controller, instrument);
            instrument->queueMessage(noteOnMessage(sync->currentTicks(), 60, 100));
        },
        {"b0 00 01", "b0 20 02", "c0 04", "b9 00 01", "b9 20 02", "c9 04", "90 3c 64", "99 3c 64"}));
}

// Users link our ports to others in their patchbay by client name: going
// to the start must neither rename nor replace the instrument's client.
void TestInstrumentJack::rewindKeepsTheClientUsersLinkTo()
{
    VirtualSink sink("RewindSink");
    VormaDocument doc;
    const QmdItemId id = addInstrumentEntry(doc, InstrumentEntry{sink.name, {0}});
    doc.attach();
    MidiInstrument *instrument = instrumentThread(doc.controller, id);
    QVERIFY(instrument);
    const QStringList before = ownOutputPorts();
    QCOMPARE(before.size(), 1);

    for (int i = 0; i < 3; ++i)
        instrument->reset();
    QCOMPARE(ownOutputPorts(), before);
    QVERIFY(sinkReceives(sink, [&] { instrument->sendNow(noteOnMessage(0, 60, 100)); }, {"90 3c 64"}));
}

// A document whose instruments play into eight ports is closed: every held
// note is silenced, the closing thread (the window's) is not held up while
// the JACK clients close one after another, and the ports go soon after. A
// new document opens the same ports at once, while the old clients still
// close, and plays through them.
void TestInstrumentJack::closingADocumentLeavesItsWindowFree()
{
    constexpr int Ports = 8;
    // Closing the clients on the closing thread took 4-20 ms per port;
    // without them a close takes about a millisecond. The best of a few
    // closes is judged, as a loaded machine may hold up any one of them.
    // AddressSanitizer slows the threads that close with it about twofold,
    // so there the bound is the one a user must never exceed.
#if defined(__SANITIZE_ADDRESS__)
    constexpr quint64 BlockingBoundNs = 30000000ull;
#else
    constexpr quint64 BlockingBoundNs = 15000000ull;
#endif
    constexpr quint64 GoneBoundNs = 1000000000ull;
    constexpr int Closes = 3;
    std::vector<std::unique_ptr<VirtualSink>> sinks;
    for (int i = 0; i < Ports; ++i)
        sinks.push_back(std::make_unique<VirtualSink>(QByteArray("Close" + QByteArray::number(i)).constData()));
    const QStringList others = ownOutputPorts();

    // A document with an instrument on every port, each holding a note.
    auto openDocument = [&] {
        auto doc = std::make_unique<VormaDocument>();
        QList<QmdItemId> ids;
        for (const auto &sink : sinks)
            ids << addInstrumentEntry(*doc, InstrumentEntry{sink->name, {0}});
        doc->attach();
        for (int i = 0; i < Ports; ++i) {
            MidiInstrument *instrument = instrumentThread(doc->controller, ids.at(i));
            if (!instrument
                || !sinkReceives(*sinks[i], [&] { instrument->sendNow(noteOnMessage(0, 60, 100)); },
                                 {"90 3c 64"}))
                return std::unique_ptr<VormaDocument>();
        }
        return doc;
    };
    // Whether the sink got the note's note-off; a cycle the busy dummy
    // server misses loses it now and then.
    auto silenced = [](VirtualSink &sink) {
        return sink.waitFor(1, 1000) && sink.received().contains(QStringLiteral("80 3c 00"));
    };

    std::vector<int> silencedCount(Ports, 0);
    quint64 bestBlockedNs = ~0ull;
    std::unique_ptr<VormaDocument> doc = openDocument();
    QVERIFY(doc);
    for (int close = 0; close < Closes; ++close) {
        QCOMPARE(ownOutputPorts().size(), others.size() + Ports);
        for (const auto &sink : sinks)
            sink->clear();
        const quint64 start = currentTimeNs();
        doc.reset();
        const quint64 blockedNs = currentTimeNs() - start;
        bestBlockedNs = std::min(bestBlockedNs, blockedNs);
        if (close + 1 == Closes) {
            while (ownOutputPorts() != others && currentTimeNs() - start < GoneBoundNs)
                QThread::msleep(2);
            const quint64 goneNs = currentTimeNs() - start;
            qInfo("closing %d ports blocked for %.1f ms (best of %d: %.1f ms); they were gone after %.1f ms",
                  Ports, blockedNs / 1e6, Closes, bestBlockedNs / 1e6, goneNs / 1e6);
            QCOMPARE(ownOutputPorts(), others);
        }
        for (int i = 0; i < Ports; ++i)
            silencedCount[i] += silenced(*sinks[i]) ? 1 : 0;
        if (close + 1 < Closes) {
            doc = openDocument();
            QVERIFY2(doc, "a port opened again while its old client closed does not play");
        }
    }
    for (int i = 0; i < Ports; ++i)
        QVERIFY2(silencedCount[i] > 0, qPrintable(sinks[i]->name + QStringLiteral(" never got its note-off")));
    QVERIFY2(bestBlockedNs <= BlockingBoundNs,
             qPrintable(QStringLiteral("closing blocked the closing thread for %1 ms").arg(bestBlockedNs / 1e6)));
}

QTEST_GUILESS_MAIN(TestInstrumentJack)
#include "tst_instrumentjack.moc"
