#include "inspector/ControllerTestSupport.h"
#include "GuiTestMain.h"

#include "inspector/CCItemSpawner.h"
#include "inspector/CCListEditScrollArea.h"
#include "widgets/WheellessChooser.h"

#include <QBoxLayout>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace Keys = QmdVorma::Keys;

namespace {

// The entry ids of the rows, top to bottom, then 0 for the spawner.
QList<QmdItemId> rowOrder(EdgeFixture &f)
{
    QList<QmdItemId> order;
    QLayout *layout = f.list.layout();
    for (int i = 0; i < layout->count(); ++i) {
        QWidget *w = layout->itemAt(i)->widget();
        if (!w)
            continue;
        auto *row = qobject_cast<CCItemEdit *>(w);
        order << (row ? row->entryIndex().itemId() : 0);
    }
    return order;
}

void chooseTab(CCItem *row, int tab)
{
    row->curveTypeChooser->setCurrentIndex(tab);
    settle();
}

} // namespace

class TestCCListEdit : public QObject
{
    Q_OBJECT

private slots:
    void withoutEdgeOnlyTheSpawner();
    void firstSelectionMakesTheDictionaryOutsideUndo();
    void spawnerAddsOneControllerInOneStep_data();
    void spawnerAddsOneControllerInOneStep();
    void noneRemovesTheRowInTheSameStep();
    void rowsFollowEntriesInOrderWithAlternatingBackgrounds();
    void curveTypeChangeCompletesPointsAndUndoKeepsRedo();
    void scrollAreaKeepsTheListAsWideAsTheView();
};

void TestCCListEdit::withoutEdgeOnlyTheSpawner()
{
    EdgeFixture f;
    QSignalSpy requests(&f.controller(), &QmdController::requestFinished);
    f.list.setEdge(0);
    settle();
    QCOMPARE(rowOrder(f), QList<QmdItemId>{0});
    QVERIFY(!f.list.spawner()->editContainer->isVisibleTo(&f.list));
    QCOMPARE(requests.count(), 0);
    // A node is no edge: it gets no controllers.
    f.list.setEdge(f.controller().elementIds().first());
    settle();
    QCOMPARE(requests.count(), 0);
    QCOMPARE(rowOrder(f), QList<QmdItemId>{0});
}

void TestCCListEdit::firstSelectionMakesTheDictionaryOutsideUndo()
{
    EdgeFixture f;
    const QmdIndex edge = f.controller().elementIndex(f.edge);
    // An edge from a file may come without the dictionary.
    f.controller().requestRemove(Keys::ContinuousControllers, edge, QmdRequestOptions{Qmd::NoUndo, QString(), 0});
    settle();
    QVERIFY(!f.controller().index(Keys::ContinuousControllers, edge).isValid());
    const QString undoText = f.controller().undoText();
    f.select();
    QCOMPARE(f.controller().type(f.controllers()), Qmd::IntDict);
    QCOMPARE(f.controller().undoText(), undoText);
    QVERIFY(!f.controller().canRedo());
}

void TestCCListEdit::spawnerAddsOneControllerInOneStep_data()
{
    QTest::addColumn<bool>("autoLsb");
    QTest::addColumn<int>("lsb");
    QTest::newRow("plain") << false << -1;
    QTest::newRow("auto LSB") << true << 33;
}

void TestCCListEdit::spawnerAddsOneControllerInOneStep()
{
    QFETCH(bool, autoLsb);
    EdgeFixture f;
    f.settings.values.insert(controllersAutoLsbKey(), autoLsb);
    f.select();
    chooseTab(f.list.spawner(), QmdVorma::LinearCurve);
    const QmdItemIdList ids = f.controller().itemIds(f.controllers());
    QCOMPARE(ids.size(), 1);
    const QmdItemId id = ids.first();
    QCOMPARE(f.value(id, Keys::CurveType).toInt(), 2);
    QCOMPARE(f.value(id, Keys::MsbCode).toInt(), 1);
    QTEST(f.value(id, Keys::LsbCode).toInt(), "lsb");
    QCOMPARE(f.points(id), poly({{0, 0}, {1, 0}}));
    QCOMPARE(f.controller().undoText(), QStringLiteral("Controller"));
    QCOMPARE(f.list.spawner()->curveTypeChooser->currentIndex(), 0);
    QCOMPARE(rowOrder(f), QList<QmdItemId>({id, 0}));
    undo(f.doc);
    QVERIFY(f.controller().itemIds(f.controllers()).isEmpty());
    QCOMPARE(rowOrder(f), QList<QmdItemId>{0});
    // "None" on the spawner adds nothing.
    chooseTab(f.list.spawner(), QmdVorma::LinearCurve);
    chooseTab(f.list.spawner(), QmdVorma::NoCurve);
    QCOMPARE(f.controller().itemIds(f.controllers()).size(), 1);
}

