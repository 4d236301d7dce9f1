// The playback clock: positions and conversions at any tempo and ratio,
// folding on tempo changes, starting and stopping, timing notifications,
// and its binding to a document.
#include "QmdVorma/VormaTestSupport.h"

#include "QmdVorma/playback/MidiSync.h"
#include "QmdVorma/playback/SyncTimingListener.h"

#include <QSignalSpy>
#include <QtTest>

using namespace QmdVorma;

namespace {

constexpr quint64 Second = 1000000000ull;

// A clock whose real time is whatever the test says it is.
class ManualSync : public MidiSync
{
public:
    quint64 now = 5 * Second;
    void advance(quint64 ns) { now += ns; }
    using MidiSync::setBeatTickOffset;

protected:
    quint64 nowNs() const override { return now; }
};

class CountingListener : public SyncTimingListener
{
public:
    int changes = 0;
    void syncTimingChanged() override { ++changes; }
    void syncDestroyed(AbstractSync *) override {}
};

} // namespace

class TestSync : public QObject
{
    Q_OBJECT
private slots:
    void newClockStandsAtZero();
    void oneSecondOfPlay_data();
    void oneSecondOfPlay();
    void tempoChangeKeepsPositionAndChangesSlope();
    void startingAndStopping();
    void readingsBeforeTheMarkSaturate();
    void negativeOffsetNeverGoesBelowZero();
    void dueTimeIsTheFirstNanosecondAtTheTick();
    void timingListenersHearEveryChange();
    void createSyncByTypeKey_data();
    void createSyncByTypeKey();
    void boundToTheDocumentBothWays();
};

void TestSync::newClockStandsAtZero()
{
    ManualSync sync;
    QCOMPARE(sync.typeKey(), QStringLiteral("internal"));
    QVERIFY(!sync.isPlaying());
    QCOMPARE(sync.tempo(), 120u);
    QCOMPARE(sync.principalsToBeatsNumerator(), 1u);
    QCOMPARE(sync.principalsToBeatsDenominator(), 1u);
    sync.advance(Second);
    QCOMPARE(sync.currentTicks(), Ticks(0));
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(0));
    QCOMPARE(sync.elapsedNs(), quint64(0));
    QCOMPARE(sync.nsToTicks(0), Ticks(0));
    QCOMPARE(sync.ticksToNs(0), quint64(0));
    QCOMPARE(sync.beatTicksToTicks(0), Ticks(0));

    // A clock no document ever bound runs too (the thru instrument's).
    MidiSync unbound;
    unbound.setPlaying(true);
    QTRY_VERIFY(unbound.currentTicks() > 0);
}

void TestSync::oneSecondOfPlay_data()
{
    QTest::addColumn<uint>("tempo");
    QTest::addColumn<uint>("numerator");
    QTest::addColumn<uint>("denominator");
    QTest::addColumn<quint64>("ticks");
    QTest::addColumn<quint64>("beatTicks");

    QTest::newRow("120 at 1:1, two principals") << 120u << 1u << 1u << quint64(1330560) << quint64(1330560);
    QTest::newRow("120 at 2:1") << 120u << 2u << 1u << quint64(2661120) << quint64(1330560);
    QTest::newRow("60 at 1:2") << 60u << 1u << 2u << quint64(332640) << quint64(665280);
    QTest::newRow("999 at 128:1") << 999u << 128u << 1u << quint64(1417844736) << quint64(11076912);
    // A file can hold 0: the clock runs as if it were 1 and divides by
    // nothing.
    QTest::newRow("tempo 0") << 0u << 1u << 1u << quint64(11088) << quint64(11088);
    QTest::newRow("numerator 0") << 120u << 0u << 1u << quint64(1330560) << quint64(1330560);
    QTest::newRow("denominator 0") << 120u << 2u << 0u << quint64(2661120) << quint64(1330560);
    QTest::newRow("all 0") << 0u << 0u << 0u << quint64(11088) << quint64(11088);
}

void TestSync::oneSecondOfPlay()
{
    QFETCH(uint, tempo);
    QFETCH(uint, numerator);
    QFETCH(uint, denominator);
    QFETCH(quint64, ticks);
    QFETCH(quint64, beatTicks);

    ManualSync sync;
    sync.setTempo(tempo);
    sync.setPrincipalsToBeatsNumerator(numerator);
    sync.setPrincipalsToBeatsDenominator(denominator);
    QCOMPARE(sync.tempo(), tempo); // kept as given
    sync.setPlaying(true);
    sync.advance(Second);
    QCOMPARE(sync.currentTicks(), ticks);
    QCOMPARE(sync.currentBeatTicks(), beatTicks);
    QCOMPARE(sync.elapsedNs(), Second);

    QCOMPARE(sync.nsToTicks(Second), ticks);
    QCOMPARE(sync.ticksToNs(ticks), Second);
    QCOMPARE(sync.nsToBeatTicks(Second), beatTicks);
    QCOMPARE(sync.beatTicksToNs(beatTicks), Second);
    QCOMPARE(sync.ticksToBeatTicks(ticks), beatTicks);
    QCOMPARE(sync.beatTicksToTicks(beatTicks), ticks);
}

