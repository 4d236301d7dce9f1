#include "midi/MidiOutput.h"
#include "midi/MidiPortNames.h"
#include "midi/Platform.h"

#include "MidiTestSupport.h"

#include <QtTest>

#include <atomic>
#include <thread>

using Messages = std::vector<MidiOutputMessage>;
using Groups = QVector<QByteArray>; // one entry per send, as hex
using Keys = QVector<int>;

Q_DECLARE_METATYPE(Messages)

namespace {

const QString PortName = QStringLiteral("Synth:Synth Port 1");

QBitArray channelBits(std::initializer_list<int> channels)
{
    QBitArray bits(16);
    for (int c : channels)
        bits.setBit(c);
    return bits;
}

Groups sentGroups(const FakeMidiBackend &fake, const QString &port)
{
    Groups groups;
    for (const auto &m : fake.sentMessages(port))
        groups << QByteArray(reinterpret_cast<const char *>(m.bytes.data()), int(m.bytes.size())).toHex(' ');
    return groups;
}

Keys heldKeys(const MidiOutput &output)
{
    Keys keys;
    for (quint8 k : output.heldNotes())
        keys << k;
    return keys;
}

MidiOutputMessage raw(std::vector<quint8> bytes)
{
    MidiOutputMessage m;
    m.kind = MidiOutputMessage::Raw;
    m.bytes = std::move(bytes);
    return m;
}

} // namespace

class TestMidiOutput : public QObject
{
    Q_OBJECT
private slots:
    void builders_data();
    void builders();
    void encodesEachKindPerEnabledChannel_data();
    void encodesEachKindPerEnabledChannel();
    void closingSilencesHeldNotesFirst();
    void withoutPortNothingChanges();
    void openAndCloseReportTheirOutcome();
    void usersOfOneNameShareOneDevice();
    void closedClientsGoOnceTheirGraceHasPassed();
    void failedOrVanishedPortFailsCleanly();
    void concurrentUsersNeverInterleaveGroups();
    void closingWhileAnotherThreadSends();
};

void TestMidiOutput::builders_data()
{
    QTest::addColumn<MidiOutputMessage>("message");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("data0");
    QTest::addColumn<int>("data1");
    QTest::addColumn<int>("data2");

    QTest::newRow("note on") << noteOnMessage(5, 60, 100) << 0 << 0 << 60 << 100;
    QTest::newRow("note off") << noteOffMessage(5, 60, 0) << 1 << 0 << 60 << 0;
    QTest::newRow("program 0 banks 0") << programChangeMessage(5, 0, 0, 0) << 2 << 0 << 0 << 0;
    QTest::newRow("program 4 banks 1 2") << programChangeMessage(5, 4, 1, 2) << 2 << 4 << 1 << 2;
    QTest::newRow("bend centre") << pitchBendMessage(5, 8192) << 3 << 0 << 64 << 0;
    QTest::newRow("bend top") << pitchBendMessage(5, 16383) << 3 << 0 << 127 << 127;
    QTest::newRow("control change") << controlChangeMessage(5, 7, 90) << 4 << 0 << 7 << 90;
    QTest::newRow("low 8 bits kept, not clamped") << noteOnMessage(5, 300, -1) << 0 << 0 << 44 << 255;
}

void TestMidiOutput::builders()
{
    QFETCH(MidiOutputMessage, message);
    QFETCH(int, kind);
    QFETCH(int, data0);
    QFETCH(int, data1);
    QFETCH(int, data2);
    QCOMPARE(message.kind, kind);
    QCOMPARE(message.time, MidiOutputMessage::Ticks(5));
    QCOMPARE(int(message.data0), data0);
    QCOMPARE(int(message.data1), data1);
    QCOMPARE(int(message.data2), data2);
    QVERIFY(message.bytes.empty());
}

