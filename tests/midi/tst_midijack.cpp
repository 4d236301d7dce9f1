// The port layer against a real MIDI system: the private JACK server that
// scripts/test starts, with virtual ports of this process as test devices.
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "midi/MidiPortNames.h"
#include "midi/Platform.h"
#include "midi/RtMidiBackend.h"

#include "midi/JackTestSupport.h"
#include "MidiTestSupport.h"

#include <QtTest>

#include <RtMidi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>

#include <functional>
#include <mutex>
#include <thread>

namespace {

QBitArray channelOne()
{
    QBitArray bits(16);
    bits.setBit(0);
    return bits;
}

bool inputReceives(VirtualSource &source, std::vector<quint8> bytes, const std::function<bool()> &arrived)
{
    for (int i = 0; i < Attempts; ++i) {
        source.send(bytes);
        if (QTest::qWaitFor(arrived, 500))
            return true;
    }
    return false;
}

int ownPortsListed(MidiDirection direction)
{
    // Our inputs are listed among the ports others can read, and so on.
    const MidiDirection listed =
        direction == MidiDirection::Input ? MidiDirection::Output : MidiDirection::Input;
    int count = 0;
    for (const QString &raw : MidiBackend::current()->portNames(listed))
        count += isOwnMidiPort(raw) ? 1 : 0;
    return count;
}

int ownInputPortsListed()
{
    return ownPortsListed(MidiDirection::Input);
}

} // namespace

class TestMidiJack : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void enumeratesAndFindsPortsByName();
    void sentBytesArrive();
    void inputArrivesWithReceiveStamp();
    void ignoredTimingBytesPassTheirDeltasOn();
    void usersShareOnePortAndOneMayLeave();
    void opensTheNamedPortWhileOthersComeAndGo();
    void threadsOpenAndCloseAtOnce();
    void clientOpensWaitForTheProcessLock();
    void reopensWhileTheOldClientCloses();
    void vanishedPortsFailCleanly();
};

void TestMidiJack::initTestCase()
{
    VORMA_REQUIRE_JACK_SERVER();
    auto backend = std::make_shared<RtMidiBackend>(MidiApiSetting::Jack);
    QCOMPARE(backend->api(), MidiDriverApi::Jack);
    QCOMPARE(backend->apiName(), QStringLiteral("jack"));
    MidiBackend::setCurrent(backend);
}

void TestMidiJack::cleanupTestCase()
{
    MidiBackend::setCurrent(nullptr);
}

void TestMidiJack::enumeratesAndFindsPortsByName()
{
    VirtualSink sink("EnumSink");
    VirtualSource source("EnumSource");
    QVERIFY(midiOutputPortNameSet().contains(sink.name));
    QVERIFY(midiInputPortNameSet().contains(source.name));
    QVERIFY(!midiOutputPortNameSet().contains(source.name));

    // Other test programs add and remove ports on the same server, so the
    // index holds only until the next change; one quiet pair of lookups shows
    // that it points at the port found.
    int index = -1;
    bool indexMatches = false;
    for (int i = 0; i < Attempts && !indexMatches; ++i) {
        QVERIFY(findMidiOutputPort(sink.name, &index));
        const QStringList names = midiPortNames(MidiDirection::Output);
        indexMatches = index < names.size() && names.at(index) == sink.name;
    }
    QVERIFY(indexMatches);
    QVERIFY(findMidiInputPort(source.name, &index));
    QVERIFY(!findMidiOutputPort(sink.name + "x", &index));
}

void TestMidiJack::sentBytesArrive()
{
    VirtualSink sink("Sink");
    MidiOutput output;
    output.setChannels(channelOne());
    QVERIFY(output.open(sink.name));
    QCOMPARE(output.portName(), sink.name);
    QVERIFY(sinkReceives(
        sink, [&] { QVERIFY(output.sendMessages({programChangeMessage(0, 4, 1, 2), noteOnMessage(0, 60, 100)})); },
        {"b0 00 01", "b0 20 02", "c0 04", "90 3c 64"}));

    // Closing silences the held note before the port goes.
    QVERIFY(output.close());
    QVERIFY(sinkReceives(
        sink,
        [&] {
            QVERIFY(output.open(sink.name));
            QVERIFY(output.sendMessages({noteOnMessage(0, 62, 100)}));
            QVERIFY(output.close());
        },
        {"90 3e 64", "80 3e 00"}));
}

