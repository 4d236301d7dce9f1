#include "QmdVorma/playback/MidiSynth.h"

#include "MidiTestSupport.h"

#include <QtTest>

namespace {

const QString PortName = QStringLiteral("Synth In");

} // namespace

class TestMidiSynth : public QObject
{
    Q_OBJECT
private slots:
    void becomesReadyByItself();
    void controllerAndProgramMessagesReportChannels();
    void queriesAnswerNothing();
    void deletingWhileItsInputStillReceives();
};

void TestMidiSynth::becomesReadyByItself()
{
    MidiSynth synth;
    QTRY_VERIFY(synth.isReady());
    QVERIFY(synth.isRunning());
}

// Only messages of two or more bytes with a control or program change
// status count; each reports its channel with instrument 0, delivered
// queued to the synthesizer object's thread.
void TestMidiSynth::controllerAndProgramMessagesReportChannels()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Input, PortName);
    MidiSynth synth;
    QTRY_VERIFY(synth.isReady());
    MidiInput input;
    QVERIFY(input.open(PortName));
    synth.setInput(&input);

    QVector<QPair<int, int>> changes;
    connect(&synth, &MidiSynth::instrumentChanged, this, [&](int channel, MidiInstrumentId id) {
        QCOMPARE(QThread::currentThread(), thread());
        changes.append({channel, id});
    });
    midi->inject(PortName, {0xC3});             // one byte: nothing
    midi->inject(PortName, {0x93, 60, 100});    // note on: nothing
    midi->inject(PortName, {0xC3, 0x05});       // program change, channel 3
    midi->inject(PortName, {0xBF, 0x07, 0x64}); // control change, channel 15
    QTRY_COMPARE(changes.size(), 2);
    QCOMPARE(changes[0], qMakePair(3, 0));
    QCOMPARE(changes[1], qMakePair(15, 0));

    // Another input replaces the first, which no longer reaches the worker.
    MidiInput other;
    synth.setInput(&other);
    midi->inject(PortName, {0xC1, 0x01});
    midi->waitUntilDelivered();
    QTest::qWait(50);
    QCOMPARE(changes.size(), 2);
    QVERIFY(!input.takeMessages().isEmpty());
}

void TestMidiSynth::queriesAnswerNothing()
{
    MidiSynth synth;
    QTRY_VERIFY(synth.isReady());
    synth.setChannelInstrument(2, 17);
    synth.resetToDefaultSoundBank();
    for (int channel : {0, 2, 15, 99})
        QCOMPARE(synth.channelInstrument(channel), 0);
    QVERIFY(synth.instrumentName(17).isEmpty());
    QVERIFY(synth.soundBankName().isNull());
    QCOMPARE(synth.instrumentCount(), 0);
    QCOMPARE(synth.instrument(3), 0);
    QCOMPARE(synth.instrumentIndex(17), 0);

    quint8 msb = 9, lsb = 9, program = 9;
    midiInstrumentNumbers(17, &msb, &lsb, &program);
    QCOMPARE(msb + lsb + program, 0);
    QCOMPARE(midiInstrumentId(1, 2, 3), 0);
}

// The synthesizer goes away while its input keeps receiving: messages on
// their way find no worker and are left alone.
void TestMidiSynth::deletingWhileItsInputStillReceives()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Input, PortName);
    MidiInput input;
    QVERIFY(input.open(PortName));
    for (int round = 0; round < 10; ++round) {
        auto synth = std::make_unique<MidiSynth>();
        QTRY_VERIFY(synth->isReady());
        synth->setInput(&input);
        for (int i = 0; i < 20; ++i)
            midi->inject(PortName, {0xB0, 0x07, quint8(i)});
        synth.reset();
    }
    midi->waitUntilDelivered();
}

QTEST_GUILESS_MAIN(TestMidiSynth)
#include "tst_midisynth.moc"
