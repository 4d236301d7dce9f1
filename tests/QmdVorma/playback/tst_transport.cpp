// The controller's side of playback: one started thread per voice group
// after every reset and addition, threads retired by removals, play and
// pause without hanging notes, going to the start, loading while playing,
// and transport calls from another thread while the document is reset.
#include "QmdVorma/playback/PlaybackTestSupport.h"

#include "QmdVorma/playback/MidiClockTestSupport.h"
#include "QmdVorma/playback/SyncTimingListener.h"
#include "midi/Platform.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <limits>
#include <thread>

using namespace QmdVorma;

namespace {

// Keys (status << 8 | key) whose last message was a note-on: what a synth
// would still sound.
QSet<int> soundingNotes(const PlayedNetwork &net, quint64 beforeNs = std::numeric_limits<quint64>::max())
{
    QSet<int> sounding;
    for (const auto &m : net.sentMessages()) {
        if (m.bytes.size() != 3 || m.sentNs >= beforeNs)
            continue;
        const int channel = m.bytes[0] & 0x0F;
        const int status = m.bytes[0] & 0xF0;
        const int key = channel << 8 | m.bytes[1];
        if (status == 0x90 && m.bytes[2] != 0)
            sounding.insert(key);
        else if (status == 0x80 || status == 0x90)
            sounding.remove(key);
    }
    return sounding;
}

// A and B one principal apart, each sending its voice to the other.
struct Loop
{
    explicit Loop(const QString &aNotes, const QString &bNotes, uint tempo = 600)
        : net(tempo)
    {
        a = net.node(0, 0, aNotes);
        b = net.node(1, 0, bNotes);
        net.edge(a, b);
        net.edge(b, a);
        group = net.group(a);
    }

    PlayedNetwork net;
    QmdItemId a = 0;
    QmdItemId b = 0;
    QmdItemId group = 0;
};

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT
private slots:
    void oneThreadPerVoiceGroupAfterEveryReset();
    void removalRetiresTheThreadAndUndoRestartsIt();
    void playAndPauseLeaveNoNoteHanging();
    void goToStartWhilePlayingReplaysTheFirstNotes();
    void goToStartWhileStopped();
    void firstNotesWaitQueuedForTheClock_data();
    void firstNotesWaitQueuedForTheClock();
    void followedStartPlaysTheFirstNotesWithTheClock();
    void primingAgainBeforeTheStartPlaysItOnce();
    void groupWithTriggerKeysWaitsOnPlay();
    void loadWhilePlaying();
    void syncTypeChangeKeepsGroupsPlaying();
    void transportFromAnotherThreadDuringResets();
};

void TestTransport::oneThreadPerVoiceGroupAfterEveryReset()
{
    VormaDocument doc;
    const QmdItemId node = doc.addElement({{Keys::Type, 2}, {Keys::TickPos, QVariant::fromValue(TickPoint())}});
    const QmdItemId edge = doc.addElement({{Keys::Type, 1}, {Keys::FromNode, node}, {Keys::ToNode, node}});
    const QmdItemId group = doc.addElement({{Keys::Type, 4}, {Keys::ToNode, node}});
    const QmdItemId other = doc.addElement({{Keys::Type, 4}, {Keys::ToNode, node}});
    doc.attach();
    QmdVormaController &c = doc.controller;

    const auto groups = c.voiceGroups();
    QCOMPARE(QSet<QmdItemId>(groups.keyBegin(), groups.keyEnd()), (QSet<QmdItemId>{group, other}));
    QPointer<VoiceGroup> first = groups.value(group);
    QVERIFY(first->isStarted() && first->isRunning());
    QCOMPARE(first->groupId(), group);
    QVERIFY(!c.isVoiceGroupRunning(group));
    QVERIFY(!c.isVoiceGroupRunning(node));

    // Ids of other kinds, and ids that have a thread, get none.
    c.addVoiceGroups({node, edge, group});
    QCOMPARE(c.voiceGroups(), groups);

    c.reset();
    settle();
    QVERIFY(first.isNull());
    QCOMPARE(c.voiceGroups().size(), 2);
    QVERIFY(c.voiceGroups().value(group)->isRunning());
}

