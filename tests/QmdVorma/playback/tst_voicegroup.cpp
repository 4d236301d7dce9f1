// A voice group's engine driven from the test thread while its own thread
// sleeps: seeds, the pool, where a restarted voice begins, and the choice
// of outgoing edges by signalling method and usage list.
#include "QmdVorma/playback/PlaybackTestSupport.h"

#include "QmdVorma/ScaleModeAccess.h"

#include <QPointer>

using namespace QmdVorma;

namespace {

// A node with three outgoing edges to nodes at the given distances (in
// principals, to the right), and a voice group on it.
class Fan
{
public:
    explicit Fan(const QList<int> &lengths = {1, 1, 1})
    {
        hub = net.node(0, 0, QStringLiteral("C3"));
        int row = 0;
        for (int length : lengths)
            edges << net.edge(hub, net.node(length, row++, QStringLiteral("D3")));
        group = net.group(hub);
        engine = net.thread(group);
    }

    void setUsage(int method, const QString &usage)
    {
        net.set(hub, Keys::SignallingMethod, method);
        net.set(hub, Keys::ArcUsageList, usage);
    }
    // "e1=2,e2=1" with the edges' real ids for e1, e2, ...
    QString usage(const QString &pattern) const
    {
        QString text = pattern;
        for (int i = edges.size(); i >= 1; --i)
            text.replace(QStringLiteral("e%1").arg(i), QString::number(edges.at(i - 1)));
        return text;
    }
    // Edge ids as e1, e2, ... again.
    QString name(QmdItemId edge) const
    {
        const int i = edges.indexOf(edge);
        return i < 0 ? QString::number(edge) : QStringLiteral("e%1").arg(i + 1);
    }
    QString choose()
    {
        const VoiceGroup::EdgeChoice choice = engine->chooseOutgoingEdges(hub);
        settle();
        QStringList names{choice.primary ? name(choice.primary) : QStringLiteral("-")};
        for (QmdItemId edge : choice.further)
            names << name(edge);
        return names.join(QLatin1Char(' '));
    }
    // Takes every free voice but `leave`.
    void exhaustPool(int leave = 0)
    {
        while (engine->freeVoiceCount() > leave)
            QVERIFY(engine->takeFreeVoice());
    }

    PlayedNetwork net;
    QmdItemId hub = 0;
    QmdItemIdList edges;
    QmdItemId group = 0;
    VoiceGroup *engine = nullptr;
};

} // namespace

class TestVoiceGroup : public QObject
{
    Q_OBJECT
private slots:
    void seedsAreUniqueWhileGroupsLive();
    void poolOfTwentyFourVoices();
    void restartPlacesTheFirstVoice_data();
    void restartPlacesTheFirstVoice();
    void travelTimes();

    void sequentialUsage_data();
    void sequentialUsage();
    void sequentialCursorAfterThreeArrivals();
    void parallelSendsTheLongestFirst();
    void randomUsage();
    void poolExhaustedAtTheNode_data();
    void poolExhaustedAtTheNode();
    void startVoiceOnEdge();
    void arrivalsDueBeforeTheNextStepAreHandledNow();
    void lookAheadCoversTwoSteps_data();
    void lookAheadCoversTwoSteps();
    void voicesLeavingOnWormholesArriveInTheSameStep();
    void noteOnAndOffAreQueuedTogether_data();
    void noteOnAndOffAreQueuedTogether();
};

void TestVoiceGroup::seedsAreUniqueWhileGroupsLive()
{
    PlayedNetwork one;
    PlayedNetwork two;
    const QmdItemId a = one.node(0, 0, QStringLiteral("C3"));
    QSet<quint32> seeds;
    QList<QmdItemId> groups;
    for (int i = 0; i < 4; ++i)
        groups << one.group(a);
    groups << two.group(two.node(0, 0, QStringLiteral("C3")));
    for (int i = 0; i < 4; ++i)
        seeds.insert(one.thread(groups.at(i))->seed());
    seeds.insert(two.thread(groups.last())->seed());
    QCOMPARE(seeds.size(), 5);

    QSet<quint32> drawn;
    for (int i = 0; i < 1000; ++i)
        drawn.insert(VoiceGroup::newUniqueSeed());
    QCOMPARE(drawn.size(), 1000);
    QVERIFY(!drawn.intersects(seeds));
}