void TestMidiOutput::encodesEachKindPerEnabledChannel_data()
{
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<QBitArray>("channels");
    QTest::addColumn<Groups>("sent");
    QTest::addColumn<Keys>("held");

    const QBitArray ch1 = channelBits({0});
    QTest::newRow("note on, channels 1 and 10")
        << Messages{noteOnMessage(0, 60, 100)} << channelBits({0, 9})
        << Groups{"90 3c 64", "99 3c 64"} << Keys{60};
    QTest::newRow("note on velocity 0 releases")
        << Messages{noteOnMessage(0, 60, 100), noteOnMessage(0, 60, 0)} << ch1
        << Groups{"90 3c 64", "90 3c 00"} << Keys{};
    QTest::newRow("one note off releases on every channel")
        << Messages{noteOnMessage(0, 60, 100), noteOffMessage(0, 60, 0)} << channelBits({0, 9})
        << Groups{"90 3c 64", "99 3c 64", "80 3c 00", "89 3c 00"} << Keys{};
    QTest::newRow("program change with banks, then a note")
        << Messages{programChangeMessage(0, 4, 1, 2), noteOnMessage(0, 62, 100)} << ch1
        << Groups{"b0 00 01", "b0 20 02", "c0 04", "90 3e 64"} << Keys{62};
    QTest::newRow("pitch bend centre, low bits first")
        << Messages{pitchBendMessage(0, 8192)} << ch1 << Groups{"e0 00 40"} << Keys{};
    QTest::newRow("pitch bend top") << Messages{pitchBendMessage(0, 16383)} << ch1
                                    << Groups{"e0 7f 7f"} << Keys{};
    QTest::newRow("control change on channel 16")
        << Messages{controlChangeMessage(0, 7, 100)} << channelBits({15}) << Groups{"bf 07 64"} << Keys{};
    QTest::newRow("raw once without channels")
        << Messages{raw({0xF0, 0x7E, 0xF7})} << QBitArray(16) << Groups{"f0 7e f7"} << Keys{};
    QTest::newRow("raw once with several channels")
        << Messages{raw({0xFA})} << channelBits({0, 1, 2}) << Groups{"fa"} << Keys{};
    QTest::newRow("empty raw sends nothing") << Messages{raw({})} << ch1 << Groups{} << Keys{};
    QTest::newRow("no channel: nothing sent, notes still held")
        << Messages{noteOnMessage(0, 60, 100)} << QBitArray(16) << Groups{} << Keys{60};
    // A data byte above 127 would be read as a status byte.
    QTest::newRow("data bytes clamped")
        << Messages{noteOnMessage(0, 200, 255), programChangeMessage(0, 130, 128, 255)} << ch1
        << Groups{"90 7f 7f", "b0 00 7f", "b0 20 7f", "c0 7f"} << Keys{127};
    QTest::newRow("a short channel array enables what it has")
        << Messages{noteOffMessage(0, 1, 2)} << QBitArray(2, true) << Groups{"80 01 02", "81 01 02"} << Keys{};
}

void TestMidiOutput::encodesEachKindPerEnabledChannel()
{
    QFETCH(Messages, messages);
    QFETCH(QBitArray, channels);
    QFETCH(Groups, sent);
    QFETCH(Keys, held);

    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortName);
    MidiOutput output;
    QVERIFY(output.open(PortName));
    output.setChannels(channels);
    QVERIFY(output.sendMessages(messages));
    QCOMPARE(sentGroups(*midi.fake, PortName), sent);
    QCOMPARE(heldKeys(output), held);
}

