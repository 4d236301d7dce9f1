// Sending MIDI clock: start, continue, stop, song position and the timing
// clocks on their grid, through the fake MIDI system; the output ports kept
// in step with the document; a port that fails to send.
#include "QmdVorma/playback/MidiClockTestSupport.h"
#include "MidiTestSupport.h"

#include "midi/Platform.h"

#include <QtTest>

#include <random>

using namespace QmdVorma;

namespace {

const QString Out = QStringLiteral("Clock Out");
const QString Out2 = QStringLiteral("Clock Out 2");

// ns from the start of play to clock k at 120 beats per minute, rounded up:
// the first moment the position reaches it.
quint64 gridNs(quint64 k)
{
    return (k * ClockBeatTicks * 60000000000ull + 120ull * 665280 - 1) / (120ull * 665280);
}

} // namespace

class TestMidiClockOut : public QObject
{
    Q_OBJECT
private slots:
    void startClocksStopContinueAndRewind();
    void clocksDueAtAPosition();
    void pollIntervalFollowsTheTempo_data();
    void pollIntervalFollowsTheTempo();
    void documentEntriesOpenAndRetireOutputs();
    void failedSendClosesThePortAndKeepsTheDocument();
    void noClockTwiceAndNoneAfterStop();
};

void TestMidiClockOut::startClocksStopContinueAndRewind()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, Out);
    MidiSync clock;
    clock.addSyncOutputs({Out});
    QCOMPARE(clock.syncOutputs().size(), 1);
    MidiOutputSyncClock *output = clock.syncOutputs().front();
    QCOMPARE(output->portName(), Out);

    const quint64 start = currentTimeNs();
    clock.setPlayingAt(start, MidiSync::ClockLeadInNs, true);
    const quint64 mark = start + MidiSync::ClockLeadInNs;
    QVERIFY(currentTimeNs() >= mark); // the start waited for its lead-in
    QThread::msleep(300);
    clock.setPlaying(false);

    // Start, the clock that marks the position, the counted clocks, stop.
    const auto sent = midi->sentMessages(Out);
    QStringList hex = sentBytes(midi, Out);
    QVERIFY2(hex.size() >= 10, qPrintable(hex.join(',')));
    QCOMPARE(hex.first(), QStringLiteral("fa"));
    QCOMPARE(hex.last(), QStringLiteral("fc"));
    QCOMPARE(hex.mid(1, hex.size() - 2).filter(QStringLiteral("f8")).size(), hex.size() - 2);
    const quint64 counted = quint64(hex.size() - 3);
    QCOMPARE(output->clocksSent(), counted);
    // Every clock up to the stop position went out before the stop.
    QCOMPARE(counted, clock.currentBeatTicks() / ClockBeatTicks);
    // None early: each left when the position reached it.
    QVERIFY(sent[1].sentNs >= mark);
    for (quint64 k = 1; k <= counted; ++k)
        QVERIFY2(sent[int(k) + 1].sentNs >= mark + gridNs(k), qPrintable(QString::number(k)));

    // Stopping a stopped clock still says stop.
    midi->clearSentMessages(Out);
    clock.setPlaying(false);
    QCOMPARE(sentBytes(midi, Out), QStringList{"fc"});

    // Continue where it stopped: the count goes on.
    midi->clearSentMessages(Out);
    clock.setPlaying(true);
    QThread::msleep(100);
    clock.setPlaying(false);
    hex = sentBytes(midi, Out);
    QCOMPARE(hex.mid(0, 2), (QStringList{"fb", "f8"}));
    QCOMPARE(hex.last(), QStringLiteral("fc"));
    QCOMPARE(output->clocksSent(), counted + quint64(hex.size() - 3));
    QCOMPARE(output->clocksSent(), clock.currentBeatTicks() / ClockBeatTicks);

    // A rewind says so, and the next start is a start again.
    midi->clearSentMessages(Out);
    clock.reset();
    QCOMPARE(output->clocksSent(), quint64(0));
    QCOMPARE(sentBytes(midi, Out), QStringList{"f2 00 00"});
    clock.setPlaying(true);
    clock.setPlaying(false);
    QCOMPARE(sentBytes(midi, Out).mid(1, 2), (QStringList{"fa", "f8"}));
}

