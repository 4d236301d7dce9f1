// MIDI instruments through the fake MIDI system: due messages on every
// enabled channel, program change with bank select, following the
// instrument's keys, falling back to the default port, failed sends, and
// the silencing guarantees of pausing and channel changes.
#include "QmdVorma/playback/InstrumentTestSupport.h"

#include "QmdVorma/playback/MidiSync.h"

#include <QtTest>

#include <atomic>
#include <thread>

using namespace QmdVorma;

namespace {

const QString SynthA = QStringLiteral("Synth A");
const QString SynthB = QStringLiteral("Synth B 2");
const QString Other = QStringLiteral("Other Out");

constexpr quint64 Ms = 1000000ull;

// A document with one instrument, attached and settled, on a fake MIDI
// system with the given output ports.
class Rig
{
public:
    explicit Rig(const InstrumentEntry &entry, const QStringList &ports = {SynthA})
    {
        for (const QString &port : ports)
            midi->addPort(MidiDirection::Output, port);
        id = addInstrumentEntry(doc, entry);
        doc.attach();
    }

    QmdVormaController &controller() { return doc.controller; }
    MidiInstrument *instrument() { return instrumentThread(doc.controller, id); }
    AbstractSync *sync() { return doc.controller.sync(); }
    QString storedPort() { return doc.controller.instrumentData(id, Keys::MidiPort).toString(); }

    void setKey(const QString &key, const QVariant &value)
    {
        doc.controller.requestSetData(key, value, doc.controller.instrumentIndex(id));
        settle();
    }

    ScopedFakeMidi midi; // outlives the document's threads
    VormaDocument doc;
    QmdItemId id = 0;
};

// Counts the announced changes of `MidiPort` of any instrument, for the
// lifetime of the controller.
const int &countPortChanges(QmdVormaController &controller)
{
    auto *count = new int(0);
    QObject::connect(&controller, &QmdVormaController::instrumentDataEffected, &controller,
                     [count](QmdItemId, const QStringList &keys) { *count += keys.contains(Keys::MidiPort); });
    QObject::connect(&controller, &QObject::destroyed, [count] { delete count; });
    return *count;
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

class TestInstrument : public QObject
{
    Q_OBJECT
private slots:
    void sendsDueMessagesOnEachEnabledChannel();
    void sendsNothingBeforeItsTick();
    void sendsEverythingDueInOrder();
    void withoutClockOrWhilePausedNothingIsSent();
    void programChangeWithBankSelectOnPlay_data();
    void programChangeWithBankSelectOnPlay();
    void programChangeFollowsItsKeys();
    void portChangeReopensUnderTheNewName();
    void missingPortFallsBackToTheDefault();
    void missingPortWithNoPortsAtAllKeepsItsName();
    void failedSendPausesClosesAndClearsThePort();
    void vanishedPortLeavesNoRequestLoop();
    void resetEmptiesTheQueueAndKeepsThePort();
    void pauseAndWaitLeavesNoNoteOnAfterTheNoteOffs();
    void channelChangeSilencesTheOldChannels();
    void instrumentOfItsOwnIgnoresDocuments();
};

void TestInstrument::sendsDueMessagesOnEachEnabledChannel()
{
    Rig rig({SynthA, {0, 2, 15}});
    MidiInstrument *instrument = rig.instrument();
    QVERIFY(instrument);
    QCOMPARE(instrument->portName(), SynthA);
    startPlaying(rig.controller(), instrument);

    QVERIFY(instrument->queueMessage(noteOnMessage(rig.sync()->currentTicks(), 60, 100)));
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 3));
    QCOMPARE(sentHex(rig.midi, SynthA), (QStringList{"90 3c 64", "92 3c 64", "9f 3c 64"}));

    // Raw bytes go once, as they are.
    MidiOutputMessage raw;
    raw.kind = MidiOutputMessage::Raw;
    raw.time = rig.sync()->currentTicks();
    raw.bytes = {0xF0, 0x7E, 0xF7};
    QVERIFY(rig.controller().queueMidiMessage(rig.id, raw));
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 4));
    QCOMPARE(sentHex(rig.midi, SynthA, 3), QStringList{"f0 7e f7"});
}

