#include "inspector/EdgeUsageListEditor.h"
#include "inspector/EdgeUsageTile.h"

#include "GuiTestMain.h"
#include "QmdVorma/EditingTestSupport.h"
#include "QmdVorma/InstrumentPalette.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

namespace Keys = QmdVorma::Keys;

namespace {

// A node with two outgoing edges, shown in an editor of one row of tiles.
struct UsageFixture
{
    VormaDocument doc;
    EdgeUsageListEditor editor;
    QmdItemId node = 0;
    QmdItemId a = 0;
    QmdItemId b = 0;

    UsageFixture()
    {
        doc.attach();
        node = addNode(doc, 0, 0);
        a = addEdge(doc, node, addNode(doc, 665280, 0));
        b = addEdge(doc, node, addNode(doc, 0, 665280));
        editor.setFixedSize(200, 40);
        editor.setController(&doc.controller);
        editor.setNode(node);
        editor.show();
        QApplication::setActiveWindow(&editor);
        Q_UNUSED(QTest::qWaitForWindowActive(&editor));
    }

    QString usage() const { return doc.controller.elementData(node, Keys::ArcUsageList).toString(); }

    void setUsage(const QString &text)
    {
        doc.controller.requestSetData(Keys::ArcUsageList, text, doc.controller.elementIndex(node),
                                      QmdRequestOptions{0, QStringLiteral("Set"), 0});
        settle();
    }

    // The text with %1 and %2 standing for the two edges.
    QString fill(QString text) const
    {
        return text.replace(QLatin1String("%1"), QString::number(a)).replace(QLatin1String("%2"), QString::number(b));
    }

    QString entry(QmdItemId edge, int uses) const { return QStringLiteral("%1=%2").arg(edge).arg(uses); }

    QPoint centre(int tile) const
    {
        return editor.mapFromScene(editor.tiles().at(tile)->sceneBoundingRect().center());
    }

    void mouse(QEvent::Type type, QPoint pos)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pos, editor.viewport()->mapToGlobal(pos),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(editor.viewport(), &event);
    }

    void click(int tile)
    {
        mouse(QEvent::MouseButtonPress, centre(tile));
        mouse(QEvent::MouseButtonRelease, centre(tile));
    }
};

QList<int> usesOf(const EdgeUsageListEditor &editor)
{
    QList<int> uses;
    for (const EdgeUsageTile *tile : editor.tiles())
        uses << tile->uses();
    return uses;
}

} // namespace

class TestEdgeUsageListEditor : public QObject
{
    Q_OBJECT

private slots:
    void listRoundTrips_data();
    void listRoundTrips();
    void clickWritesOnce();
    void dragPastNeighbourSwapsInOneStep();
    void dragStaysOnTheRow();
    void doubleClickEditsCount();
    void deleteRemovesSelectedTile();
    void addMenuAppendsEdges();
    void nodeWithoutEdgesOffersNone();
    void followsChangesMadeElsewhere();
};

void TestEdgeUsageListEditor::listRoundTrips_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("uses");
    QTest::addColumn<QString>("written");
    QTest::newRow("repeated edge, infinite use") << "%1=1,%2=0,%1=2" << QList<int>{1, 0, 2} << "%1=1,%2=0,%1=2";
    QTest::newRow("empty items") << ",%1=3,,%2=2," << QList<int>{3, 2} << "%1=3,%2=2";
    QTest::newRow("missing edge, large count") << "999=150" << QList<int>{150} << "999=150";
    QTest::newRow("not numbers") << "%1=x,y" << QList<int>{0, 0} << "%1=0,0=0";
    QTest::newRow("empty") << "" << QList<int>{} << "";
}

void TestEdgeUsageListEditor::listRoundTrips()
{
    QFETCH(QString, text);
    QFETCH(QList<int>, uses);
    QFETCH(QString, written);
    UsageFixture f;
    f.setUsage(f.fill(text));
    f.editor.sync();
    QCOMPARE(usesOf(f.editor), uses);
    QCOMPARE(f.editor.usageListString(), f.fill(written));
    if (!uses.isEmpty() && text.startsWith(QLatin1String("%1")))
        QCOMPARE(f.editor.tiles().first()->toolTip(),
                 QmdVorma::paletteColorName(f.doc.controller.arcIdentifierOfEdge(f.node, f.a)));
}

void TestEdgeUsageListEditor::clickWritesOnce()
{
    UsageFixture f;
    const QString before = f.usage();
    QSignalSpy finished(&f.doc.controller, &QmdController::requestFinished);
    f.click(1);
    settle();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(f.usage(), before);
}