void TestTransport::removalRetiresTheThreadAndUndoRestartsIt()
{
    PlayedNetwork net;
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3"));
    const QmdItemId group = net.group(a);
    QPointer<VoiceGroup> thread = net.thread(group);
    QVERIFY(thread);

    removeElements(net.doc, {group});
    QVERIFY(thread.isNull());
    QVERIFY(!net.c().voiceGroups().contains(group));
    undo(net.doc);
    thread = net.thread(group);
    QVERIFY(thread && thread->isStarted());

    // Removing the node takes its voice group, and the group's thread, along.
    removeElements(net.doc, {a});
    QVERIFY(thread.isNull());
    QVERIFY(net.c().voiceGroups().isEmpty());
}

void TestTransport::playAndPauseLeaveNoNoteHanging()
{
    // Notes four principals long on edges of one: several always sound.
    Loop loop(QStringLiteral("C3:96:4"), QStringLiteral("D3:96:4"), 120);
    PlayedNetwork &net = loop.net;
    QSignalSpy state(&net.c(), &QmdVormaController::playbackStateChanged);
    net.c().requestPlay();
    QCOMPARE(state.takeFirst(), QVariantList{true});
    QVERIFY(net.c().isVoiceGroupRunning(loop.group));
    QVERIFY(net.waitForNotesOn(3));
    QVERIFY(!soundingNotes(net).isEmpty());

    net.c().requestPause();
    QCOMPARE(state.takeFirst(), QVariantList{false});
    QVERIFY(!net.c().isVoiceGroupRunning(loop.group));
    QCOMPARE(soundingNotes(net), QSet<int>());
    const Ticks position = net.c().sync()->currentTicks();
    const QVector<VoiceState> voices = net.thread(loop.group)->activeVoiceStates();
    QCOMPARE(voices.size(), 1);
    const int sentAtPause = net.sentMessages().size();
    QTest::qWait(600);
    QCOMPARE(net.sentMessages().size(), sentAtPause);

    // Playing again continues where the voice was; nothing restarts.
    net.takeEvents();
    net.c().requestTogglePlayback();
    QCOMPARE(state.takeFirst(), QVariantList{true});
    QVERIFY(net.c().sync()->currentTicks() >= position);
    const int hits = net.state(loop.a, Keys::HitCount).toInt() + net.state(loop.b, Keys::HitCount).toInt();
    QVERIFY(net.waitForNotesOn(5));
    for (const PlaybackEvent &e : net.takeEvents())
        QVERIFY(e.kind != PlaybackEvent::VoiceStarted || e.time >= voices.first().arrival);
    QVERIFY(net.state(loop.a, Keys::HitCount).toInt() + net.state(loop.b, Keys::HitCount).toInt() > hits);
    net.c().requestTogglePlayback();
    QCOMPARE(state.takeFirst(), QVariantList{false});
    QCOMPARE(soundingNotes(net), QSet<int>());
}

void TestTransport::goToStartWhilePlayingReplaysTheFirstNotes()
{
    // Edges of 200 ms: nothing plays between the last note seen and the jog.
    Loop loop(QStringLiteral("C3,D3,E3"), QStringLiteral("F3,G3"), 300);
    PlayedNetwork &net = loop.net;
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(3));
    QSignalSpy jogged(&net.c(), &QmdVormaController::playbackJogged);
    const int before = net.notesOn().size();
    QCOMPARE(net.c().requestGotoStart(), 0xFFFFFFFFu);
    QCOMPARE(jogged.size(), 1);
    QVERIFY(net.c().sync()->isPlaying());
    QVERIFY(net.c().isVoiceGroupRunning(loop.group));
    // Nothing of the old run sounds on; the new run's first note may
    // already have started with the clock.
    const quint64 restart = currentTimeNs() - net.c().sync()->elapsedNs();
    QCOMPARE(soundingNotes(net, restart), QSet<int>());

    QVERIFY(net.waitForNotesOn(before + 4));
    QCOMPARE(net.notesOn().mid(before, 4), (QList<int>{60, 65, 62, 67}));
    QCOMPARE(net.notesOn().mid(0, 3), (QList<int>{60, 65, 62}));
}