void TestCCListEdit::noneRemovesTheRowInTheSameStep()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::CubicCurve, 7, -1);
    f.set(id, Keys::CurvePoints, QVariant::fromValue(poly({{0, 5}, {0.5, 9}, {1, 5}})));
    chooseTab(f.row(id), QmdVorma::NoCurve);
    QVERIFY(!f.entry(id).isValid());
    QCOMPARE(rowOrder(f), QList<QmdItemId>{0});
    undo(f.doc);
    QCOMPARE(f.value(id, Keys::CurveType).toInt(), 3);
    QCOMPARE(f.points(id), poly({{0, 5}, {0.5, 9}, {1, 5}}));
    QCOMPARE(rowOrder(f), QList<QmdItemId>({id, 0}));
    QCOMPARE(f.row(id)->curveTypeChooser->currentIndex(), 3);
    redo(f.doc);
    QVERIFY(!f.entry(id).isValid());
}

void TestCCListEdit::rowsFollowEntriesInOrderWithAlternatingBackgrounds()
{
    EdgeFixture f;
    f.select();
    const QmdItemId a = f.addController(QmdVorma::SingleValue, 1, -1);
    const QmdItemId b = f.addController(QmdVorma::LinearCurve, 7, -1);
    const QmdItemId c = f.addController(QmdVorma::CubicCurve, 10, -1);
    QCOMPARE(rowOrder(f), QList<QmdItemId>({a, b, c, 0}));
    // Selecting the edge again builds the same rows.
    f.list.setEdge(0);
    f.select();
    QCOMPARE(rowOrder(f), QList<QmdItemId>({a, b, c, 0}));
    QLayout *layout = f.list.layout();
    for (int j = 0; j < 4; ++j)
        QVERIFY(layout->itemAt(j)->widget()->styleSheet().contains(j % 2 ? "rgba(130, 130, 130, 97)"
                                                                         : "rgba(190, 190, 190, 97)"));
    chooseTab(f.row(b), QmdVorma::NoCurve);
    QCOMPARE(rowOrder(f), QList<QmdItemId>({a, c, 0}));
    QVERIFY(layout->itemAt(1)->widget()->styleSheet().contains("rgba(130, 130, 130, 97)"));
    QVERIFY(layout->itemAt(2)->widget()->styleSheet().contains("rgba(190, 190, 190, 97)"));
}

void TestCCListEdit::curveTypeChangeCompletesPointsAndUndoKeepsRedo()
{
    EdgeFixture f;
    f.select();
    const QmdItemId id = f.addController(QmdVorma::SingleValue, 1, -1);
    f.list.setEdge(0);
    settle();
    // One point at 300, as an older file may hold it.
    f.doc.write([&](QmdDirectModelInterface &d) {
        d.setData(Keys::CurvePoints, QVariant::fromValue(poly({{0.25, 300}})), f.entry(id));
    });
    settle();
    f.select();
    QCOMPARE(f.points(id), poly({{0.25, 300}}));
    chooseTab(f.row(id), QmdVorma::LinearCurve);
    QCOMPARE(f.points(id), poly({{0, 300}, {0.25, 300}, {1, 300}}));
    undo(f.doc);
    QCOMPARE(f.value(id, Keys::CurveType).toInt(), 1);
    QCOMPARE(f.points(id), poly({{0.25, 300}}));
    QVERIFY(f.controller().canRedo());
    redo(f.doc);
    QCOMPARE(f.points(id), poly({{0, 300}, {0.25, 300}, {1, 300}}));
}

void TestCCListEdit::scrollAreaKeepsTheListAsWideAsTheView()
{
    CCListEditScrollArea area; // outlives the list it holds
    EdgeFixture f;
    area.setWidgetResizable(true);
    area.setWidget(&f.list);
    area.resize(300, 120);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    f.select();
    f.addController(QmdVorma::LinearCurve, 1, -1);
    f.addController(QmdVorma::LinearCurve, 1, -1);
    area.resize(320, 120);
    QTRY_COMPARE(f.list.width(), area.viewport()->width());
    QCOMPARE(area.horizontalScrollBar()->maximum(), 0);
}

VORMA_GUI_TEST_MAIN(TestCCListEdit)
#include "tst_cclistedit.moc"
