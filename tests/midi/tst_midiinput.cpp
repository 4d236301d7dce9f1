#include "midi/KeyboardModifierTracker.h"
#include "midi/MidiInput.h"
#include "midi/Platform.h"

#include "MidiTestSupport.h"

#include <QKeyEvent>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

const QString PortName = QStringLiteral("Keys:Keys MIDI 1");
const QString RawName = PortName + QStringLiteral(" 20:0");

QVector<quint8> bytesOf(std::initializer_list<quint8> bytes)
{
    return QVector<quint8>(bytes);
}

} // namespace

class TestMidiInput : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void deliversCopiesOffTheDriverThread();
    void queuedReceiversGetMessagesInArrivalOrder();
    void queueHoldsAtMost1025Messages();
    void ignoredTypes_data();
    void ignoredTypes();
    void portIgnoresOnlyWhatEveryInputIgnores();
    void usersOfOneNameShareOneDevice();
    void closeDropsQueuedMessages();
    void closeWaitsForDeliveryInProgress();
    void closeFromInsideTheHandler();
    void modifiersComeFromTheGuiThread();
    void vanishedPortFailsCleanly();
    void openingAndClosingWhileMessagesFlow();

private:
    std::unique_ptr<ScopedFakeMidi> m_midi;
};

void TestMidiInput::init()
{
    m_midi = std::make_unique<ScopedFakeMidi>();
    (*m_midi)->addPort(MidiDirection::Input, RawName);
    KeyboardModifierTracker::setCurrent(0);
}

void TestMidiInput::cleanup()
{
    m_midi.reset();
}

void TestMidiInput::deliversCopiesOffTheDriverThread()
{
    MidiInput input;
    ReadyReadCounter counter(&input);
    QVERIFY(!input.open("Keys:Other"));
    QVERIFY(input.open(PortName));
    QCOMPARE(input.portName(), PortName);

    const quint64 before = currentTimeNs();
    (*m_midi)->inject(RawName, {0x90, 60, 100}, 0.25);
    QVERIFY(counter.waitFor(1));
    const quint64 after = currentTimeNs();

    const auto messages = counter.messages();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].bytes, bytesOf({0x90, 60, 100}));
    QCOMPARE(messages[0].deltaTime, 0.25);
    QVERIFY(messages[0].receivedNs >= before && messages[0].receivedNs <= after);
    // Handled on the port layer's thread, neither the driver's nor ours.
    QVERIFY(counter.lastThread() != (*m_midi)->driverThreadId());
    QVERIFY(counter.lastThread() != std::this_thread::get_id());
}

// The application lets readyRead() queue to the GUI thread.
void TestMidiInput::queuedReceiversGetMessagesInArrivalOrder()
{
    MidiInput input;
    QVector<MidiInputMessage> taken;
    int announced = 0;
    QObject context;
    connect(&input, &MidiInput::readyRead, &context, [&](MidiInput *from) {
        QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
        ++announced;
        taken += from->takeMessages();
    });
    QVERIFY(input.open(PortName));
    for (quint8 key = 60; key < 63; ++key)
        (*m_midi)->inject(RawName, {0x90, key, 1});
    QTRY_COMPARE(announced, 3);
    QCOMPARE(taken.size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(int(taken[i].bytes[1]), 60 + i);
}

// A queue nobody empties fills up and then loses the newest; every message
// still raises readyRead.
void TestMidiInput::queueHoldsAtMost1025Messages()
{
    MidiInput input;
    ReadyReadCounter counter(&input, false);
    QVERIFY(input.open(PortName));
    constexpr int Sent = 1100;
    for (int i = 0; i < Sent; ++i)
        (*m_midi)->inject(RawName, {0xB0, quint8(i / 128), quint8(i % 128)});
    QVERIFY(counter.waitFor(Sent));
    QCOMPARE(counter.count(), Sent);

    const auto queued = input.takeMessages();
    QCOMPARE(queued.size(), MidiInput::QueueLimit + 1);
    QCOMPARE(queued.last().bytes, bytesOf({0xB0, 1024 / 128, 1024 % 128}));
    QVERIFY(input.takeMessages().isEmpty());
}

void TestMidiInput::ignoredTypes_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QVector<quint8>>("statuses");
    QTest::addColumn<QVector<quint8>>("received");

    const QVector<quint8> all{0x90, 0xF0, 0xF1, 0xF8, 0xF9, 0xFE, 0xFA};
    QTest::newRow("default ignores sysex, timing and sensing") << 7 << all << QVector<quint8>{0x90, 0xFA};
    QTest::newRow("clock follower lets timing through")
        << 5 << all << QVector<quint8>{0x90, 0xF1, 0xF8, 0xF9, 0xFA};
    QTest::newRow("nothing ignored") << 0 << all << all;
    QTest::newRow("sensing only") << 4 << all << QVector<quint8>{0x90, 0xF0, 0xF1, 0xF8, 0xF9, 0xFA};
}