void TestMidiJack::inputArrivesWithReceiveStamp()
{
    VirtualSource source("Source");
    MidiInput input;
    ReadyReadCounter counter(&input);
    QVERIFY(input.open(source.name));
    // This process's own input port is not offered as an output.
    QVERIFY(ownInputPortsListed() >= 1);
    for (const QString &name : midiOutputPortNameSet())
        QVERIFY2(!name.startsWith(ownMidiClientName(MidiDirection::Input)), qPrintable(name));

    const quint64 before = currentTimeNs();
    QVERIFY(inputReceives(source, {0x90, 64, 90}, [&] { return counter.count() > 0; }));
    const quint64 after = currentTimeNs();
    const MidiInputMessage message = counter.messages().at(0);
    QCOMPARE(message.bytes, (QVector<quint8>{0x90, 64, 90}));
    QVERIFY(message.receivedNs >= before && message.receivedNs <= after);
}

void TestMidiJack::ignoredTimingBytesPassTheirDeltasOn()
{
    // A clock the input ignores still took time: the next message's delta
    // counts from the last message passed on, so the deltas add up to the
    // driver's own time (tempo following sums them).
    VirtualSource source("Source");
    MidiInput input;
    ReadyReadCounter counter(&input);
    QVERIFY(input.open(source.name));
    QVERIFY(input.ignoreFlags() & MidiIgnoreTiming);
    QVERIFY(inputReceives(source, {0x90, 64, 90}, [&] { return counter.count() > 0; }));

    constexpr int Clocks = 5;
    constexpr auto Spacing = std::chrono::milliseconds(20);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const quint8 velocity = quint8(1 + attempt);
        for (int k = 0; k < Clocks; ++k) {
            std::this_thread::sleep_for(Spacing);
            source.send({0xF8});
        }
        std::this_thread::sleep_for(Spacing);
        source.send({0x90, 65, velocity});
        const QVector<quint8> expected{0x90, 65, velocity};
        auto arrived = [&] {
            const QVector<MidiInputMessage> messages = counter.messages();
            return std::any_of(messages.begin(), messages.end(),
                               [&](const MidiInputMessage &m) { return m.bytes == expected; });
        };
        if (!QTest::qWaitFor(arrived, 500))
            continue;
        for (const MidiInputMessage &m : counter.messages()) {
            QVERIFY2(m.bytes.isEmpty() || m.bytes[0] != 0xF8, "an ignored clock was passed on");
            if (m.bytes == expected)
                QVERIFY2(m.deltaTime >= 0.1, qPrintable(QString::number(m.deltaTime)));
        }
        return;
    }
    QFAIL("the note after the clocks never arrived");
}

void TestMidiJack::usersShareOnePortAndOneMayLeave()
{
    VirtualSource source("SharedSource");
    VirtualSink sink("SharedSink");
    const int ownBefore = ownInputPortsListed();
    {
        MidiInput a, b;
        ReadyReadCounter ca(&a), cb(&b);
        QVERIFY(a.open(source.name));
        QVERIFY(b.open(source.name));
        QCOMPARE(ownInputPortsListed(), ownBefore + 1); // one client for both
        QVERIFY(inputReceives(source, {0xB0, 1, 2}, [&] { return ca.count() > 0 && cb.count() > 0; }));
        QVERIFY(a.close());
        const int left = ca.count();
        const int stayed = cb.count();
        QVERIFY(inputReceives(source, {0xB0, 1, 3}, [&] { return cb.count() > stayed; }));
        QCOMPARE(ca.count(), left);
    }
    QTRY_COMPARE(ownInputPortsListed(), ownBefore);

    MidiOutput x, y;
    x.setChannels(channelOne());
    y.setChannels(channelOne());
    QVERIFY(x.open(sink.name));
    QVERIFY(y.open(sink.name));
    QVERIFY(x.close());
    QVERIFY(sinkReceives(sink, [&] { QVERIFY(y.sendMessages({controlChangeMessage(0, 7, 100)})); },
                         {"b0 07 64"}));
}

