// Following MIDI clock: start, continue, stop and song position drive the
// transport and the clock, the spacing of timing clocks sets the tempo,
// the count of clocks pulls the position into phase. Most cases run on the
// test's own time (at 125 beats per minute a clock is exactly 20 ms and
// 27720 beat ticks); the port cases go through the fake MIDI system.
#include "QmdVorma/playback/MidiClockTestSupport.h"
#include "MidiTestSupport.h"

#include "midi/Platform.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>
#include <random>

using namespace QmdVorma;

namespace {

const QString In = QStringLiteral("Clock In");
constexpr quint64 T0 = 10 * SecondNs;
constexpr quint64 ClockNs = 20 * MsNs; // at 125 beats per minute

// Beat ticks in ns at 125 beats per minute.
constexpr quint64 beatTicksIn(quint64 ns)
{
    return ns * 125 * 665280 / 60000000000ull;
}

void sleepUntilNs(quint64 ns)
{
    const quint64 now = currentTimeNs();
    if (ns > now)
        QThread::usleep(ulong((ns - now) / 1000));
}

} // namespace

class TestMidiClockIn : public QObject
{
    Q_OBJECT
private slots:
    void followStartClocksStopAndContinue();
    void messagesThatStartNothing_data();
    void messagesThatStartNothing();
    void tempoIsClampedAndChangesAtMostEvery100Ms();
    void instantTempoSpansTwoClocks();
    void phaseJumpsAfterThreeBatchesOff_data();
    void phaseJumpsAfterThreeBatchesOff();
    void userPauseKeepsItsPosition();
    void tempoSettlesUnderJitter_data();
    void tempoSettlesUnderJitter();
    void followsThroughTheInputPort();
    void documentEntriesOpenAndCloseInputs();
    void startWhilePlayingStartsTheOutputsOnce();
    void controllerGoesWhileClocksArrive();
};

void TestMidiClockIn::followStartClocksStopAndContinue()
{
    VormaDocument doc;
    doc.write([](QmdDirectModelInterface &d) { d.setData(Keys::Tempo, 100u); });
    doc.attach();
    TransportRecorder transport(doc.controller);
    ManualClock clock;
    clock.setController(&doc.controller);
    const bool couldUndo = doc.controller.canUndo();

    // Start goes to start and primes; the clock waits for its first clock.
    clock.receive({0xFA}, T0);
    QCOMPARE(transport.calls(), (QStringList{"start", "prime on"}));
    QVERIFY(!clock.isPlaying());

    // The first clock starts at its own time stamp. Its delta is the wait
    // after start, not the spacing of clocks: the tempo stays.
    const quint64 start = T0 + MsNs;
    clock.receive({0xF8}, start, 0.001);
    QVERIFY(clock.isPlaying());
    QCOMPARE(clock.currentBeatTicks(), BeatTicks(0));
    QCOMPARE(clock.tempo(), 100u);

    // The next clock's spacing sets the tempo at once; the count grows by a
    // clock per clock, and the position runs within half a clock of it.
    for (quint64 k = 1; k <= 10; ++k) {
        clock.receive({0xF8}, start + k * ClockNs, 0.02);
        QCOMPARE(clock.tempo(), 125u);
        const qint64 error = qint64(k * ClockBeatTicks) - qint64(clock.currentBeatTicks());
        QVERIFY2(qAbs(error) <= qint64(ClockBeatTicks / 2), qPrintable(QString::number(error)));
    }
    settle();
    QCOMPARE(doc.controller.data(Keys::Tempo).toUInt(), 125u);
    QCOMPARE(doc.controller.canUndo(), couldUndo);

    // Stop at its time stamp, on the position the clocks counted.
    transport.clear();
    clock.receive({0xFC}, start + 10 * ClockNs + 5 * MsNs);
    QCOMPARE(transport.calls(), QStringList{"prime off"});
    QVERIFY(!clock.isPlaying());
    QCOMPARE(clock.currentBeatTicks(), BeatTicks(10 * ClockBeatTicks));

    // Continue resumes there without going to start; its first clock marks
    // the position and is not counted.
    transport.clear();
    const quint64 resume = start + 2 * SecondNs;
    clock.receive({0xFB}, resume);
    QCOMPARE(transport.calls(), QStringList{"prime on"});
    clock.receive({0xF8}, resume + MsNs, 0.001);
    QVERIFY(clock.isPlaying());
    QCOMPARE(clock.currentBeatTicks(), BeatTicks(10 * ClockBeatTicks));
    clock.receive({0xF8}, resume + MsNs + ClockNs, 0.02);
    clock.receive({0xFC}, resume + MsNs + ClockNs + MsNs);
    QCOMPARE(clock.currentBeatTicks(), BeatTicks(11 * ClockBeatTicks));
    QCOMPARE(transport.calls(), (QStringList{"prime on", "prime off"}));
}