void TestInstrument::sendsNothingBeforeItsTick()
{
    Rig rig({SynthA, {0}});
    MidiInstrument *instrument = rig.instrument();
    startPlaying(rig.controller(), instrument);
    AbstractSync *sync = rig.sync();

    QVector<Ticks> ticks;
    for (int i = 0; i < 5; ++i) {
        ticks << sync->currentTicks() + sync->nsToTicks((100 + 20 * i) * Ms);
        QVERIFY(instrument->queueMessage(noteOnMessage(ticks.last(), 60 + i, 100)));
    }
    // The thread sleeps toward the first of them; a faster tempo must wake
    // it, since everything now comes sooner.
    quint64 firstDueBefore = 0;
    QVERIFY(sync->dueTimeNs(ticks.first(), &firstDueBefore));
    sync->setTempo(240);
    QVector<quint64> due;
    for (Ticks t : qAsConst(ticks)) {
        quint64 ns = 0;
        QVERIFY(sync->dueTimeNs(t, &ns));
        due << ns;
    }
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 5));
    QCOMPARE(sentHex(rig.midi, SynthA), (QStringList{"90 3c 64", "90 3d 64", "90 3e 64", "90 3f 64", "90 40 64"}));
    const auto sent = rig.midi->sentMessages(SynthA);
    for (int i = 0; i < sent.size(); ++i)
        QVERIFY2(sent[i].sentNs >= due[i], qPrintable(QString::number(i)));
    QVERIFY(due[0] + 40 * Ms < firstDueBefore);
    QVERIFY(sent[0].sentNs < firstDueBefore);
}

void TestInstrument::sendsEverythingDueInOrder()
{
    Rig rig({SynthA, {0}});
    MidiInstrument *instrument = rig.instrument();
    const Ticks now = rig.sync()->currentTicks();
    QStringList expected;
    for (int i = 0; i < 40; ++i) {
        QVERIFY(instrument->queueMessage(controlChangeMessage(now, 7, i)));
        expected << QStringLiteral("b0 07 %1").arg(i, 2, 16, QLatin1Char('0'));
    }
    startPlaying(rig.controller(), instrument);
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 40));
    QCOMPARE(sentHex(rig.midi, SynthA), expected);
    QVERIFY(instrument->outputQueue().isEmpty());
}

void TestInstrument::withoutClockOrWhilePausedNothingIsSent()
{
    Rig rig({SynthA, {0}});
    MidiInstrument *instrument = rig.instrument();
    startPlaying(rig.controller(), instrument);
    instrument->pauseAndWait();
    QVERIFY(instrument->queueMessage(noteOnMessage(0, 60, 100)));
    sleepMs(30);
    QVERIFY(sentHex(rig.midi, SynthA).isEmpty());
    QCOMPARE(instrument->outputQueue().size(), 1);

    AbstractSync *clock = rig.sync();
    instrument->setSync(nullptr);
    instrument->play();
    sleepMs(30);
    QVERIFY(sentHex(rig.midi, SynthA).isEmpty());

    instrument->setSync(clock);
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 1));
}

void TestInstrument::programChangeWithBankSelectOnPlay_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("msb");
    QTest::addColumn<int>("lsb");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("program 1, banks 0 and 0")
        << 1 << 0 << 0 << QStringList{"b0 00 00", "b0 20 00", "c0 00", "b3 00 00", "b3 20 00", "c3 00"};
    QTest::newRow("program 12, banks 1 and 2")
        << 12 << 1 << 2 << QStringList{"b0 00 01", "b0 20 02", "c0 0b", "b3 00 01", "b3 20 02", "c3 0b"};
    // Values a file can hold outside the range stay valid data bytes.
    QTest::newRow("out of range")
        << 300 << -4 << 200 << QStringList{"b0 00 00", "b0 20 7f", "c0 7f", "b3 00 00", "b3 20 7f", "c3 7f"};
}