void TestSync::tempoChangeKeepsPositionAndChangesSlope()
{
    ManualSync sync;
    QSignalSpy tempoSpy(&sync, &AbstractSync::tempoChanged);
    QSignalSpy timingSpy(&sync, &AbstractSync::timingChanged);
    sync.setPlaying(true);
    sync.advance(Second / 2);
    QCOMPARE(sync.currentTicks(), Ticks(665280));

    sync.setTempo(60);
    QCOMPARE(sync.currentTicks(), Ticks(665280));
    QCOMPARE(tempoSpy.count(), 1);
    QCOMPARE(tempoSpy.at(0).at(0).toUInt(), 60u);
    QCOMPARE(timingSpy.count(), 1);
    sync.advance(Second / 2);
    QCOMPARE(sync.currentTicks(), Ticks(665280 + 332640));
    QCOMPARE(sync.elapsedNs(), Second);

    // The same value again changes nothing and says nothing.
    sync.setTempo(60);
    QCOMPARE(tempoSpy.count(), 1);
    QCOMPARE(timingSpy.count(), 1);

    // A ratio change folds the same way.
    sync.setPrincipalsToBeatsNumerator(2);
    QCOMPARE(sync.currentTicks(), Ticks(665280 + 332640));
    QCOMPARE(timingSpy.count(), 2);
    sync.advance(Second);
    QCOMPARE(sync.currentTicks(), Ticks(665280 + 332640 + 1330560));
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(665280 + 332640 + 665280));
}

void TestSync::startingAndStopping()
{
    ManualSync sync;
    sync.setPlaying(true);
    sync.advance(Second);
    sync.setPlaying(false);
    QCOMPARE(sync.currentTicks(), Ticks(1330560));
    sync.advance(Second);
    QCOMPARE(sync.currentTicks(), Ticks(1330560)); // a stopped clock stands
    QCOMPARE(sync.elapsedNs(), Second);

    // Stopping a stopped clock leaves its position.
    sync.setPlaying(false);
    QCOMPARE(sync.currentTicks(), Ticks(1330560));

    sync.setPlaying(true);
    sync.advance(Second);
    QCOMPARE(sync.currentTicks(), Ticks(2 * 1330560));

    // A start while playing anchors anew and drops the time since the last
    // fold (the stop above).
    sync.setPlaying(true);
    QCOMPARE(sync.currentTicks(), Ticks(1330560));

    sync.reset();
    QVERIFY(!sync.isPlaying());
    QCOMPARE(sync.currentTicks(), Ticks(0));
    QCOMPARE(sync.elapsedNs(), quint64(0));
    QCOMPARE(sync.tempo(), 120u);
}

void TestSync::readingsBeforeTheMarkSaturate()
{
    // A start stamped later than the readings (a lead-in still running):
    // nothing has been played yet, and nothing wraps around.
    ManualSync sync;
    sync.setPlayingAt(sync.now + Second, 0, true);
    QCOMPARE(sync.currentTicks(), Ticks(0));
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(0));
    QCOMPARE(sync.elapsedNs(), quint64(0));
    sync.advance(2 * Second);
    QCOMPARE(sync.currentTicks(), Ticks(1330560));

    // A stop stamped before the mark folds nothing.
    sync.setPlaying(false);
    sync.setPlayingAt(sync.now + 10 * Second, 0, true);
    sync.setPlayingAt(sync.now, 0, false);
    QCOMPARE(sync.currentTicks(), Ticks(1330560));
    QCOMPARE(sync.elapsedNs(), Second);
}

void TestSync::negativeOffsetNeverGoesBelowZero()
{
    ManualSync sync;
    sync.setPrincipalsToBeatsDenominator(2);
    sync.setPlaying(true);
    sync.advance(Second);
    QCOMPARE(sync.currentTicks(), Ticks(665280));
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(1330560));

    // The tick correction is the beat correction through the ratio,
    // truncated toward zero: -3 x 1/2 gives -1.
    sync.setBeatTickOffset(-3);
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(1330557));
    QCOMPARE(sync.currentTicks(), Ticks(665279));

    sync.setBeatTickOffset(-qint64(10) * 1330560);
    QCOMPARE(sync.currentTicks(), Ticks(0));
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(0));

    sync.setBeatTickOffset(std::numeric_limits<qint64>::min());
    QCOMPARE(sync.currentTicks(), Ticks(0));
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(0));

    sync.reset();
    sync.setPlaying(true);
    sync.advance(Second);
    QCOMPARE(sync.currentBeatTicks(), BeatTicks(1330560)); // reset clears it
}

