#include "QmdVorma/playback/MidiInstrument.h"
#include "app/ApplicationMidi.h"
#include "midi/MidiInput.h"
#include "widgets/MidiEvent.h"

#include "GuiTestMain.h"
#include "MidiTestSupport.h"
#include "canvas/CanvasTestSupport.h"

#include <QGraphicsItem>

#include <QSignalSpy>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

const QString Keys = QStringLiteral("Keys");
const QString Thru = QStringLiteral("Thru");

using Bytes = std::vector<quint8>;

// A widget that keeps the bytes of every MidiEvent it takes.
class MidiReceiver : public QWidget
{
public:
    QList<QVector<quint8>> received;
    Qt::KeyboardModifiers lastModifiers;

protected:
    void customEvent(QEvent *event) override
    {
        if (const MidiEvent *midi = MidiEvent::from(event)) {
            received << midi->bytes;
            lastModifiers = midi->modifiers();
        }
    }
};

// The application's MIDI on a fake system with an entry and a thru port,
// its routing recorded instead of reaching windows.
struct Fixture
{
    ScopedFakeMidi fake;
    std::unique_ptr<ApplicationMidi> midi;
    bool triggering = false;
    QList<QVector<quint8>> triggered;
    QList<int> timeouts;
    // Connected after the application's own slot, so it counts the
    // announcements the application has handled.
    QObject context;
    int handled = 0;

    Fixture()
    {
        fake->addPort(MidiDirection::Input, Keys);
        fake->addPort(MidiDirection::Output, Thru);
        midi.reset(new ApplicationMidi);
        midi->pollTimer()->stop();
        ApplicationMidi::Routing routing;
        routing.triggering = [this] { return triggering; };
        routing.trigger = [this](const MidiInputMessage &message, int timeoutMs) {
            triggered << message.bytes;
            timeouts << timeoutMs;
        };
        routing.toggleTimeoutMs = [] { return 350; };
        midi->setRouting(routing);
        QObject::connect(midi->entryInput(), &MidiInput::readyRead, &context, [this] { ++handled; });
    }

    // Plays the messages on the entry port and waits until the application
    // has taken them all.
    void play(const QList<Bytes> &messages)
    {
        const int before = handled;
        for (const Bytes &bytes : messages)
            fake->inject(Keys, bytes);
        QTRY_COMPARE(handled, before + messages.size());
    }

    QList<Bytes> thruBytes() const
    {
        QList<Bytes> out;
        for (const FakeMidiBackend::SentMessage &m : fake->sentMessages(Thru))
            out << m.bytes;
        return out;
    }
};

QVector<quint8> qbytes(const Bytes &b)
{
    return QVector<quint8>(b.begin(), b.end());
}

} // namespace

Q_DECLARE_METATYPE(Bytes)

class TestApplicationMidi : public QObject
{
    Q_OBJECT

private slots:
    void pollTellsOnlyTheDirectionThatChanged();
    void portListsAreNaturallySortedWithoutRepeats();
    void entryMessagesAreRouted_data();
    void entryMessagesAreRouted();
    void focusThatGoesMidBatchGetsNoMoreEvents();
    void playedNotesGoIntoTheFocusedCanvas();
    void thruRepeatsEveryMessageByteForByte();
    void applyingPorts_data();
    void applyingPorts();
    void vanishedPortClosesAndReopensWhenBack();
};

void TestApplicationMidi::pollTellsOnlyTheDirectionThatChanged()
{
    Fixture f;
    QSignalSpy inputs(f.midi.get(), &ApplicationMidi::midiInputPortsChanged);
    QSignalSpy outputs(f.midi.get(), &ApplicationMidi::midiOutputPortsChanged);
    QCOMPARE(f.midi->midiInputPortNames(), QStringList{Keys});

    f.midi->pollMidiPorts();
    QCOMPARE(inputs.count() + outputs.count(), 0);

    f.fake->addPort(MidiDirection::Output, QStringLiteral("Synth"));
    f.midi->pollMidiPorts();
    QCOMPARE(inputs.count(), 0);
    QCOMPARE(outputs.count(), 1);
    QCOMPARE(f.midi->availableMidiOutputPorts(), (QSet<QString>{Thru, QStringLiteral("Synth")}));

    f.fake->removePort(MidiDirection::Input, Keys);
    f.midi->pollMidiPorts();
    QCOMPARE(inputs.count(), 1);
    QCOMPARE(outputs.count(), 1);
    QVERIFY(f.midi->midiInputPortNames().isEmpty());
    QVERIFY(f.midi->availableMidiInputPorts().isEmpty());
}