void TestInstrument::programChangeWithBankSelectOnPlay()
{
    QFETCH(int, program);
    QFETCH(int, msb);
    QFETCH(int, lsb);
    QFETCH(QStringList, expected);

    InstrumentEntry entry{SynthA, {0, 3}};
    entry.programChange = true;
    entry.program = program;
    entry.bankMsb = msb;
    entry.bankLsb = lsb;
    Rig rig(entry);
    // Binding to the document already sent it once.
    QCOMPARE(sentHex(rig.midi, SynthA), expected);
    rig.midi->clearSentMessages(SynthA);

    startPlaying(rig.controller(), rig.instrument());
    QCOMPARE(sentHex(rig.midi, SynthA), expected);
}

void TestInstrument::programChangeFollowsItsKeys()
{
    Rig rig({SynthA, {0}});
    rig.setKey(Keys::MidiProgram, 5);
    rig.setKey(Keys::MidiBankMSB, 3);
    QVERIFY(sentHex(rig.midi, SynthA).isEmpty()); // program change is off

    rig.setKey(Keys::MidiDoProgramChange, true);
    QCOMPARE(sentHex(rig.midi, SynthA), (QStringList{"b0 00 03", "b0 20 00", "c0 04"}));

    rig.midi->clearSentMessages(SynthA);
    rig.setKey(Keys::MidiChannels, channelBits({1}));
    QCOMPARE(sentHex(rig.midi, SynthA), (QStringList{"b1 00 03", "b1 20 00", "c1 04"}));

    rig.midi->clearSentMessages(SynthA);
    rig.setKey(Keys::MidiDoProgramChange, false);
    rig.setKey(Keys::MidiProgram, 9);
    QVERIFY(sentHex(rig.midi, SynthA).isEmpty());
}

void TestInstrument::portChangeReopensUnderTheNewName()
{
    Rig rig({SynthA, {0}}, {SynthA, SynthB});
    QCOMPARE(rig.midi->openDeviceCount(MidiDirection::Output, SynthA), 1);
    rig.setKey(Keys::MidiPort, SynthB);
    MidiInstrument *instrument = rig.instrument();
    QCOMPARE(instrument->portName(), SynthB);
    QCOMPARE(rig.midi->openDeviceCount(MidiDirection::Output, SynthA), 0);
    QCOMPARE(rig.midi->openDeviceCount(MidiDirection::Output, SynthB), 1);
    QCOMPARE(rig.storedPort(), SynthB);
}

void TestInstrument::missingPortFallsBackToTheDefault()
{
    // The default is the first port, in natural order, whose name holds
    // "synth".
    Rig rig({QStringLiteral("Gone"), {0}}, {Other, SynthB});
    QCOMPARE(rig.storedPort(), SynthB);
    QCOMPARE(rig.instrument()->portName(), SynthB);
    QVERIFY(!rig.controller().canUndo());
}

void TestInstrument::missingPortWithNoPortsAtAllKeepsItsName()
{
    InstrumentEntry entry{QStringLiteral("Gone"), {0}};
    entry.programChange = true; // its send fails: no port is open
    Rig rig(entry, {});
    const int &changes = countPortChanges(rig.controller());
    startPlaying(rig.controller(), rig.instrument());
    settle();
    QCOMPARE(rig.storedPort(), QStringLiteral("Gone"));
    QVERIFY(!rig.instrument()->isOpen());
    QCOMPARE(changes, 0);

    // When the port comes, a reset finds it.
    rig.midi->addPort(MidiDirection::Output, QStringLiteral("Gone"));
    rig.instrument()->reset();
    QCOMPARE(rig.instrument()->portName(), QStringLiteral("Gone"));
}

