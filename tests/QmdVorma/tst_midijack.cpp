// The port layer against a real MIDI system: the private JACK server that
// scripts/test starts, with virtual ports of this process as test devices.
#include "QmdVorma/MidiInput.h"
#include "QmdVorma/MidiOutput.h"
#include "QmdVorma/MidiPortNames.h"
#include "QmdVorma/Platform.h"
#include "QmdVorma/RtMidiBackend.h"

#include "MidiTestSupport.h"

#include <QtTest>

#include <RtMidi.h>

#if defined(__SANITIZE_THREAD__)
#define VORMA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VORMA_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define VORMA_LEAK_CHECKS 1
#endif

namespace {

QString deviceClient(const char *role)
{
    return QStringLiteral("VormaTest%1%2").arg(QCoreApplication::applicationPid()).arg(role);
}

// A destination other programs can send to.
class VirtualSink
{
public:
    explicit VirtualSink(const char *role)
        : m_port(RtMidi::UNIX_JACK, deviceClient(role).toStdString())
        , name(deviceClient(role) + QStringLiteral(":sink"))
    {
        m_port.ignoreTypes(false, false, false);
        m_port.setCallback(&VirtualSink::onMessage, this);
        m_port.openVirtualPort("sink");
    }

    bool waitFor(int count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return int(m_received.size()) >= count; });
    }
    std::vector<std::vector<quint8>> received()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    static void onMessage(double, std::vector<unsigned char> *message, void *self)
    {
        auto *sink = static_cast<VirtualSink *>(self);
        std::lock_guard<std::mutex> lock(sink->m_mutex);
        sink->m_received.emplace_back(message->begin(), message->end());
        sink->m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::vector<quint8>> m_received;
    RtMidiIn m_port;

public:
    const QString name;
};

// A source other programs can read.
class VirtualSource
{
public:
    explicit VirtualSource(const char *role)
        : m_port(RtMidi::UNIX_JACK, deviceClient(role).toStdString())
        , name(deviceClient(role) + QStringLiteral(":source"))
    {
        m_port.openVirtualPort("source");
    }
    void send(std::vector<quint8> bytes) { m_port.sendMessage(&bytes); }

private:
    RtMidiOut m_port;

public:
    const QString name;
};

QBitArray channelOne()
{
    QBitArray bits(16);
    bits.setBit(0);
    return bits;
}

int ownInputPortsListed()
{
    int count = 0;
    for (const QString &raw : MidiBackend::current()->portNames(MidiDirection::Output))
        count += isOwnMidiPort(raw) ? 1 : 0;
    return count;
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
    void usersShareOnePortAndOneMayLeave();
    void vanishedPortsFailCleanly();
    void lostServerFailsCleanly();
};

