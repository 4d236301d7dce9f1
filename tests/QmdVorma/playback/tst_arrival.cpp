// Networks playing through the fake MIDI system: a node's notes on every
// enabled channel with their note-offs, the feedback for the canvas, edges
// chosen by signalling method, silent nodes with their user messages,
// chords, instrument changes, wormholes, and a pool that runs out.
#include "QmdVorma/playback/PlaybackTestSupport.h"

using namespace QmdVorma;

namespace {

// Hub at (0, 0) playing C3, with a node one principal away for each notes
// text (at most four), each sending its voice back to the hub.
struct Star
{
    explicit Star(const QStringList &rim, uint tempo = 600)
        : net(tempo)
    {
        hub = net.node(0, 0, QStringLiteral("C3"));
        const QList<TickPoint> places{{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
        for (int i = 0; i < rim.size(); ++i) {
            const QmdItemId node = net.node(places.at(i).x, places.at(i).y, rim.at(i));
            out << net.edge(hub, node);
            net.edge(node, hub);
            nodes << node;
        }
        group = net.group(hub);
    }

    void setUsage(int method, const QString &pattern)
    {
        QString text = pattern;
        for (int i = out.size(); i >= 1; --i)
            text.replace(QStringLiteral("e%1").arg(i), QString::number(out.at(i - 1)));
        net.set(hub, Keys::SignallingMethod, method);
        net.set(hub, Keys::ArcUsageList, text);
    }

    PlayedNetwork net;
    QmdItemId hub = 0;
    QmdItemIdList nodes;
    QmdItemIdList out;
    QmdItemId group = 0;
};

} // namespace

class TestArrival : public QObject
{
    Q_OBJECT
private slots:
    void noteOnEveryChannelAndItsNoteOffAPrincipalLater();
    void sequentialSignalling();
    void parallelSignalling();
    void randomSignallingRepeatsWithItsSeed();
    void silentNodeStillCountsAndSendsItsMessages();
    void mutedGroupPlaysNoNotes();
    void chordAndWhatTheVoiceCarriesOn();
    void instrumentChangeAtANode();
    void wormholeTakesNoTimeAndSendsNoCurve();
    void poolRunsOut();
    void tempoZeroPlaysAtTheSlowestRate();
    void removingTheEdgeUnderAVoiceEndsIt();
};

void TestArrival::noteOnEveryChannelAndItsNoteOffAPrincipalLater()
{
    PlayedNetwork net(120, {0, 2});
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3:96:1"));
    const QmdItemId group = net.group(a);
    net.takeEvents();

    net.c().requestPlay();
    QVERIFY(net.waitForSent(4));
    QCOMPARE(net.sent(), (QStringList{"90 3c 60", "92 3c 60", "80 3c 00", "82 3c 00"}));
    const auto sent = net.sentMessages();
    const double apartMs = double(sent[2].sentNs - sent[0].sentNs) / 1e6;
    QVERIFY2(apartMs > 400 && apartMs < 1000, qPrintable(QString::number(apartMs)));

    // The voice ends at the node without edges; the group stops by itself.
    QTRY_VERIFY(!net.c().isVoiceGroupRunning(group));
    QCOMPARE(net.state(a, Keys::HitCount).toInt(), 1);
    QCOMPARE(net.state(a, Keys::LastNotesSent).toString(), QStringLiteral("C3:96"));

    const auto events = net.takeEvents();
    QCOMPARE(eventKinds(events), (QList<int>{PlaybackEvent::VoiceStarted, PlaybackEvent::VoiceReturned,
                                             PlaybackEvent::VoiceReachedNode, PlaybackEvent::NoteEnded}));
    const PlaybackEvent &hit = events.at(2);
    QCOMPARE(hit.time, events.first().time);
    QCOMPARE(hit.nodeId, a);
    QCOMPARE(hit.voiceGroupId, qint32(group));
    QCOMPARE(QmdItemId(hit.instrumentId), net.instrument);
    QCOMPARE(int(hit.pitch), 60);
    QCOMPARE(int(hit.velocity), 96);
    QCOMPARE(hit.duration, Principal);
    QCOMPARE(events.at(3).time, hit.time + Ticks(Principal));
}

void TestArrival::sequentialSignalling()
{
    Star star({QStringLiteral("D3"), QStringLiteral("E3")});
    star.setUsage(0, QStringLiteral("e1=2,e2=1"));
    star.net.c().requestPlay();
    QVERIFY(star.net.waitForNotesOn(12));
    QCOMPARE(star.net.notesOn().mid(0, 12), (QList<int>{60, 62, 60, 62, 60, 64, 60, 62, 60, 62, 60, 64}));
}

void TestArrival::parallelSignalling()
{
    PlayedNetwork net;
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3"));
    QmdItemIdList rim;
    for (int i = 1; i <= 3; ++i)
        net.edge(a, net.node(i, 0, QStringLiteral("D3 E3 F3").split(QLatin1Char(' ')).at(3 - i)));
    net.set(a, Keys::SignallingMethod, 1);
    net.group(a);
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(4));
    // One voice per edge, arriving in the order of their lengths.
    QCOMPARE(net.notesOn(), (QList<int>{60, 65, 64, 62}));
}

void TestArrival::randomSignallingRepeatsWithItsSeed()
{
    auto play = [] {
        Star star({QStringLiteral("D3"), QStringLiteral("E3"), QStringLiteral("F3")});
        star.setUsage(2, QStringLiteral("e1=1,e2=1,e3=2"));
        star.net.thread(star.group)->seedGenerator(4242);
        star.net.c().requestPlay();
        if (!star.net.waitForNotesOn(24))
            return QList<int>();
        return star.net.notesOn().mid(0, 24);
    };
    const QList<int> first = play();
    QCOMPARE(first.size(), 24);
    QCOMPARE(play(), first);
    QSet<int> rim;
    for (int i = 1; i < first.size(); i += 2) {
        QCOMPARE(first.at(i - 1), 60);
        rim.insert(first.at(i));
    }
    QCOMPARE(rim, (QSet<int>{62, 64, 65}));
}

void TestArrival::silentNodeStillCountsAndSendsItsMessages()
{
    Star star({QStringLiteral("D3")});
    PlayedNetwork &net = star.net;
    net.set(star.hub, Keys::DontPlayNote, true);
    net.set(star.hub, Keys::UserMidiMessageList, QStringLiteral("B0 07 64,,C0 05"));
    net.takeEvents();
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(3));
    QTRY_VERIFY(net.sentWithStatus(0xB0).size() + net.sentWithStatus(0xC0).size() >= 4);
    net.c().requestPause();