void TestVoiceGroup::poolOfTwentyFourVoices()
{
    Fan f;
    VoiceGroup *g = f.engine;
    QVERIFY(g->isStarted());
    QVERIFY(!g->isIterating());
    QCOMPARE(g->freeVoiceCount(), 24);
    f.net.takeEvents();

    QSet<qint32> ids;
    QVector<VoiceGroup::Voice *> taken;
    while (VoiceGroup::Voice *voice = g->takeFreeVoice()) {
        ids.insert(voice->id);
        taken << voice;
    }
    QCOMPARE(taken.size(), 24);
    QCOMPARE(ids, (QSet<qint32>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}));
    QCOMPARE(g->activeVoiceCount(), 24);

    taken.first()->state.arrival = 1234;
    g->deactivateVoice(taken.first());
    QCOMPARE(g->freeVoiceCount(), 1);
    g->deactivateAllVoices();
    QCOMPARE(g->freeVoiceCount(), 24);
    const auto events = f.net.takeEvents();
    QCOMPARE(events.size(), 24);
    QCOMPARE(events.first().kind, int(PlaybackEvent::VoiceReturned));
    QCOMPARE(events.first().time, Ticks(0));
    QCOMPARE(events.last().time, Ticks(1234));
    QCOMPARE(events.last().voiceId, taken.first()->id);
    QCOMPARE(events.last().voiceGroupId, qint32(f.group));
}

void TestVoiceGroup::restartPlacesTheFirstVoice_data()
{
    QTest::addColumn<QString>("initialPitch");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expectedPitch");
    QTest::newRow("name") << "D3" << 0 << 62;
    QTest::newRow("+2 in C major") << "+2" << 0 << 64;
    QTest::newRow("+2 in A major") << "+2" << 9 << 61;
    QTest::newRow("-200") << "-200" << 0 << 1;
}

void TestVoiceGroup::restartPlacesTheFirstVoice()
{
    QFETCH(QString, initialPitch);
    QFETCH(int, key);
    QFETCH(int, expectedPitch);
    Fan f;
    QmdItemId major = 0;
    for (QmdItemId id : scaleModeIdList(&f.net.c())) {
        if (scaleModeValue(&f.net.c(), id, Keys::Label).toString() == QLatin1String("Major"))
            major = id;
    }
    f.net.set(f.group, Keys::UseScale, true);
    f.net.set(f.group, Keys::ScaleKey, uint(key));
    f.net.set(f.group, Keys::ScaleMode, uint(major));
    f.net.set(f.group, Keys::InitialPitch, initialPitch);
    f.net.set(f.group, Keys::InitialVelocity, QStringLiteral("200"));
    f.net.set(f.group, Keys::InitialDuration, QStringLiteral("0.5"));
    f.net.takeEvents();

    f.engine->resetTo(5000, 0.5);
    const QVector<VoiceState> voices = f.engine->activeVoiceStates();
    QCOMPARE(voices.size(), 1);
    const VoiceState &v = voices.first();
    QCOMPARE(v.item, f.group);
    QCOMPARE(v.departure, Ticks(5000));
    QCOMPARE(v.arrival, Ticks(5000));
    QCOMPARE(int(v.pitch), expectedPitch);
    QCOMPARE(int(v.velocity), 127);
    QCOMPARE(v.velocityScale, 0.5);
    QCOMPARE(v.duration, Principal / 2);
    QCOMPARE(QmdItemId(v.instrument), f.net.instrument);
    const auto events = f.net.takeEvents();
    QCOMPARE(eventKinds(events), QList<int>{PlaybackEvent::VoiceStarted});
    QCOMPARE(events.first().time, Ticks(5000));

    // A second restart, at the standing clock's 0, ends the first voice.
    f.engine->reset();
    QCOMPARE(f.engine->activeVoiceCount(), 1);
    QCOMPARE(eventKinds(f.net.takeEvents()), (QList<int>{PlaybackEvent::VoiceStarted, PlaybackEvent::VoiceReturned}));
}