void TestInstrument::failedSendPausesClosesAndClearsThePort()
{
    Rig rig({SynthA, {0}});
    MidiInstrument *instrument = rig.instrument();
    startPlaying(rig.controller(), instrument);
    const int &changes = countPortChanges(rig.controller());

    rig.midi->setSendFailure(SynthA, true);
    QVERIFY(instrument->queueMessage(noteOnMessage(rig.sync()->currentTicks(), 60, 100)));
    QTRY_COMPARE(instrument->state(), int(AbstractOutputThread::Paused));
    QTRY_VERIFY(changes >= 1);
    settle();

    // The cleared name brought the default port back, which is the same
    // one: it is open again and named in the document, without an undo
    // step.
    QCOMPARE(rig.storedPort(), SynthA);
    QCOMPARE(instrument->portName(), SynthA);
    QVERIFY(rig.midi->totalOpenCount(MidiDirection::Output, SynthA) > 1);
    QVERIFY(!rig.controller().canUndo());
    QCOMPARE(changes, 2); // cleared, then the default

    // The batch is lost and the instrument stays paused until played.
    rig.midi->setSendFailure(SynthA, false);
    QVERIFY(instrument->queueMessage(noteOnMessage(rig.sync()->currentTicks(), 61, 100)));
    sleepMs(30);
    QVERIFY(sentHex(rig.midi, SynthA).isEmpty());
    instrument->play();
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 1));
    QCOMPARE(sentHex(rig.midi, SynthA), QStringList{"90 3d 64"});
}

void TestInstrument::vanishedPortLeavesNoRequestLoop()
{
    Rig rig({SynthA, {0}});
    MidiInstrument *instrument = rig.instrument();
    startPlaying(rig.controller(), instrument);
    const int &changes = countPortChanges(rig.controller());

    rig.midi->removePort(MidiDirection::Output, SynthA);
    QVERIFY(instrument->queueMessage(noteOnMessage(rig.sync()->currentTicks(), 60, 100)));
    QTRY_COMPARE(instrument->state(), int(AbstractOutputThread::Paused));
    QTRY_COMPARE(changes, 1);
    for (int i = 0; i < 5; ++i)
        settle();
    // Cleared once; with no port left nothing replaces the empty name.
    QCOMPARE(changes, 1);
    QCOMPARE(rig.storedPort(), QString());
    QVERIFY(!instrument->isOpen());
}

// Going to the start keeps the port open, so its client and the links
// users made to it stay; the held notes are silenced and the program is
// sent again on it each time. Only a port that no longer reaches its device
// is opened afresh.
void TestInstrument::resetEmptiesTheQueueAndKeepsThePort()
{
    InstrumentEntry entry{SynthA, {0}};
    entry.programChange = true;
    entry.program = 5;
    Rig rig(entry);
    MidiInstrument *instrument = rig.instrument();
    startPlaying(rig.controller(), instrument);
    const Ticks now = rig.sync()->currentTicks();
    QVERIFY(instrument->queueMessagePair(noteOnMessage(now, 60, 100),
                                         noteOffMessage(now + rig.sync()->nsToTicks(3600000 * Ms), 60, 0)));
    QTRY_VERIFY(sentHex(rig.midi, SynthA).contains("90 3c 64"));
    QCOMPARE(instrument->outputQueue().size(), 1);
    const QStringList program{"b0 00 00", "b0 20 00", "c0 04"};

    rig.midi->clearSentMessages(SynthA);
    instrument->reset();
    QVERIFY(instrument->outputQueue().isEmpty());
    QCOMPARE(sentHex(rig.midi, SynthA), QStringList{"80 3c 00"} + program);
    rig.midi->clearSentMessages(SynthA);
    instrument->reset();
    QCOMPARE(sentHex(rig.midi, SynthA), program);
    QCOMPARE(rig.midi->totalOpenCount(MidiDirection::Output, SynthA), 1);
    QCOMPARE(instrument->portName(), SynthA);

    // Unplugged and plugged in again: the same name, a new port.
    rig.midi->removePort(MidiDirection::Output, SynthA);
    rig.midi->addPort(MidiDirection::Output, SynthA);
    instrument->reset();
    QCOMPARE(rig.midi->openDeviceCount(MidiDirection::Output, SynthA), 1);
    QCOMPARE(sentHex(rig.midi, SynthA), program);
}