void TestTransport::goToStartWhileStopped()
{
    Loop loop(QStringLiteral("C3"), QStringLiteral("D3"));
    PlayedNetwork &net = loop.net;
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(3));
    net.c().requestPause();
    settle();
    const QString undoText = net.c().undoText();
    QVERIFY(net.state(loop.a, Keys::HitCount).toInt() > 0);
    QVERIFY(net.state(loop.b, Keys::HitCount).toInt() > 0);
    net.takeEvents();

    QSignalSpy jogged(&net.c(), &QmdVormaController::playbackJogged);
    QCOMPARE(net.c().requestGotoStart(), 0xFFFFFFFFu);
    settle();
    QCOMPARE(jogged.size(), 1);
    QVERIFY(!net.c().sync()->isPlaying());
    QCOMPARE(net.c().sync()->currentTicks(), Ticks(0));
    QCOMPARE(net.state(loop.a, Keys::HitCount).toInt(), 0);
    QCOMPARE(net.state(loop.b, Keys::HitCount).toInt(), 0);
    QCOMPARE(net.state(loop.a, Keys::LastNotesSent).toString(), QString());
    QCOMPARE(net.c().undoText(), undoText);

    // The paused group has its first voice waiting at the group, at 0.
    VoiceGroup *group = net.thread(loop.group);
    QVERIFY(!group->isIterating());
    const QVector<VoiceState> voices = group->activeVoiceStates();
    QCOMPARE(voices.size(), 1);
    QCOMPARE(voices.first().item, loop.group);
    QCOMPARE(voices.first().departure, Ticks(0));
    // Old feedback does not fall due again.
    for (const PlaybackEvent &e : net.takeEvents())
        QVERIFY(e.kind == PlaybackEvent::VoiceStarted || e.kind == PlaybackEvent::VoiceReturned);
}

namespace {

// What the instrument holds and has sent the moment the clock starts: told
// on the thread that starts it, right after it runs (the instrument, told
// first, may already be sending).
class StartWatch : public SyncTimingListener
{
public:
    explicit StartWatch(PlayedNetwork &net)
        : m_net(net)
        , m_clock(net.c().sync())
        , m_instrument(net.c().instruments().value(net.instrument))
    {
        m_clock->addTimingListener(this);
    }
    ~StartWatch() override { m_clock->removeTimingListener(this); }

    void syncTimingChanged() override
    {
        if (started || !m_clock->isPlaying())
            return;
        started = true;
        startNs = currentTimeNs() - m_clock->elapsedNs();
        // Sent first: a note-on counted as sent has left the queue too. The
        // instrument may take it between two looks at the queue, so the
        // looks repeat until the first message stands still across them.
        sentOn = m_net.notesOn().size();
        const TimedQueue<MidiOutputMessage> &queue = m_instrument->outputQueue();
        for (Ticks before = -2; before != firstQueued;) {
            before = firstQueued = -1;
            queue.nextTime(&before);
            queued = queue.size();
            queue.nextTime(&firstQueued);
        }
    }
    void syncDestroyed(AbstractSync *) override {}

    bool started = false;
    quint64 startNs = 0;
    int queued = 0;
    Ticks firstQueued = -1;
    int sentOn = 0;

private:
    const PlayedNetwork &m_net;
    AbstractSync *m_clock;
    AbstractInstrument *m_instrument;
};

} // namespace

void TestTransport::firstNotesWaitQueuedForTheClock_data()
{
    QTest::addColumn<bool>("goToStart");
    QTest::addColumn<bool>("clockOutput");
    QTest::newRow("play") << false << false;
    QTest::newRow("play with a clock output") << false << true;
    QTest::newRow("go to start while playing") << true << false;
    QTest::newRow("go to start with a clock output") << true << true;
}

