// Starting and stopping voice groups while the document plays: where a
// quantized start falls, starts with a velocity scale, and MIDI triggering
// with its toggle and hold behaviour.
#include "QmdVorma/playback/PlaybackTestSupport.h"

#include "QmdVorma/playback/MidiSync.h"
#include "midi/Platform.h"

using namespace QmdVorma;

namespace {

// A clock whose real time the test sets.
class ManualSync : public MidiSync
{
public:
    quint64 now = 1;

protected:
    quint64 nowNs() const override { return now; }
};

MidiInputMessage midiMessage(std::initializer_list<quint8> bytes, quint64 receivedNs)
{
    MidiInputMessage m;
    m.bytes = QVector<quint8>(bytes);
    m.receivedNs = receivedNs;
    return m;
}

constexpr quint64 Ms = 1000000;

// A group on a node with a loop through a second node: once started it
// plays until stopped.
struct Triggered
{
    explicit Triggered(const QString &keys = QStringLiteral("C3"))
    {
        node = net.node(0, 0, QStringLiteral("C3:96:4"));
        const QmdItemId other = net.node(2, 0, QStringLiteral("D3:96:1"));
        net.edge(node, other);
        net.edge(other, node);
        group = net.group(node);
        net.set(group, Keys::TriggeringMidiPitchList, keys);
        net.set(group, Keys::TriggeringQuantization, 0);
        net.c().requestSetData(Keys::MidiTriggeringEnabled, true);
        settle();
        net.c().requestPlay();
    }
    bool running() { return net.c().isVoiceGroupRunning(group); }
    QmdRequestId trigger(std::initializer_list<quint8> bytes, quint64 at)
    {
        const QmdRequestId rid = net.c().requestMidiTriggerVoiceGroups(midiMessage(bytes, at), 200);
        settle();
        return rid;
    }

    PlayedNetwork net;
    QmdItemId node = 0;
    QmdItemId group = 0;
};

} // namespace

class TestTrigger : public QObject
{
    Q_OBJECT
private slots:
    void quantizedStarts_data();
    void quantizedStarts();
    void nothingWhileStopped();
    void startAndStopRequests();
    void velocityScaling();
    void triggerTogglesAndHolds();
    void triggerListIsExact_data();
    void triggerListIsExact();
};

void TestTrigger::quantizedStarts_data()
{
    const Ticks P = TicksPerPrincipal;
    QTest::addColumn<uint>("ratioNumerator");
    QTest::addColumn<Ticks>("now");
    QTest::addColumn<int>("quantization");
    QTest::addColumn<Ticks>("expected");
    const Ticks division = P / 4;
    QTest::newRow("none") << 1u << Ticks(1000000) << 0 << Ticks(1000000);
    QTest::newRow("division") << 1u << Ticks(1000000) << 1 << 7 * division;
    QTest::newRow("principal") << 1u << Ticks(1000000) << 2 << 2 * P;
    QTest::newRow("beat at 1:1") << 1u << Ticks(1000000) << 3 << 2 * P;
    QTest::newRow("on a division") << 1u << 6 * division << 1 << 7 * division;
    QTest::newRow("unknown starts at once") << 1u << Ticks(1000000) << 7 << Ticks(0);
    QTest::newRow("beat at 2:1") << 2u << 20 * P << 3 << 22 * P;
    QTest::newRow("principal at 2:1") << 2u << 20 * P << 2 << 21 * P;
}

void TestTrigger::quantizedStarts()
{
    QFETCH(uint, ratioNumerator);
    QFETCH(Ticks, now);
    QFETCH(int, quantization);
    QFETCH(Ticks, expected);
    ManualSync clock;
    clock.setPrincipalsToBeatsNumerator(ratioNumerator);
    clock.setPlaying(true);
    quint64 at = 0;
    QVERIFY(clock.dueTimeNs(now, &at));
    clock.now = at;
    QCOMPARE(clock.currentTicks(), now);
    QCOMPARE(QmdVormaController::quantizedStartTick(quantization, clock, now, TicksPerPrincipal / 4), expected);
}

void TestTrigger::nothingWhileStopped()
{
    PlayedNetwork net;
    const QmdItemId group = net.group(net.node(0, 0, QStringLiteral("C3")));
    net.c().requestSetData(Keys::MidiTriggeringEnabled, true);
    settle();
    QCOMPARE(net.c().requestStartVoiceGroups({group}), 0u);
    QCOMPARE(net.c().requestStopVoiceGroups({group}), 0u);
    QCOMPARE(net.c().requestMidiTriggerVoiceGroups(midiMessage({0x90, 60, 100}, currentTimeNs()), 200), 0u);
    QVERIFY(!net.c().isVoiceGroupRunning(group));
    QVERIFY(net.thread(group)->activeVoiceStates().isEmpty());
}

