// The controller's side of the engine: one started instrument thread per
// instrument after every reset, new instruments joining a playing document,
// the queueing door, the clock rebuilt for `SyncType`, and every thread
// stopped when the controller goes.
#include "QmdVorma/playback/InstrumentTestSupport.h"

#include "QmdVorma/playback/MidiSync.h"

#include <QPointer>
#include <QtTest>

using namespace QmdVorma;

namespace {

const QString PortA = QStringLiteral("Synth A");
const QString PortB = QStringLiteral("Synth B");

void deliverDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestInstrumentRegistry : public QObject
{
    Q_OBJECT
private slots:
    void everyResetMakesFreshStartedThreads();
    void newInstrumentJoinsPlayingDocument();
    void queueingGoesToTheNamedInstrument();
    void syncTypeChangeRebuildsTheClock();
    void destroyingTheControllerStopsEverything();
};

void TestInstrumentRegistry::everyResetMakesFreshStartedThreads()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortA);
    midi->addPort(MidiDirection::Output, PortB);
    VormaDocument doc;
    const QmdItemId a = addInstrumentEntry(doc, {PortA});
    const QmdItemId b = addInstrumentEntry(doc, {PortB});
    doc.attach();

    const auto first = doc.controller.instruments();
    QCOMPARE(first.size(), 2);
    QVector<QPointer<AbstractInstrument>> old;
    for (QmdItemId id : {a, b}) {
        AbstractInstrument *instrument = first.value(id);
        QVERIFY(instrument);
        QCOMPARE(instrument->instrumentId(), id);
        QVERIFY(instrument->isRunning());
        QCOMPARE(instrument->sync(), doc.controller.sync());
        QCOMPARE(instrument->typeKey(), QStringLiteral("midi"));
        old << instrument;
    }
    QCOMPARE(midi->openDeviceCount(MidiDirection::Output, PortA), 1);

    // A thread of the document with a held note: the reset silences it.
    startPlaying(doc.controller, first.value(a));
    first.value(a)->queueMessage(noteOnMessage(doc.controller.sync()->currentTicks(), 60, 100));
    QVERIFY(midi->waitForSentMessages(PortA, 1));

    QPointer<AbstractSync> oldClock = doc.controller.sync();
    doc.controller.reset();
    settle();
    for (const auto &instrument : old)
        QVERIFY(instrument.isNull());
    QCOMPARE(sentHex(midi, PortA), (QStringList{"90 3c 64", "80 3c 00"}));
    const auto second = doc.controller.instruments();
    QCOMPARE(second.size(), 2);
    QVERIFY(second.contains(a) && second.contains(b));
    QVERIFY(doc.controller.sync() != oldClock);
    QVERIFY(!doc.controller.sync()->isPlaying());
    for (AbstractInstrument *instrument : second) {
        QVERIFY(instrument->isRunning());
        QCOMPARE(instrument->sync(), doc.controller.sync());
    }
    QCOMPARE(midi->openDeviceCount(MidiDirection::Output, PortA), 1);
    deliverDeferredDeletes();
    QVERIFY(oldClock.isNull());
}

void TestInstrumentRegistry::newInstrumentJoinsPlayingDocument()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortA);
    VormaDocument doc;
    doc.attach();
    QVERIFY(doc.controller.instruments().isEmpty());
    doc.controller.sync()->setPlaying(true);

    QmdVormaController &c = doc.controller;
    c.requestAddTypes({Qmd::StrDict}, c.instrumentsIndex(), QmdRequestOptions{0, QStringLiteral("Instrument"), 0});
    settle();
    const QmdItemIdList ids = c.instrumentIds();
    QCOMPARE(ids.size(), 1);
    AbstractInstrument *instrument = c.instruments().value(ids.first());
    QVERIFY(instrument);
    QVERIFY(instrument->isRunning());
    QCOMPARE(instrument->state(), int(AbstractOutputThread::Playing));
    // The entry had no port: the default was written into it.
    QCOMPARE(c.instrumentData(ids.first(), Keys::MidiPort).toString(), PortA);

    // An id that has a thread keeps that one.
    c.addInstruments(ids);
    QCOMPARE(c.instruments().value(ids.first()), instrument);
    QCOMPARE(c.instruments().size(), 1);
}