void TestMidiClockIn::messagesThatStartNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("song position zero") << QByteArray("\xF2\x00\x00", 3) << QStringList{"start"};
    QTest::newRow("song position elsewhere") << QByteArray("\xF2\x00\x05", 3) << QStringList{};
    QTest::newRow("clock while stopped") << QByteArray("\xF8") << QStringList{};
    QTest::newRow("note on") << QByteArray("\x90\x3C\x64") << QStringList{};
    QTest::newRow("start with a data byte") << QByteArray("\xFA\x01") << QStringList{};
}

void TestMidiClockIn::messagesThatStartNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, calls);
    VormaDocument doc;
    doc.attach();
    TransportRecorder transport(doc.controller);
    ManualClock clock;
    clock.setController(&doc.controller);

    clock.receive(std::vector<quint8>(bytes.begin(), bytes.end()), T0);
    clock.receive({0xF8}, T0 + ClockNs, 0.02);
    QCOMPARE(transport.calls(), calls);
    QVERIFY(!clock.isPlaying());
    QCOMPARE(clock.currentBeatTicks(), BeatTicks(0));
}

void TestMidiClockIn::tempoIsClampedAndChangesAtMostEvery100Ms()
{
    ManualClock clock;
    QList<uint> tempos;
    QList<quint64> changedAt;
    connect(&clock, &AbstractSync::tempoChanged, [&](uint tempo) {
        tempos << tempo;
        changedAt << clock.now;
    });
    clock.receive({0xFB}, T0);
    clock.receive({0xF8}, T0);

    // Clocks 1 ms apart: 2500 beats per minute, written as 999. Then clocks
    // 1.99 s apart, as slow as clocks are still followed: 1.26, written
    // as 1.
    quint64 at = T0;
    for (int k = 1; k <= 5; ++k)
        clock.receive({0xF8}, at += MsNs, 0.001);
    QCOMPARE(tempos, QList<uint>{999});
    for (int k = 1; k <= 3; ++k)
        clock.receive({0xF8}, at += 1990 * MsNs, 1.99);
    QCOMPARE(tempos.last(), 1u);

    // Spacings that disagree with every clock: a change at most every
    // 100 ms.
    tempos.clear();
    changedAt.clear();
    for (int k = 1; k <= 50; ++k)
        clock.receive({0xF8}, at += (k % 2 ? 20 : 25) * MsNs, k % 2 ? 0.02 : 0.025);
    QVERIFY(tempos.size() >= 5);
    for (int i = 1; i < changedAt.size(); ++i)
        QVERIFY(changedAt[i] - changedAt[i - 1] >= 100 * MsNs);
}

void TestMidiClockIn::instantTempoSpansTwoClocks()
{
    // A note halfway between two clocks 20 ms apart: the driver's delta of
    // the second clock counts from the note.
    ManualClock clock;
    clock.setTempo(90);
    clock.receive({0xFB}, T0);
    clock.receive({0xF8}, T0 + MsNs, 0.001);
    clock.receive({0x90, 0x3C, 0x64}, T0 + MsNs + ClockNs / 2, 0.01);
    clock.receive({0xF8}, T0 + MsNs + ClockNs, 0.01);
    QCOMPARE(clock.tempo(), 125u);
}

void TestMidiClockIn::phaseJumpsAfterThreeBatchesOff_data()
{
    QTest::addColumn<qint64>("behind");
    QTest::addColumn<bool>("jumps");
    QTest::newRow("exactly half a clock") << qint64(13860) << false;
    QTest::newRow("just over half a clock behind") << qint64(13861) << true;
    QTest::newRow("just over half a clock ahead") << qint64(-13861) << true;
}