void TestMidiInput::ignoredTypes()
{
    QFETCH(int, flags);
    QFETCH(QVector<quint8>, statuses);
    QFETCH(QVector<quint8>, received);

    MidiInput input;
    QCOMPARE(input.ignoreFlags(), 7);
    input.setIgnoreFlags(flags);
    ReadyReadCounter counter(&input);
    QVERIFY(input.open(PortName));
    QCOMPARE((*m_midi)->deviceIgnoreFlags(RawName), flags);
    for (quint8 status : statuses)
        (*m_midi)->inject(RawName, status == 0xF0 ? std::vector<quint8>{0xF0, 0x01, 0xF7}
                                                  : std::vector<quint8>{status, 0x01});
    QVERIFY(counter.waitFor(received.size()));
    (*m_midi)->waitUntilDelivered();
    QVector<quint8> got;
    for (const auto &m : counter.messages())
        got << m.bytes.front();
    QCOMPARE(got, received);
}

// A clock input (timing wanted) and an entry input (timing ignored) on one
// port: the port lets timing through, the entry input drops it itself.
void TestMidiInput::portIgnoresOnlyWhatEveryInputIgnores()
{
    MidiInput clock, entry;
    clock.setIgnoreFlags(5);
    ReadyReadCounter clockCounter(&clock), entryCounter(&entry);
    QVERIFY(entry.open(PortName));
    QCOMPARE((*m_midi)->deviceIgnoreFlags(RawName), 7);
    QVERIFY(clock.open(PortName));
    QCOMPARE((*m_midi)->deviceIgnoreFlags(RawName), 5);

    (*m_midi)->inject(RawName, {0xF8});
    (*m_midi)->inject(RawName, {0x90, 60, 1});
    QVERIFY(clockCounter.waitFor(2));
    QVERIFY(entryCounter.waitFor(1));
    QCOMPARE(entryCounter.messages().size(), 1);
    QCOMPARE(entryCounter.messages()[0].bytes.front(), quint8(0x90));

    QVERIFY(clock.close());
    QCOMPARE((*m_midi)->deviceIgnoreFlags(RawName), 7);
    entry.setIgnoreFlags(0);
    QCOMPARE((*m_midi)->deviceIgnoreFlags(RawName), 0);
}

void TestMidiInput::usersOfOneNameShareOneDevice()
{
    MidiInput a, b;
    ReadyReadCounter ca(&a), cb(&b);
    QVERIFY(a.open(PortName));
    QVERIFY(b.open(RawName)); // the same port, by a name with numbers
    QCOMPARE((*m_midi)->openDeviceCount(MidiDirection::Input, RawName), 1);

    (*m_midi)->inject(RawName, {0x90, 1, 1});
    QVERIFY(ca.waitFor(1));
    QVERIFY(cb.waitFor(1));

    QVERIFY(a.close());
    (*m_midi)->inject(RawName, {0x90, 2, 1});
    QVERIFY(cb.waitFor(2));
    (*m_midi)->waitUntilDelivered();
    QCOMPARE(ca.count(), 1);
    QCOMPARE((*m_midi)->openDeviceCount(MidiDirection::Input, RawName), 1);

    QVERIFY(b.close());
    QCOMPARE((*m_midi)->openDeviceCount(MidiDirection::Input, RawName), 0);
    QCOMPARE((*m_midi)->totalOpenCount(MidiDirection::Input, RawName), 1);
}

