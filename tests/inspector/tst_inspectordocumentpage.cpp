#include "GuiTestMain.h"
#include "InspectorTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsLinearLayout>
#include <QGraphicsProxyWidget>
#include <QLineEdit>
#include <QSpinBox>

#include "inspector/VerticalGraphicsListView.h"

namespace Keys = QmdVorma::Keys;

namespace {

QList<QCheckBox *> portBoxes(VerticalGraphicsListView *list)
{
    QList<QCheckBox *> boxes;
    for (int i = 0; i < list->layout()->count(); ++i) {
        auto *proxy = dynamic_cast<QGraphicsProxyWidget *>(list->layout()->itemAt(i));
        boxes.append(proxy ? qobject_cast<QCheckBox *>(proxy->widget()) : nullptr);
    }
    return boxes;
}

QStringList texts(const QList<QCheckBox *> &boxes)
{
    QStringList result;
    for (QCheckBox *box : boxes)
        result.append(box ? box->text() : QStringLiteral("?"));
    return result;
}

} // namespace

// The Document page: root keys, presets and the sync-port lists.
class TestInspectorDocumentPage : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ApplicationServices::registerProvider(&ports);
        m = std::make_unique<InspectorFixture>();
    }
    void cleanup()
    {
        m.reset();
        ApplicationServices::registerProvider(nullptr);
        ports = FakePortServices();
    }

    void portsAreListedInNaturalOrder()
    {
        ports.inputs = {QStringLiteral("In 10"), QStringLiteral("In"), QStringLiteral("In 9")};
        ApplicationServices::notifyMidiInputPortsChanged();
        QCOMPARE(texts(portBoxes(m->inspector->documentForm.midiInputsBox)),
                 QStringList({QStringLiteral("In "), QStringLiteral("In 9 "), QStringLiteral("In 10 ")}));
    }

    void aRescanCreatesEntriesWithoutAnUndoStep()
    {
        ports.outputs = {QStringLiteral("Synth"), QStringLiteral("Clock Out")};
        ApplicationServices::notifyMidiOutputPortsChanged();
        settle();
        const QmdIndex outputs = m->controller().syncMidiOutputsIndex();
        QCOMPARE(m->controller().index(QStringLiteral("Synth"), outputs).isValid(), true);
        QCOMPARE(m->controller().index(QStringLiteral("Clock Out"), outputs).isValid(), true);
        QVERIFY(!m->controller().canUndo());
        QVERIFY(m->controller().isAtCleanState());
    }

    void aMarkedPortGoneOfflineStaysTickedAndAnUnmarkedOneGoes()
    {
        ports.inputs = {QStringLiteral("Keys"), QStringLiteral("Pads")};
        ApplicationServices::notifyMidiInputPortsChanged();
        settle();
        QList<QCheckBox *> boxes = portBoxes(m->inspector->documentForm.midiInputsBox);
        boxes.at(0)->click(); // Keys
        settle();
        QCOMPARE(m->controller().undoText(), QStringLiteral("Midi Sync"));
        const QmdIndex inputs = m->controller().syncMidiInputsIndex();
        QCOMPARE(m->controller().data(Keys::MidiSync, m->controller().index(QStringLiteral("Keys"), inputs)),
                 QVariant(true));

        ports.inputs.clear();
        ApplicationServices::notifyMidiInputPortsChanged();
        settle();
        boxes = portBoxes(m->inspector->documentForm.midiInputsBox);
        QCOMPARE(texts(boxes), QStringList({QStringLiteral("Keys (offline)")}));
        QVERIFY(boxes.at(0)->isChecked());
        QVERIFY(!m->controller().index(QStringLiteral("Pads"), inputs).isValid());
        QCOMPARE(m->controller().undoText(), QStringLiteral("Midi Sync"));

        // Undoing the tick unmarks it; the next rescan lets it go.
        m->controller().requestUndo();
        settle();
        QVERIFY(!portBoxes(m->inspector->documentForm.midiInputsBox).at(0)->isChecked());
        ApplicationServices::notifyMidiInputPortsChanged();
        settle();
        QVERIFY(portBoxes(m->inspector->documentForm.midiInputsBox).isEmpty());
    }

    void aRescanWithoutPortDictionariesWritesNothing()
    {
        m->controller().requestRemove(m->controller().syncMidiInputsIndex(),
                                      QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
        ports.inputs = {QStringLiteral("Keys")};
        m->inspector->documentRescanMidiInputs();
        settle();
        QVERIFY(!m->controller().index(QStringLiteral("Keys")).isValid());
        QVERIFY(portBoxes(m->inspector->documentForm.midiInputsBox).isEmpty());
    }

    void rootKeysAreEditedWithTheirUndoTexts()
    {
        InspectDocForm &f = m->inspector->documentForm;
        f.tempoSpinBox->setValue(133);
        settle();
        QCOMPARE(m->controller().data(Keys::Tempo), QVariant(133));
        QCOMPARE(m->controller().undoText(), QStringLiteral("Tempo"));

        f.titleEdit->setText(QStringLiteral("Rain"));
        emit f.titleEdit->editingFinished();
        settle();
        QCOMPARE(m->controller().data(Keys::Title), QVariant(QStringLiteral("Rain")));
        QCOMPARE(m->controller().undoText(), QStringLiteral("Title"));

        // Finishing an unchanged edit makes no step.
        emit f.titleEdit->editingFinished();
        settle();
        m->controller().requestUndo();
        settle();
        QCOMPARE(m->controller().undoText(), QStringLiteral("Tempo"));
    }

    void outOfRangeValuesShowClampedAndWriteNothing()
    {
        m->controller().requestSetData(Keys::Tempo, 5000, QmdIndex(), QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        m->controller().requestSetData(Keys::DivsPerPrincipal, 0, QmdIndex(),
                                       QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        m->controller().requestSetData(Keys::ScaleMode, 99999u, QmdIndex(),
                                       QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
        InspectDocForm &f = m->inspector->documentForm;
        QCOMPARE(f.tempoSpinBox->value(), 999);
        QCOMPARE(f.divsSpinBox->value(), 1);
        QCOMPARE(f.modeComboBox->currentIndex(), -1);
        QCOMPARE(m->controller().data(Keys::Tempo), QVariant(5000));
        QCOMPARE(m->controller().data(Keys::DivsPerPrincipal), QVariant(0));
        QVERIFY(!m->controller().canUndo());
    }

    void aPresetRecoloursTheButtonsOnce()
    {
        InspectDocForm &f = m->inspector->documentForm;
        const int light = f.presetsComboBox->findText(QStringLiteral("Light"));
        QVERIFY(light >= 0);
        f.presetsComboBox->setCurrentIndex(light);
        settle();
        QCOMPARE(m->controller().undoText(), QStringLiteral("Color Preset: Light"));
        QCOMPARE(f.backgroundColorButton->color(), m->controller().data(Keys::StyleBackgroundColor).value<QColor>());
        // Choosing the preset shown sends nothing.
        f.presetsComboBox->setCurrentIndex(light);
        settle();
        m->controller().requestUndo();
        settle();
        QVERIFY(!m->controller().canUndo());

        // The colour dialog echoing the colour shown writes nothing.
        emit f.nodesColorButton->colorChanged(f.nodesColorButton->color());
        settle();
        QVERIFY(!m->controller().canUndo());
    }

    void thePresetsBoxShowsThePresetTheDocumentHolds()
    {
        QComboBox *presets = m->inspector->documentForm.presetsComboBox;
        QCOMPARE(presets->currentText(), QStringLiteral("Dark"));
        m->controller().requestLoadStylePreset(QStringLiteral("Light"));
        settle();
        QCOMPARE(presets->currentText(), QStringLiteral("Light"));

        // A colour of no preset: the box shows none, and choosing "Light"
        // then applies it again.
        m->controller().requestSetData(Keys::StyleNodesColor, QColor(1, 2, 3), QmdIndex(),
                                       QmdRequestOptions{0, QStringLiteral("Nodes Color"), 0});
        settle();
        QCOMPARE(presets->currentIndex(), -1);
        presets->setCurrentIndex(presets->findText(QStringLiteral("Light")));
        settle();
        QCOMPARE(m->controller().undoText(), QStringLiteral("Color Preset: Light"));

        for (const char *shown : {"", "Light", "Dark"}) {
            m->controller().requestUndo();
            settle();
            QCOMPARE(presets->currentText(), QString::fromLatin1(shown));
        }
        QVERIFY(!m->controller().canUndo());
    }

    void countsAndNoControllerClearTheWidgets()
    {
        m->controller().requestAddInstrument();
        settle();
        QCOMPARE(m->inspector->documentForm.totalInstrumentsLabel->text(),
                 QString::number(m->controller().instrumentIds().size()));
        m->inspector->setController(nullptr);
        QVERIFY(!m->inspector->stack()->isEnabled());
        QCOMPARE(m->inspector->documentForm.tempoSpinBox->value(), 1);
        QCOMPARE(m->inspector->documentForm.totalInstrumentsLabel->text(), QStringLiteral("0"));
        QVERIFY(!m->inspector->documentForm.backgroundColorButton->color().isValid());
    }

private:
    FakePortServices ports;
    std::unique_ptr<InspectorFixture> m;
};

VORMA_GUI_TEST_MAIN(TestInspectorDocumentPage)
#include "tst_inspectordocumentpage.moc"
