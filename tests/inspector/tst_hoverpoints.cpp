#include "inspector/HoverPoints.h"

#include "GuiTestMain.h"

#include <QMouseEvent>
#include <QWidget>
#include <QtTest>

namespace {

QPolygonF poly(const QVector<QPointF> &points)
{
    return QPolygonF(points);
}

// A widget that counts the presses that reach it.
class Pad : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

// Mouse events go straight to the widget, with the held buttons, so moves
// drag (QTest::mouseMove carries no buttons).
void send(QWidget &w, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, pos, w.mapToGlobal(pos.toPoint()), type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

void click(QWidget &w, QPointF pos, Qt::MouseButton button = Qt::LeftButton)
{
    send(w, QEvent::MouseButtonPress, pos, button);
    send(w, QEvent::MouseButtonRelease, pos, button);
}

// Bounds (10, 10, 180, 80) on a 200 by 100 pad: the vertical middle is 50.
struct Fixture
{
    Pad pad;
    HoverPoints *points;
    QStringList log;

    explicit Fixture(int sortMode = HoverPoints::XSort)
    {
        pad.resize(200, 100);
        points = new HoverPoints(&pad, HoverPoints::CircleShape);
        points->setBoundingRect(QRectF(10, 10, 180, 80));
        points->setSortMode(sortMode);
        QObject::connect(points, &HoverPoints::mouseButtonPressed, [this] { log << "pressed"; });
        QObject::connect(points, &HoverPoints::pointsChanged, [this](const QPolygonF &p) {
            log << QStringLiteral("points %1").arg(p.size());
        });
        QObject::connect(points, &HoverPoints::currentIndexChanged, [this](int i) {
            log << QStringLiteral("current %1").arg(i);
        });
    }
};

} // namespace

class TestHoverPoints : public QObject
{
    Q_OBJECT

private slots:
    void clickInsertsAtSortedPosition_data();
    void clickInsertsAtSortedPosition();
    void dragPastNeighbourResortsAndKeepsCurrent();
    void onlyDragsSnapToTheMiddle();
    void lockFlagsPinCoordinates_data();
    void lockFlagsPinCoordinates();
    void rightClickRemovesUnlockedPointsOnly();
    void removeAtKeepsIndexNumberAndIgnoresOutsideIndexes();
    void setCurrentIndexIsClamped_data();
    void setCurrentIndexIsClamped();
    void disabledPointsPassClicksThrough();
    void emptyBoundsUseTheWidgetButAddNothing();
    void pointsPaintOverTheWidgetWhileEnabled();
};

void TestHoverPoints::clickInsertsAtSortedPosition_data()
{
    QTest::addColumn<int>("sortMode");
    QTest::addColumn<int>("expected");
    QTest::newRow("sorted by x") << int(HoverPoints::XSort) << 1;
    QTest::newRow("unsorted: at the front") << int(HoverPoints::NoSort) << 0;
}

void TestHoverPoints::clickInsertsAtSortedPosition()
{
    QFETCH(int, sortMode);
    QFETCH(int, expected);
    Fixture f(sortMode);
    f.points->assignPoints(poly({{10, 30}, {50, 30}}));
    click(f.pad, QPointF(30, 70));
    QCOMPARE(f.points->points().size(), 3);
    QCOMPARE(f.points->points().at(expected), QPointF(30, 70));
    QCOMPARE(f.points->currentIndex(), expected);
    QCOMPARE(f.log, QStringList({"pressed", "points 3", QStringLiteral("current %1").arg(expected)}));
    QCOMPARE(f.pad.presses, 0);
}

void TestHoverPoints::dragPastNeighbourResortsAndKeepsCurrent()
{
    Fixture f;
    f.points->assignPoints(poly({{20, 30}, {60, 30}, {100, 30}}));
    f.points->setLockFlags(0, HoverPoints::LockToTop);
    send(f.pad, QEvent::MouseButtonPress, QPointF(60, 30));
    QCOMPARE(f.points->currentIndex(), 1);
    send(f.pad, QEvent::MouseMove, QPointF(80, 70));
    QCOMPARE(f.points->currentIndex(), 1);
    send(f.pad, QEvent::MouseMove, QPointF(140, 70));
    QCOMPARE(f.points->points(), poly({{20, 30}, {100, 30}, {140, 70}}));
    QCOMPARE(f.points->currentIndex(), 2);
    QVERIFY(f.log.contains("current 2"));
    // Flags stay with their positions.
    QCOMPARE(f.points->lockFlags(0), uint(HoverPoints::LockToTop));
    QCOMPARE(f.points->lockFlags(2), 0u);
    send(f.pad, QEvent::MouseButtonRelease, QPointF(140, 70));
    send(f.pad, QEvent::MouseMove, QPointF(150, 20));
    QCOMPARE(f.points->points().at(2), QPointF(140, 70));
}

void TestHoverPoints::onlyDragsSnapToTheMiddle()
{
    Fixture f;
    f.points->assignPoints(poly({{60, 30}}));
    send(f.pad, QEvent::MouseButtonPress, QPointF(60, 30));
    send(f.pad, QEvent::MouseMove, QPointF(60, 47));
    QCOMPARE(f.points->points().at(0), QPointF(60, 50));
    send(f.pad, QEvent::MouseMove, QPointF(60, 46));
    QCOMPARE(f.points->points().at(0), QPointF(60, 46));
    send(f.pad, QEvent::MouseButtonRelease, QPointF(60, 46));
    f.points->moveCurrentPoint(QPointF(70, 53));
    QCOMPARE(f.points->points().at(0), QPointF(70, 53));
    f.points->moveCurrentPoint(QPointF(300, -20));
    QCOMPARE(f.points->points().at(0), QPointF(190, 10));
}

void TestHoverPoints::lockFlagsPinCoordinates_data()
{
    QTest::addColumn<uint>("flags");
    QTest::addColumn<QPointF>("expected");
    QTest::newRow("left") << uint(HoverPoints::LockToLeft) << QPointF(10, 30);
    QTest::newRow("right") << uint(HoverPoints::LockToRight) << QPointF(190, 30);
    QTest::newRow("top-left corner") << uint(HoverPoints::LockToLeft | HoverPoints::LockToTop) << QPointF(10, 10);
    QTest::newRow("bottom") << uint(HoverPoints::LockToBottom) << QPointF(120, 90);
}

void TestHoverPoints::lockFlagsPinCoordinates()
{
    QFETCH(uint, flags);
    QFETCH(QPointF, expected);
    Fixture f;
    f.points->assignPoints(poly({{60, 60}}));
    f.points->setLockFlags(0, flags);
    send(f.pad, QEvent::MouseButtonPress, QPointF(60, 60));
    send(f.pad, QEvent::MouseMove, QPointF(120, 30));
    QCOMPARE(f.points->points().at(0), expected);
}

void TestHoverPoints::rightClickRemovesUnlockedPointsOnly()
{
    Fixture f;
    f.points->assignPoints(poly({{20, 30}, {60, 30}, {100, 30}}));
    f.points->setLockFlags(2, HoverPoints::LockToRight);
    f.points->setCurrentIndex(2);
    click(f.pad, QPointF(100, 30), Qt::RightButton);
    QCOMPARE(f.points->points().size(), 3);
    QCOMPARE(f.points->currentIndex(), -1);
    click(f.pad, QPointF(60, 30), Qt::RightButton);
    QCOMPARE(f.points->points(), poly({{20, 30}, {100, 30}}));
    f.points->setEditable(false);
    click(f.pad, QPointF(20, 30), Qt::RightButton);
    QCOMPARE(f.points->points().size(), 2);
    QCOMPARE(f.pad.presses, 1);
}

void TestHoverPoints::removeAtKeepsIndexNumberAndIgnoresOutsideIndexes()
{
    Fixture f;
    f.points->assignPoints(poly({{20, 30}, {60, 30}, {100, 30}}));
    f.points->setCurrentIndex(1);
    f.log.clear();
    for (int outside : {-1, 3, 1000})
        f.points->removeAt(outside);
    QVERIFY(f.log.isEmpty());
    QCOMPARE(f.points->points().size(), 3);
    f.points->removeAt(0);
    QCOMPARE(f.points->currentIndex(), 1);
    QCOMPARE(f.points->points().at(1), QPointF(100, 30));
    f.points->removeAt(1);
    QCOMPARE(f.points->currentIndex(), -1);
    QCOMPARE(f.points->points(), poly({{60, 30}}));
}

void TestHoverPoints::setCurrentIndexIsClamped_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("expected");
    QTest::newRow("negative") << -5 << 0;
    QTest::newRow("inside") << 1 << 1;
    QTest::newRow("count: none") << 2 << 2;
    QTest::newRow("beyond") << 9 << 2;
}