void TestApplicationMidi::portListsAreNaturallySortedWithoutRepeats()
{
    Fixture f;
    for (const char *name : {"S10", "S", "S2", "Twin", "Twin"})
        f.fake->addPort(MidiDirection::Input, QString::fromLatin1(name));
    f.midi->pollMidiPorts();
    // Two devices of one name are told apart by the port layer; the list
    // holds the set's names, each once.
    const QStringList names = f.midi->midiInputPortNames();
    QCOMPARE(names, (QStringList{"Keys", "S", "S2", "S10", "Twin", "Twin 2"}));
    QCOMPARE(QSet<QString>(names.cbegin(), names.cend()), f.midi->availableMidiInputPorts());
}

void TestApplicationMidi::entryMessagesAreRouted_data()
{
    QTest::addColumn<bool>("triggering");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<Bytes>("message");
    QTest::addColumn<bool>("toWidget");
    QTest::addColumn<bool>("toControllers");

    const Bytes noteOn{0x91, 60, 100};
    const Bytes programChange{0xC0, 5};
    const Bytes tuneRequest{0xF6};
    QTest::newRow("off, focus, three bytes") << false << true << noteOn << true << false;
    QTest::newRow("off, focus, two bytes") << false << true << programChange << true << false;
    QTest::newRow("off, focus, one byte") << false << true << tuneRequest << true << false;
    QTest::newRow("off, no focus") << false << false << noteOn << false << false;
    QTest::newRow("on, focus, three bytes") << true << true << noteOn << false << true;
    QTest::newRow("on, no focus, three bytes") << true << false << noteOn << false << true;
    QTest::newRow("on, focus, two bytes") << true << true << programChange << false << false;
    QTest::newRow("on, focus, one byte") << true << true << tuneRequest << false << false;
}

void TestApplicationMidi::entryMessagesAreRouted()
{
    QFETCH(bool, triggering);
    QFETCH(bool, focused);
    QFETCH(Bytes, message);
    QFETCH(bool, toWidget);
    QFETCH(bool, toControllers);

    Fixture f;
    QVERIFY(!f.midi->applyMidiEntryPort(true, Keys));
    QVERIFY(!f.midi->applyMidiThruPort(true, Thru));
    f.triggering = triggering;
    MidiReceiver widget;
    widget.setFocusPolicy(Qt::StrongFocus);
    if (focused) {
        widget.show();
        QVERIFY(QTest::qWaitForWindowActive(&widget));
        widget.setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(&widget));
    }

    f.play({message});

    QCOMPARE(widget.received, toWidget ? QList<QVector<quint8>>{qbytes(message)} : QList<QVector<quint8>>{});
    QCOMPARE(f.triggered, toControllers ? QList<QVector<quint8>>{qbytes(message)} : QList<QVector<quint8>>{});
    if (toControllers)
        QCOMPARE(f.timeouts, QList<int>{350});
    // Whatever the route, the thru port repeats it.
    QVERIFY(f.fake->waitForSentMessages(Thru, 1));
    QCOMPARE(f.thruBytes(), QList<Bytes>{message});
}

void TestApplicationMidi::focusThatGoesMidBatchGetsNoMoreEvents()
{
    // A widget that goes away on the first note it takes, as an editor
    // closing on a played note would.
    class Vanishing : public QWidget
    {
    public:
        int *taken = nullptr;

    protected:
        void customEvent(QEvent *event) override
        {
            if (MidiEvent::from(event)) {
                ++*taken;
                delete this;
            }
        }
    };

    Fixture f;
    f.midi->applyMidiEntryPort(true, Keys);
    int taken = 0;
    auto *widget = new Vanishing;
    widget->taken = &taken;
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->show();
    QVERIFY(QTest::qWaitForWindowActive(widget));
    widget->setFocus();
    QTRY_VERIFY(QApplication::focusWidget() == widget);

    // Held back until all three are queued, so they come as one batch.
    disconnect(f.midi->entryInput(), nullptr, f.midi.get(), nullptr);
    ReadyReadCounter queued(f.midi->entryInput(), false);
    for (quint8 key : {60, 62, 64})
        f.fake->inject(Keys, {0x90, key, 100});
    QVERIFY(queued.waitFor(3));
    f.midi->onMidiInputReadyRead();
    QCOMPARE(taken, 1);
}