void TestTransport::firstNotesWaitQueuedForTheClock()
{
    // The notes of the start tick are queued before the clock runs, not at
    // the first step after it, and none leaves before it runs.
    QFETCH(bool, goToStart);
    QFETCH(bool, clockOutput);
    Loop loop(QStringLiteral("C3"), QStringLiteral("D3"), 60);
    PlayedNetwork &net = loop.net;
    if (clockOutput) {
        // Its start waits a lead-in before the clock runs.
        net.midi->addPort(MidiDirection::Output, QStringLiteral("Clock Out"));
        setSyncEntry(net.c(), Keys::SyncMidiOutputs, QStringLiteral("Clock Out"), true);
    }
    if (goToStart) {
        net.c().requestPlay();
        QVERIFY(net.waitForNotesOn(1));
        net.midi->clearSentMessages(net.port);
    }
    StartWatch watch(net);
    if (goToStart)
        net.c().requestGotoStart();
    else
        net.c().requestPlay();
    QVERIFY(watch.started);
    // C3's note-on and note-off queued, or the note-on gone already: taken
    // from the queue, and perhaps still on its way to the port when looked at.
    if (watch.sentOn == 0 && watch.firstQueued == Ticks(0)) {
        QCOMPARE(watch.queued, 2);
    } else {
        QVERIFY(watch.sentOn <= 1);
        QCOMPARE(watch.queued, 1);
        QVERIFY(watch.firstQueued > Ticks(0));
    }
    QVERIFY(net.waitForNotesOn(1));
    for (const auto &m : net.sentMessages()) {
        if (m.bytes.size() == 3 && m.bytes[0] == 0x90 && m.bytes[2] != 0) {
            QCOMPARE(int(m.bytes[1]), 60);
            QVERIFY(m.sentNs >= watch.startNs);
            break;
        }
    }
}

void TestTransport::followedStartPlaysTheFirstNotesWithTheClock()
{
    // MIDI start primes the instruments and groups while the clock waits
    // for the first timing clock: the first notes wait in the queue for it.
    const QString clockIn = QStringLiteral("Clock In");
    Loop loop(QStringLiteral("C3"), QStringLiteral("D3"), 60);
    PlayedNetwork &net = loop.net;
    net.midi->addPort(MidiDirection::Input, clockIn);
    setSyncEntry(net.c(), Keys::SyncMidiInputs, clockIn, true);
    AbstractInstrument *instrument = net.c().instruments().value(net.instrument);
    net.midi->inject(clockIn, {0xFA});
    QTRY_COMPARE(instrument->outputQueue().size(), 2);
    QTest::qWait(50);
    QVERIFY(!net.c().sync()->isPlaying());
    QCOMPARE(net.notesOn(), QList<int>());

    net.midi->inject(clockIn, {0xF8});
    QTRY_VERIFY(net.c().sync()->isPlaying());
    const quint64 startNs = currentTimeNs() - net.c().sync()->elapsedNs();
    QVERIFY(net.waitForNotesOn(1));
    for (const auto &m : net.sentMessages()) {
        if (m.bytes.size() == 3 && m.bytes[0] == 0x90 && m.bytes[2] != 0)
            QVERIFY(m.sentNs >= startNs);
    }
}

void TestTransport::primingAgainBeforeTheStartPlaysItOnce()
{
    // MIDI clock primes with every message until its first timing clock; a
    // group whose only voice ended at the start node has played its start.
    PlayedNetwork net;
    const QmdItemId group = net.group(net.node(0, 0, QStringLiteral("C3")));
    AbstractInstrument *instrument = net.c().instruments().value(net.instrument);
    for (int i = 0; i < 3; ++i)
        net.c().requestPrimePlaybackForSyncStateChange(true);
    QCOMPARE(instrument->outputQueue().size(), 2);
    QCOMPARE(net.thread(group)->activeVoiceCount(), 0);

    // Once the clock has moved, a group without voices starts again.
    net.c().sync()->setPlaying(true);
    QVERIFY(net.waitForNotesOn(1));
    QTest::qWait(20);
    net.c().requestPrimePlaybackForSyncStateChange(true);
    QVERIFY(net.waitForNotesOn(2));
}