void TestMidiClockOut::clocksDueAtAPosition()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, Out);
    MidiOutputSyncClock output;
    QVERIFY(output.open(Out));

    // A late output catches up ten at a time.
    QVERIFY(output.sendClocksDue(25 * ClockBeatTicks + 5));
    QCOMPARE(output.clocksSent(), quint64(10));
    QVERIFY(output.sendClocksDue(25 * ClockBeatTicks));
    QVERIFY(!output.sendClocksDue(25 * ClockBeatTicks));
    QCOMPARE(output.clocksSent(), quint64(25));
    QCOMPARE(midi->sentMessages(Out).size(), 25);

    // Pulled back behind the count: nothing until it passes the count.
    QVERIFY(!output.sendClocksDue(20 * ClockBeatTicks));
    QVERIFY(!output.sendClocksDue(26 * ClockBeatTicks - 1));
    QCOMPARE(output.clocksSent(), quint64(25));
    QVERIFY(!output.sendClocksDue(26 * ClockBeatTicks));
    QCOMPARE(output.clocksSent(), quint64(26));

    QVERIFY(output.sendSongPositionZero());
    QCOMPARE(output.clocksSent(), quint64(0));
    QCOMPARE(sentBytes(midi, Out).last(), QStringLiteral("f2 00 00"));
}

void TestMidiClockOut::pollIntervalFollowsTheTempo_data()
{
    QTest::addColumn<uint>("tempo");
    QTest::addColumn<int>("microseconds");
    QTest::newRow("120") << 120u << 80;
    QTest::newRow("999") << 999u << 8;
    QTest::newRow("20") << 20u << 500;
    QTest::newRow("0 counts as 1") << 0u << 500;
    QTest::newRow("above 2500, never 0") << 3000u << 1;
}

void TestMidiClockOut::pollIntervalFollowsTheTempo()
{
    QFETCH(uint, tempo);
    QFETCH(int, microseconds);
    QCOMPARE(MidiOutputSyncClock::pollIntervalUs(tempo), microseconds);

    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, Out);
    MidiSync clock;
    clock.addSyncOutputs({Out});
    clock.setTempo(tempo);
    QCOMPARE(clock.syncOutputs().front()->interval(), microseconds);
}

void TestMidiClockOut::documentEntriesOpenAndRetireOutputs()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, Out);
    midi->addPort(MidiDirection::Output, Out2);
    VormaDocument doc;
    writeSyncEntry(doc, Keys::SyncMidiOutputs, Out, true);
    writeSyncEntry(doc, Keys::SyncMidiOutputs, Out2, false);
    doc.attach();
    QmdVormaController &controller = doc.controller;
    MidiSync *clock = documentClock(controller);
    QVERIFY(clock);
    auto openOn = [&](const QString &port) { return midi->openDeviceCount(MidiDirection::Output, port); };
    QCOMPARE(clock->syncOutputs().size(), 1);
    QCOMPARE(openOn(Out), 1);
    QCOMPARE(openOn(Out2), 0);

    // An entry announced again (entry and key arrive as two changes) opens
    // no second port, which would double every clock.
    clock->onItemsChanged(controller.syncMidiOutputsIndex(), {Out});
    QCOMPARE(clock->syncOutputs().size(), 1);

    // Clearing `MidiSync` while playing retires the output and its port.
    clock->setPlaying(true);
    setSyncEntry(controller, Keys::SyncMidiOutputs, Out, false);
    QCOMPARE(clock->syncOutputs().size(), 0);
    QCOMPARE(openOn(Out), 0);

    // Set again while playing: start and a clock at once, then the thread
    // catches up with the position.
    midi->clearSentMessages(Out);
    QThread::msleep(100);
    setSyncEntry(controller, Keys::SyncMidiOutputs, Out, true);
    QCOMPARE(clock->syncOutputs().size(), 1);
    QCOMPARE(sentBytes(midi, Out).mid(0, 2), (QStringList{"fa", "f8"}));
    MidiOutputSyncClock *output = clock->syncOutputs().front();
    QTRY_VERIFY(output->clocksSent() + 1 >= clock->currentBeatTicks() / ClockBeatTicks);

    // Removing the entry retires it; another entry gets its own output.
    removeSyncEntry(controller, Keys::SyncMidiOutputs, Out);
    QCOMPARE(openOn(Out), 0);
    setSyncEntry(controller, Keys::SyncMidiOutputs, Out2, true);
    QCOMPARE(clock->syncOutputs().size(), 1);
    QCOMPARE(clock->syncOutputs().front()->portName(), Out2);

    // A new clock for the document takes the ports over; the old one lets
    // go of them.
    controller.reset();
    settle();
    QVERIFY(documentClock(controller) != clock);
    QCOMPARE(documentClock(controller)->syncOutputs().size(), 1);
    QCOMPARE(openOn(Out2), 1);
}

