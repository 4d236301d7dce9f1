#include "midi/MidiOutputMessage.h"
#include "QmdVorma/playback/PlaybackEvent.h"
#include "QmdVorma/playback/TimedQueue.h"

#include <QtTest>

#include <atomic>
#include <thread>

using QmdVorma::Ticks;

namespace {

// A message whose key tells which push it was.
MidiOutputMessage tagged(Ticks time, int tag)
{
    return noteOnMessage(time, tag, 100);
}

QVector<int> tags(const std::vector<MidiOutputMessage> &batch)
{
    QVector<int> result;
    for (const MidiOutputMessage &m : batch)
        result << m.data1;
    return result;
}

void fill(TimedQueue<MidiOutputMessage> &queue, int count, Ticks time = 10)
{
    for (int i = 0; i < count; ++i)
        QVERIFY(queue.push(tagged(time, i % 128)));
}

} // namespace

class TestTimedQueue : public QObject
{
    Q_OBJECT
private slots:
    void takesInTimeOrderWithTiesInPushOrder_data();
    void takesInTimeOrderWithTiesInPushOrder();
    void capacityBoundsPushAndPair_data();
    void capacityBoundsPushAndPair();
    void takeDueStopsAtFirstRecordNotDue();
    void takeDueHonoursTheBatchLimit();
    void rawBytesTravelWithTheirMessage();
    void clearEmptiesAndQueueStaysUsable();
    void feedbackEventsKeepTheirFields();
    void concurrentProducersKeepOrderAndLoseNothing();
};

void TestTimedQueue::takesInTimeOrderWithTiesInPushOrder_data()
{
    QTest::addColumn<QVector<Ticks>>("times");
    QTest::addColumn<QVector<int>>("expected"); // push indexes in taking order

    QTest::newRow("ascending") << QVector<Ticks>{1, 2, 3} << QVector<int>{0, 1, 2};
    QTest::newRow("equal times keep push order") << QVector<Ticks>{5, 5, 5} << QVector<int>{0, 1, 2};
    QTest::newRow("earlier goes before queued") << QVector<Ticks>{10, 20, 5} << QVector<int>{2, 0, 1};
    QTest::newRow("tie inserted after its equals")
        << QVector<Ticks>{10, 20, 10, 0, 20} << QVector<int>{3, 0, 2, 1, 4};
}

void TestTimedQueue::takesInTimeOrderWithTiesInPushOrder()
{
    QFETCH(QVector<Ticks>, times);
    QFETCH(QVector<int>, expected);

    TimedQueue<MidiOutputMessage> queue;
    for (int i = 0; i < times.size(); ++i)
        QVERIFY(queue.push(tagged(times[i], i)));

    std::vector<MidiOutputMessage> batch;
    QCOMPARE(queue.takeDue(batch, 32, 1000), times.size());
    QCOMPARE(tags(batch), expected);
    QVERIFY(queue.isEmpty());
}

void TestTimedQueue::capacityBoundsPushAndPair_data()
{
    QTest::addColumn<int>("held");
    QTest::addColumn<bool>("pushOk");
    QTest::addColumn<bool>("pairOk");

    QTest::newRow("998 held") << 998 << true << true;
    QTest::newRow("999 held") << 999 << true << false;
    QTest::newRow("1000 held") << 1000 << false << false;
}

void TestTimedQueue::capacityBoundsPushAndPair()
{
    QFETCH(int, held);
    QFETCH(bool, pushOk);
    QFETCH(bool, pairOk);

    {
        TimedQueue<MidiOutputMessage> queue;
        QCOMPARE(queue.capacity(), 1000);
        fill(queue, held);
        // A refused pair leaves nothing behind, not even its first half.
        QCOMPARE(queue.pushPair(controlChangeMessage(1, 7, 1), controlChangeMessage(1, 39, 2)), pairOk);
        QCOMPARE(queue.size(), held + (pairOk ? 2 : 0));
    }
    {
        TimedQueue<MidiOutputMessage> queue;
        fill(queue, held);
        QCOMPARE(queue.push(tagged(1, 0)), pushOk);
        QCOMPARE(queue.size(), held + (pushOk ? 1 : 0));
    }
}

void TestTimedQueue::takeDueStopsAtFirstRecordNotDue()
{
    TimedQueue<MidiOutputMessage> queue;
    queue.push(tagged(100, 1));
    queue.push(tagged(200, 2));

    std::vector<MidiOutputMessage> batch;
    QCOMPARE(queue.takeDue(batch, 32, 99), 0);
    QVERIFY(batch.empty());

    Ticks next = 0;
    QVERIFY(queue.nextTime(&next));
    QCOMPARE(next, Ticks(100));

    // Due exactly at its time.
    QCOMPARE(queue.takeDue(batch, 32, 150), 1);
    QCOMPARE(tags(batch), QVector<int>{1});
    QCOMPARE(queue.size(), 1);
}