void TestMidiOutput::closingSilencesHeldNotesFirst()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortName);
    {
        MidiOutput output;
        QVERIFY(output.open(PortName));
        output.setChannels(channelBits({0, 1}));
        QVERIFY(output.sendMessages({noteOnMessage(0, 64, 90), noteOnMessage(0, 60, 90)}));
        midi->clearSentMessages(PortName);

        QVERIFY(output.close());
        QCOMPARE(sentGroups(*midi.fake, PortName),
                 (Groups{"80 3c 00", "81 3c 00", "80 40 00", "81 40 00"}));
        QVERIFY(output.heldNotes().empty());
        QCOMPARE(midi->openDeviceCount(MidiDirection::Output, PortName), 0);

        QVERIFY(output.open(PortName));
        QVERIFY(output.sendMessages({noteOnMessage(0, 72, 90)}));
        midi->clearSentMessages(PortName);
        QVERIFY(output.allNotesOff());
        QCOMPARE(sentGroups(*midi.fake, PortName), (Groups{"80 48 00", "81 48 00"}));
        QVERIFY(output.allNotesOff()); // nothing held: nothing sent
        QCOMPARE(midi->sentMessages(PortName).size(), 2);

        QVERIFY(output.sendMessages({noteOnMessage(0, 50, 90)}));
        midi->clearSentMessages(PortName);
    }
    // Destroying an open output does the same.
    QCOMPARE(sentGroups(*midi.fake, PortName), (Groups{"80 32 00", "81 32 00"}));
    QCOMPARE(midi->openDeviceCount(MidiDirection::Output, PortName), 0);
}

void TestMidiOutput::withoutPortNothingChanges()
{
    MidiOutput output;
    output.setChannels(channelBits({0}));
    QVERIFY(output.sendMessages({}));
    QVERIFY(!output.sendMessages({noteOnMessage(0, 60, 100)}));
    QVERIFY(output.heldNotes().empty());
    QVERIFY(output.allNotesOff());
    QCOMPARE(output.channels(), channelBits({0}));
}

void TestMidiOutput::openAndCloseReportTheirOutcome()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortName + " 128:0");
    midi->addPort(MidiDirection::Input, "Keys:Keys");

    MidiOutput output;
    QVERIFY(!output.close()); // nothing held
    QVERIFY(!output.open("No such port"));
    QVERIFY(!output.open(QString()));
    QVERIFY(!output.open("Keys:Keys")); // an input port
    QVERIFY(output.portName().isNull());
    QVERIFY(!output.isOpen());

    // A name stored in another run, with other ALSA numbers, still opens,
    // and the name the output reports carries none.
    QVERIFY(output.open(PortName + " 20:0"));
    QCOMPARE(output.portName(), PortName);
    QVERIFY(!output.open(PortName));
    QCOMPARE(midi->totalOpenCount(MidiDirection::Output, PortName + " 128:0"), 1);

    QVERIFY(output.close());
    QVERIFY(output.portName().isNull());
    QVERIFY(!output.close());
}

void TestMidiOutput::usersOfOneNameShareOneDevice()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortName);
    const auto devices = [&] { return midi->openDeviceCount(MidiDirection::Output, PortName); };

    MidiOutput a, b;
    a.setChannels(channelBits({0}));
    b.setChannels(channelBits({1}));
    QVERIFY(a.open(PortName));
    QVERIFY(b.open(PortName));
    QCOMPARE(devices(), 1);
    QCOMPARE(midi->totalOpenCount(MidiDirection::Output, PortName), 1);

    QVERIFY(a.close());
    QCOMPARE(devices(), 1);
    QVERIFY(b.sendMessages({controlChangeMessage(0, 1, 2)}));
    QCOMPARE(sentGroups(*midi.fake, PortName), Groups{"b1 01 02"});
    QVERIFY(!a.sendMessages({controlChangeMessage(0, 1, 2)}));

    QVERIFY(b.close());
    QCOMPARE(devices(), 0);
    // The name is looked up afresh: a new device.
    QVERIFY(a.open(PortName));
    QCOMPARE(midi->totalOpenCount(MidiDirection::Output, PortName), 2);
}

