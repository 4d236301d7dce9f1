#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "QmdVorma/StylePresets.h"
#include "canvas/GraphicsEdgeItem.h"
#include "canvas/GraphicsNodeItem.h"
#include "canvas/GraphicsTextBoxItem.h"
#include "canvas/GraphicsVoiceGroupItem.h"

#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QSignalSpy>

using namespace QmdVorma;

class TestNetworkScene : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void resetBuildsOneItemPerElement()
    {
        CanvasDocument c;
        const QmdItemId a = c.doc.addElement({{Keys::Type, 2}, {Keys::TickPos, tickPos(120, 0)}});
        const QmdItemId b = c.doc.addElement({{Keys::Type, 2}, {Keys::TickPos, QStringLiteral("left")}});
        const QmdItemId e = c.doc.addElement({{Keys::Type, 1}, {Keys::FromNode, a}, {Keys::ToNode, b}});
        const QmdItemId t = c.doc.addElement({{Keys::Type, 3}, {Keys::TickPos, tickPos(0, 240)}});
        const QmdItemId v = c.doc.addElement({{Keys::Type, 4}, {Keys::ToNode, a}});
        const QmdItemId odd = c.doc.addElement({{Keys::Type, 9}});
        const QmdItemId untyped = c.doc.addElement({{Keys::IsHidden, true}});
        c.attach();

        QCOMPARE(c.scene.elementItemCount(), 5);
        QCOMPARE(c.scene.elementItem(a)->graphicsItem()->type(), int(ElementItem::NodeItemType));
        QCOMPARE(c.scene.elementItem(e)->graphicsItem()->type(), int(ElementItem::EdgeItemType));
        QCOMPARE(c.scene.elementItem(t)->graphicsItem()->type(), int(ElementItem::TextBoxItemType));
        QCOMPARE(c.scene.elementItem(v)->graphicsItem()->type(), int(ElementItem::VoiceGroupItemType));
        QVERIFY(!c.scene.elementItem(odd));
        QVERIFY(!c.scene.elementItem(untyped));
        QVERIFY(c.scene.selectedItems().isEmpty());
        QVERIFY(c.scene.selectedElementIds().isEmpty());
        QCOMPARE(c.scene.elementItem(a)->graphicsItem()->pos(), QPointF(120, 0));
        // A position that is no tick point puts the node at the origin.
        QCOMPARE(c.scene.elementItem(b)->graphicsItem()->pos(), QPointF(0, 0));

        // A later change of an unknown element reaches no item and breaks nothing.
        c.setElement(odd, Keys::TickPos, tickPos(5, 5));
        QCOMPARE(c.scene.elementItemCount(), 5);

        // A new model rebuilds from scratch.
        c.doc.controller.reset();
        settle();
        QCOMPARE(c.scene.elementItemCount(), 5);
        QVERIFY(c.scene.selectedElementIds().isEmpty());

        // Detached, the scene shows nothing and hears nothing.
        c.scene.setController(nullptr);
        QCOMPARE(c.scene.elementItemCount(), 0);
        QVERIFY(c.scene.items().isEmpty());
        addNode(c.doc);
        QCOMPARE(c.scene.elementItemCount(), 0);
    }

    void itemsOfOneRequestAreSelectedTogether()
    {
        CanvasDocument c;
        c.attach();
        QmdVormaController &ctl = c.doc.controller;
        const QmdRequestOptions first{0, QStringLiteral("Node"), 0};
        QmdItemId n1 = 0;
        QmdItemId n2 = 0;
        const QmdRequestId rid = ctl.requestAddNode(TickPoint(0, 0), CreationFlags(), first, &n1);
        settle();
        ctl.requestAddNode(TickPoint(665280, 0), CreationFlags(), QmdRequestOptions{0, QString(), rid}, &n2);
        settle();
        QCOMPARE(c.scene.selectedElementIds(), (QmdItemIdSet{n1, n2}));

        const QmdItemId n3 = addNode(c.doc, 0, 665280);
        QCOMPARE(c.scene.selectedElementIds(), QmdItemIdSet{n3});
    }

    void undoOfRemovalRecreatesAndSelects()
    {
        CanvasDocument c;
        c.attach();
        const QmdItemId n1 = addNode(c.doc, 0, 0);
        const QmdItemId n2 = addNode(c.doc, 665280, 0);
        const QmdItemId e = addEdge(c.doc, n1, n2);
        c.scene.clearSelection();

        removeElements(c.doc, {n2});
        QVERIFY(!c.scene.elementItem(n2));
        QVERIFY(!c.scene.elementItem(e)); // the edge went with its node

        undo(c.doc);
        QVERIFY(c.scene.elementItem(n2));
        QVERIFY(c.scene.elementItem(e));
        QVERIFY(c.scene.selectedElementIds().contains(n2));
        QCOMPARE(c.scene.elementItem(e)->graphicsItem()->pos(), QPointF(0, 0));
        QCOMPARE(c.item<GraphicsEdgeItem>(e)->toPoint(), QPointF(120, 0));

        redo(c.doc);
        QVERIFY(!c.scene.elementItem(n2));
        QVERIFY(c.scene.elementItem(n1));
    }

    void itemsFollowOnlyTheirOwnElement()
    {
        CanvasDocument c;
        c.attach();
        const QmdItemId a = addNode(c.doc, 0, 0);
        const QmdItemId b = addNode(c.doc, 665280, 0);
        QGraphicsItem *itemA = c.scene.elementItem(a)->graphicsItem();
        QGraphicsItem *itemB = c.scene.elementItem(b)->graphicsItem();
        QmdVormaController &ctl = c.doc.controller;
        ctl.requestToggleShowNodeCounters();
        settle();
        QVERIFY(static_cast<GraphicsNodeItem *>(itemA)->label()->isVisible());
        ctl.requestSetData(QHash<QString, QVariant>{{Keys::IsHidden, true}, {Keys::TickPos, tickPos(0, 240)}},
                           ctl.elementIndex(a), QmdRequestOptions{0, QStringLiteral("Change"), 0});
        settle();
        QVERIFY(!itemA->isVisible());
        QVERIFY(!static_cast<GraphicsNodeItem *>(itemA)->label()->isVisible());
        QCOMPARE(itemA->pos(), QPointF(0, 240));
        QVERIFY(itemB->isVisible());
        QCOMPARE(itemB->pos(), QPointF(120, 0));
        c.setElement(a, Keys::IsHidden, false);
        QVERIFY(itemA->isVisible());
    }

    void ghostItemsAreNoElements()
    {
        CanvasDocument c;
        // Enough elements for the scene to clear them all at once on a reset.
        for (int i = 0; i < 100; ++i)
            c.doc.addElement({{Keys::Type, 2}, {Keys::TickPos, tickPos(i, 0)}});
        c.attach();
        c.scene.clearSelection();
        const QmdItemId n = addNode(c.doc);
        auto *ghost = new GraphicsNodeItem(&c.scene);
        ghost->setSelected(true);
        QCOMPARE(c.scene.selectedItems().size(), 2);
        QCOMPARE(c.scene.selectedElementIds(), QmdItemIdSet{n});
        // A reset leaves the view's ghosts alone.
        c.doc.controller.reset();
        settle();
        QVERIFY(c.scene.items().contains(ghost));
        QCOMPARE(c.scene.elementItemCount(), 101);
        QVERIFY(c.scene.selectedElementIds().isEmpty());
        delete ghost;
    }

    void styleColoursRecolourAtOnce_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QColor>("shown");
        StylePreset preset;
        QVERIFY(stylePreset(defaultStylePresetName(), &preset));
        const QColor fallback = preset.value(Keys::StyleNodesColor).value<QColor>();
        QTest::newRow("colour") << QVariant(QColor(10, 200, 30)) << QColor(10, 200, 30);
        QTest::newRow("no colour") << QVariant(QStringLiteral("not a colour")) << fallback;
        QTest::newRow("number") << QVariant(17) << fallback;
    }

    void styleColoursRecolourAtOnce()
    {
        QFETCH(QVariant, stored);
        QFETCH(QColor, shown);
        CanvasDocument c;
        c.attach();
        const QmdItemId n1 = addNode(c.doc, 0, 0);
        const QmdItemId n2 = addNode(c.doc, 665280, 0);
        const QmdItemId e = addEdge(c.doc, n1, n2);
        c.setRoot(Keys::StyleNodesColor, stored);
        QCOMPARE(c.scene.nodesColor(), shown);
        QCOMPARE(c.item<GraphicsNodeItem>(n1)->pen().color(), shown);
        QCOMPARE(c.item<GraphicsNodeItem>(n2)->brush().color().rgb(), shown.rgb());

        c.scene.clearSelection();
        c.setRoot(Keys::StyleEdgesColor, stored);
        QCOMPARE(c.item<GraphicsEdgeItem>(e)->currentColor(), c.scene.edgesColor());
        QVERIFY(c.scene.edgesColor().isValid());
    }

    void displaySwitchShowsHitCounts()
    {
        CanvasDocument c;
        c.attach();
        const QmdItemId n = addNode(c.doc);
        QmdVormaController &ctl = c.doc.controller;
        const QmdIndex state = ctl.lookupElementStateIndex(n);
        ctl.requestSetData(Keys::HitCount, 7u, state, QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
        GraphicsNodeItem *node = c.item<GraphicsNodeItem>(n);
        QCOMPARE(node->label()->text(), QString());

        ctl.requestToggleShowNodeCounters();
        settle();
        QVERIFY(c.scene.showNodeCounters());
        QVERIFY(node->label()->isVisible());
        QCOMPARE(node->label()->text(), QStringLiteral("7"));

        ctl.requestSetData(Keys::HitCount, 8u, state, QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
        QCOMPARE(node->label()->text(), QStringLiteral("8"));

        ctl.requestToggleShowNodeLastNotesSent();
        ctl.requestSetData(Keys::LastNotesSent, QStringLiteral("C3"), state,
                           QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
        QCOMPARE(node->label()->text(), QStringLiteral("8\nC3"));

        ctl.requestToggleShowNodeCounters();
        ctl.requestToggleShowNodeLastNotesSent();
        settle();
        QVERIFY(!node->label()->isVisible());
        ctl.requestSetData(Keys::HitCount, 9u, state, QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
        QCOMPARE(node->label()->text(), QString());
    }

    void snapStepStaysWithinTheGrid_data()
    {
        QTest::addColumn<QVariant>("divs");
        QTest::addColumn<qulonglong>("step");
        QTest::newRow("4") << QVariant(4) << qulonglong(166320);
        QTest::newRow("13") << QVariant(13) << qulonglong(665280 / 13);
        QTest::newRow("0") << QVariant(0) << qulonglong(665280);
        QTest::newRow("negative") << QVariant(-3) << qulonglong(665280);
        QTest::newRow("beyond a tick") << QVariant(1000000) << qulonglong(1);
        // The document's reset gives a value of the wrong type the default 4.
        QTest::newRow("text") << QVariant(QStringLiteral("many")) << qulonglong(166320);
    }

    void snapStepStaysWithinTheGrid()
    {
        QFETCH(QVariant, divs);
        QFETCH(qulonglong, step);
        CanvasDocument c;
        c.doc.write([&](QmdDirectModelInterface &d) { d.setData(Keys::DivsPerPrincipal, divs); });
        c.attach();
        QCOMPARE(qulonglong(c.scene.snapStep()), step);
    }

    // The grid layers by their colours, sampled on a division line that is
    // not a principal line, and on a principal line.
    void gridLayers_data()
    {
        QTest::addColumn<int>("divs");
        QTest::addColumn<bool>("showGrid");
        QTest::addColumn<QColor>("divisionLines");
        QTest::addColumn<bool>("divisionShown");
        QTest::addColumn<bool>("principalShown");
        const QColor red(255, 0, 0);
        QTest::newRow("divisions") << 4 << true << red << true << true;
        QTest::newRow("grid off") << 4 << false << red << false << false;
        QTest::newRow("transparent layer") << 4 << true << QColor(0, 0, 0, 0) << false << true;
        // Finer than half a pixel: the layer is left out, the rest is drawn.
        QTest::newRow("one per tick") << 665280 << true << red << false << true;
        QTest::newRow("beyond a tick") << 2000000000 << true << red << false << true;
    }

    void gridLayers()
    {
        QFETCH(int, divs);
        QFETCH(bool, showGrid);
        QFETCH(QColor, divisionLines);
        QFETCH(bool, divisionShown);
        QFETCH(bool, principalShown);
        CanvasDocument c;
        c.doc.write([&](QmdDirectModelInterface &d) {
            d.setData(Keys::DivsPerPrincipal, divs);
            d.setData(Keys::ShowGrid, showGrid);
            d.setData(Keys::StyleBackgroundColor, QColor(Qt::white));
            d.setData(Keys::StyleDivisionLinesColor, divisionLines);
            d.setData(Keys::StylePrincipalLinesColor, QColor(0, 0, 255));
            d.setData(Keys::StyleDivisionPointsColor, QColor(0, 0, 0, 0));
            d.setData(Keys::StylePrincipalPointsColor, QColor(0, 0, 0, 0));
        });
        c.attach();
        QImage image(300, 300, QImage::Format_ARGB32);
        image.fill(Qt::black);
        {
            QPainter p(&image);
            c.scene.render(&p, QRectF(0, 0, 300, 300), QRectF(0, 0, 300, 300));
        }
        // A division line at y = 30 (a quarter principal), a principal line at y = 120.
        QCOMPARE(image.pixelColor(200, 30) == divisionLines && divisionLines.alpha() != 0, divisionShown);
        QCOMPARE(image.pixelColor(200, 120) == QColor(0, 0, 255), principalShown);
        QCOMPARE(image.pixelColor(205, 75), QColor(Qt::white));
    }

    // So far out that a division no longer moves a coordinate: the grid
    // still comes to an end.
    void gridEndsFarOut()
    {
        CanvasDocument c;
        c.doc.write([&](QmdDirectModelInterface &d) { d.setData(Keys::ShowGrid, true); });
        c.attach();
        QImage image(100, 100, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter p(&image);
        c.scene.render(&p, QRectF(0, 0, 100, 100), QRectF(1e18, 1e18, 10, 10));
        p.end();
        QCOMPARE(image.pixelColor(50, 50).alpha(), 255);
    }

    void contentsRectGrowsAtOnceAndShrinksWithItsExtremeItem()
    {
        CanvasDocument c;
        c.attach();
        QSignalSpy spy(&c.scene, &NetworkScene::sceneContentsRectChanged);
        const QmdItemId a = addNode(c.doc, 0, 0);
        const QRectF first = c.scene.sceneContentsRect();
        QVERIFY(first.contains(QPointF(0, 0)));
        const QmdItemId b = addNode(c.doc, 2 * 665280, 0);
        QCOMPARE(c.scene.sceneContentsRect().right(), c.scene.elementItem(b)->graphicsItem()->sceneBoundingRect().right());
        const double bRight = c.scene.sceneContentsRect().right();

        // Edges and voice groups never count; neither do moves inside.
        addEdge(c.doc, a, b);
        addVoiceGroup(c.doc, a);
        spy.clear();
        const QmdItemId inner = addNode(c.doc, 665280, 0);
        QCOMPARE(spy.count(), 0);

        c.setElement(b, Keys::TickPos, QVariant::fromValue(TickPoint(3 * 665280, 0)));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(c.scene.sceneContentsRect().right(), bRight + 120);

        // Moving the rightmost back inward shrinks to the next one's edge.
        c.setElement(b, Keys::TickPos, QVariant::fromValue(TickPoint(665280 / 2, 0)));
        const QRectF innerRect = c.scene.elementItem(inner)->graphicsItem()->sceneBoundingRect();
        QCOMPARE(c.scene.sceneContentsRect().right(), innerRect.right());

        // Removing the extreme item measures the rest again.
        removeElements(c.doc, {inner});
        QCOMPARE(c.scene.sceneContentsRect().right(),
                 c.scene.elementItem(b)->graphicsItem()->sceneBoundingRect().right());
    }
};

VORMA_GUI_TEST_MAIN(TestNetworkScene)
#include "tst_networkscene.moc"
