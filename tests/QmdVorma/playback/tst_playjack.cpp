// A small network played end to end into a real MIDI port: the private
// JACK server that scripts/test starts, with a virtual port as the
// synthesizer.
#include "QmdVorma/EditingTestSupport.h"
#include "QmdVorma/playback/InstrumentTestSupport.h"
#include "midi/JackTestSupport.h"

#include <QtTest>

using namespace QmdVorma;

class TestPlayJack : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void networkPlaysIntoThePort();
};

void TestPlayJack::initTestCase()
{
    VORMA_REQUIRE_JACK_SERVER();
    MidiBackend::setCurrent(std::make_shared<RtMidiBackend>(MidiApiSetting::Jack));
}

void TestPlayJack::cleanupTestCase()
{
    MidiBackend::setCurrent(nullptr);
}

void TestPlayJack::networkPlaysIntoThePort()
{
    VirtualSink sink("PlaySink");
    VormaDocument doc;
    addInstrumentEntry(doc, {sink.name, {3}});
    // A principal of 100 ms.
    doc.write([](QmdDirectModelInterface &d) { d.setData(Keys::Tempo, 600u); });
    doc.attach();
    QmdVormaController &c = doc.controller;

    const QmdItemId a = addNode(doc, 0, 0);
    const QmdItemId b = addNode(doc, TicksPerPrincipal, 0);
    addEdge(doc, a, b);
    c.requestSetData(Keys::Notes, QStringLiteral("C3:96:0.5"), c.elementIndex(a));
    c.requestSetData(Keys::Notes, QStringLiteral("E3:100:0.5 F3"), c.elementIndex(b));
    settle();
    addVoiceGroup(doc, a);

    // Each try plays the network from its start.
    QVERIFY(sinkReceives(
        sink,
        [&] {
            c.requestPause();
            c.requestGotoStart();
            settle();
            sink.clear();
            c.requestPlay();
        },
        {"93 3c 60", "83 3c 00", "93 40 64", "83 40 00"}));
    c.requestPause();
}

QTEST_GUILESS_MAIN(TestPlayJack)
#include "tst_playjack.moc"