void TestMidiJack::initTestCase()
{
#ifdef VORMA_THREAD_SANITIZER
    // Slowed down this much, our clients miss the server's cycle deadlines
    // and lose messages, and libjack cancels its threads inside intercepted
    // calls, which the sanitizer cannot follow. The port layer's own threads
    // are checked with the fake driver thread instead.
    QSKIP("Real JACK clients cannot keep up under ThreadSanitizer.");
#endif
    if (!RtMidiBackend::jackServerRuns()) {
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            QFAIL("No JACK server answers; scripts/test starts one (jackd2).");
        QSKIP("No JACK server runs; scripts/test starts one.");
    }
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

    int index = -1;
    QVERIFY(findMidiOutputPort(sink.name, &index));
    QCOMPARE(midiPortNames(MidiDirection::Output).at(index), sink.name);
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
    QVERIFY(output.sendMessages({programChangeMessage(0, 4, 1, 2), noteOnMessage(0, 60, 100)}));
    QVERIFY(sink.waitFor(4));
    QCOMPARE(sink.received(), (std::vector<std::vector<quint8>>{
                                  {0xB0, 0x00, 0x01}, {0xB0, 0x20, 0x02}, {0xC0, 0x04}, {0x90, 60, 100}}));

    // Closing silences the held note before the port goes.
    QVERIFY(output.close());
    QVERIFY(sink.waitFor(5));
    QCOMPARE(sink.received().back(), (std::vector<quint8>{0x80, 60, 0}));
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
    source.send({0x90, 64, 90});
    QVERIFY(counter.waitFor(1));
    const quint64 after = currentTimeNs();
    const MidiInputMessage message = counter.messages().at(0);
    QCOMPARE(message.bytes, (QVector<quint8>{0x90, 64, 90}));
    QVERIFY(message.receivedNs >= before && message.receivedNs <= after);
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
        source.send({0xB0, 1, 2});
        QVERIFY(ca.waitFor(1));
        QVERIFY(cb.waitFor(1));
        QVERIFY(a.close());
        source.send({0xB0, 1, 3});
        QVERIFY(cb.waitFor(2));
        QCOMPARE(ca.count(), 1);
    }
    QTRY_COMPARE(ownInputPortsListed(), ownBefore);

    MidiOutput x, y;
    x.setChannels(channelOne());
    y.setChannels(channelOne());
    QVERIFY(x.open(sink.name));
    QVERIFY(y.open(sink.name));
    QVERIFY(x.close());
    QVERIFY(y.sendMessages({controlChangeMessage(0, 7, 100)}));
    QVERIFY(sink.waitFor(1));
    QCOMPARE(sink.received().back(), (std::vector<quint8>{0xB0, 7, 100}));
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

// The JACK server itself goes away (crashed, or stopped by the user) while
// ports are open: they vanish, sends fail so their users close them, and
// nothing crashes, not even closing clients of the lost server.
void TestMidiJack::lostServerFailsCleanly()
{
    const QString jackd = QStandardPaths::findExecutable(QStringLiteral("jackd"));
    if (jackd.isEmpty())
        QSKIP("jackd is not installed");
    const QByteArray suiteServer = qgetenv("JACK_DEFAULT_SERVER");
    const QByteArray server = "vorma-loss-" + QByteArray::number(QCoreApplication::applicationPid());
    QProcess process;
    process.start(jackd, {"-n", QString::fromLatin1(server), "--no-realtime", "-d", "dummy", "-r",
                          "48000", "-p", "64"});
    QVERIFY(process.waitForStarted());
    qputenv("JACK_DEFAULT_SERVER", server);
    QTRY_VERIFY_WITH_TIMEOUT(RtMidiBackend::jackServerRuns(), 10000);

    auto backend = std::make_shared<RtMidiBackend>(MidiApiSetting::Jack);
    MidiBackend::setCurrent(backend);
    // Devices of the doomed server, never closed (see below).
    auto *sink = new VirtualSink("LossSink");
    auto *source = new VirtualSource("LossSource");
    MidiOutput output;
    output.setChannels(channelOne());
    MidiInput input;
    QVERIFY(output.open(sink->name));
    QVERIFY(input.open(source->name));
    QVERIFY(output.sendMessages({noteOnMessage(0, 60, 100)}));

    process.kill();
    QVERIFY(process.waitForFinished());
    qputenv("JACK_DEFAULT_SERVER", suiteServer);
    QTRY_VERIFY(midiOutputPortNameSet().isEmpty());
    QVERIFY(!output.sendMessages({noteOnMessage(0, 61, 100)}));
    QVERIFY(output.close());
    QVERIFY(input.close());
    QVERIFY(!output.open(sink->name));
    // libjack crashes when a client of a lost server is closed.
#ifdef VORMA_LEAK_CHECKS
    __lsan_ignore_object(sink);
    __lsan_ignore_object(source);
#endif

    MidiBackend::setCurrent(nullptr);
    backend.reset(); // leaves its lost clients alone
    MidiBackend::setCurrent(std::make_shared<RtMidiBackend>(MidiApiSetting::Jack));
}

QTEST_GUILESS_MAIN(TestMidiJack)
#include "tst_midijack.moc"