    // Messages in turn, the empty item skipped; no C3 from the silent hub.
    QStringList raw;
    for (const QString &m : net.sent()) {
        if (m.startsWith(QLatin1String("b0")) || m.startsWith(QLatin1String("c0")))
            raw << m;
    }
    QCOMPARE(raw.mid(0, 4), (QStringList{"b0 07 64", "c0 05", "b0 07 64", "c0 05"}));
    QVERIFY(!net.notesOn().contains(60));
    QVERIFY(net.notesOn().startsWith(62));
    QVERIFY(net.state(star.hub, Keys::HitCount).toInt() >= 4);
    QCOMPARE(net.state(star.hub, Keys::LastNotesSent).toString(), QString());

    // The hub flashes for 100 ms of playback time.
    const auto events = net.takeEvents();
    const Ticks flash = net.c().sync()->nsToTicks(VoiceGroup::SilentFlashNs);
    QCOMPARE(flash, Ticks(Principal));
    Ticks hit = 0;
    bool ended = false;
    for (const PlaybackEvent &e : events) {
        if (e.nodeId != star.hub)
            continue;
        if (e.kind == PlaybackEvent::VoiceReachedNode && hit == 0)
            hit = e.time;
        else if (e.kind == PlaybackEvent::NoteEnded && hit != 0 && e.time == hit + flash)
            ended = true;
    }
    QVERIFY(ended);
}

void TestArrival::mutedGroupPlaysNoNotes()
{
    Star star({QStringLiteral("D3")});
    star.net.set(star.group, Keys::DontPlayNote, true);
    star.net.c().requestPlay();
    QTRY_VERIFY(star.net.state(star.nodes.first(), Keys::HitCount).toInt() >= 2);
    QVERIFY(star.net.sent().isEmpty());
}

void TestArrival::chordAndWhatTheVoiceCarriesOn()
{
    PlayedNetwork net;
    const QmdItemId a = net.node(0, 0, QStringLiteral("[C3:96 E3:96 G3:96]"));
    const QmdItemId b = net.node(1, 0, QStringLiteral("+0:+10"));
    net.edge(a, b);
    net.group(a);
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(4));
    QCOMPARE(net.notesOn(), (QList<int>{60, 64, 67, 60}));
    QCOMPARE(net.sentWithStatus(0x90), (QStringList{"90 3c 60", "90 40 60", "90 43 60", "90 3c 6a"}));
    QCOMPARE(net.state(a, Keys::LastNotesSent).toString(), QStringLiteral("C3:96\nE3:96\nG3:96"));
    QTRY_COMPARE(net.state(b, Keys::LastNotesSent).toString(), QStringLiteral("C3:106"));
}

