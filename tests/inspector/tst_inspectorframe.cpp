#include "GuiTestMain.h"
#include "InspectorTestSupport.h"

#include "inspector/CCItemEdit.h"
#include "inspector/CCListEdit.h"
#include "inspector/CCListEditScrollArea.h"
#include "widgets/ChannelsBox.h"
#include "widgets/WheellessQwpComboBox.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QButtonGroup>
#include <QComboBox>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimeLine>

namespace Keys = QmdVorma::Keys;

namespace {

// A widget inside a list that scrolls its content, where a widget reaching
// past the edge is meant to: the edge usage tiles, the MIDI port lists. The
// controller rows are kept to the width of theirs.
bool scrollsItsContent(QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        auto *area = qobject_cast<QAbstractScrollArea *>(p);
        if (area && !qobject_cast<CCListEditScrollArea *>(area) && area->viewport()->isAncestorOf(w))
            return true;
    }
    return false;
}

// The least size a layout gives the widget, as Qt's layouts reckon it.
QSize leastSize(const QWidget *w)
{
    const auto least = [](QSizePolicy::Policy policy, int hint, int minimumHint, int minimum) {
        int size = 0;
        if (policy != QSizePolicy::Ignored)
            size = policy & QSizePolicy::ShrinkFlag ? minimumHint : qMax(hint, minimumHint);
        return minimum > 0 ? minimum : size;
    };
    const QSizePolicy policy = w->sizePolicy();
    const QSize size(least(policy.horizontalPolicy(), w->sizeHint().width(), w->minimumSizeHint().width(),
                           w->minimumWidth()),
                     least(policy.verticalPolicy(), w->sizeHint().height(), w->minimumSizeHint().height(),
                           w->minimumHeight()));
    QSize bounded = size.boundedTo(w->maximumSize());
    // Word-wrapped text needs the height of its lines at the width it has.
    if (w->hasHeightForWidth())
        bounded.setHeight(qMax(bounded.height(), w->heightForWidth(w->width())));
    return bounded;
}

// The channel grid sizes its own buttons to their texts (tested with it),
// narrower than the style's least push button.
bool inChannelGrid(const QWidget *w)
{
    return qobject_cast<const ChannelsBox *>(w->parentWidget());
}

} // namespace

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
        QVERIFY(m->inspector->width() >= 290);
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

    void nothingIsClippedAtTheRunningFont_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("default font") << 1.0;
        QTest::newRow("1.5 times") << 1.5;
    }

    void nothingIsClippedAtTheRunningFont()
    {
        QFETCH(double, scale);
        const QFont original = QApplication::font();
        const auto restore = qScopeGuard([original] { QApplication::setFont(original); });
        QFont font = original;
        font.setPointSizeF(original.pointSizeF() * scale);
        m.reset();
        QApplication::setFont(font);
        m = std::make_unique<InspectorFixture>();
        const QmdItemId edge = addEdge(m->doc, addNode(m->doc, 0, 0), addNode(m->doc, 665280, 0));
        for (int curveType : {2, 3}) // linear and cubic, each with MSB and LSB
            m->controller().requestAddControllerToEdge(m->controller().elementIndex(edge),
                                                       QmdVorma::ControllerCurveType(curveType), 7, 39,
                                                       QmdRequestOptions{0, QStringLiteral("Controller"), 0});
        m->select({edge});
        Inspector *inspector = m->inspector;
        QVERIFY(inspector->width() >= 290);
        QCOMPARE(inspector->edgeForm.ccListEdit->rows().size(), 2);

        for (int page = Inspector::DocumentPage; page <= Inspector::VoiceGroupPage; ++page) {
            inspector->buttonGroup()->button(page)->click();
            settle();
            const QList<QWidget *> widgets = m->page(page)->findChildren<QWidget *>();
            for (QWidget *w : widgets) {
                if (!w->isVisible() || scrollsItsContent(w))
                    continue;
                const QString what = QStringLiteral("%1 %2 on page %3, %4 by %5")
                                         .arg(QLatin1String(w->metaObject()->className()), w->objectName())
                                         .arg(page)
                                         .arg(w->width())
                                         .arg(w->height());
                const QSize least = leastSize(w);
                QVERIFY2(inChannelGrid(w) || (w->width() >= least.width() && w->height() >= least.height()),
                         qPrintable(what));
                // Within its parent across (the controller list scrolls down).
                QVERIFY2(w->x() >= 0 && w->geometry().right() < w->parentWidget()->width(), qPrintable(what));
                QVERIFY2(w->mapTo(inspector, QPoint(w->width(), 0)).x() <= inspector->width(), qPrintable(what));
            }
        }
        // The code boxes show a long controller name partly rather than
        // widen the inspector to the longest.
        const QComboBox *codes = inspector->edgeForm.ccListEdit->rows().values().first()->msbComboBox;
        int longest = 0;
        for (int i = 0; i < codes->count(); ++i)
            longest = qMax(longest, codes->fontMetrics().horizontalAdvance(codes->itemText(i)));
        QVERIFY(codes->minimumSizeHint().width() < longest);
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