void TestTimedQueue::takeDueHonoursTheBatchLimit()
{
    TimedQueue<MidiOutputMessage> queue;
    for (int i = 0; i < 40; ++i)
        queue.push(tagged(Ticks(i), i));

    std::vector<MidiOutputMessage> batch;
    batch.reserve(32);
    QCOMPARE(queue.takeDue(batch, 32, 1000), 32);
    QCOMPARE(batch.front().data1, quint8(0));
    QCOMPARE(batch.back().data1, quint8(31));
    QCOMPARE(queue.size(), 8);

    // The limit counts what the batch already holds.
    QCOMPARE(queue.takeDue(batch, 32, 1000), 0);
    batch.clear();
    QCOMPARE(queue.takeDue(batch, 32, 1000), 8);
    QCOMPARE(batch.front().data1, quint8(32));
}

void TestTimedQueue::rawBytesTravelWithTheirMessage()
{
    TimedQueue<MidiOutputMessage> queue;
    MidiOutputMessage raw;
    raw.kind = MidiOutputMessage::Raw;
    raw.time = 7;
    raw.bytes = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    QVERIFY(queue.push(raw));
    raw.bytes[1] = 0; // the queue holds its own copy
    std::vector<MidiOutputMessage> batch;
    queue.takeDue(batch, 32, 7);
    QCOMPARE(batch.size(), std::size_t(1));
    QCOMPARE(batch[0].bytes, (std::vector<quint8>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
}

void TestTimedQueue::clearEmptiesAndQueueStaysUsable()
{
    TimedQueue<MidiOutputMessage> queue;
    fill(queue, 1000);
    queue.clear();
    QVERIFY(queue.isEmpty());
    Ticks next = 0;
    QVERIFY(!queue.nextTime(&next));
    fill(queue, 1000, 3);
    std::vector<MidiOutputMessage> batch;
    QCOMPARE(queue.takeDue(batch, 2000, 3), 1000);
}

void TestTimedQueue::feedbackEventsKeepTheirFields()
{
    TimedQueue<PlaybackEvent> queue;
    PlaybackEvent reached;
    reached.kind = PlaybackEvent::VoiceReachedNode;
    reached.time = 665280;
    reached.voiceGroupId = 4;
    reached.voiceId = 24;
    reached.nodeId = 0xFFFFFFF0u;
    reached.instrumentId = 3;
    reached.pitch = 60;
    reached.velocity = 127;
    reached.duration = -1;
    PlaybackEvent noVoice;
    noVoice.kind = PlaybackEvent::NoFreeVoice;
    noVoice.time = 1;
    QVERIFY(queue.push(reached));
    QVERIFY(queue.push(noVoice));

    std::vector<PlaybackEvent> batch;
    QCOMPARE(queue.takeDue(batch, 32, 665280), 2);
    QCOMPARE(batch[0], noVoice);
    QCOMPARE(batch[1], reached);
}

// Producers push from their own threads while one taker drains: every
// record arrives once, and each producer's records leave in its order.
void TestTimedQueue::concurrentProducersKeepOrderAndLoseNothing()
{
    constexpr int Producers = 4;
    constexpr int PerProducer = 3000;
    TimedQueue<MidiOutputMessage> queue;
    std::atomic<int> running{Producers};
    std::vector<std::thread> producers;
    for (int p = 0; p < Producers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < PerProducer;) {
                MidiOutputMessage m = controlChangeMessage(Ticks(i), p, 0);
                m.bytes = {quint8(i >> 7), quint8(i & 0x7F)}; // a sequence number
                if (queue.push(m))
                    ++i;
                else
                    std::this_thread::yield(); // full: the taker catches up
            }
            --running;
        });
    }

    QVector<int> next(Producers, 0);
    std::vector<MidiOutputMessage> batch;
    batch.reserve(32);
    int taken = 0;
    bool ordered = true;
    while (running.load() > 0 || !queue.isEmpty()) {
        batch.clear();
        queue.takeDue(batch, 32, ~Ticks(0));
        for (const MidiOutputMessage &m : batch) {
            const int seq = (m.bytes[0] << 7) | m.bytes[1];
            // A producer's next record may only come after its earlier ones
            // have left.
            ordered = ordered && seq == next[m.data1];
            next[m.data1] = seq + 1;
            ++taken;
        }
    }
    for (std::thread &t : producers)
        t.join();
    QVERIFY(ordered);
    QCOMPARE(taken, Producers * PerProducer);
}

QTEST_GUILESS_MAIN(TestTimedQueue)
#include "tst_timedqueue.moc"