void TestSync::dueTimeIsTheFirstNanosecondAtTheTick()
{
    ManualSync sync;
    quint64 due = 0;
    QVERIFY(!sync.dueTimeNs(10, &due)); // a standing clock gives no time

    sync.setTempo(97); // ticks that do not fall on whole nanoseconds
    sync.setPrincipalsToBeatsNumerator(3);
    sync.setPlaying(true);
    sync.advance(123456789);
    const Ticks now = sync.currentTicks();
    QVERIFY(sync.dueTimeNs(now, &due));
    QCOMPARE(due, sync.now);

    const quint64 start = sync.now;
    for (Ticks ahead : {Ticks(1), Ticks(2), Ticks(777), Ticks(665280), Ticks(123456789)}) {
        QVERIFY(sync.dueTimeNs(now + ahead, &due));
        QVERIFY(due > start);
        sync.now = due - 1;
        QVERIFY2(sync.currentTicks() < now + ahead, qPrintable(QString::number(ahead)));
        sync.now = due;
        QVERIFY2(sync.currentTicks() >= now + ahead, qPrintable(QString::number(ahead)));
        sync.now = start;
    }
}

void TestSync::timingListenersHearEveryChange()
{
    CountingListener listener;
    {
        ManualSync sync;
        sync.addTimingListener(&listener);
        sync.setTempo(100);
        sync.setTempo(100);
        sync.setPrincipalsToBeatsDenominator(4);
        sync.setPlaying(true);
        sync.setPlaying(false);
        sync.reset();
        QCOMPARE(listener.changes, 5);
        sync.removeTimingListener(&listener);
        sync.setTempo(90);
        QCOMPARE(listener.changes, 5);
    }
}

void TestSync::createSyncByTypeKey_data()
{
    QTest::addColumn<QString>("typeKey");
    QTest::addColumn<bool>("made");
    QTest::newRow("internal") << "internal" << true;
    QTest::newRow("case ignored") << "Internal" << true;
    QTest::newRow("other") << "midi" << false;
    QTest::newRow("empty") << "" << false;
}

void TestSync::createSyncByTypeKey()
{
    QFETCH(QString, typeKey);
    QFETCH(bool, made);
    QObject parent;
    AbstractSync *sync = createSync(typeKey, &parent);
    QCOMPARE(sync != nullptr, made);
    if (sync) {
        QVERIFY(qobject_cast<MidiSync *>(sync));
        QCOMPARE(sync->parent(), &parent);
    }
}

void TestSync::boundToTheDocumentBothWays()
{
    VormaDocument doc;
    doc.write([](QmdDirectModelInterface &d) {
        d.setData(Keys::Tempo, 90u);
        d.setData(Keys::PrincipalsToBeatsNumerator, 3u);
        d.setData(Keys::PrincipalsToBeatsDenominator, 2u);
    });
    doc.attach();
    QmdVormaController &controller = doc.controller;

    ManualSync sync;
    sync.setPlaying(true);
    sync.advance(Second);
    sync.setController(&controller);
    QCOMPARE(sync.tempo(), 90u);
    QCOMPARE(sync.principalsToBeatsNumerator(), 3u);
    QCOMPARE(sync.principalsToBeatsDenominator(), 2u);
    QVERIFY(!sync.isPlaying()); // binding rewinds
    QCOMPARE(sync.currentTicks(), Ticks(0));

    controller.requestSetData(Keys::Tempo, 100u);
    settle();
    QCOMPARE(sync.tempo(), 100u);

    // A tempo set on the clock (as MIDI clock following does) reaches the
    // document without an undo step.
    const bool couldUndo = controller.canUndo();
    sync.setTempo(140);
    settle();
    QCOMPARE(controller.data(Keys::Tempo).toUInt(), 140u);
    QCOMPARE(controller.canUndo(), couldUndo);

    sync.setPlaying(true);
    sync.advance(Second);
    controller.reset();
    settle();
    QVERIFY(!sync.isPlaying());
    QCOMPARE(sync.currentTicks(), Ticks(0));

    sync.setController(nullptr);
    controller.requestSetData(Keys::Tempo, 80u);
    settle();
    QCOMPARE(sync.tempo(), 120u);
    sync.setPlaying(true);
    controller.reset();
    settle();
    QVERIFY(sync.isPlaying());
}

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
