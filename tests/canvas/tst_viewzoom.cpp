#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "canvas/NetworkView.h"
#include "widgets/QwpComboBox.h"

#include <QGraphicsItem>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmapCache>

#include <cmath>
#include <limits>

using namespace QmdVorma;

namespace {

QImage cursorImage(const QCursor &cursor)
{
    return cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage resourceImage(const char *path)
{
    return QImage(QString::fromLatin1(path)).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

// A document on a shown view that keeps its own scene rectangle.
struct ZoomFixture : CanvasDocument
{
    NetworkView view;
    QObject target;

    ZoomFixture()
    {
        attach();
        view.setEditTarget(&target);
        view.setNetworkScene(&scene);
        view.setController(&doc.controller);
        view.resize(600, 400);
        view.show();
        const bool exposed = QTest::qWaitForWindowExposed(&view);
        Q_ASSERT(exposed);
        Q_UNUSED(exposed)
    }

    double shown() const { return view.transform().m11(); }
    QVariant stored() const { return doc.controller.data(Keys::ZoomScale); }

    void click(Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint at = view.viewport()->rect().center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, view.viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, modifiers);
            QApplication::sendEvent(view.viewport(), &event);
        }
        settle();
    }

    // One viewport centred on the origin, in scene units.
    QRectF viewportOnOrigin() const
    {
        const QSizeF size = QSizeF(view.viewport()->size()) / shown();
        return QRectF(QPointF(-size.width() / 2, -size.height() / 2), size);
    }
};

class TestViewZoom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void boxWritesTheScaleWithoutUndo()
    {
        ZoomFixture f;
        QwpComboBox *box = f.view.zoomComboBox();
        QCOMPARE(f.view.scrollBarWidgets(Qt::AlignLeft), QWidgetList{box});
        QCOMPARE(box->width(), 60);
        QCOMPARE(box->count(), 11);
        QCOMPARE(box->itemText(0), QStringLiteral("25%"));
        QCOMPARE(box->itemText(10), QStringLiteral("800%"));
        QCOMPARE(box->currentText(), QStringLiteral("100%"));

        const int index = box->findText(QStringLiteral("200%"));
        box->setCurrentIndex(index);
        emit box->activated(index);
        settle();
        QCOMPARE(f.stored(), QVariant(2.0));
        QCOMPARE(f.shown(), 2.0);
        QVERIFY(!f.doc.controller.canUndo());

        // A scale from elsewhere selects its entry, or none when it has none.
        f.setRoot(Keys::ZoomScale, 0.5);
        QCOMPARE(box->currentText(), QStringLiteral("50%"));
        QCOMPARE(f.shown(), 0.5);
        f.setRoot(Keys::ZoomScale, 1.0 / 3.0);
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(f.shown(), 1.0 / 3.0);
    }

