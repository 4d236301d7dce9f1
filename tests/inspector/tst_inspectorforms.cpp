#include "GuiTestMain.h"

#include "inspector/InspectDocForm.h"
#include "inspector/InspectEdgeForm.h"
#include "inspector/InspectInstrumentForm.h"
#include "inspector/InspectNodeForm.h"
#include "inspector/InspectVoiceGroupForm.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>

#include <memory>

// The five page forms as built, before the inspector sets them up.
class TestInspectorForms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InspectDocForm doc;
        InspectInstrumentForm instrument;
        InspectEdgeForm edge;
        InspectNodeForm node;
        InspectVoiceGroupForm voiceGroup;
        for (auto *page : {&docPage, &instrumentPage, &edgePage, &nodePage, &voiceGroupPage})
            *page = std::make_unique<QWidget>();
        doc.setupUi(docPage.get());
        instrument.setupUi(instrumentPage.get());
        edge.setupUi(edgePage.get());
        node.setupUi(nodePage.get());
        voiceGroup.setupUi(voiceGroupPage.get());
    }

    void pagesAreNamedTitledAndSized_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QSize>("size");
        QTest::newRow("doc") << "InspectDocForm" << "Document" << QSize(266, 622);
        QTest::newRow("instrument") << "InspectInstrumentForm" << "Instrument" << QSize(273, 418);
        QTest::newRow("edge") << "InspectEdgeForm" << "Edge" << QSize(177, 566);
        QTest::newRow("node") << "InspectNodeForm" << "Node" << QSize(325, 441);
        QTest::newRow("voice group") << "InspectVoiceGroupForm" << "Voice Group" << QSize(297, 406);
    }

    void pagesAreNamedTitledAndSized()
    {
        QFETCH(QString, form);
        QFETCH(QString, title);
        QFETCH(QSize, size);
        QWidget *page = pageOf(form);
        QCOMPARE(page->objectName(), form);
        QCOMPARE(page->windowTitle(), title);
        QCOMPARE(page->size(), size);
    }

    void widgetsHaveTheirNamesAndClasses_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        const struct {
            const char *form, *name, *className;
        } rows[] = {
            {"InspectDocForm", "tempoSpinBox", "QSpinBox"},
            {"InspectDocForm", "label", "SectionLabel"},
            {"InspectDocForm", "commentsEdit", "QPlainTextEditPlus"},
            {"InspectDocForm", "keyComboBox", "QwpComboBox"},
            {"InspectDocForm", "modeComboBox", "QwpComboBox"},
            {"InspectDocForm", "presetsComboBox", "QComboBox"},
            {"InspectDocForm", "backgroundColorButton", "ColorChooserButton"},
            {"InspectDocForm", "edgesColorButton", "ColorChooserButton"},
            {"InspectDocForm", "midiInputsBox", "VerticalGraphicsListView"},
            {"InspectDocForm", "midiOutputsBox", "VerticalGraphicsListView"},
            {"InspectDocForm", "totalTextBoxesLabel", "QLabel"},
            {"InspectInstrumentForm", "listView", "InstrumentsView"},
            {"InspectInstrumentForm", "colorButton", "ColorChooserButton"},
            {"InspectInstrumentForm", "midiPortsComboBox", "QwpComboBox"},
            {"InspectInstrumentForm", "midiChannelsBox", "ChannelsBox"},
            {"InspectInstrumentForm", "midiProgramChangeGroupBox", "QGroupBox"},
            {"InspectEdgeForm", "pathChooser", "Chooser"},
            {"InspectEdgeForm", "wormholeCheckBox", "QCheckBox"},
            {"InspectEdgeForm", "ccListEditScrollArea", "CCListEditScrollArea"},
            {"InspectEdgeForm", "ccListEdit", "CCListEdit"},
            {"InspectNodeForm", "sigMethodChooser", "Chooser"},
            {"InspectNodeForm", "edgeUsageList", "EdgeUsageListEditor"},
            {"InspectNodeForm", "instrumentComboBox", "QwpComboBox"},
            {"InspectNodeForm", "noteListEdit", "NotesEdit"},
            {"InspectNodeForm", "userMidiMessageListEdit", "UserMidiMessageListEdit"},
            {"InspectVoiceGroupForm", "quantizationChooser", "Chooser"},
            {"InspectVoiceGroupForm", "durationEdit", "QLineEdit"},
            {"InspectVoiceGroupForm", "midiPitchListEdit", "PitchListEdit"},
            {"InspectVoiceGroupForm", "pitchEdit", "PitchSingleEdit"},
            {"InspectVoiceGroupForm", "velocityEdit", "VelocitySingleEdit"},
            {"InspectVoiceGroupForm", "keyComboBox", "QwpComboBox"},
        };
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.form << row.name << row.className;
    }

    void widgetsHaveTheirNamesAndClasses()
    {
        QFETCH(QString, form);
        QFETCH(QString, name);
        QFETCH(QString, className);
        QWidget *w = pageOf(form)->findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
    }

    void initialStates_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        const struct {
            const char *form, *name, *property;
            QVariant value;
        } rows[] = {
            {"InspectDocForm", "tabWidget", "currentIndex", 0},
            {"InspectDocForm", "totalInstrumentsLabel", "text", QStringLiteral("0")},
            {"InspectDocForm", "totalNodesLabel", "text", QStringLiteral("0")},
            {"InspectDocForm", "principalsSpinBox", "maximum", 128},
            {"InspectDocForm", "divsSpinBox", "maximum", 64},
            {"InspectDocForm", "tempoSpinBox", "maximum", 99},
            {"InspectDocForm", "tempoSpinBox", "suffix", QStringLiteral(" bpm")},
            {"InspectInstrumentForm", "midiProgramChangeCheckBox", "checked", true},
            {"InspectInstrumentForm", "midiProgramSpinBox", "minimum", 1},
            {"InspectInstrumentForm", "midiBankLSBSpinBox", "maximum", 127},
            {"InspectEdgeForm", "wormholeCheckBox", "checked", false},
            {"InspectNodeForm", "instrumentChangeCheckBox", "checked", true},
            {"InspectNodeForm", "muteCheckBox", "checked", false},
            {"InspectVoiceGroupForm", "useScaleCheckBox", "checked", false},
            {"InspectVoiceGroupForm", "muteCheckBox", "checked", false},
            {"InspectVoiceGroupForm", "midiVelocityScalingCheckBox", "checked", false},
            {"InspectVoiceGroupForm", "noteLabel", "enabled", false},
        };
        for (const auto &row : rows)
            QTest::newRow(QByteArray(row.name).append('.').append(row.property).constData())
                << row.form << row.name << row.property << row.value;
    }

    void initialStates()
    {
        QFETCH(QString, form);
        QFETCH(QString, name);
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QObject *w = pageOf(form)->findChild<QObject *>(name);
        QVERIFY(w);
        QCOMPARE(w->property(property.toLatin1()), value);
    }

    void checkBoxesEnableTheirRows()
    {
        auto *change = nodePage->findChild<QAbstractButton *>(QStringLiteral("instrumentChangeCheckBox"));
        auto *instrument = nodePage->findChild<QWidget *>(QStringLiteral("instrumentComboBox"));
        change->click();
        QVERIFY(!instrument->isEnabled());
        change->click();
        QVERIFY(instrument->isEnabled());

        auto *useScale = voiceGroupPage->findChild<QAbstractButton *>(QStringLiteral("useScaleCheckBox"));
        useScale->click();
        useScale->click();
        for (const char *name : {"keyComboBox", "modeComboBox", "keyLabel", "modeLabel"})
            QVERIFY(!voiceGroupPage->findChild<QWidget *>(QLatin1String(name))->isEnabled());
        // The note stays greyed whatever its page does.
        voiceGroupPage->setEnabled(true);
        QVERIFY(!voiceGroupPage->findChild<QWidget *>(QStringLiteral("noteLabel"))->isEnabled());
    }

private:
    QWidget *pageOf(const QString &form) const
    {
        for (const auto *page : {&docPage, &instrumentPage, &edgePage, &nodePage, &voiceGroupPage})
            if ((*page)->objectName() == form)
                return page->get();
        return nullptr;
    }

    std::unique_ptr<QWidget> docPage, instrumentPage, edgePage, nodePage, voiceGroupPage;
};

VORMA_GUI_TEST_MAIN(TestInspectorForms)
#include "tst_inspectorforms.moc"