void TestArrival::instrumentChangeAtANode()
{
    PlayedNetwork net;
    const QString other = QStringLiteral("Other Out");
    net.midi->addPort(MidiDirection::Output, other);
    net.c().requestAddInstrument(QStringLiteral("Other"), Qt::red, channelBits({1}));
    settle();
    const QmdItemId second = net.c().instrumentIds().last();
    net.c().requestSetData(Keys::MidiPort, other, net.c().instrumentIndex(second));
    settle();

    const QmdItemId a = net.node(0, 0, QStringLiteral("C3"));
    const QmdItemId b = net.node(1, 0, QStringLiteral("D3"));
    net.edge(a, b);
    net.set(b, Keys::DoInstrumentChange, true);
    net.set(b, Keys::Instrument, uint(second));
    net.group(a);
    net.c().requestPlay();
    QVERIFY(net.midi->waitForSentMessages(other, 2));
    QCOMPARE(sentHex(net.midi, other), (QStringList{"91 3e 60", "81 3e 00"}));
    QCOMPARE(net.sent(), (QStringList{"90 3c 60", "80 3c 00"}));
}

void TestArrival::wormholeTakesNoTimeAndSendsNoCurve()
{
    PlayedNetwork net;
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3"));
    const QmdItemId b = net.node(4, 0, QStringLiteral("D3"));
    const QmdItemId edge = net.edge(a, b);
    net.set(edge, Keys::IsWormhole, true);
    net.curve(edge, LinearCurve, 7, -1, QPolygonF(QVector<QPointF>{{0, 0}, {1, 16383}}));
    net.group(a);
    net.takeEvents();
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(2));
    QTRY_COMPARE(net.sent().size(), 4);
    QCOMPARE(net.notesOn(), (QList<int>{60, 62}));
    QVERIFY(net.sentWithStatus(0xB0).isEmpty());
    QList<Ticks> hits;
    for (const PlaybackEvent &e : net.takeEvents()) {
        if (e.kind == PlaybackEvent::VoiceReachedNode)
            hits << e.time;
    }
    QCOMPARE(hits.size(), 2);
    QCOMPARE(hits.at(0), hits.at(1));
}

void TestArrival::poolRunsOut()
{
    // Three edges from a parallel hub to one node that sends the voice back:
    // every round triples the voices until the pool of 24 runs out. A voice
    // that finds one free voice then starts two and reports the third.
    PlayedNetwork net;
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3:96:0.1"));
    const QmdItemId b = net.node(1, 0, QStringLiteral("D3:96:0.1"));
    for (int i = 0; i < 3; ++i)
        net.edge(a, b);
    net.edge(b, a);
    net.set(a, Keys::SignallingMethod, 1);
    const QmdItemId group = net.group(a);
    net.c().requestPlay();

    bool noFreeVoice = false;
    QElapsedTimer timer;
    timer.start();
    while (!noFreeVoice && timer.elapsed() < 10000) {
        QCoreApplication::sendPostedEvents();
        for (const PlaybackEvent &e : net.takeEvents())
            noFreeVoice = noFreeVoice || (e.kind == PlaybackEvent::NoFreeVoice && e.voiceGroupId == qint32(group));
        QVERIFY(net.thread(group)->activeVoiceCount() <= 24);
        QTest::qWait(10);
    }
    QVERIFY(noFreeVoice);
    // The network plays on with the voices it has.
    const int hits = net.state(b, Keys::HitCount).toInt();
    QTRY_VERIFY(net.state(b, Keys::HitCount).toInt() > hits + 24);
    QVERIFY(net.c().isVoiceGroupRunning(group));
}

void TestArrival::tempoZeroPlaysAtTheSlowestRate()
{
    // A file can hold tempo 0: it plays as one beat per minute, and nothing
    // divides by it (travel times, percentages, curve samples). The curve
    // of the edge, two minutes long, leaves the queue room for the notes.
    PlayedNetwork net(0);
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3::50%"));
    const QmdItemId edge = net.edge(a, net.node(1, 0, QStringLiteral("D3")));
    net.curve(edge, LinearCurve, 7, -1, QPolygonF(QVector<QPointF>{{0, 0}, {1, 16383}}));
    net.group(a);
    net.c().requestPlay();
    QVERIFY(net.waitForSent(2));
    QCOMPARE(net.sent().mid(0, 2), (QStringList{"b0 07 00", "90 3c 60"}));
    const auto events = net.takeEvents();
    Ticks duration = 0;
    for (const PlaybackEvent &e : events) {
        if (e.kind == PlaybackEvent::VoiceReachedNode)
            duration = Ticks(e.duration);
    }
    QCOMPARE(duration, Ticks(Principal / 2));
}

void TestArrival::removingTheEdgeUnderAVoiceEndsIt()
{
    PlayedNetwork net(120);
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3"));
    const QmdItemId edge = net.edge(a, net.node(2, 0, QStringLiteral("D3")));
    const QmdItemId group = net.group(a);
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(1));
    removeElements(net.doc, {edge});
    QTRY_VERIFY(!net.c().isVoiceGroupRunning(group));
    QVERIFY(net.thread(group)->activeVoiceStates().isEmpty());
    QTest::qWait(1100);
    QCOMPARE(net.notesOn(), QList<int>{60});
}

QTEST_GUILESS_MAIN(TestArrival)
#include "tst_arrival.moc"
