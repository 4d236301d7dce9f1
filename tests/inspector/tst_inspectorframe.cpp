#include "GuiTestMain.h"
#include "InspectorTestSupport.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimeLine>

namespace Keys = QmdVorma::Keys;

// The inspector as its window shows it: pages that follow the selection,
// counts and page changes.
class TestInspectorFrame : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m = std::make_unique<InspectorFixture>();
        a = addNode(m->doc, 0, 0);
        b = addNode(m->doc, 665280, 0);
    }
    void cleanup() { m.reset(); }

    void startsOnTheDocumentPageWithItsTitle()
    {
        QCOMPARE(m->currentPage(), int(Inspector::DocumentPage));
        QCOMPARE(m->dock->windowTitle(), QStringLiteral("Document"));
        QVERIFY(m->inspector->stack()->isEnabled());
        QCOMPARE(m->inspector->width(), 290);
    }

    void selectingANodeBringsItsPageEnabledAndBound()
    {
        setElementKey(m->doc, a, Keys::DontPlayNote, true);
        m->select({a});
        QCOMPARE(m->currentPage(), int(Inspector::NodePage));
        QVERIFY(m->page(Inspector::NodePage)->isEnabled());
        QVERIFY(m->inspector->nodeForm.muteCheckBox->isChecked());
        QCOMPARE(m->dock->windowTitle(), QStringLiteral("Node"));
        QVERIFY(m->inspector->nodeForm.edgeUsageList->isEnabled());

        // A second node keeps the page and binds both: mixed shows unticked.
        m->select({a, b});
        QCOMPARE(m->currentPage(), int(Inspector::NodePage));
        QVERIFY(!m->inspector->nodeForm.muteCheckBox->isChecked());
        QVERIFY(!m->inspector->nodeForm.edgeUsageList->isEnabled());
        QVERIFY(!m->inspector->nodeForm.addEdgeUsageButton->isEnabled());
    }

    void addingAnEdgeEnablesBothPages()
    {
        const QmdItemId edge = addEdge(m->doc, a, b);
        m->select({a});
        m->select({a, edge});
        QCOMPARE(m->currentPage(), int(Inspector::EdgePage));
        QVERIFY(m->page(Inspector::EdgePage)->isEnabled());
        QVERIFY(m->page(Inspector::NodePage)->isEnabled());
        QCOMPARE(m->inspector->selectedIds(1), QmdItemIdSet({edge}));
        QCOMPARE(m->inspector->selectedIds(2), QmdItemIdSet({a}));
    }

    void clearingTheSelectionLeavesThePageDisabledAtItsDefaults()
    {
        setElementKey(m->doc, a, Keys::DontPlayNote, true);
        m->select({a});
        m->select({});
        QCOMPARE(m->currentPage(), int(Inspector::NodePage));
        QVERIFY(!m->page(Inspector::NodePage)->isEnabled());
        QVERIFY(!m->inspector->nodeForm.muteCheckBox->isChecked());
        QCOMPARE(m->inspector->nodeForm.sigMethodChooser->currentIndex(), 0);
    }

    void aTextBoxAloneSwitchesNothingButCounts()
    {
        const QmdItemId box = addTextBox(m->doc);
        QCOMPARE(m->inspector->documentForm.totalTextBoxesLabel->text(), QStringLiteral("1"));
        m->select({box});
        QCOMPARE(m->currentPage(), int(Inspector::DocumentPage));
        for (int page : {Inspector::EdgePage, Inspector::NodePage, Inspector::VoiceGroupPage})
            QVERIFY(!m->page(page)->isEnabled());
        QCOMPARE(m->inspector->selectedIds(3), QmdItemIdSet({box}));
    }

    void removingASelectedElementLowersItsCountAtOnce()
    {
        m->select({a, b});
        QCOMPARE(m->inspector->documentForm.totalNodesLabel->text(), QStringLiteral("2"));
        removeElements(m->doc, {b});
        QCOMPARE(m->inspector->documentForm.totalNodesLabel->text(), QStringLiteral("1"));
        m->select({a});
        QCOMPARE(m->inspector->selectedIds(2), QmdItemIdSet({a}));
    }

    void clickingTheShownPageButtonChangesNothing()
    {
        QAbstractButton *documentButton = m->inspector->buttonGroup()->button(Inspector::DocumentPage);
        const int height = m->inspector->height();
        documentButton->click();
        QCOMPARE(m->currentPage(), int(Inspector::DocumentPage));
        QCOMPARE(m->inspector->height(), height);
        QVERIFY(m->inspector->timeLine()->state() == QTimeLine::NotRunning);
    }

    void dockedPageChangesAreImmediate()
    {
        m->inspector->buttonGroup()->button(Inspector::InstrumentPage)->click();
        QCOMPARE(m->currentPage(), int(Inspector::InstrumentPage));
        QVERIFY(m->inspector->stack()->isVisible());
        QCOMPARE(m->dock->windowTitle(), QStringLiteral("Instrument"));
        // The page buttons are 24 high.
        QCOMPARE(m->inspector->height(), 24 + m->page(Inspector::InstrumentPage)->sizeHint().height());
    }

    void floatingPageChangesAnimateWithThePagesHidden()
    {
        m->dock->setFloating(true);
        settle();
        QElapsedTimer clock;
        clock.start();
        m->inspector->buttonGroup()->button(Inspector::VoiceGroupPage)->click();
        QVERIFY(!m->inspector->stack()->isVisible());
        QCOMPARE(m->inspector->timeLine()->state(), QTimeLine::Running);
        QTRY_VERIFY_WITH_TIMEOUT(m->inspector->stack()->isVisible(), 2000);
        QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m->currentPage(), int(Inspector::VoiceGroupPage));
        QCOMPARE(m->dock->windowTitle(), QStringLiteral("Voice Group"));
    }

    void aWindowLeftBehindNoLongerDrivesTheInspector()
    {
        VormaDocument other;
        other.attach();
        const QmdItemId node = addNode(other, 0, 0);
        FakeInspectedWindow next(&other.controller);
        m->inspector->setVormaWindow(&next);
        next.select({node});
        QTRY_COMPARE(m->currentPage(), int(Inspector::NodePage));

        // A pass over the selection would bring the node's page back.
        m->inspector->buttonGroup()->button(Inspector::DocumentPage)->click();
        m->select({a});
        QCOMPARE(m->currentPage(), int(Inspector::DocumentPage));
        m->inspector->setVormaWindow(m->window.get());
    }

    void loadingADocumentRecountsFromZero()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("three.vrm"));
        addNode(m->doc, 0, 665280);
        m->controller().requestSave(path);
        settle();
        removeElements(m->doc, {a, b});
        QCOMPARE(m->inspector->documentForm.totalNodesLabel->text(), QStringLiteral("1"));
        m->controller().requestLoad(path);
        QTRY_COMPARE(m->inspector->documentForm.totalNodesLabel->text(), QStringLiteral("3"));
        QCOMPARE(m->inspector->documentForm.totalEdgesLabel->text(), QStringLiteral("0"));
    }

private:
    std::unique_ptr<InspectorFixture> m;
    QmdItemId a = 0;
    QmdItemId b = 0;
};

VORMA_GUI_TEST_MAIN(TestInspectorFrame)
#include "tst_inspectorframe.moc"
