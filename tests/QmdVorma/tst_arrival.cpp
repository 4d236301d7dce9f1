// A voice's arrival at a node, played through the fake MIDI system: notes on
// every enabled channel with their note-offs, counters and cursors, user
// messages, silent nodes, edge choice by signalling method, and a pool that
// runs out.
#include "PlaybackTestSupport.h"

#include "QmdVorma/NotesEvaluation.h"

using namespace QmdVorma;

class TestArrival : public QObject
{
    Q_OBJECT
private slots:
    void noteOnEveryChannelAndItsNoteOffAPrincipalLater();
};

void TestArrival::noteOnEveryChannelAndItsNoteOffAPrincipalLater()
{
    PlayedNetwork net(120, {0, 2});
    const QmdItemId a = net.node(0, 0, QStringLiteral("C3:96:1"));
    const QmdItemId group = net.group(a);
    QVERIFY(net.thread(group));

    net.c().requestPlay();
    QVERIFY(net.waitForSent(4));
    QCOMPARE(net.sent(), (QStringList{"90 3c 60", "92 3c 60", "80 3c 00", "82 3c 00"}));
    const auto sent = net.sentMessages();
    const double apartMs = double(sent[2].sentNs - sent[0].sentNs) / 1e6;
    QVERIFY2(apartMs > 490 && apartMs < 700, qPrintable(QString::number(apartMs)));
    QTRY_VERIFY(!net.c().isVoiceGroupRunning(group));
    QCOMPARE(net.state(a, Keys::HitCount).toInt(), 1);
    QCOMPARE(net.state(a, Keys::LastNotesSent).toString(), QStringLiteral("C3:96"));
}

QTEST_GUILESS_MAIN(TestArrival)
#include "tst_arrival.moc"