void TestHoverPoints::setCurrentIndexIsClamped()
{
    QFETCH(int, index);
    QFETCH(int, expected);
    Fixture f;
    f.points->assignPoints(poly({{20, 30}, {60, 30}}));
    f.points->setCurrentIndex(index);
    QCOMPARE(f.points->currentIndex(), expected);
    QCOMPARE(f.log.last(), QStringLiteral("current %1").arg(expected));
}

void TestHoverPoints::disabledPointsPassClicksThrough()
{
    Fixture f;
    f.points->assignPoints(poly({{20, 30}}));
    f.points->setEnabled(false);
    click(f.pad, QPointF(100, 50));
    click(f.pad, QPointF(20, 30), Qt::RightButton);
    QCOMPARE(f.pad.presses, 2);
    QCOMPARE(f.points->points().size(), 1);
    QVERIFY(f.log.isEmpty());
    f.points->setEnabled(true);
    click(f.pad, QPointF(100, 50));
    QCOMPARE(f.points->points().size(), 2);
    QCOMPARE(f.pad.presses, 2);
}

void TestHoverPoints::emptyBoundsUseTheWidgetButAddNothing()
{
    Fixture f;
    f.points->setBoundingRect(QRectF(10, 10, 0, 80));
    f.points->assignPoints(poly({{-5, 150}, {60, 30}}));
    QCOMPARE(f.points->points(), poly({{0, 100}, {60, 30}}));
    click(f.pad, QPointF(100, 50));
    QCOMPARE(f.points->points().size(), 2);
    QCOMPARE(f.pad.presses, 1);
    send(f.pad, QEvent::MouseButtonPress, QPointF(60, 30));
    send(f.pad, QEvent::MouseMove, QPointF(250, 20));
    QCOMPARE(f.points->points().at(1), QPointF(200, 20));
}

void TestHoverPoints::pointsPaintOverTheWidgetWhileEnabled()
{
    Fixture f;
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    f.pad.setPalette(palette);
    f.pad.setAutoFillBackground(true);
    f.points->assignPoints(poly({{40, 30}, {160, 70}}));
    f.points->setLinkStyle(HoverPoints::LineLink);
    const QImage shown = f.pad.grab().toImage();
    // The widget's own painting stays under the markers and the line.
    QCOMPARE(shown.pixelColor(5, 95), QColor(Qt::black));
    QVERIFY(shown.pixelColor(40, 30) != QColor(Qt::black));
    QVERIFY(shown.pixelColor(100, 50) != QColor(Qt::black));
    f.points->setEnabled(false);
    const QImage plain = f.pad.grab().toImage();
    QCOMPARE(plain.pixelColor(40, 30), QColor(Qt::black));
    QCOMPARE(plain.pixelColor(100, 50), QColor(Qt::black));
}

VORMA_GUI_TEST_MAIN(TestHoverPoints)
#include "tst_hoverpoints.moc"