    void scaleWithoutAnEntryShowsInTheBox_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("text");
        // Zoom steps from the new window's 75 % reach it; the box is too
        // narrow for a decimal.
        QTest::newRow("37.5 %") << QVariant(0.375) << "38%";
        QTest::newRow("a third") << QVariant(1.0 / 3.0) << "33%";
        // What is shown, for a scale the view cannot use as it stands.
        QTest::newRow("not a number") << QVariant(std::nan("")) << "100%";
    }

    void scaleWithoutAnEntryShowsInTheBox()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, text);
        ZoomFixture f;
        QwpComboBox *box = f.view.zoomComboBox();
        f.setRoot(Keys::ZoomScale, stored);
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->placeholderText(), text);
        // Painted: the box differs from the same box showing a blank.
        const QImage shown = box->grab().toImage();
        box->setPlaceholderText(QStringLiteral(" "));
        QVERIFY(box->grab().toImage() != shown);

        // An entry's scale shows the entry.
        f.setRoot(Keys::ZoomScale, 1.5);
        QCOMPARE(box->currentText(), QStringLiteral("150%"));
    }

    void zoomToolAtTheLimit()
    {
        ZoomFixture f;
        f.setRoot(Keys::ZoomScale, 8.0);
        f.setRoot(Keys::Tool, int(NetworkView::ZoomTool));
        QCOMPARE(f.view.zoomDirection(), 2);
        QCOMPARE(cursorImage(f.view.viewport()->cursor()), resourceImage(":/images/Cursors/ZoomNone.png"));
        f.click();
        QCOMPARE(f.stored(), QVariant(8.0));

        // Alt turns the tool around.
        QKeyEvent alt(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QApplication::sendEvent(&f.view, &alt);
        QCOMPARE(cursorImage(f.view.viewport()->cursor()), resourceImage(":/images/Cursors/ZoomOut.png"));
        f.click(Qt::AltModifier);
        QCOMPARE(f.stored(), QVariant(4.0));
        QCOMPARE(f.shown(), 4.0);
        QVERIFY(!f.doc.controller.canUndo());
        // Every applied zoom tests the direction again.
        f.setRoot(Keys::ZoomScale, 0.25);
        QCOMPARE(f.view.zoomDirection(), 2);
        f.view.setZoomOut(false);
        QCOMPARE(f.view.zoomDirection(), 0);
        QCOMPARE(cursorImage(f.view.viewport()->cursor()), resourceImage(":/images/Cursors/ZoomIn.png"));
    }

    void sceneRectFollowsTheNetwork()
    {
        ZoomFixture f;
        QCOMPARE(f.scene.sceneRect(), f.viewportOnOrigin());

        const QmdItemId far = addNode(f.doc, 20 * TicksPerPrincipal, 0);
        const QRectF node = f.scene.elementItem(far)->graphicsItem()->sceneBoundingRect();
        QVERIFY(f.scene.sceneRect().contains(node.adjusted(-19, -19, 19, 19)));
        QCOMPARE(f.scene.sceneRect().right(), node.right() + 20);

        // While items move it only grows; the next full update shrinks it.
        const QRectF grown = f.scene.sceneRect();
        const QRectF contents = f.scene.sceneContentsRect();
        f.scene.setSceneContentsRect(QRectF(0, 0, 10, 10));
        QCOMPARE(f.scene.sceneRect(), grown);
        f.scene.setSceneContentsRect(contents.united(QRectF(-5000, 0, 10, 10)));
        QCOMPARE(f.scene.sceneRect().left(), -5020.0);
        QCOMPARE(f.scene.sceneRect().right(), grown.right());

        f.scene.setSceneContentsRect(contents);
        removeElements(f.doc, {far});
        QCOMPARE(f.scene.sceneRect(), f.viewportOnOrigin());
        // Zoomed in, one viewport covers less of the scene.
        f.setRoot(Keys::ZoomScale, 2.0);
        QCOMPARE(f.scene.sceneRect(), f.viewportOnOrigin());
        QCOMPARE(f.scene.sceneRect().width(), f.view.viewport()->width() / 2.0);
    }

    // Zoomed in, an edge across the view would take a picture of the
    // view's size in the pixmap cache, and a few of those push out every
    // other item's picture on each repaint; such an item is painted
    // directly, while small ones keep their cached pictures.
    void largePicturesAreNotCached_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<bool>("longEdgeCached");
        QTest::newRow("50 %") << 0.5 << true;
        QTest::newRow("200 %") << 2.0 << false;
        QTest::newRow("800 %") << 8.0 << false;
    }

    void largePicturesAreNotCached()
    {
        QFETCH(double, zoom);
        QFETCH(bool, longEdgeCached);
        const int defaultLimit = QPixmapCache::cacheLimit();
        const auto restoreLimit = qScopeGuard([defaultLimit] { QPixmapCache::setCacheLimit(defaultLimit); });
        QPixmapCache::setCacheLimit(65536); // the program's
        ZoomFixture f;
        f.setRoot(Keys::ZoomScale, zoom);
        // Made while zoomed in: a node, an edge to the next principal and
        // one three principals down and across (360 by 360 scene units).
        const QmdItemId a = addNode(f.doc);
        const QmdItemId b = addNode(f.doc, TicksPerPrincipal, 0);
        const QmdItemId c = addNode(f.doc, 3 * TicksPerPrincipal, 3 * TicksPerPrincipal);
        const QmdItemId shortEdge = addEdge(f.doc, a, b);
        const QmdItemId longEdge = addEdge(f.doc, b, c, Direct);
        f.doc.controller.requestAddTextBox(TickPoint(0, TicksPerPrincipal), QStringLiteral("text"));
        settle();
        const QmdItemId text = lastElement(f.doc);
        // Node, short edge, long edge, text box; the text box never caches.
        const auto modes = [&] {
            QVector<QGraphicsItem::CacheMode> m;
            for (QmdItemId id : {a, shortEdge, longEdge, text})
                m << f.scene.elementItem(id)->graphicsItem()->cacheMode();
            return m;
        };
        const auto cached = QGraphicsItem::DeviceCoordinateCache;
        const auto uncached = QGraphicsItem::NoCache;
        const QVector<QGraphicsItem::CacheMode> allFit{cached, cached, cached, uncached};
        const QVector<QGraphicsItem::CacheMode> zoomedIn{cached, cached, longEdgeCached ? cached : uncached, uncached};
        QCOMPARE(modes(), zoomedIn);
        // The zoom changes what fits, both ways.
        f.setRoot(Keys::ZoomScale, 0.25);
        QCOMPARE(modes(), allFit);
        f.setRoot(Keys::ZoomScale, zoom);
        QCOMPARE(modes(), zoomedIn);
        // So does the edge's length.
        f.setElement(c, Keys::TickPos, QVariant::fromValue(TickPoint(2 * TicksPerPrincipal, 0)));
        QCOMPARE(modes(), allFit);
    }

    void damagedScaleLeavesAUsableView_data()
    {
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<double>("shown");
        QTest::newRow("NaN") << QVariant(std::nan("")) << 1.0;
        QTest::newRow("infinite") << QVariant(inf) << 1.0;
        QTest::newRow("minus infinite") << QVariant(-inf) << 1.0;
        QTest::newRow("zero") << QVariant(0.0) << 1.0;
        QTest::newRow("negative") << QVariant(-2.0) << 1.0;
        QTest::newRow("text") << QVariant(QStringLiteral("big")) << 1.0;
        QTest::newRow("too far in") << QVariant(100.0) << 8.0;
        QTest::newRow("too far out") << QVariant(0.01) << 0.25;
    }

    void damagedScaleLeavesAUsableView()
    {
        QFETCH(QVariant, stored);
        QFETCH(double, shown);
        ZoomFixture f;
        f.setRoot(Keys::ZoomScale, stored);
        QCOMPARE(f.shown(), shown);
        QVERIFY(f.view.transform().isInvertible());
        const QRectF rect = f.scene.sceneRect();
        QVERIFY(std::isfinite(rect.width()) && rect.width() > 0 && std::isfinite(rect.height()));
        // What the document holds is the document's: the view writes nothing back.
        const QVariant after = f.stored();
        QCOMPARE(after.userType(), stored.userType());
        QVERIFY(after.toString() == stored.toString());
        QVERIFY(!f.doc.controller.canUndo());

        // The zoom tool works from what is shown.
        f.setRoot(Keys::Tool, int(NetworkView::ZoomTool));
        f.view.setZoomOut(shown > 1.0);
        f.click();
        QCOMPARE(f.shown(), shown > 1.0 ? shown / 2 : shown * 2);
    }
};

VORMA_GUI_TEST_MAIN(TestViewZoom)
#include "tst_viewzoom.moc"
