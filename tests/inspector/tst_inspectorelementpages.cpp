#include "GuiTestMain.h"
#include "InspectorTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>

namespace Keys = QmdVorma::Keys;

// The Edge, Node and Voice Group pages bound to one or more elements.
class TestInspectorElementPages : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m = std::make_unique<InspectorFixture>();
        nodes = {addNode(m->doc, 0, 0), addNode(m->doc, 665280, 0)};
        edges = {addEdge(m->doc, nodes[0], nodes[1]), addEdge(m->doc, nodes[1], nodes[0])};
        voiceGroups = {addVoiceGroup(m->doc, nodes[0]), addVoiceGroup(m->doc, nodes[1])};
    }
    void cleanup() { m.reset(); }

    void bindingsShowSharedAndMixedValuesAndWriteBoth_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("valueA");
        QTest::addColumn<QVariant>("valueB");
        QTest::addColumn<QVariant>("mixed"); // invalid: the widget keeps what it showed
        QTest::addColumn<QVariant>("edited");
        QTest::addColumn<QString>("undoText");

        const QVariant keep;
        QTest::newRow("path") << 1 << "pathChooser" << "currentIndex" << Keys::Path << QVariant(1) << QVariant(2)
                              << QVariant(0) << QVariant(2) << "Path";
        QTest::newRow("wormhole") << 1 << "wormholeCheckBox" << "checked" << Keys::IsWormhole << QVariant(true)
                                  << QVariant(false) << QVariant(false) << QVariant(true) << "Wormhole";
        QTest::newRow("signalling") << 2 << "sigMethodChooser" << "currentIndex" << Keys::SignallingMethod
                                    << QVariant(1) << QVariant(2) << keep << QVariant(0) << "Signalling";
        QTest::newRow("node mute") << 2 << "muteCheckBox" << "checked" << Keys::DontPlayNote << QVariant(true)
                                   << QVariant(false) << QVariant(false) << QVariant(true) << "Mute";
        QTest::newRow("instrument change") << 2 << "instrumentChangeCheckBox" << "checked"
                                           << Keys::DoInstrumentChange << QVariant(false) << QVariant(true)
                                           << QVariant(false) << QVariant(true) << "Instrument Change";
        QTest::newRow("message list") << 2 << "userMidiMessageListEdit" << "text" << Keys::UserMidiMessageList
                                      << QVariant(QStringLiteral("B0 07 64")) << QVariant(QStringLiteral("C0 01"))
                                      << QVariant(QString()) << QVariant(QStringLiteral("B0 07 10"))
                                      << "Advanced MIDI";
        QTest::newRow("quantization") << 4 << "quantizationChooser" << "currentIndex"
                                      << Keys::TriggeringQuantization << QVariant(3) << QVariant(1) << keep
                                      << QVariant(2) << "Quantization";
        QTest::newRow("pitch list") << 4 << "midiPitchListEdit" << "text" << Keys::TriggeringMidiPitchList
                                    << QVariant(QStringLiteral("C3")) << QVariant(QStringLiteral("D3"))
                                    << QVariant(QString()) << QVariant(QStringLiteral("E3,F3")) << "MIDI Pitch List";
        QTest::newRow("velocity scaling") << 4 << "midiVelocityScalingCheckBox" << "checked"
                                          << Keys::TriggeringMidiVelocityScaling << QVariant(true) << QVariant(false)
                                          << QVariant(false) << QVariant(true) << "MIDI Velocity Scaling";
        QTest::newRow("initial pitch") << 4 << "pitchEdit" << "text" << Keys::InitialPitch
                                       << QVariant(QStringLiteral("C3")) << QVariant(QStringLiteral("A4"))
                                       << QVariant(QString()) << QVariant(QStringLiteral("G2")) << "Initial Pitch";
        QTest::newRow("initial duration") << 4 << "durationEdit" << "text" << Keys::InitialDuration
                                          << QVariant(QStringLiteral("1")) << QVariant(QStringLiteral("0.5"))
                                          << QVariant(QString()) << QVariant(QStringLiteral("2")) << "Initial Duration";
        QTest::newRow("voice group mute") << 4 << "muteCheckBox" << "checked" << Keys::DontPlayNote << QVariant(true)
                                          << QVariant(false) << QVariant(false) << QVariant(true) << "Mute";
        QTest::newRow("use scale") << 4 << "useScaleCheckBox" << "checked" << Keys::UseScale << QVariant(true)
                                   << QVariant(false) << QVariant(false) << QVariant(true) << "Use Scale";
    }

    void bindingsShowSharedAndMixedValuesAndWriteBoth()
    {
        QFETCH(int, type);
        QFETCH(QString, widget);
        QFETCH(QString, property);
        QFETCH(QString, key);
        QFETCH(QVariant, valueA);
        QFETCH(QVariant, valueB);
        QFETCH(QVariant, mixed);
        QFETCH(QVariant, edited);
        QFETCH(QString, undoText);

        const QmdItemIdList ids = type == 1 ? edges : type == 2 ? nodes : voiceGroups;
        const int pageIndex = type == 1 ? Inspector::EdgePage : type == 2 ? Inspector::NodePage
                                                                          : Inspector::VoiceGroupPage;
        QWidget *w = m->page(pageIndex)->findChild<QWidget *>(widget);
        QVERIFY(w);
        const QByteArray name = property.toLatin1();

        setElementKey(m->doc, ids[0], key, valueA);
        setElementKey(m->doc, ids[1], key, valueA);
        const QString stepBefore = m->controller().undoText();
        m->select({ids[0], ids[1]});
        QCOMPARE(m->currentPage(), pageIndex);
        QCOMPARE(w->property(name), valueA);

        setElementKey(m->doc, ids[1], key, valueB);
        if (mixed.isValid())
            QCOMPARE(w->property(name), mixed);

        w->setProperty(name, edited);
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            emit edit->editingFinished();
        settle();
        QCOMPARE(m->controller().elementData(ids[0], key), edited);
        QCOMPARE(m->controller().elementData(ids[1], key), edited);
        QCOMPARE(m->controller().undoText(), undoText);
        m->controller().requestUndo();
        settle();
        QCOMPARE(m->controller().elementData(ids[0], key), valueA);
        QCOMPARE(m->controller().elementData(ids[1], key), valueB);
        QCOMPARE(m->controller().undoText(), stepBefore);
    }

    void nodesWithDifferentNotesShowNoneAndTypingWritesBoth()
    {
        setElementKey(m->doc, nodes[0], Keys::Notes, QStringLiteral("C3:96:100%"));
        setElementKey(m->doc, nodes[1], Keys::Notes, QStringLiteral("D3:96:100%"));
        m->select({nodes[0], nodes[1]});
        NotesEdit *edit = m->inspector->nodeForm.noteListEdit;
        QCOMPARE(edit->toPlainText(), QString());
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("E3:80:50%"));
        settle();
        for (QmdItemId node : nodes)
            QCOMPARE(m->controller().elementData(node, Keys::Notes), QVariant(QStringLiteral("E3:80:50%")));
        QCOMPARE(m->controller().undoText(), QStringLiteral("Notes"));
    }

    // Typing notes is one undo step "Notes" per edit, as a text editor groups
    // typing: every keystroke that leaves valid text is written, but undo
    // takes the whole phrase back. A focus-in, another selection, an undo
    // or a redo starts a new step.
    void typedNotesAreOneStepPerEdit()
    {
        const QString original = QStringLiteral("C3:96:100%");
        setElementKey(m->doc, nodes[0], Keys::Notes, original);
        setElementKey(m->doc, nodes[1], Keys::Notes, QStringLiteral("D3"));
        m->select({nodes[0]});
        NotesEdit *edit = m->inspector->nodeForm.noteListEdit;
        m->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m->window.get()));
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        const auto notes = [this](int node) { return m->controller().elementData(nodes[node], Keys::Notes); };
        const auto type = [edit](const QString &text) {
            edit->moveCursor(QTextCursor::End);
            QTest::keyClicks(edit, text);
            settle();
        };
        const auto undo = [this] {
            m->controller().requestUndo();
            settle();
        };

        type(QStringLiteral(" E3 G3"));
        const QString phrase = original + QStringLiteral(" E3 G3");
        QCOMPARE(notes(0), QVariant(phrase));
        QCOMPARE(m->controller().undoText(), QStringLiteral("Notes"));
        // The editor shows it, its cursor where the phrase was.
        undo();
        QCOMPARE(notes(0), QVariant(original));
        QCOMPARE(edit->toPlainText(), original);
        QCOMPARE(edit->textCursor().position(), original.size());
        m->controller().requestRedo();
        settle();
        QCOMPARE(notes(0), QVariant(phrase));
        QCOMPARE(edit->toPlainText(), phrase);
        QCOMPARE(edit->textCursor().position(), phrase.size());

        // Typed after the redo: a step of its own.
        type(QStringLiteral(" A3"));
        undo();
        QCOMPARE(notes(0), QVariant(phrase));

        // The editor left and entered again.
        type(QStringLiteral(" A3"));
        m->inspector->nodeForm.muteCheckBox->setFocus();
        QTRY_VERIFY(!edit->hasFocus());
        edit->setFocus();
        QTRY_VERIFY(edit->hasFocus());
        type(QStringLiteral(" B3"));
        undo();
        QCOMPARE(notes(0), QVariant(phrase + QStringLiteral(" A3")));

        // Another node selected while the editor keeps the focus.
        type(QStringLiteral(" B3"));
        m->select({nodes[1]});
        QVERIFY(edit->hasFocus());
        type(QStringLiteral(" F3"));
        QCOMPARE(notes(1), QVariant(QStringLiteral("D3 F3")));
        undo();
        QCOMPARE(notes(1), QVariant(QStringLiteral("D3")));
        QCOMPARE(notes(0), QVariant(phrase + QStringLiteral(" A3 B3")));
    }

    void onlyASingleEdgeOrNodeGetsItsListEditor()
    {
        m->select({edges[0]});
        QVERIFY(m->inspector->edgeForm.ccListEdit->isEnabled());
        m->select({edges[0], edges[1]});
        QVERIFY(!m->inspector->edgeForm.ccListEdit->isEnabled());
        m->select({nodes[0]});
        QVERIFY(m->inspector->nodeForm.addEdgeUsageButton->isEnabled());
        m->select({nodes[0], nodes[1]});
        QVERIFY(!m->inspector->nodeForm.addEdgeUsageButton->isEnabled());
    }

    void anInvalidDurationIsNeverWritten()
    {
        setElementKey(m->doc, voiceGroups[0], Keys::InitialDuration, QStringLiteral("1"));
        m->select({voiceGroups[0]});
        const QString stepBefore = m->controller().undoText();
        QLineEdit *edit = m->inspector->voiceGroupForm.durationEdit;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("1.2.3x"));
        edit->setText(QStringLiteral("12345"));
        QTest::keyClick(edit, Qt::Key_Return);
        settle();
        QCOMPARE(m->controller().elementData(voiceGroups[0], Keys::InitialDuration), QVariant(QStringLiteral("1")));
        QCOMPARE(m->controller().undoText(), stepBefore);
    }

    void checkBoxesRuleTheirRowsAfterRebinding()
    {
        setElementKey(m->doc, nodes[0], Keys::DoInstrumentChange, false);
        setElementKey(m->doc, nodes[1], Keys::DoInstrumentChange, true);
        m->select({nodes[0]});
        QVERIFY(!m->inspector->nodeForm.instrumentComboBox->isEnabled());
        m->select({nodes[1]});
        QVERIFY(m->inspector->nodeForm.instrumentComboBox->isEnabled());

        setElementKey(m->doc, voiceGroups[0], Keys::UseScale, true);
        setElementKey(m->doc, voiceGroups[1], Keys::UseScale, false);
        m->select({voiceGroups[0]});
        QVERIFY(m->inspector->voiceGroupForm.keyComboBox->isEnabled());
        m->select({voiceGroups[1]});
        QVERIFY(!m->inspector->voiceGroupForm.keyComboBox->isEnabled());
        QVERIFY(!m->inspector->voiceGroupForm.modeLabel->isEnabled());
        m->inspector->voiceGroupForm.useScaleCheckBox->click();
        QVERIFY(m->inspector->voiceGroupForm.modeComboBox->isEnabled());
    }

    void anInstrumentIsChosenByKey()
    {
        m->controller().requestAddInstrument();
        settle();
        const QmdItemIdList instruments = m->controller().instrumentIds();
        QVERIFY(!instruments.isEmpty());
        setElementKey(m->doc, nodes[0], Keys::Instrument, instruments.first());
        m->select({nodes[0]});
        QwpComboBox *box = m->inspector->nodeForm.instrumentComboBox;
        QCOMPARE(box->currentKey().toUInt(), instruments.first());
    }

private:
    std::unique_ptr<InspectorFixture> m;
    QmdItemIdList nodes;
    QmdItemIdList edges;
    QmdItemIdList voiceGroups;
};

VORMA_GUI_TEST_MAIN(TestInspectorElementPages)
#include "tst_inspectorelementpages.moc"