void TestMidiInput::closeDropsQueuedMessages()
{
    MidiInput input;
    ReadyReadCounter counter(&input, false);
    QVERIFY(input.open(PortName));
    (*m_midi)->inject(RawName, {0x90, 1, 1});
    (*m_midi)->inject(RawName, {0x90, 2, 1});
    QVERIFY(counter.waitFor(2));

    QVERIFY(input.close());
    QVERIFY(input.portName().isNull());
    QVERIFY(input.takeMessages().isEmpty());
    QVERIFY(!input.close());

    (*m_midi)->inject(RawName, {0x90, 3, 1});
    (*m_midi)->waitUntilDelivered();
    QVERIFY(input.takeMessages().isEmpty());
    QVERIFY(input.open(PortName));
}

// A receiver connected directly is still running when the owner closes the
// input: close returns only after it has finished, so the receiver never
// runs on a closed (or deleted) input.
void TestMidiInput::closeWaitsForDeliveryInProgress()
{
    auto input = std::make_unique<MidiInput>();
    std::atomic<bool> entered{false}, finished{false};
    QObject::connect(input.get(), &MidiInput::readyRead, [&](MidiInput *) {
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        finished = true;
    });
    QVERIFY(input->open(PortName));
    (*m_midi)->inject(RawName, {0x90, 1, 1});
    QTRY_VERIFY(entered.load());
    input.reset(); // closes
    QVERIFY(finished.load());
}

void TestMidiInput::closeFromInsideTheHandler()
{
    MidiInput input;
    ReadyReadCounter counter(&input);
    counter.setHook([&] { input.close(); });
    QVERIFY(input.open(PortName));
    (*m_midi)->inject(RawName, {0x90, 1, 1});
    QVERIFY(counter.waitFor(1));
    QVERIFY(!input.isOpen());
    QCOMPARE((*m_midi)->openDeviceCount(MidiDirection::Input, RawName), 0);

    counter.setHook({});
    QVERIFY(input.open(PortName));
    (*m_midi)->inject(RawName, {0x90, 2, 1});
    QVERIFY(counter.waitFor(2));
}

void TestMidiInput::modifiersComeFromTheGuiThread()
{
    KeyboardModifierTracker tracker;
    QObject focus;
    MidiInput input;
    ReadyReadCounter counter(&input);
    QVERIFY(input.open(PortName));

    QKeyEvent press(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&focus, &press);
    QCOMPARE(KeyboardModifierTracker::current(), int(Qt::ShiftModifier));
    (*m_midi)->inject(RawName, {0x90, 1, 1});
    QVERIFY(counter.waitFor(1));

    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    QCoreApplication::sendEvent(&focus, &release);
    QCOMPARE(KeyboardModifierTracker::current(), 0);
    (*m_midi)->inject(RawName, {0x90, 2, 1});
    QVERIFY(counter.waitFor(2));

    const auto messages = counter.messages();
    QCOMPARE(messages[0].modifiers, int(Qt::ShiftModifier));
    QCOMPARE(messages[1].modifiers, 0);
}

void TestMidiInput::vanishedPortFailsCleanly()
{
    MidiInput input;
    ReadyReadCounter counter(&input);
    QVERIFY(input.open(PortName));
    (*m_midi)->removePort(MidiDirection::Input, RawName);
    (*m_midi)->inject(RawName, {0x90, 1, 1});
    (*m_midi)->waitUntilDelivered();
    QVERIFY(input.close());
    QCOMPARE(counter.count(), 0);
    QVERIFY(!input.open(PortName));
}

// One input keeps the port while others come and go: it loses nothing.
void TestMidiInput::openingAndClosingWhileMessagesFlow()
{
    MidiInput steady;
    ReadyReadCounter counter(&steady);
    QVERIFY(steady.open(PortName));

    constexpr int Sent = 1000;
    std::thread driver([&] {
        for (int i = 0; i < Sent; ++i) {
            (*m_midi)->inject(RawName, {0x90, quint8(i % 128), 1});
            if (i % 50 == 0)
                std::this_thread::yield();
        }
    });
    for (int i = 0; i < 100; ++i) {
        MidiInput passing;
        passing.setIgnoreFlags(i % 8);
        QVERIFY(passing.open(PortName));
        if (i % 3 == 0)
            passing.takeMessages();
    }
    driver.join();
    QVERIFY(counter.waitFor(Sent));
    QCOMPARE(counter.messages().size(), Sent);
}

QTEST_GUILESS_MAIN(TestMidiInput)
#include "tst_midiinput.moc"
