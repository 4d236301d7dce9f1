#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "canvas/NetworkView.h"

#include <cmath>

using namespace QmdVorma;

class TestNetworkView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    // Whoever attaches a widget finds its observer by name alone.
    void observersAnswerTheirInterface()
    {
        NetworkScene scene;
        NetworkView view;
        const char *name = "QmdObserver<QmdVormaController>";
        QCOMPARE(scene.qt_metacast(name), static_cast<void *>(static_cast<QmdVormaObserver *>(&scene)));
        QCOMPARE(view.qt_metacast(name), static_cast<void *>(static_cast<QmdVormaObserver *>(&view)));
        QCOMPARE(qobject_cast<QmdVormaObserver *>(&view), static_cast<QmdVormaObserver *>(&view));
    }

    void followsTheDocumentsTool()
    {
        CanvasDocument c;
        c.attach();
        NetworkView view;
        QObject target;
        view.setEditTarget(&target);
        view.setNetworkScene(&c.scene);
        view.setController(&c.doc.controller);
        QCOMPARE(view.scene(), static_cast<QGraphicsScene *>(&c.scene));
        QCOMPARE(view.editTarget(), &target);
        QCOMPARE(view.tool(), 2); // the document's default

        c.setRoot(Keys::Tool, 4);
        QCOMPARE(view.tool(), 4);
        // Values from a damaged file leave the tool as it was.
        c.setRoot(Keys::Tool, 7);
        QCOMPARE(view.tool(), 4);
        c.setRoot(Keys::Tool, QStringLiteral("pen"));
        QCOMPARE(view.tool(), 4);
    }

    // The viewport does not fill itself behind the scene: where the scene
    // paints no opaque background (no document, a translucent colour), the
    // view puts the palette's colour under it as the viewport did.
    void viewportShowsItsPaletteWhereTheSceneLeavesIt_data()
    {
        QTest::addColumn<bool>("attached");
        QTest::addColumn<QColor>("background");
        QTest::newRow("no document") << false << QColor(10, 200, 30);
        QTest::newRow("translucent") << true << QColor(10, 200, 30, 100);
        QTest::newRow("opaque") << true << QColor(10, 200, 30);
    }

    void viewportShowsItsPaletteWhereTheSceneLeavesIt()
    {
        QFETCH(bool, attached);
        QFETCH(QColor, background);
        CanvasDocument c;
        c.attach();
        c.setRoot(Keys::ShowGrid, false);
        c.setRoot(Keys::StyleBackgroundColor, background);
        if (!attached)
            c.scene.setController(nullptr);
        NetworkView view;
        view.setNetworkScene(&c.scene);
        view.resize(200, 150);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QImage expected(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        expected.fill(view.viewport()->palette().color(QPalette::Base));
        if (attached) {
            QPainter p(&expected);
            p.fillRect(expected.rect(), background);
        }
        // Whatever the picture held before must not show through.
        QImage shown(expected.size(), QImage::Format_ARGB32_Premultiplied);
        shown.fill(Qt::magenta);
        view.viewport()->render(&shown);
        QCOMPARE(shown, expected);
    }

    void viewCentreInTicks()
    {
        NetworkScene scene;
        NetworkView view;
        view.setNetworkScene(&scene);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setSceneRect(1000, 2000, 4000, 4000);
        view.centerOn(1200, 2300);
        const QRect r = view.viewport()->rect();
        const QPointF centre = view.mapToScene(QPoint((r.left() + r.right()) / 2, (r.top() + r.bottom()) / 2));
        const TickPoint ticks = view.viewCenterTickPoint();
        QCOMPARE(ticks.x, qint64(std::llround(centre.x() * ticksPerPixelX)));
        QCOMPARE(ticks.y, qint64(std::llround(centre.y() * ticksPerPixelY)));
        QVERIFY(std::fabs(centre.x() - 1200) < 2 && std::fabs(centre.y() - 2300) < 2);
    }
};

VORMA_GUI_TEST_MAIN(TestNetworkView)
#include "tst_networkview.moc"