// Ports are opened by their place in a list that other programs change at
// any time: ports listed before ours come and go, one at a time, in another
// program while ours is opened again and again, and every open must reach
// our port.
void TestMidiJack::opensTheNamedPortWhileOthersComeAndGo()
{
    QProcess churn;
    churn.start(QStringLiteral(VORMA_PORT_CHURN), {deviceClient("Churn"), QStringLiteral("3")});
    QVERIFY2(churn.waitForReadyRead(10000), qPrintable(churn.readAllStandardError()));
    QCOMPARE(churn.readLine().trimmed(), QByteArray("ready"));
    VirtualSink target("Target");
    int reached = 0;
    int opened = 0;
    for (int i = 0; i < 40; ++i) {
        MidiOutput output;
        output.setChannels(channelOne());
        if (!output.open(target.name))
            continue;
        ++opened;
        if (sinkReceives(target, [&] { output.sendMessages({noteOnMessage(0, 60, 100)}); }, {"90 3c 64"}))
            ++reached;
        else
            break;
    }
    churn.closeWriteChannel();
    QVERIFY(churn.waitForFinished(10000));
    QCOMPARE(churn.exitStatus(), QProcess::NormalExit);
    QVERIFY2(churn.exitCode() == 0, churn.readAllStandardError().constData());
    QVERIFY2(opened == 40 && reached == opened,
             qPrintable(QStringLiteral("%1 of %2 opens reached the port").arg(reached).arg(opened)));
}