void TestEdgeUsageListEditor::dragPastNeighbourSwapsInOneStep()
{
    UsageFixture f;
    f.setUsage(f.entry(f.a, 1) + "," + f.entry(f.b, 2));
    f.editor.sync();
    EdgeUsageTile *first = f.editor.tiles().at(0);
    const QPoint start = f.centre(0);
    f.mouse(QEvent::MouseButtonPress, start);
    f.mouse(QEvent::MouseMove, start + QPoint(8, 0));
    QCOMPARE(f.editor.tiles().indexOf(first), 0);
    f.mouse(QEvent::MouseMove, start + QPoint(17, 0));
    QCOMPARE(f.editor.tiles().indexOf(first), 1);
    f.mouse(QEvent::MouseButtonRelease, start + QPoint(17, 0));
    settle();
    QCOMPARE(f.usage(), f.entry(f.b, 2) + "," + f.entry(f.a, 1));
    QCOMPARE(first->pos(), QPointF(31, 0));
    QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Edge Usage"));
    undo(f.doc);
    QCOMPARE(f.usage(), f.entry(f.a, 1) + "," + f.entry(f.b, 2));
    // The tiles follow the undo.
    QCOMPARE(usesOf(f.editor), QList<int>({1, 2}));
}

void TestEdgeUsageListEditor::dragStaysOnTheRow()
{
    UsageFixture f;
    EdgeUsageTile *first = f.editor.tiles().at(0);
    const QPoint start = f.centre(0);
    f.mouse(QEvent::MouseButtonPress, start);
    f.mouse(QEvent::MouseMove, start + QPoint(-20, 15));
    QCOMPARE(first->pos(), QPointF(0, 0));
    f.mouse(QEvent::MouseButtonRelease, start + QPoint(-20, 15));
}

void TestEdgeUsageListEditor::doubleClickEditsCount()
{
    UsageFixture f;
    const QPoint at = f.centre(1);
    f.mouse(QEvent::MouseButtonPress, at);
    f.mouse(QEvent::MouseButtonRelease, at);
    f.mouse(QEvent::MouseButtonDblClick, at);
    f.mouse(QEvent::MouseButtonRelease, at);
    QSpinBox *box = f.editor.usesSpinBox();
    QVERIFY(box->isVisible());
    QCOMPARE(box->maximum(), 99);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("0"));
    QTest::keyClick(box, Qt::Key_Return);
    settle();
    QVERIFY(!box->isVisible());
    QCOMPARE(box->text(), QString(QChar(0x221E)));
    QCOMPARE(f.editor.tiles().at(1)->uses(), 0);
    QCOMPARE(f.usage(), f.entry(f.a, 1) + "," + f.entry(f.b, 0));
}

void TestEdgeUsageListEditor::deleteRemovesSelectedTile()
{
    UsageFixture f;
    f.setUsage(f.entry(f.a, 1) + "," + f.entry(f.b, 2) + "," + f.entry(f.a, 3));
    f.editor.sync();
    f.editor.setFocus();
    f.click(0);
    settle();
    QVERIFY(f.editor.tiles().at(0)->isSelected());
    QTest::keyClick(&f.editor, Qt::Key_Delete);
    settle();
    QCOMPARE(usesOf(f.editor), QList<int>({2, 3}));
    QCOMPARE(f.usage(), f.entry(f.b, 2) + "," + f.entry(f.a, 3));
    QTRY_COMPARE(f.editor.tiles().at(0)->pos(), QPointF(0, 0));
}

void TestEdgeUsageListEditor::addMenuAppendsEdges()
{
    UsageFixture f;
    QList<QAction *> actions = f.editor.addMenu()->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions.at(1)->data().toUInt(), f.b);
    QCOMPARE(actions.at(1)->text(),
             QmdVorma::paletteColorName(f.doc.controller.arcIdentifierOfEdge(f.node, f.b)));
    f.setUsage(QString());
    actions.at(1)->trigger();
    settle();
    QCOMPARE(f.usage(), f.entry(f.b, 1));
    QCOMPARE(usesOf(f.editor), QList<int>({1}));
    f.editor.addMenu()->actions().at(1)->trigger();
    settle();
    QCOMPARE(f.usage(), f.entry(f.b, 1) + "," + f.entry(f.b, 1));
}

void TestEdgeUsageListEditor::nodeWithoutEdgesOffersNone()
{
    UsageFixture f;
    f.editor.setNode(addNode(f.doc, 5 * 665280, 0));
    const QList<QAction *> actions = f.editor.addMenu()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first()->text(), QStringLiteral("(no edges)"));
    QVERIFY(!actions.first()->isEnabled());
    QVERIFY(f.editor.tiles().isEmpty());
    f.editor.setNode(0);
    QCOMPARE(f.editor.addMenu()->actions().size(), 1);
    // A new edge reaches the menu.
    f.editor.setNode(f.node);
    addEdge(f.doc, f.node, f.node);
    QCOMPARE(f.editor.addMenu()->actions().size(), 3);
}

void TestEdgeUsageListEditor::followsChangesMadeElsewhere()
{
    UsageFixture f;
    f.setUsage(f.entry(f.b, 4));
    QCOMPARE(usesOf(f.editor), QList<int>({4}));
    // An edit after the outside change writes from what the document holds.
    f.click(0);
    settle();
    QCOMPARE(f.usage(), f.entry(f.b, 4));
    undo(f.doc);
    undo(f.doc);
    QCOMPARE(usesOf(f.editor), QList<int>({1, 1}));
}

VORMA_GUI_TEST_MAIN(TestEdgeUsageListEditor)
#include "tst_edgeusagelisteditor.moc"