void TestVoiceGroup::travelTimes()
{
    Fan f({2, 5});
    Ticks t = 99;
    QVERIFY(f.engine->edgeTravelTicks(f.group, &t));
    QCOMPARE(t, Ticks(0));
    QVERIFY(f.engine->edgeTravelTicks(f.edges.at(1), &t));
    QCOMPARE(t, Ticks(6 * Principal)); // five across, one down
    f.net.set(f.edges.at(1), Keys::IsWormhole, true);
    QVERIFY(f.engine->edgeTravelTicks(f.edges.at(1), &t));
    QCOMPARE(t, Ticks(0));
    QVERIFY(!f.engine->edgeTravelTicks(f.hub, &t));
    QVERIFY(!f.engine->edgeTravelTicks(9999, &t));
}

void TestVoiceGroup::sequentialUsage_data()
{
    QTest::addColumn<QString>("usage");
    QTest::addColumn<QString>("choices");
    QTest::newRow("5=2,6=1") << "e1=2,e2=1" << "e1|e1|e2|e1|e1|e2|e1";
    QTest::newRow("0 uses is never left") << "e1=0,e2=1" << "e1|e1|e1|e1";
    QTest::newRow("0 uses reached later") << "e1=1,e2=0" << "e1|e2|e2|e2";
    QTest::newRow("empty sections wrap") << "e1=1,,e2=1" << "e1|e1|e1";
    QTest::newRow("trailing comma") << "e1=1,e2=1," << "e1|e2|e1|e2";
    QTest::newRow("empty first section") << ",e1=1" << "-|-";
    QTest::newRow("empty list") << "" << "-|-";
}

void TestVoiceGroup::sequentialUsage()
{
    QFETCH(QString, usage);
    QFETCH(QString, choices);
    Fan f;
    f.setUsage(0, f.usage(usage));
    QStringList chosen;
    for (int i = 0; i < choices.count(QLatin1Char('|')) + 1; ++i)
        chosen << f.choose();
    QCOMPARE(chosen.join(QLatin1Char('|')), choices);
}

void TestVoiceGroup::sequentialCursorAfterThreeArrivals()
{
    Fan f;
    f.setUsage(0, f.usage(QStringLiteral("e1=2,e2=1")));
    for (int i = 0; i < 3; ++i)
        f.choose();
    QCOMPARE(f.net.state(f.hub, Keys::CurrentEdgeUsageId).toUInt(), 1u);
    QCOMPARE(f.net.state(f.hub, Keys::CurrentEdgeUsageUses).toInt(), 1);
}

void TestVoiceGroup::parallelSendsTheLongestFirst()
{
    // Lengths 2, 5 and 5 across plus the rows 0, 1, 2 down: 2, 6 and 7.
    Fan f({2, 5, 5});
    f.setUsage(1, f.usage(QStringLiteral("e1=3,e2=1,,e3=1,e2=1")));
    // Only the leading edge's entries go; a second entry of another stays.
    QCOMPARE(f.choose(), QStringLiteral("e3 e1 e2 e2"));
    // 2, 5 and 5: the first of the longest leads.
    Fan ties({2, 4, 3});
    ties.setUsage(1, ties.usage(QStringLiteral("e1=1,e2=1,e3=1")));
    QCOMPARE(ties.choose(), QStringLiteral("e2 e1 e3"));
    // A missing edge is left out.
    ties.setUsage(1, ties.usage(QStringLiteral("e1=1,9999=1")));
    QCOMPARE(ties.choose(), QStringLiteral("e1"));
}

void TestVoiceGroup::randomUsage()
{
    Fan f;
    f.setUsage(2, f.usage(QStringLiteral("e1=3,e2=0,e3=1")));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(f.choose(), QStringLiteral("e2"));

    f.setUsage(2, f.usage(QStringLiteral("e1=1,,e2=3")));
    auto draw = [&] {
        f.engine->seedGenerator(7);
        QStringList chosen;
        for (int i = 0; i < 400; ++i)
            chosen << f.choose();
        return chosen;
    };
    const QStringList first = draw();
    QCOMPARE(draw(), first);
    const int fives = first.count(QStringLiteral("e1"));
    QCOMPARE(fives + first.count(QStringLiteral("e2")), 400);
    QVERIFY2(fives > 60 && fives < 140, qPrintable(QString::number(fives)));

    // Uses that add up to nothing choose nothing.
    f.setUsage(2, f.usage(QStringLiteral("e1=-1,e2=-3")));
    QCOMPARE(f.choose(), QStringLiteral("-"));
}