// A closed port's client lives on for its grace period and then goes, even
// when no other port closes after it.
void TestMidiOutput::closedClientsGoOnceTheirGraceHasPassed()
{
    constexpr quint64 GraceNs = 30000000;
    ScopedFakeMidi midi(GraceNs);
    midi->addPort(MidiDirection::Output, PortName);
    midi->addPort(MidiDirection::Input, "Keys:Keys");

    MidiOutput output;
    MidiInput input;
    QVERIFY(output.open(PortName));
    QVERIFY(input.open("Keys:Keys"));
    QCOMPARE(midi->liveClientCount(), 2);
    const quint64 closed = currentTimeNs();
    QVERIFY(output.close());
    QVERIFY(input.close());
    if (currentTimeNs() - closed < GraceNs / 2)
        QCOMPARE(midi->liveClientCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(midi->liveClientCount(), 0, 2000);
    QVERIFY(currentTimeNs() - closed >= GraceNs);
}

void TestMidiOutput::failedOrVanishedPortFailsCleanly()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortName);
    MidiOutput output;
    output.setChannels(channelBits({0}));
    QVERIFY(output.open(PortName));

    midi->setSendFailure(PortName, true);
    QVERIFY(!output.sendMessages({noteOnMessage(0, 60, 1), noteOnMessage(0, 61, 1)}));
    QVERIFY(midi->sentMessages(PortName).isEmpty());
    // The held-note change of the message that failed stays; the rest were
    // not handled.
    QCOMPARE(heldKeys(output), Keys{60});
    midi->setSendFailure(PortName, false);
    QVERIFY(output.sendMessages({noteOffMessage(0, 60, 0)}));

    midi->removePort(MidiDirection::Output, PortName);
    QVERIFY(!output.sendMessages({noteOnMessage(0, 60, 1)}));
    QVERIFY(output.close());
    QVERIFY(output.portName().isNull());
    QVERIFY(!output.open(PortName));
    QVERIFY(!midiOutputPortNameSet().contains(PortName));
}

// The port's mutex keeps each message's bytes together: every program
// change arrives as its three groups in a row.
void TestMidiOutput::concurrentUsersNeverInterleaveGroups()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortName);
    constexpr int Rounds = 300;
    MidiOutput a, b;
    a.setChannels(channelBits({0}));
    b.setChannels(channelBits({1}));
    QVERIFY(a.open(PortName));
    QVERIFY(b.open(PortName));

    std::atomic<bool> allSent{true};
    auto sender = [&](MidiOutput *output) {
        for (int i = 0; i < Rounds; ++i) {
            if (!output->sendMessages({programChangeMessage(0, i % 128, 3, 4)}))
                allSent = false;
        }
    };
    std::thread ta(sender, &a), tb(sender, &b);
    ta.join();
    tb.join();
    QVERIFY(allSent.load());

    const auto sent = midi->sentMessages(PortName);
    QCOMPARE(sent.size(), 2 * Rounds * 3);
    for (int i = 0; i < sent.size(); i += 3) {
        const int channel = sent[i].bytes[0] & 0x0F;
        QCOMPARE(int(sent[i].bytes[1]), 0x00);
        QCOMPARE(int(sent[i + 1].bytes[0]), 0xB0 + channel);
        QCOMPARE(int(sent[i + 1].bytes[1]), 0x20);
        QCOMPARE(int(sent[i + 2].bytes[0]), 0xC0 + channel);
    }
}

// An instrument thread keeps sending while the user interface closes and
// reopens ports: no deadlock, no use of a released port, and whatever was
// sent went out whole.
void TestMidiOutput::closingWhileAnotherThreadSends()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortName);
    MidiOutput sending, other;
    sending.setChannels(channelBits({0}));
    QVERIFY(sending.open(PortName));

    std::atomic<bool> stop{false};
    std::thread sender([&] {
        while (!stop.load()) {
            sending.sendMessages({noteOnMessage(0, 60, 100), noteOffMessage(0, 60, 0)});
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 200; ++i) {
        if (i % 2) {
            sending.close();
            sending.open(PortName);
        } else {
            other.open(PortName);
            other.close();
        }
    }
    stop = true;
    sender.join();

    for (const auto &m : midi->sentMessages(PortName))
        QCOMPARE(m.bytes.size(), std::size_t(3));
}

QTEST_GUILESS_MAIN(TestMidiOutput)
#include "tst_midioutput.moc"
