#include "GuiTestMain.h"
#include "InspectorTestSupport.h"

#include "inspector/InstrumentsView.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QPushButton>

namespace Keys = QmdVorma::Keys;

// The Instrument page: the list, adding and removing, and the bound editors.
class TestInspectorInstrumentPage : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ApplicationServices::registerProvider(&ports);
        m = std::make_unique<InspectorFixture>();
        while (m->controller().instrumentIds().size() < 2) {
            m->controller().requestAddInstrument();
            settle();
        }
        ids = m->controller().instrumentIds();
    }
    void cleanup()
    {
        m.reset();
        ApplicationServices::registerProvider(nullptr);
        ports = FakePortServices();
    }

    void nothingSelectedDisablesTheEditors()
    {
        QVERIFY(!m->inspector->instrumentForm.editFrame->isEnabled());
        QCOMPARE(m->inspector->instrumentForm.labelEdit->text(), QString());
    }

    void twoColoursShowNoneAndChoosingOneWritesBoth()
    {
        setInstrument(ids[0], Keys::Color, QColor(Qt::red));
        setInstrument(ids[1], Keys::Color, QColor(Qt::blue));
        selectAll();
        InspectInstrumentForm &f = m->inspector->instrumentForm;
        QVERIFY(f.editFrame->isEnabled());
        QVERIFY(!f.colorButton->color().isValid());
        f.colorButton->setColor(QColor(Qt::green));
        settle();
        QCOMPARE(m->controller().instrumentData(ids[0], Keys::Color).value<QColor>(), QColor(Qt::green));
        QCOMPARE(m->controller().instrumentData(ids[1], Keys::Color).value<QColor>(), QColor(Qt::green));
        QCOMPARE(m->controller().undoText(), QStringLiteral("Color"));
    }

    void programChangeRulesTheProgramBoxes()
    {
        setInstrument(ids[0], Keys::MidiDoProgramChange, true);
        setInstrument(ids[1], Keys::MidiDoProgramChange, false);
        selectAll();
        InspectInstrumentForm &f = m->inspector->instrumentForm;
        QVERIFY(!f.midiProgramChangeCheckBox->isChecked());
        QVERIFY(!f.midiProgramChangeGroupBox->isEnabled());
        f.midiProgramChangeCheckBox->click();
        settle();
        QVERIFY(f.midiProgramChangeGroupBox->isEnabled());
        QCOMPARE(m->controller().instrumentData(ids[1], Keys::MidiDoProgramChange), QVariant(true));
    }

    void deleteAndBackspaceRemoveTheSelectionInOneStep_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Delete") << int(Qt::Key_Delete);
        QTest::newRow("Backspace") << int(Qt::Key_Backspace);
    }

    void deleteAndBackspaceRemoveTheSelectionInOneStep()
    {
        QFETCH(int, key);
        const int before = m->controller().instrumentIds().size();
        selectAll();
        InstrumentsView *list = m->inspector->instrumentForm.listView;
        list->setFocus();
        // The window's own shortcuts must not get the key first.
        QKeyEvent override(QEvent::ShortcutOverride, key, Qt::NoModifier);
        QApplication::sendEvent(list, &override);
        QVERIFY(override.isAccepted());
        QTest::keyClick(list, Qt::Key(key));
        settle();
        QCOMPARE(m->controller().instrumentIds().size(), before - ids.size());
        QCOMPARE(m->controller().undoText(), QStringLiteral("Remove"));
        QCOMPARE(m->inspector->documentForm.totalInstrumentsLabel->text(), QString::number(before - ids.size()));
    }

    void theAddButtonAddsOne()
    {
        const int before = m->controller().instrumentIds().size();
        m->inspector->instrumentForm.listAddButton->click();
        settle();
        QCOMPARE(m->controller().instrumentIds().size(), before + 1);
        QCOMPARE(m->inspector->documentForm.totalInstrumentsLabel->text(), QString::number(before + 1));
    }

    void aRefillWithoutTheShownPortSelectsNothingAndWritesNothing()
    {
        ports.outputList = QStringList{QStringLiteral("Synth"), QStringLiteral("Synth 2")};
        ApplicationServices::notifyMidiOutputPortsChanged();
        setInstrument(ids[0], Keys::MidiPort, QStringLiteral("Synth 2"));
        list()->selectionModel()->select(list()->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
        settle();
        QwpComboBox *box = m->inspector->instrumentForm.midiPortsComboBox;
        QCOMPARE(box->currentText(), QStringLiteral("Synth 2"));
        const bool couldUndo = m->controller().canUndo();

        ports.outputList = QStringList{QStringLiteral("Synth")};
        ApplicationServices::notifyMidiOutputPortsChanged();
        settle();
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(m->controller().instrumentData(ids[0], Keys::MidiPort), QVariant(QStringLiteral("Synth 2")));
        QCOMPARE(m->controller().canUndo(), couldUndo);
    }

    void typingALabelWritesAtEveryKeystroke()
    {
        list()->selectionModel()->select(list()->model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
        settle();
        QLineEdit *edit = m->inspector->instrumentForm.labelEdit;
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("Bass"));
        settle();
        const QmdItemId id = list()->selectedInstrumentIds().value(0);
        QCOMPARE(m->controller().instrumentData(id, Keys::Label), QVariant(QStringLiteral("Bass")));
    }

private:
    InstrumentsView *list() const { return m->inspector->instrumentForm.listView; }

    void selectAll()
    {
        list()->selectAll();
        settle();
    }

    void setInstrument(QmdItemId id, const QString &key, const QVariant &value)
    {
        m->controller().requestSetData(key, value, m->controller().instrumentIndex(id),
                                       QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
    }

    FakePortServices ports;
    std::unique_ptr<InspectorFixture> m;
    QmdItemIdList ids;
};

VORMA_GUI_TEST_MAIN(TestInspectorInstrumentPage)
#include "tst_inspectorinstrumentpage.moc"