void TestVoiceGroup::poolExhaustedAtTheNode_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("withOneFree");
    QTest::addColumn<QString>("withNoneFree");
    QTest::newRow("sequential") << 0 << "e1" << "-";
    QTest::newRow("parallel") << 1 << "e3 e1 e2" << "-";
    QTest::newRow("random") << 2 << "e1" << "e1";
}

void TestVoiceGroup::poolExhaustedAtTheNode()
{
    QFETCH(int, method);
    QFETCH(QString, withOneFree);
    QFETCH(QString, withNoneFree);
    Fan f;
    f.setUsage(method, f.usage(method == 2 ? QStringLiteral("e1=0") : QStringLiteral("e1=1,e2=1,e3=1")));
    f.exhaustPool(1);
    QCOMPARE(f.choose(), withOneFree);
    f.exhaustPool(0);
    QCOMPARE(f.choose(), withNoneFree);
    // Nothing chosen, nothing moved: the cursor still says one use of e1.
    if (method == 0) {
        QCOMPARE(f.net.state(f.hub, Keys::CurrentEdgeUsageId).toUInt(), 0u);
        QCOMPARE(f.net.state(f.hub, Keys::CurrentEdgeUsageUses).toInt(), 1);
    }
}

void TestVoiceGroup::startVoiceOnEdge()
{
    Fan f({3});
    const QmdItemId edge = f.edges.first();
    f.net.takeEvents();
    VoiceState carried;
    carried.arrival = 1000;
    carried.pitch = 64;
    carried.instrument = qint32(f.net.instrument);
    QVERIFY(!f.engine->startVoiceOnEdge(carried, 0));
    QVERIFY(!f.engine->startVoiceOnEdge(carried, 9999));
    QVERIFY(f.net.takeEvents().isEmpty());

    QVERIFY(f.engine->startVoiceOnEdge(carried, edge));
    const VoiceState v = f.engine->activeVoiceStates().first();
    QCOMPARE(v.item, edge);
    QCOMPARE(v.departure, Ticks(1000));
    QCOMPARE(v.arrival, Ticks(1000 + 3 * Principal));
    QCOMPARE(int(v.pitch), 64);
    auto events = f.net.takeEvents();
    QCOMPARE(eventKinds(events), QList<int>{PlaybackEvent::VoiceStarted});
    QCOMPARE(events.first().time, Ticks(1000));

    f.exhaustPool(0);
    QVERIFY(!f.engine->startVoiceOnEdge(carried, edge));
    events = f.net.takeEvents();
    QCOMPARE(eventKinds(events), QList<int>{PlaybackEvent::NoFreeVoice});
    QCOMPARE(events.first().voiceId, 0);
    QCOMPARE(events.first().time, Ticks(1000));
}

namespace {

// The clock plays while the instruments stay paused, so what an arrival
// queues waits in the queue; the group is stepped by the test.
struct SteppedLoop
{
    SteppedLoop()
    {
        a = f.net.node(5, 5, QStringLiteral("C3"));
        edge = f.net.edge(a, f.hub);
        f.net.c().sync()->setPlaying(true);
        // Far enough from 0 for departures a principal back.
        QTest::qWait(150);
    }
    AbstractInstrument *instrument() { return f.net.c().instruments().value(f.net.instrument); }
    // A voice on the edge, arriving at the hub `ms` from now.
    void voiceArrivingIn(int ms)
    {
        AbstractSync *clock = f.net.c().sync();
        Ticks travel = 0;
        QVERIFY(f.engine->edgeTravelTicks(edge, &travel));
        VoiceState s;
        s.arrival = clock->currentTicks() + clock->nsToTicks(quint64(ms) * 1000000u) - travel;
        s.pitch = 60;
        s.velocity = 100;
        s.duration = Principal;
        s.instrument = qint32(f.net.instrument);
        QVERIFY(f.engine->startVoiceOnEdge(s, edge));
        arrival = s.arrival + travel;
    }
    int hits() { return f.net.state(f.hub, Keys::HitCount).toInt(); }

    Fan f{{1}};
    QmdItemId a = 0;
    QmdItemId edge = 0;
    Ticks arrival = 0;
};

} // namespace