void TestInstrument::pauseAndWaitLeavesNoNoteOnAfterTheNoteOffs()
{
    Rig rig({SynthA, {0}});
    MidiInstrument *instrument = rig.instrument();
    AbstractSync *sync = rig.sync();
    startPlaying(rig.controller(), instrument);

    std::atomic<bool> stop{false};
    std::thread producer([&] {
        int key = 0;
        while (!stop.load()) {
            instrument->queueMessage(noteOnMessage(sync->currentTicks(), key, 100));
            key = (key + 1) % 128;
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 30; ++round) {
        sleepMs(2);
        instrument->pauseAndWait();
        const int count = rig.midi->sentMessages(SynthA).size();
        QVERIFY(instrument->heldNotes().empty());
        // Every key's last message is its note-off.
        QHash<QString, QString> last;
        for (const QString &hex : sentHex(rig.midi, SynthA))
            last.insert(hex.mid(3, 2), hex.left(2));
        for (auto it = last.cbegin(); it != last.cend(); ++it)
            QVERIFY2(it.value() == QLatin1String("80"), qPrintable(it.key()));
        sleepMs(1);
        QCOMPARE(rig.midi->sentMessages(SynthA).size(), count);
        instrument->play();
    }
    stop = true;
    producer.join();
}

void TestInstrument::channelChangeSilencesTheOldChannels()
{
    Rig rig({SynthA, {0, 1}});
    MidiInstrument *instrument = rig.instrument();
    startPlaying(rig.controller(), instrument);
    const Ticks now = rig.sync()->currentTicks();
    QVERIFY(instrument->queueMessagePair(noteOnMessage(now, 60, 100),
                                         noteOffMessage(now + rig.sync()->nsToTicks(3600000 * Ms), 60, 0)));
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 2));

    rig.setKey(Keys::MidiChannels, channelBits({2}));
    QCOMPARE(sentHex(rig.midi, SynthA), (QStringList{"90 3c 64", "91 3c 64", "80 3c 00", "81 3c 00"}));
    QVERIFY(instrument->heldNotes().empty());

    instrument->queueMessage(noteOnMessage(rig.sync()->currentTicks(), 62, 90));
    QVERIFY(rig.midi->waitForSentMessages(SynthA, 5));
    QCOMPARE(sentHex(rig.midi, SynthA, 4), QStringList{"92 3e 5a"});
}

void TestInstrument::instrumentOfItsOwnIgnoresDocuments()
{
    // The application's thru instrument: id 0, no document, its own clock.
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, SynthA);
    VormaDocument doc;
    doc.attach();
    MidiSync clock;
    clock.setPlaying(true);
    MidiInstrument thru(0);
    thru.onInstrumentDataEffected(0, {Keys::MidiPort}, 0);
    QVERIFY(!thru.isOpen());
    QVERIFY(thru.open(SynthA));
    thru.setChannels(channelBits({4}));
    thru.setSync(&clock);
    thru.start();
    thru.play();

    MidiOutputMessage raw;
    raw.kind = MidiOutputMessage::Raw;
    raw.time = clock.currentTicks();
    raw.bytes = {0x94, 0x40, 0x50};
    QVERIFY(thru.queueMessage(raw));
    QVERIFY(midi->waitForSentMessages(SynthA, 1));
    QCOMPARE(sentHex(midi, SynthA), QStringList{"94 40 50"});

    // A failed send pauses and closes; there is no document to change.
    midi->setSendFailure(SynthA, true);
    raw.time = clock.currentTicks();
    QVERIFY(thru.queueMessage(raw));
    QTRY_COMPARE(thru.state(), int(AbstractOutputThread::Paused));
    QTRY_VERIFY(!thru.isOpen());
}

QTEST_GUILESS_MAIN(TestInstrument)
#include "tst_instrument.moc"