void TestTransport::groupWithTriggerKeysWaitsOnPlay()
{
    PlayedNetwork net;
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3"));
    const QmdItemId waiting = net.group(a);
    net.set(waiting, Keys::TriggeringMidiPitchList, QStringLiteral("C3"));
    const QmdItemId playing = net.group(net.node(1, 0, QStringLiteral("D3")));
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(1));
    QVERIFY(!net.c().isVoiceGroupRunning(waiting));
    QTest::qWait(100);
    QCOMPARE(net.notesOn(), QList<int>{62});
    Q_UNUSED(playing);
}

void TestTransport::loadWhilePlaying()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("loop.vrm"));
    Loop loop(QStringLiteral("C3"), QStringLiteral("D3"));
    PlayedNetwork &net = loop.net;
    net.c().requestSave(file);
    settle();
    net.set(loop.a, Keys::Notes, QStringLiteral("E3"));

    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(3));
    QPointer<VoiceGroup> old = net.thread(loop.group);
    QPointer<AbstractSync> oldClock = net.c().sync();
    net.c().requestLoad(file);
    QVERIFY(old.isNull());
    QCOMPARE(soundingNotes(net), QSet<int>());
    QVERIFY(net.c().feedbackPipe().isEmpty());
    VoiceGroup *fresh = net.thread(loop.group);
    QVERIFY(fresh && fresh->isStarted() && fresh->isRunning());
    QVERIFY(!fresh->isIterating());
    QVERIFY(net.c().sync() != oldClock);
    QVERIFY(!net.c().sync()->isPlaying());
    settle();

    // The loaded document plays its own notes.
    const int before = net.notesOn().size();
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(before + 2));
    QCOMPARE(net.notesOn().mid(before, 2), (QList<int>{60, 62}));
}

void TestTransport::syncTypeChangeKeepsGroupsPlaying()
{
    Loop loop(QStringLiteral("C3"), QStringLiteral("D3"));
    PlayedNetwork &net = loop.net;
    QPointer<AbstractSync> oldClock = net.c().sync();
    net.c().requestSetData(Keys::SyncType, QStringLiteral("internal"));
    settle();
    QVERIFY(net.c().sync() != oldClock);
    net.c().requestPlay();
    QVERIFY(net.waitForNotesOn(2));
    QCOMPARE(net.notesOn().mid(0, 2), (QList<int>{60, 62}));
}

void TestTransport::transportFromAnotherThreadDuringResets()
{
    // A MIDI clock follower calls the transport from the driver's thread;
    // resets on this thread meanwhile retire and replace every thread.
    Loop loop(QStringLiteral("C3:96:0.1"), QStringLiteral("D3:96:0.1"), 1200);
    PlayedNetwork &net = loop.net;
    std::atomic<bool> stop{false};
    std::thread follower([&] {
        int i = 0;
        while (!stop.load()) {
            switch (i++ % 3) {
            case 0:
                net.c().requestSetPlayback(true);
                break;
            case 1:
                net.c().requestGotoStart();
                break;
            default:
                net.c().requestPrimePlaybackForSyncStateChange(false);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    for (int i = 0; i < 15; ++i) {
        net.c().reset();
        QCoreApplication::sendPostedEvents();
        QTest::qWait(20);
    }
    stop = true;
    follower.join();
    settle();
    net.c().requestPause();
    QCOMPARE(net.c().voiceGroups().size(), 1);
    QCOMPARE(soundingNotes(net), QSet<int>());
}

QTEST_GUILESS_MAIN(TestTransport)
#include "tst_transport.moc"