void TestVoiceGroup::arrivalsDueBeforeTheNextStepAreHandledNow()
{
    SteppedLoop loop;
    // Within the next step and its margin: handled now, stamped with its
    // own tick, so it waits in the queue until it is due.
    loop.voiceArrivingIn(3);
    loop.f.engine->stepOnce();
    settle();
    QCOMPARE(loop.hits(), 1);
    Ticks first = 0;
    QVERIFY(loop.instrument()->outputQueue().nextTime(&first));
    QCOMPARE(first, loop.arrival);
    QCOMPARE(loop.instrument()->outputQueue().size(), 2);

    // Beyond it: left for a later step.
    loop.f.engine->deactivateAllVoices();
    loop.voiceArrivingIn(200);
    loop.f.engine->stepOnce();
    settle();
    QCOMPARE(loop.hits(), 1);
    QCOMPARE(loop.f.engine->activeVoiceCount(), 1);
}

void TestVoiceGroup::lookAheadCoversTwoSteps_data()
{
    QTest::addColumn<int>("dueInMs");
    QTest::addColumn<bool>("handled");
    // Due just after the next step: were that step a few ms late, the
    // arrival would be handled after its time.
    QTest::newRow("just after the next step") << 18 << true;
    QTest::newRow("beyond the second step") << 40 << false;
}

void TestVoiceGroup::lookAheadCoversTwoSteps()
{
    QFETCH(int, dueInMs);
    QFETCH(bool, handled);
    SteppedLoop loop;
    loop.voiceArrivingIn(dueInMs);
    loop.f.engine->stepOnce();
    settle();
    QCOMPARE(loop.hits(), handled ? 1 : 0);
    QCOMPARE(loop.instrument()->outputQueue().size(), handled ? 2 : 0);
    if (handled) {
        Ticks first = 0;
        QVERIFY(loop.instrument()->outputQueue().nextTime(&first));
        QCOMPARE(first, loop.arrival);
    }
}

void TestVoiceGroup::voicesLeavingOnWormholesArriveInTheSameStep()
{
    SteppedLoop loop;
    PlayedNetwork &net = loop.f.net;
    // hub -> rim (one principal away, as a wormhole) -> far (a wormhole too).
    const QmdItemId rim = net.c().elementData(loop.f.edges.first(), Keys::ToNode).toUInt();
    const QmdItemId far = net.node(9, 9, QStringLiteral("E3"));
    const QmdItemId second = net.edge(rim, far);
    net.set(loop.f.edges.first(), Keys::IsWormhole, true);
    net.set(second, Keys::IsWormhole, true);
    loop.voiceArrivingIn(3);
    loop.f.engine->stepOnce();
    settle();
    for (QmdItemId node : {loop.f.hub, rim, far})
        QCOMPARE(net.state(node, Keys::HitCount).toInt(), 1);

    // A cycle of wormholes goes round a bounded number of times per step.
    const QmdItemId back = net.edge(far, loop.f.hub);
    net.set(back, Keys::IsWormhole, true);
    loop.voiceArrivingIn(0);
    loop.f.engine->stepOnce();
    settle();
    int hits = 0;
    for (QmdItemId node : {loop.f.hub, rim, far})
        hits += net.state(node, Keys::HitCount).toInt();
    QCOMPARE(hits, 3 + 1 + VoiceGroup::MaxFollowUpRounds);
    QCOMPARE(loop.f.engine->activeVoiceCount(), 1);
}

void TestVoiceGroup::noteOnAndOffAreQueuedTogether_data()
{
    QTest::addColumn<int>("queued");
    QTest::addColumn<int>("expected");
    QTest::newRow("room for both") << 998 << 1000;
    QTest::newRow("room for one") << 999 << 999;
}

void TestVoiceGroup::noteOnAndOffAreQueuedTogether()
{
    QFETCH(int, queued);
    QFETCH(int, expected);
    SteppedLoop loop;
    // A note-on whose note-off could not be queued would hang.
    const Ticks later = Ticks(1) << 60;
    for (int i = 0; i < queued; ++i)
        QVERIFY(loop.f.net.c().queueMidiMessage(loop.f.net.instrument, controlChangeMessage(later, 1, 0)));
    loop.voiceArrivingIn(0);
    loop.f.engine->stepOnce();
    settle();
    QCOMPARE(loop.hits(), 1);
    QCOMPARE(loop.instrument()->outputQueue().size(), expected);
}

QTEST_GUILESS_MAIN(TestVoiceGroup)
#include "tst_voicegroup.moc"
