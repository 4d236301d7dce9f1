// A document's instrument playing into a real MIDI port: the private JACK
// server that scripts/test starts, with a virtual port as the synthesizer.
#include "QmdVorma/playback/InstrumentTestSupport.h"
#include "midi/JackTestSupport.h"

#include <QtTest>

class TestInstrumentJack : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void instrumentBytesArrive();
};

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

QTEST_GUILESS_MAIN(TestInstrumentJack)
#include "tst_instrumentjack.moc"