void TestMidiClockIn::phaseJumpsAfterThreeBatchesOff()
{
    QFETCH(qint64, behind);
    QFETCH(bool, jumps);
    ManualClock clock;
    clock.setTempo(125);
    clock.receive({0xFA}, T0 - MsNs);
    clock.receive({0xF8}, T0);
    clock.receive({0xF8}, T0 + ClockNs, 0.02);
    QCOMPARE(clock.currentBeatTicks(), BeatTicks(ClockBeatTicks));

    clock.setBeatTickOffset(-behind);
    for (quint64 k = 2; k <= 4; ++k) {
        clock.receive({0xF8}, T0 + k * ClockNs, 0.02);
        const bool jumped = clock.currentBeatTicks() == k * ClockBeatTicks;
        QCOMPARE(jumped, jumps && k == 4);
        if (!jumped)
            QCOMPARE(qint64(clock.currentBeatTicks()), qint64(k * ClockBeatTicks) - behind);
    }
}

void TestMidiClockIn::userPauseKeepsItsPosition()
{
    // Following ends without a stop (the other side went away); a pause a
    // second later keeps the position the clock has reached. A stop from
    // the other side would put it on the 5 clocks counted.
    ManualClock clock;
    clock.setTempo(125);
    clock.receive({0xFA}, T0 - MsNs);
    clock.receive({0xF8}, T0);
    for (quint64 k = 1; k <= 5; ++k)
        clock.receive({0xF8}, T0 + k * ClockNs, 0.02);
    clock.now = T0 + 5 * ClockNs + SecondNs;
    clock.setPlaying(false);
    QCOMPARE(clock.currentBeatTicks(), BeatTicks(5 * ClockBeatTicks + beatTicksIn(SecondNs)));
}

void TestMidiClockIn::tempoSettlesUnderJitter_data()
{
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed : {1u, 2u, 3u, 12u})
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
}

void TestMidiClockIn::tempoSettlesUnderJitter()
{
    // 120 beats per minute with every stamp off by up to 0.5 ms either way:
    // the tempo settles at 120 once the window spans most of a second and
    // does not move again.
    QFETCH(unsigned, seed);
    ManualClock clock;
    clock.setTempo(90);
    quint64 lastChange = 0;
    connect(&clock, &AbstractSync::tempoChanged, [&] { lastChange = clock.now; });
    std::mt19937 random(seed);
    std::uniform_int_distribution<qint64> jitter(-500000, 500000);
    clock.receive({0xFA}, T0);
    quint64 previous = T0;
    const quint64 start = T0 + MsNs;
    for (quint64 k = 0; k < 24 * 2 * 12; ++k) {
        const quint64 at = quint64(qint64(start + k * 62500000 / 3) + jitter(random));
        clock.receive({0xF8}, at, double(at - previous) / 1e9);
        previous = at;
    }
    QCOMPARE(clock.tempo(), 120u);
    const double settledAfter = double(lastChange - start) / 1e9;
    qInfo("tempo settled at 120 after %.2f s", settledAfter);
    QVERIFY(settledAfter < 1.2);
}

void TestMidiClockIn::followsThroughTheInputPort()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Input, In);
    VormaDocument doc;
    doc.write([](QmdDirectModelInterface &d) { d.setData(Keys::Tempo, 90u); });
    writeSyncEntry(doc, Keys::SyncMidiInputs, In, true);
    doc.attach();
    MidiSync *clock = documentClock(doc.controller);
    QCOMPARE(clock->syncInputs().size(), 1);
    // Timing clocks pass the port; system exclusive and active sensing not.
    QCOMPARE(midi->deviceIgnoreFlags(In), int(MidiIgnoreSysex | MidiIgnoreActiveSensing));
    TransportRecorder transport(doc.controller);

    // Over a second of clocks at 120 beats per minute by the driver's
    // stamps, arriving a little later each time (at 100 by this thread's
    // clock), as when a busy machine lets the port's thread fall behind:
    // the tempo follows the stamps.
    constexpr int Clocks = 50;
    midi->inject(In, {0xFA});
    const quint64 first = currentTimeNs() + MsNs;
    for (int k = 0; k < Clocks; ++k) {
        sleepUntilNs(first + quint64(k) * 25 * MsNs);
        midi->inject(In, {0xF8}, k == 0 ? 0.001 : 0.0208333);
    }
    midi->inject(In, {0xFC});
    midi->waitUntilDelivered();
    QTRY_VERIFY(!clock->isPlaying());
    QCOMPARE(clock->currentBeatTicks(), BeatTicks((Clocks - 1) * ClockBeatTicks));
    QTRY_VERIFY(qAbs(doc.controller.data(Keys::Tempo).toInt() - 120) <= 3);

    // The transport is called on the port layer's thread: neither the
    // driver's nor this one.
    const QStringList calls = transport.calls();
    QCOMPARE(calls.mid(0, 2), (QStringList{"start", "prime on"}));
    QCOMPARE(calls.last(), QStringLiteral("prime off"));
    for (std::thread::id thread : transport.threads()) {
        QVERIFY(thread != midi->driverThreadId());
        QVERIFY(thread != std::this_thread::get_id());
    }
}