void TestInstrumentRegistry::queueingGoesToTheNamedInstrument()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortA);
    VormaDocument doc;
    const QmdItemId id = addInstrumentEntry(doc, {PortA});
    doc.attach();
    QmdVormaController &c = doc.controller;

    QVERIFY(!c.queueMidiMessage(id + 1, noteOnMessage(0, 60, 100)));
    QVERIFY(!c.queueMidiMessagePair(0, noteOnMessage(0, 60, 100), noteOffMessage(0, 60, 0)));

    // Far in the future, so nothing leaves while the queue fills.
    const Ticks later = Ticks(1) << 60;
    AbstractInstrument *instrument = c.instruments().value(id);
    for (int i = 0; i < 998; ++i)
        QVERIFY(c.queueMidiMessage(id, noteOnMessage(later, 60, 100)));
    QVERIFY(c.queueMidiMessagePair(id, noteOnMessage(later, 61, 100), noteOffMessage(later, 61, 0)));
    QCOMPARE(instrument->outputQueue().size(), 1000);
    QVERIFY(!c.queueMidiMessage(id, noteOnMessage(later, 62, 100)));
    instrument->reset();
    for (int i = 0; i < 999; ++i)
        QVERIFY(c.queueMidiMessage(id, noteOnMessage(later, 60, 100)));
    QVERIFY(!c.queueMidiMessagePair(id, noteOnMessage(later, 61, 100), noteOffMessage(later, 61, 0)));
    QCOMPARE(instrument->outputQueue().size(), 999);
    instrument->reset();

    startPlaying(c, instrument);
    const Ticks now = c.sync()->currentTicks();
    QVERIFY(c.queueMidiMessagePair(id, controlChangeMessage(now, 1, 2), controlChangeMessage(now, 33, 4)));
    QVERIFY(midi->waitForSentMessages(PortA, 2));
    QCOMPARE(sentHex(midi, PortA), (QStringList{"b0 01 02", "b0 21 04"}));
}

void TestInstrumentRegistry::syncTypeChangeRebuildsTheClock()
{
    VormaDocument doc;
    doc.write([](QmdDirectModelInterface &d) { d.setData(Keys::Tempo, 90u); });
    const QmdItemId id = addInstrumentEntry(doc, {});
    doc.attach();
    QmdVormaController &c = doc.controller;
    QPointer<AbstractSync> first = c.sync();
    QVERIFY(first);
    QCOMPARE(first->parent(), &c);
    QCOMPARE(first->tempo(), 90u);
    first->setPlaying(true);

    // Any spelling, or a type no clock has, gives the internal clock anew.
    for (const QString &type : {QStringLiteral("Internal"), QStringLiteral("unknown")}) {
        QPointer<AbstractSync> before = c.sync();
        c.requestSetData(Keys::SyncType, type);
        settle();
        AbstractSync *now = c.sync();
        QVERIFY(now != before);
        QVERIFY(qobject_cast<MidiSync *>(now));
        QVERIFY(!now->isPlaying());
        QCOMPARE(now->currentTicks(), Ticks(0));
        QCOMPARE(now->tempo(), 90u);
        QCOMPARE(c.instruments().value(id)->sync(), now);
        // The old clock no longer follows the document.
        c.requestSetData(Keys::Tempo, 100u);
        settle();
        QCOMPARE(now->tempo(), 100u);
        if (before)
            QCOMPARE(before->tempo(), 120u);
        c.requestSetData(Keys::Tempo, 90u);
        settle();
    }
    deliverDeferredDeletes();
    QVERIFY(first.isNull());
}

void TestInstrumentRegistry::destroyingTheControllerStopsEverything()
{
    ScopedFakeMidi midi;
    midi->addPort(MidiDirection::Output, PortA);
    QPointer<AbstractInstrument> instrument;
    {
        VormaDocument doc;
        const QmdItemId id = addInstrumentEntry(doc, {PortA});
        doc.attach();
        instrument = doc.controller.instruments().value(id);
        startPlaying(doc.controller, instrument);
        instrument->queueMessage(noteOnMessage(doc.controller.sync()->currentTicks(), 64, 100));
        QVERIFY(midi->waitForSentMessages(PortA, 1));
    }
    QVERIFY(instrument.isNull());
    QCOMPARE(midi->openDeviceCount(MidiDirection::Output, PortA), 0);
    QCOMPARE(sentHex(midi, PortA), (QStringList{"90 40 64", "80 40 00"}));
}

QTEST_GUILESS_MAIN(TestInstrumentRegistry)
#include "tst_instrumentregistry.moc"
