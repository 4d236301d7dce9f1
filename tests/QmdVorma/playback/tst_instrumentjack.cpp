// A document's instrument playing into a real MIDI port: the private JACK
// server that scripts/test starts, with a virtual port as the synthesizer.
#include "QmdVorma/playback/InstrumentTestSupport.h"
#include "midi/JackTestSupport.h"
#include "midi/MidiPortNames.h"

#include <QtTest>

class TestInstrumentJack : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void instrumentBytesArrive();
    void rewindKeepsTheClientUsersLinkTo();
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

QTEST_GUILESS_MAIN(TestInstrumentJack)
#include "tst_instrumentjack.moc"
