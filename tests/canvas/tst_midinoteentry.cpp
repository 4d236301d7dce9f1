#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "canvas/NetworkView.h"
#include "widgets/MidiEvent.h"

#include <QGraphicsItem>

#include <vector>

using namespace QmdVorma;

namespace {

using Bytes = std::vector<quint8>;

// A document on a view, with a node whose notes are "A2" selected.
struct EntryFixture
{
    CanvasDocument c;
    NetworkView view;
    QmdItemId node = 0;

    EntryFixture()
    {
        c.attach();
        node = addNode(c.doc);
        c.setElement(node, Keys::Notes, QStringLiteral("A2"));
        view.setNetworkScene(&c.scene);
        view.setController(&c.doc.controller);
        select(node);
    }

    void select(QmdItemId id)
    {
        c.scene.elementItem(id)->graphicsItem()->setSelected(true);
        settle();
    }

    void play(const Bytes &bytes, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        MidiEvent event(QVector<quint8>(bytes.begin(), bytes.end()), 0.0, modifiers);
        QCoreApplication::sendEvent(&view, &event);
        settle();
    }

    QString notes() const { return c.doc.controller.elementData(node, Keys::Notes).toString(); }
};

QString chord(const QStringList &entries)
{
    return QStringLiteral("[\n ") + entries.join(QStringLiteral("\n ")) + QStringLiteral("\n]");
}

} // namespace

Q_DECLARE_METATYPE(Bytes)

class TestMidiNoteEntry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void oneKeyWritesTheNote_data()
    {
        QTest::addColumn<Bytes>("release");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("notes");

        QTest::newRow("replaces") << Bytes{0x80, 60, 0} << false << "C3:96:100%";
        QTest::newRow("with Shift appends") << Bytes{0x80, 60, 0} << true << "A2\nC3:96:100%";
        QTest::newRow("note-on of velocity 0 releases") << Bytes{0x95, 60, 0} << false << "C3:96:100%";
    }

    void oneKeyWritesTheNote()
    {
        QFETCH(Bytes, release);
        QFETCH(bool, shift);
        QFETCH(QString, notes);

        EntryFixture f;
        const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
        f.play({0x9A, 60, 96}, modifiers); // the channel does not matter
        f.play(release, modifiers);
        QCOMPARE(f.notes(), notes);
        QCOMPARE(f.c.doc.controller.undoText(), QStringLiteral("MIDI Entry"));

        // After the release a new key starts afresh.
        f.play({0x90, 62, 80}, modifiers);
        QCOMPARE(f.notes(), shift ? notes + QStringLiteral("\nD3:80:100%") : QStringLiteral("D3:80:100%"));
    }

    void heldKeysMakeChordsInOneStepEach_data()
    {
        QTest::addColumn<bool>("shift");
        QTest::newRow("replacing") << false;
        QTest::newRow("appending") << true;
    }

    void heldKeysMakeChordsInOneStepEach()
    {
        QFETCH(bool, shift);
        EntryFixture f;
        const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
        const QString before = shift ? QStringLiteral("A2\n") : QString();

        f.play({0x90, 60, 96}, modifiers);
        QCOMPARE(f.notes(), before + QStringLiteral("C3:96:100%"));
        f.play({0x90, 64, 90}, modifiers);
        QCOMPARE(f.notes(), before + chord({"C3:96:100%", "E3:90:100%"}));
        f.play({0x90, 67, 70}, modifiers);
        const QString three = before + chord({"C3:96:100%", "E3:90:100%", "G3:70:100%"});
        QCOMPARE(f.notes(), three);

        // One undo step per note: three undos bring the old text back.
        const QStringList expected{before + chord({"C3:96:100%", "E3:90:100%"}),
                                   before + QStringLiteral("C3:96:100%"), QStringLiteral("A2")};
        for (const QString &text : expected) {
            QCOMPARE(f.c.doc.controller.undoText(), QStringLiteral("MIDI Entry"));
            undo(f.c.doc);
            QCOMPARE(f.notes(), text);
        }
        QVERIFY(f.c.doc.controller.undoText() != QStringLiteral("MIDI Entry"));
    }

    void otherMessagesDoNothing_data()
    {
        QTest::addColumn<Bytes>("message");
        QTest::newRow("control change") << Bytes{0xB0, 7, 100};
        QTest::newRow("pitch bend") << Bytes{0xE0, 0, 64};
        QTest::newRow("program change") << Bytes{0xC0, 5};
        QTest::newRow("two-byte note-on") << Bytes{0x90, 60};
        QTest::newRow("four bytes") << Bytes{0x90, 60, 100, 0};
        QTest::newRow("garbled data byte") << Bytes{0x90, 0x90, 100};
        QTest::newRow("system exclusive") << Bytes{0xF0, 0x7E, 0xF7};
    }

    void otherMessagesDoNothing()
    {
        QFETCH(Bytes, message);
        EntryFixture f;
        const QString undoBefore = f.c.doc.controller.undoText();
        f.play(message);
        QCOMPARE(f.notes(), QStringLiteral("A2"));
        QCOMPARE(f.c.doc.controller.undoText(), undoBefore);
        // Nor do they end a chord or start one.
        f.play({0x90, 60, 96});
        f.play(message);
        f.play({0x90, 64, 90});
        QCOMPARE(f.notes(), chord({"C3:96:100%", "E3:90:100%"}));
    }

    void voiceGroupsTakePitchAndVelocity()
    {
        EntryFixture f;
        const QmdItemId group = addVoiceGroup(f.c.doc, f.node);
        f.select(group);
        f.select(f.node);
        QmdVormaController &c = f.c.doc.controller;

        f.play({0x90, 60, 96});
        f.play({0x90, 64, 90});
        QCOMPARE(c.elementData(group, Keys::InitialPitch).toString(), QStringLiteral("E3"));
        QCOMPARE(c.elementData(group, Keys::InitialVelocity).toString(), QStringLiteral("90"));
        QCOMPARE(f.notes(), chord({"C3:96:100%", "E3:90:100%"}));

        // Node and group changed in the one step of the note.
        undo(f.c.doc);
        QCOMPARE(c.elementData(group, Keys::InitialPitch).toString(), QStringLiteral("C3"));
        QCOMPARE(f.notes(), QStringLiteral("C3:96:100%"));
    }

    void nothingSelectedStillOpensAChord()
    {
        EntryFixture f;
        f.c.scene.clearSelection();
        settle();
        const QString undoBefore = f.c.doc.controller.undoText();
        f.play({0x90, 60, 96});
        QCOMPARE(f.c.doc.controller.undoText(), undoBefore);
        f.select(f.node);
        f.play({0x90, 64, 90});
        QCOMPARE(f.notes(), chord({"C3:96:100%", "E3:90:100%"}));
    }

    // A foreign event that happens to use the same type number is not
    // read as a played note.
    void foreignEventOfTheSameTypeIsIgnored()
    {
        EntryFixture f;
        QEvent foreign(MidiEvent::MidiEventType);
        QCoreApplication::sendEvent(&f.view, &foreign);
        settle();
        QCOMPARE(f.notes(), QStringLiteral("A2"));
    }
};

VORMA_GUI_TEST_MAIN(TestMidiNoteEntry)
#include "tst_midinoteentry.moc"