// The program opens and closes ports on several threads (the user
// interface, the MIDI input relay, output threads after a failed send, the
// reaper of closed clients); libjack crashes when two threads of a process
// open or close clients at the same time. Below the sharing of ports by
// name, which lets one open of a direction run at a time, threads open and
// close real ports at once: every open must succeed, and nothing may hang.
void TestMidiJack::threadsOpenAndCloseAtOnce()
{
    constexpr int Threads = 4;
    constexpr quint64 RunNs = 2000000000ull;
    std::vector<std::unique_ptr<VirtualSink>> sinks;
    std::vector<std::unique_ptr<VirtualSource>> sources;
    for (int t = 0; t < Threads; ++t) {
        const QByteArray role = "Threads" + QByteArray::number(t);
        sinks.push_back(std::make_unique<VirtualSink>((role + "Out").constData()));
        sources.push_back(std::make_unique<VirtualSource>((role + "In").constData()));
    }
    const std::shared_ptr<MidiBackend> backend = MidiBackend::current();
    struct : MidiInputSink
    {
        void driverMessage(double, const unsigned char *, std::size_t) override {}
    } sink;
    std::atomic<int> rounds{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> threads;
    const quint64 end = currentTimeNs() + RunNs;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&, t] {
            const QString outClient = ownMidiClientName(MidiDirection::Output);
            const QString inClient = ownMidiClientName(MidiDirection::Input);
            while (currentTimeNs() < end) {
                const auto output = backend->openOutput(sinks[t]->name, outClient);
                const auto input = backend->openInput(sources[t]->name, inClient, MidiIgnoreDefault, &sink);
                failed += (output ? 0 : 1) + (input ? 0 : 1);
                ++rounds;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    QCOMPARE(failed.load(), 0);
    QVERIFY(rounds.load() >= Threads);
}

// libjack is not safe against clients opened and closed at once from several
// threads, so every open waits for the one process-wide client lock. Holding
// it here shows that an open really does wait, which a race cannot show.
void TestMidiJack::clientOpensWaitForTheProcessLock()
{
    VirtualSink target("LockedSink");
    const std::shared_ptr<MidiBackend> backend = MidiBackend::current();
    std::atomic<bool> done{false};
    bool opened = false;
    std::thread opener;
    bool openedWhileHeld = false;
    {
        std::lock_guard<std::mutex> held(RtMidiBackend::clientMutex());
        opener = std::thread([&] {
            opened = backend->openOutput(target.name, ownMidiClientName(MidiDirection::Output)) != nullptr;
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        openedWhileHeld = done.load();
    }
    opener.join();
    QVERIFY2(!openedWhileHeld, "a client was opened while another thread held the client lock");
    QVERIFY(done.load());
    QVERIFY(opened);
}

// Closing an output does not wait for its client to close (a window closing
// many ports would wait for each), the name can be opened again while that
// client still closes, and the new client plays. Before it exits the program
// waits until closed ports are gone.
void TestMidiJack::reopensWhileTheOldClientCloses()
{
    VirtualSink target("ReopenSink");
    MidiOutput output;
    output.setChannels(channelOne());
    MidiBackend::finishClosing(); // what the tests before closed
    const int ownBefore = ownPortsListed(MidiDirection::Output);
    QVERIFY(output.open(target.name));
    QCOMPARE(ownPortsListed(MidiDirection::Output), ownBefore + 1);

    // While the process lock is held, no client can close.
    std::mutex m;
    std::condition_variable changed;
    bool held = false;
    std::thread holder([&] {
        std::lock_guard<std::mutex> clients(RtMidiBackend::clientMutex());
        {
            std::lock_guard<std::mutex> lock(m);
            held = true;
        }
        changed.notify_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    {
        std::unique_lock<std::mutex> lock(m);
        changed.wait(lock, [&] { return held; });
    }
    const quint64 start = currentTimeNs();
    const bool closed = output.close();
    const quint64 closeNs = currentTimeNs() - start;
    const int listedWhileClosing = ownPortsListed(MidiDirection::Output);
    const bool reopened = output.open(target.name);
    const int listedAfterReopen = ownPortsListed(MidiDirection::Output);
    holder.join();
    QVERIFY(closed);
    QVERIFY2(closeNs < 150000000ull, qPrintable(QStringLiteral("close took %1 ms").arg(closeNs / 1e6)));
    QCOMPARE(listedWhileClosing, ownBefore + 1);
    QVERIFY(reopened);
    // The old port had closed before the new one opened: linked to the
    // same port, it would have passed for the new one.
    QCOMPARE(listedAfterReopen, ownBefore + 1);
    QVERIFY(sinkReceives(target, [&] { output.sendMessages({noteOnMessage(0, 60, 100)}); }, {"90 3c 64"}));

    // What the program waits for before it exits.
    QVERIFY(output.close());
    MidiBackend::finishClosing();
    QCOMPARE(ownPortsListed(MidiDirection::Output), ownBefore);
}

// A device unplugged while its port is open: nothing throws or crashes,
// closing works, and the name can no longer be opened.
void TestMidiJack::vanishedPortsFailCleanly()
{
    MidiOutput output;
    output.setChannels(channelOne());
    MidiInput input;
    {
        VirtualSink sink("GoneSink");
        VirtualSource source("GoneSource");
        QVERIFY(output.open(sink.name));
        QVERIFY(input.open(source.name));
    }
    const QString sinkName = output.portName();
    QTRY_VERIFY(!midiOutputPortNameSet().contains(sinkName));
    output.sendMessages({noteOnMessage(0, 60, 100)}); // may or may not report
    QVERIFY(output.close());
    QVERIFY(!output.open(sinkName));
    QVERIFY(input.close());
    QVERIFY(!input.open(deviceClient("GoneSource") + ":source"));
}

QTEST_GUILESS_MAIN(TestMidiJack)
#include "tst_midijack.moc"