void TestApplicationMidi::playedNotesGoIntoTheFocusedCanvas()
{
    initTestScaleFactors();
    Fixture f;
    f.midi->applyMidiEntryPort(true, Keys);
    CanvasDocument c;
    c.attach();
    const QmdItemId node = addNode(c.doc);
    NetworkView view;
    view.setNetworkScene(&c.scene);
    view.setController(&c.doc.controller);
    c.scene.elementItem(node)->graphicsItem()->setSelected(true);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    view.setFocus();
    QTRY_VERIFY(QApplication::focusWidget() == &view);

    f.play({{0x90, 60, 100}, {0x90, 64, 90}, {0x80, 60, 0}});
    QCOMPARE(c.doc.controller.elementData(node, QmdVorma::Keys::Notes).toString(),
             QStringLiteral("[\n C3:100:100%\n E3:90:100%\n]"));
}

void TestApplicationMidi::thruRepeatsEveryMessageByteForByte()
{
    Fixture f;
    f.midi->applyMidiEntryPort(true, Keys);
    f.midi->applyMidiThruPort(true, Thru);
    // Running status and a stray data byte are not whole messages, and
    // are repeated as they came all the same.
    const QList<Bytes> played{{0x9F, 0, 127}, {0x80, 127, 0}, {0xB3, 7, 64}, {0xE0, 0, 0x40},
                              {0xC2, 9},      {0xF6},         {0x40, 0x41}, {0xFF}};
    f.play(played);
    QVERIFY(f.fake->waitForSentMessages(Thru, played.size()));
    QCOMPARE(f.thruBytes(), played);
}

void TestApplicationMidi::applyingPorts_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("clear");
    QTest::addColumn<QString>("open");

    QTest::newRow("present") << true << Keys << false << Keys;
    QTest::newRow("with alsa numbers") << true << "Keys 128:0" << false << Keys;
    QTest::newRow("absent is cleared") << true << "Gone" << true << QString();
    QTest::newRow("empty") << true << QString() << false << QString();
    QTest::newRow("disabled keeps the name") << false << Keys << false << QString();
    QTest::newRow("disabled and absent") << false << "Gone" << false << QString();
}

void TestApplicationMidi::applyingPorts()
{
    QFETCH(bool, enabled);
    QFETCH(QString, name);
    QFETCH(bool, clear);
    QFETCH(QString, open);

    Fixture f;
    // From an entry port that is open: disabling or naming another closes it.
    QVERIFY(!f.midi->applyMidiEntryPort(true, Keys));
    QVERIFY(f.midi->entryInput()->isOpen());

    QCOMPARE(f.midi->applyMidiEntryPort(enabled, name), clear);
    QCOMPARE(f.midi->entryInput()->portName(), open);
    QCOMPARE(f.fake->openDeviceCount(MidiDirection::Input, Keys), open.isEmpty() ? 0 : 1);

    QCOMPARE(f.midi->applyMidiThruPort(enabled, QString(name).replace(Keys, Thru)), clear);
    QCOMPARE(f.midi->thruInstrument()->portName(), open.isEmpty() ? QString() : Thru);
    QCOMPARE(f.midi->thruInstrument()->state(), open.isEmpty() ? int(AbstractOutputThread::New)
                                                               : int(AbstractOutputThread::Playing));
}

void TestApplicationMidi::vanishedPortClosesAndReopensWhenBack()
{
    Fixture f;
    f.midi->applyMidiEntryPort(true, Keys);
    f.midi->applyMidiThruPort(true, Thru);

    f.fake->removePort(MidiDirection::Input, Keys);
    f.fake->removePort(MidiDirection::Output, Thru);
    f.midi->pollMidiPorts();
    QVERIFY(!f.midi->entryInput()->isOpen());
    QVERIFY(!f.midi->thruInstrument()->isOpen());

    f.fake->addPort(MidiDirection::Input, Keys);
    f.fake->addPort(MidiDirection::Output, Thru);
    f.midi->pollMidiPorts();
    QCOMPARE(f.midi->entryInput()->portName(), Keys);
    QCOMPARE(f.midi->thruInstrument()->portName(), Thru);
    f.play({{0x90, 60, 1}});
    QVERIFY(f.fake->waitForSentMessages(Thru, 1));
}

VORMA_GUI_TEST_MAIN(TestApplicationMidi)
#include "tst_applicationmidi.moc"