void TestMidiClockIn::documentEntriesOpenAndCloseInputs()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Input, In);
    VormaDocument doc;
    doc.attach();
    MidiSync *clock = documentClock(doc.controller);
    QCOMPARE(clock->syncInputs().size(), 0);

    setSyncEntry(doc.controller, Keys::SyncMidiInputs, In, true);
    QCOMPARE(clock->syncInputs().size(), 1);
    QCOMPARE(midi->openDeviceCount(MidiDirection::Input, In), 1);
    // Announced again: still one input, or every clock would count twice.
    clock->onItemsChanged(doc.controller.syncMidiInputsIndex(), {In});
    QCOMPARE(clock->syncInputs().size(), 1);

    setSyncEntry(doc.controller, Keys::SyncMidiInputs, In, false);
    QCOMPARE(clock->syncInputs().size(), 0);
    QCOMPARE(midi->openDeviceCount(MidiDirection::Input, In), 0);

    setSyncEntry(doc.controller, Keys::SyncMidiInputs, In, true);
    removeSyncEntry(doc.controller, Keys::SyncMidiInputs, In);
    QCOMPARE(clock->syncInputs().size(), 0);
    QCOMPARE(midi->openDeviceCount(MidiDirection::Input, In), 0);

    // A name with no port keeps an input that hears nothing.
    setSyncEntry(doc.controller, Keys::SyncMidiInputs, QStringLiteral("Gone"), true);
    QCOMPARE(clock->syncInputs().size(), 1);
    QVERIFY(!clock->syncInputs().front()->isOpen());
}

void TestMidiClockIn::startWhilePlayingStartsTheOutputsOnce()
{
    // A start while playing goes to the start: the outputs hear stop,
    // song position zero and one start, and play on when the next timing
    // clock re-anchors the position.
    const QString Out = QStringLiteral("Clock Out");
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Input, In);
    midi->addPort(MidiDirection::Output, Out);
    VormaDocument doc;
    writeSyncEntry(doc, Keys::SyncMidiInputs, In, true);
    writeSyncEntry(doc, Keys::SyncMidiOutputs, Out, true);
    doc.attach();
    MidiSync *clock = documentClock(doc.controller);

    auto play = [&](int clocks) {
        midi->inject(In, {0xFA});
        const quint64 first = currentTimeNs() + MsNs;
        for (int k = 0; k < clocks; ++k) {
            sleepUntilNs(first + quint64(k) * ClockNs);
            midi->inject(In, {0xF8}, 0.02);
        }
        midi->waitUntilDelivered();
    };
    play(4);
    QVERIFY(clock->isPlaying());
    play(4);
    QVERIFY(clock->isPlaying());
    clock->setPlaying(false);

    QStringList transport = sentBytes(midi, Out);
    transport.removeAll(QStringLiteral("f8"));
    transport.removeAll(QStringLiteral("f2 00 00"));
    QCOMPARE(transport, (QStringList{"fa", "fc", "fa", "fc"}));
}

void TestMidiClockIn::controllerGoesWhileClocksArrive()
{
    // The follower calls the transport from the port layer's thread; the
    // controller closes the inputs, waiting for calls in flight, before it
    // takes anything those calls reach apart.
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Input, In);
    auto doc = std::make_unique<VormaDocument>();
    writeSyncEntry(*doc, Keys::SyncMidiInputs, In, true);
    doc->attach();
    TransportRecorder transport(doc->controller);

    std::atomic<bool> stop{false};
    std::thread source([&] {
        const std::vector<std::vector<quint8>> song{{0xFA}, {0xF8}, {0xF8}, {0xF2, 0, 0}, {0xF8}, {0xFC}, {0xFB}};
        for (std::size_t i = 0; !stop.load(); ++i) {
            midi->inject(In, song[i % song.size()], 0.001);
            QThread::usleep(200);
        }
    });
    QTRY_VERIFY(transport.calls().size() >= 20);
    doc.reset();
    QCOMPARE(midi->openDeviceCount(MidiDirection::Input, In), 0);
    stop = true;
    source.join();
}

QTEST_GUILESS_MAIN(TestMidiClockIn)
#include "tst_midiclockin.moc"