void TestTrigger::startAndStopRequests()
{
    Triggered t;
    PlayedNetwork &net = t.net;
    QVERIFY(!t.running());
    net.set(t.group, Keys::TriggeringQuantization, 2);
    const Ticks before = net.c().sync()->currentTicks();
    const QmdRequestId rid = net.c().requestStartVoiceGroups({t.node, t.group, 9999});
    QVERIFY(rid != 0 && rid != 0xFFFFFFFFu);
    QVERIFY(t.running());
    // The first voice waits for the next principal.
    const VoiceState first = net.thread(t.group)->activeVoiceStates().value(0);
    QCOMPARE(first.departure % TicksPerPrincipal, Ticks(0));
    QVERIFY(first.departure > before);
    QVERIFY(first.departure <= before + TicksPerPrincipal + net.c().sync()->nsToTicks(500 * Ms));
    QVERIFY(net.waitForNotesOn(1));

    QVERIFY(net.c().requestStopVoiceGroups({t.group}) != 0);
    QVERIFY(!t.running());
    QVERIFY(net.thread(t.group)->activeVoiceStates().isEmpty());
    // The note already started still ends.
    QVERIFY(net.waitForSent(2));
    QCOMPARE(net.sent(), (QStringList{"90 3c 60", "80 3c 00"}));
    QTest::qWait(300);
    QCOMPARE(net.sent().size(), 2);
}

void TestTrigger::velocityScaling()
{
    {
        Triggered t;
        t.net.set(t.group, Keys::TriggeringMidiVelocityScaling, true);
        t.trigger({0x90, 60, 64}, currentTimeNs());
        QVERIFY(t.running());
        QCOMPARE(t.net.thread(t.group)->activeVoiceStates().value(0).velocityScale, 64 / 127.0);
        QVERIFY(t.net.waitForNotesOn(1));
        // 96 x 64 / 127 is 48.4.
        QCOMPARE(t.net.sentWithStatus(0x90).value(0), QStringLiteral("90 3c 30"));
    }
    // Without scaling the key's velocity plays no part.
    Triggered plain;
    plain.net.c().requestStartVoiceGroups({plain.group}, 0.25);
    QVERIFY(plain.net.waitForNotesOn(1));
    QCOMPARE(plain.net.sentWithStatus(0x90).value(0), QStringLiteral("90 3c 60"));
}

void TestTrigger::triggerTogglesAndHolds()
{
    Triggered t;
    const quint64 now = currentTimeNs();
    // A tap (released within 200 ms) starts the group and leaves it playing.
    QVERIFY(t.trigger({0x90, 60, 100}, now) != 0);
    QVERIFY(t.running());
    QCOMPARE(t.trigger({0x80, 60, 0}, now + 100 * Ms), 0u);
    QVERIFY(t.running());
    // The next press stops it; its release does nothing more.
    QVERIFY(t.trigger({0x91, 60, 100}, now + 1000 * Ms) != 0);
    QVERIFY(!t.running());
    QCOMPARE(t.trigger({0x90, 60, 0}, now + 1100 * Ms), 0u);
    QVERIFY(!t.running());
    // A press held longer than the time-out plays only while held.
    t.trigger({0x90, 60, 100}, now + 2000 * Ms);
    QVERIFY(t.running());
    QVERIFY(t.trigger({0x90, 60, 0}, now + 2500 * Ms) != 0);
    QVERIFY(!t.running());

    // Other messages and other keys trigger nothing.
    QCOMPARE(t.trigger({0xB0, 60, 100}, now + 3000 * Ms), 0u);
    QCOMPARE(t.trigger({0xE0, 0, 64}, now + 3000 * Ms), 0u);
    QVERIFY(t.trigger({0x90, 62, 100}, now + 3000 * Ms) != 0);
    QVERIFY(!t.running());
    // Nor anything with triggering switched off.
    t.net.c().requestToggleMidiTriggering();
    settle();
    QCOMPARE(t.trigger({0x90, 60, 100}, now + 4000 * Ms), 0u);
    QVERIFY(!t.running());
}

void TestTrigger::triggerListIsExact_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("reacts");
    QTest::newRow("second of two") << "C3,E3" << true;
    QTest::newRow("space after the comma") << "C3, E3" << false;
    QTest::newRow("lower case") << "e3" << false;
    QTest::newRow("empty items kept") << ",,E3," << true;
}

void TestTrigger::triggerListIsExact()
{
    QFETCH(QString, keys);
    QFETCH(bool, reacts);
    Triggered t(keys);
    t.trigger({0x90, 64, 100}, currentTimeNs());
    QCOMPARE(t.running(), reacts);
}

QTEST_GUILESS_MAIN(TestTrigger)
#include "tst_trigger.moc"