void TestMidiClockOut::failedSendClosesThePortAndKeepsTheDocument()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, Out);
    VormaDocument doc;
    writeSyncEntry(doc, Keys::SyncMidiOutputs, Out, true);
    doc.attach();
    MidiSync *clock = documentClock(doc.controller);
    MidiOutputSyncClock *output = clock->syncOutputs().front();
    const QString entries = doc.dump(Keys::SyncMidiOutputs);

    midi->clearSentMessages(Out);
    midi->setSendFailure(Out, true);
    clock->setPlaying(true);
    QVERIFY(!output->isOpen());
    QCOMPARE(output->portName(), QString());
    QTRY_COMPARE(output->state(), int(AbstractOutputThread::Paused));
    QVERIFY(clock->isPlaying());
    settle();
    QCOMPARE(doc.dump(Keys::SyncMidiOutputs), entries);

    // The port stays closed when it could send again.
    midi->setSendFailure(Out, false);
    QTest::qWait(100);
    QVERIFY2(midi->sentMessages(Out).isEmpty(), qPrintable(sentBytes(midi, Out).join(",")));
    QCOMPARE(midi->openDeviceCount(MidiDirection::Output, Out), 0);
    clock->setPlaying(false);
    QCOMPARE(clock->syncOutputs().size(), 1);

    // It goes with its entry's `MidiSync`; set again, a new output opens
    // the port.
    setSyncEntry(doc.controller, Keys::SyncMidiOutputs, Out, false);
    QCOMPARE(clock->syncOutputs().size(), 0);
    setSyncEntry(doc.controller, Keys::SyncMidiOutputs, Out, true);
    QCOMPARE(clock->syncOutputs().size(), 1);
    QVERIFY(clock->syncOutputs().front()->isOpen());
}

void TestMidiClockOut::noClockTwiceAndNoneAfterStop()
{
    // Stops land while the thread is sending: the stop's catch-up and the
    // thread never both send a clock, and no clock follows a stop.
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, Out);
    MidiSync clock;
    clock.setTempo(200);
    clock.addSyncOutputs({Out});
    MidiOutputSyncClock *output = clock.syncOutputs().front();
    std::mt19937 random(7);
    for (int cycle = 0; cycle < 40; ++cycle) {
        clock.setPlayingAt(currentTimeNs(), 0, true);
        QThread::usleep(std::uniform_int_distribution<unsigned long>(0, 30000)(random));
        clock.setPlaying(false);
        QVERIFY(output->clocksSent() <= clock.currentBeatTicks() / ClockBeatTicks);
    }

    qint64 counted = 0;
    bool running = false;
    for (const QString &message : sentBytes(midi, Out)) {
        if (message == QLatin1String("fa") || message == QLatin1String("fb")) {
            QVERIFY(!running);
            running = true;
            --counted; // the clock that marks the start
        } else if (message == QLatin1String("fc")) {
            QVERIFY(running);
            running = false;
        } else {
            QCOMPARE(message, QStringLiteral("f8"));
            QVERIFY2(running, "a clock after stop");
            ++counted;
        }
    }
    QCOMPARE(counted, qint64(output->clocksSent()));
}

QTEST_GUILESS_MAIN(TestMidiClockOut)
#include "tst_midiclockout.moc"
