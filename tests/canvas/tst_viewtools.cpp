#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "canvas/GraphicsNodeItem.h"
#include "canvas/NetworkView.h"

#include <QMouseEvent>

using namespace QmdVorma;

// Stands in for the document window: records where it is told to paste.
class PasteTarget : public QObject
{
    Q_OBJECT
public:
    QList<TickPoint> pastePositions;
    Q_INVOKABLE void setPastePos(const QmdVorma::TickPoint &pos) { pastePositions.append(pos); }
};

// A document on a shown view, with mouse gestures in scene coordinates.
struct ViewFixture : ShownCanvasDocument<PasteTarget>
{
    void setTool(int tool) { setRoot(Keys::Tool, tool); }

    QPoint at(double x, double y) const { return view.mapFromScene(QPointF(x, y)); }

    void send(QEvent::Type type, double x, double y, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent event(type, at(x, y), view.viewport()->mapToGlobal(at(x, y)), Qt::LeftButton, buttons,
                          modifiers);
        QApplication::sendEvent(view.viewport(), &event);
    }
    void press(double x, double y, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        send(QEvent::MouseButtonPress, x, y, Qt::LeftButton, m);
    }
    void move(double x, double y, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        send(QEvent::MouseMove, x, y, Qt::LeftButton, m);
    }
    void release(double x, double y, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        send(QEvent::MouseButtonRelease, x, y, Qt::NoButton, m);
        settle();
    }
    void click(double x, double y, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        press(x, y, m);
        release(x, y, m);
    }

    int countOfType(int type) const
    {
        int n = 0;
        for (QmdItemId id : doc.controller.elementIds())
            n += doc.controller.elementData(id, Keys::Type).toInt() == type;
        return n;
    }
    TickPoint posOf(QmdItemId id) const { return doc.controller.elementData(id, Keys::TickPos).value<TickPoint>(); }
};

class TestViewTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void clickOnNodeMakesNodeAndEdgeInOneStep()
    {
        ViewFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        f.setTool(NetworkView::NodeAndEdgeTool);
        f.click(0, 0);
        QTRY_COMPARE(f.countOfType(2), 2);
        QCOMPARE(f.countOfType(1), 1);
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Node && Edge"));
        QVERIFY(!f.view.ghostNode() && !f.view.ghostEdge());
        undo(f.doc);
        QCOMPARE(f.doc.controller.elementIds(), QmdItemIdList{n});
    }

    void pressOnOneNodeReleaseOnAnotherMakesOneEdge()
    {
        ViewFixture f;
        const QmdItemId a = addNode(f.doc, 0, 0);
        const QmdItemId b = addNode(f.doc, 665280, 0); // 120 scene units right
        f.setTool(NetworkView::NodeAndEdgeTool);
        f.press(0, 0);
        f.move(60, 0);
        f.move(120, 0);
        f.release(120, 0);
        QTRY_COMPARE(f.countOfType(1), 1);
        QCOMPARE(f.countOfType(2), 2);
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Edge"));
        const QmdItemId edge = lastElement(f.doc);
        QCOMPARE(f.doc.controller.elementData(edge, Keys::FromNode).toUInt(), a);
        QCOMPARE(f.doc.controller.elementData(edge, Keys::ToNode).toUInt(), b);
    }

    // The node an edge would start from goes during the gesture: the gesture
    // ends, and neither a release over another node nor the node made by a
    // release in empty space gets an edge.
    void removedSourceEndsTheNodeAndEdgeGesture_data()
    {
        QTest::addColumn<bool>("byUndo");
        QTest::addColumn<QString>("moment");
        QTest::newRow("undone while held") << true << "held";
        QTest::newRow("deleted while held") << false << "held";
        // Its signals have not arrived when the release comes.
        QTest::newRow("deleted just before the release") << false << "release";
        // Nor when the node of "Node && Edge" arrives.
        QTest::newRow("deleted after a release in empty space") << false << "empty";
    }

    void removedSourceEndsTheNodeAndEdgeGesture()
    {
        QFETCH(bool, byUndo);
        QFETCH(QString, moment);
        ViewFixture f;
        const QmdItemId target = addNode(f.doc, 665280, 0);
        const QmdItemId source = addNode(f.doc, 0, 0); // the last step: undo takes it
        f.setTool(NetworkView::NodeAndEdgeTool);
        f.press(0, 0);
        const double releaseX = moment == QLatin1String("empty") ? 240 : 120;
        f.move(releaseX, 0);
        QVERIFY(f.view.ghostEdge());
        if (moment == QLatin1String("empty"))
            f.send(QEvent::MouseButtonRelease, releaseX, 0, Qt::NoButton);
        if (byUndo)
            f.doc.controller.requestUndo();
        else
            f.doc.controller.requestRemove({source}, f.doc.controller.elementsIndex());
        if (moment == QLatin1String("held")) {
            settle();
            QVERIFY(!f.view.ghostNode() && !f.view.ghostEdge() && !f.view.isDragging());
        }
        if (moment != QLatin1String("empty"))
            f.release(releaseX, 0);
        settle();
        QCOMPARE(f.countOfType(1), 0);
        QCOMPARE(f.countOfType(2), moment == QLatin1String("empty") ? 2 : 1);
        QCOMPARE(f.doc.controller.elementIds().first(), target);
        QVERIFY(!f.view.ghostNode() && !f.view.ghostEdge());
    }

    void newNodeDroppedOnANodeMakesNothing()
    {
        ViewFixture f;
        addNode(f.doc, 665280, 0);
        f.setTool(NetworkView::NodeAndEdgeTool);
        f.press(-120, 0);
        f.move(120, 0);
        QCOMPARE(f.view.ghostNode()->pen().color(), QColor(255, 0, 0));
        f.release(120, 0);
        QCOMPARE(f.countOfType(2), 1);
    }

    void snappedDragMovesInOneUndoStep()
    {
        ViewFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        addNode(f.doc, 0, 665280);
        f.setTool(NetworkView::SelectionTool);
        const double division = f.scene.snapStep() * pixelsPerTickX;
        QVERIFY(division > 4);
        f.press(0, 0);
        f.move(division * 0.3, 0); // nearer the node's own grid point
        settle();
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Node"));
        f.move(division * 1.2, 0);
        f.move(division * 2.1, 0);
        f.release(division * 2.1, 0);
        QCOMPARE(f.posOf(n), TickPoint(2 * f.scene.snapStep(), 0));
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Move"));
        undo(f.doc);
        QCOMPARE(f.posOf(n), TickPoint(0, 0));
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Node"));
    }

    // Undo during a drag takes the dragged node away: the drag ends, no Move.
    void undoDuringDragEndsIt()
    {
        ViewFixture f;
        addNode(f.doc, 0, 0);
        f.setTool(NetworkView::SelectionTool);
        f.press(0, 0);
        undo(f.doc);
        QVERIFY(!f.view.isDragging());
        f.move(240, 0);
        f.release(240, 0);
        QVERIFY(f.doc.controller.elementIds().isEmpty());
    }

    void escapeMidDragLeavesEverythingAsItWas()
    {
        ViewFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        f.setTool(NetworkView::NodeAndEdgeTool);
        f.press(0, 0);
        f.move(120, 120);
        QTest::keyClick(&f.view, Qt::Key_Escape);
        QVERIFY(!f.view.ghostNode() && !f.view.ghostEdge() && !f.view.isDragging());
        f.move(240, 120);
        f.release(240, 120);
        QCOMPARE(f.doc.controller.elementIds(), QmdItemIdList{n});
        QCOMPARE(f.posOf(n), TickPoint(0, 0));
    }

    // The window may delete its scene before its view, a gesture under way.
    void sceneGoingFirstTakesTheGhosts()
    {
        CanvasDocument c;
        c.attach();
        auto *scene = new NetworkScene;
        scene->setController(&c.doc.controller);
        NetworkView view;
        view.setNetworkScene(scene);
        view.setController(&c.doc.controller);
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint at = view.viewport()->rect().center();
        QMouseEvent press(QEvent::MouseButtonPress, at, view.viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &press);
        QVERIFY(view.ghostNode());
        delete scene;
        view.cancelGhostItems();
        QVERIFY(!view.ghostNode());
    }

    void shiftClickTogglesOneItem()
    {
        ViewFixture f;
        const QmdItemId a = addNode(f.doc, 0, 0);
        const QmdItemId b = addNode(f.doc, 665280, 0);
        f.setTool(NetworkView::SelectionTool);
        f.scene.clearSelection();
        f.scene.elementItem(a)->graphicsItem()->setSelected(true);
        f.click(120, 0, Qt::ShiftModifier);
        QCOMPARE(f.scene.selectedElementIds(), (QmdItemIdSet{a, b}));
        f.click(0, 0, Qt::ShiftModifier);
        QCOMPARE(f.scene.selectedElementIds(), QmdItemIdSet{b});
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Node"));
    }

    // The node's label is a child item: a click on it acts on the node.
    void clickOnLabelActsOnItsNode()
    {
        ViewFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        f.doc.controller.requestToggleShowNodeCounters();
        settle();
        auto *node = f.item<GraphicsNodeItem>(n);
        const QPointF label = node->label()->mapToScene(node->label()->boundingRect().center());
        QVERIFY(!node->contains(node->mapFromScene(label)));
        f.setTool(NetworkView::SelectionTool);
        f.scene.clearSelection();
        f.click(label.x(), label.y(), Qt::ShiftModifier);
        QCOMPARE(f.scene.selectedElementIds(), QmdItemIdSet{n});
    }

    void emptyClickSetsThePastePositionUnsnapped()
    {
        ViewFixture f;
        f.setTool(NetworkView::SelectionTool);
        f.click(37, -21);
        QCOMPARE(f.target.pastePositions.size(), 1);
        const TickPoint p = f.target.pastePositions.first();
        const QPointF scenePoint = f.view.mapToScene(f.at(37, -21));
        QCOMPARE(p, TickPoint(std::llround(scenePoint.x() * ticksPerPixelX),
                              std::llround(scenePoint.y() * ticksPerPixelY)));
        QVERIFY(p.x % f.scene.snapStep() != 0);
    }

    void zoomClicks_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("expected");
        QTest::newRow("in") << 1.0 << 0 << 2.0;
        QTest::newRow("out") << 1.0 << 1 << 0.5;
        QTest::newRow("in at the limit") << 8.0 << 0 << 8.0;
        QTest::newRow("out at the limit") << 0.25 << 1 << 0.25;
        QTest::newRow("no direction") << 1.0 << 2 << 1.0;
    }

    void zoomClicks()
    {
        QFETCH(double, scale);
        QFETCH(int, direction);
        QFETCH(double, expected);
        ViewFixture f;
        addNode(f.doc, 0, 0);
        f.setRoot(Keys::ZoomScale, scale);
        f.setTool(NetworkView::ZoomTool);
        f.view.setZoomDirection(direction);
        f.click(10, 10);
        QCOMPARE(f.doc.controller.data(Keys::ZoomScale).toDouble(), expected);
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Node"));
    }

    void voiceGroupAndTextBoxPlacement()
    {
        ViewFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        f.setTool(NetworkView::VoiceGroupTool);
        f.click(200, 100); // empty space: nothing
        QCOMPARE(f.countOfType(4), 0);
        f.click(0, 0);
        QCOMPARE(f.countOfType(4), 1);
        QCOMPARE(f.doc.controller.elementData(lastElement(f.doc), Keys::ToNode).toUInt(), n);
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Voice Group"));
        f.setTool(NetworkView::TextBoxTool);
        f.click(-120, -120);
        QCOMPARE(f.countOfType(3), 1);
        QCOMPARE(f.doc.controller.undoText(), QStringLiteral("Text Box"));
    }

    // The controller refuses to start a group while the document is stopped.
    void altClickWhileStoppedStartsNothing()
    {
        ViewFixture f;
        const QmdItemId n = addNode(f.doc, 0, 0);
        const QmdItemId g = addVoiceGroup(f.doc, n);
        f.setTool(NetworkView::SelectionTool);
        const QPointF marker = f.scene.elementItem(g)->graphicsItem()->sceneBoundingRect().center();
        f.click(marker.x(), marker.y(), Qt::AltModifier);
        QVERIFY(!f.doc.controller.isVoiceGroupRunning(g));
    }

    // While playing, the clicked group and the selected ones go together.
    void altClickWhilePlayingTogglesTheGroups()
    {
        ViewFixture f;
        QmdItemIdList groups;
        for (qint64 x : {0, 665280, -665280}) {
            const QmdItemId n = addNode(f.doc, x, 0);
            addEdge(f.doc, n, n);
            groups << addVoiceGroup(f.doc, n);
        }
        const QmdItemId g = groups.at(0), other = groups.at(1), lone = groups.at(2);
        f.setTool(NetworkView::SelectionTool);
        f.scene.clearSelection();
        f.scene.elementItem(other)->graphicsItem()->setSelected(true);
        f.doc.controller.requestPlay();
        QmdVormaController &c = f.doc.controller;
        QTRY_VERIFY(c.isVoiceGroupRunning(g) && c.isVoiceGroupRunning(other));
        const QPointF marker = f.scene.elementItem(g)->graphicsItem()->sceneBoundingRect().center();
        f.click(marker.x(), marker.y(), Qt::AltModifier);
        QTRY_VERIFY(!c.isVoiceGroupRunning(g) && !c.isVoiceGroupRunning(other));
        QVERIFY(c.isVoiceGroupRunning(lone));
        f.click(marker.x(), marker.y(), Qt::AltModifier);
        QTRY_VERIFY(c.isVoiceGroupRunning(g) && c.isVoiceGroupRunning(other));
        c.requestPause();
        settle();
    }
};

VORMA_GUI_TEST_MAIN(TestViewTools)
#include "tst_viewtools.moc"
