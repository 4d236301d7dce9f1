#include "GuiTestMain.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/StylePresets.h"
#include "canvas/GridPainter.h"

#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QVBoxLayout>

using namespace QmdVorma;

namespace {

GridPainter::Style presetStyle(const QString &name, int divisions, double principal)
{
    StylePreset preset;
    if (!stylePreset(name, &preset))
        qFatal("no style preset %s", qPrintable(name));
    GridPainter::Style style;
    style.background = preset.value(Keys::StyleBackgroundColor).value<QColor>();
    style.divisionLines = preset.value(Keys::StyleDivisionLinesColor).value<QColor>();
    style.principalLines = preset.value(Keys::StylePrincipalLinesColor).value<QColor>();
    style.divisionPoints = preset.value(Keys::StyleDivisionPointsColor).value<QColor>();
    style.principalPoints = preset.value(Keys::StylePrincipalPointsColor).value<QColor>();
    style.divisions = divisions;
    style.principal = QSizeF(principal, principal);
    return style;
}

// Every layer in a colour of its own, each layer visible where it lies.
GridPainter::Style layerStyle(int divisions, double principal)
{
    GridPainter::Style style;
    style.background = QColor(Qt::white);
    style.divisionLines = QColor(255, 0, 0);
    style.principalLines = QColor(0, 0, 255);
    style.divisionPoints = QColor(0, 160, 0);
    style.principalPoints = QColor(200, 200, 0);
    style.divisions = divisions;
    style.principal = QSizeF(principal, principal);
    return style;
}

// The painter as a view sets it up: scene units scaled, then moved by
// `offset` device-independent pixels.
QTransform viewTransform(double scale, const QPointF &offset)
{
    return QTransform(scale, 0, 0, scale, offset.x(), offset.y());
}

QRectF exposedScene(const QImage &image, const QTransform &transform)
{
    const QRectF logical(QPointF(0, 0), QSizeF(image.size()) / image.devicePixelRatio());
    return transform.inverted().mapRect(logical);
}

QImage drawn(QSize size, int dpr, const QTransform &transform, const GridPainter::Style &style, GridPainter *tiled,
             QImage::Format format = QImage::Format_ARGB32_Premultiplied)
{
    QImage image(size * dpr, format);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing); // as the view paints
    painter.setWorldTransform(transform);
    const QRectF exposed = exposedScene(image, transform);
    if (tiled)
        tiled->paint(&painter, exposed, style);
    else
        GridPainter::paintDirect(&painter, exposed, style);
    return image;
}

// Floor of a / b for a whole b > 0.
qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// A scene with the grid behind it, drawn either way.
class GridScene : public QGraphicsScene
{
public:
    GridPainter painter;
    GridPainter::Style style;
    bool tiled = true;

protected:
    void drawBackground(QPainter *p, const QRectF &rect) override
    {
        if (tiled)
            painter.paint(p, rect, style);
        else
            GridPainter::paintDirect(p, rect, style);
    }
};

} // namespace

class TestGridPainter : public QObject
{
    Q_OBJECT

private slots:
    // The picture put down as a tiled brush gives the very pixels of the
    // grid drawn line by line, at view scales, scroll offsets, a printer's
    // fractional scale and offset, and a high-resolution screen.
    void tileMatchesLineByLine_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<int>("divisions");
        QTest::addColumn<double>("principal");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<int>("dpr");
        for (const QString &preset : stylePresetNames()) {
            const auto row = [&](const char *name, int divisions, double principal, double scale, QPointF offset,
                                 int dpr) {
                QTest::addRow("%s %s", qPrintable(preset), name)
                    << preset << divisions << principal << scale << offset << dpr;
            };
            row("zoom 1", 4, 160, 1, QPointF(0, 0), 1);
            row("zoom 1 scrolled", 4, 160, 1, QPointF(-1337, 421), 1);
            row("zoom 0.5 thirds", 3, 160, 0.5, QPointF(-45, -1203), 1);
            row("zoom 2 fifths", 5, 160, 2, QPointF(17, 3), 1);
            row("zoom 0.75 half pixels", 16, 160, 0.75, QPointF(-211, -97), 1);
            row("zoom 1.5 thirds", 3, 160, 1.5, QPointF(-2400, 0), 1);
            row("72 dpi sevenths", 7, 120, 1.25, QPointF(-13, -640), 1);
            row("one division", 1, 120, 0.25, QPointF(3, 5), 1);
            row("printer", 16, 160, 3.125, QPointF(12.25, -7.75), 1);
            row("high dpi", 4, 160, 1, QPointF(-51, -20), 2);
            row("high dpi thirds", 3, 160, 1.5, QPointF(-333, 81), 2);
        }
    }

    void tileMatchesLineByLine()
    {
        QFETCH(QString, preset);
        QFETCH(int, divisions);
        QFETCH(double, principal);
        QFETCH(double, scale);
        QFETCH(QPointF, offset);
        QFETCH(int, dpr);
        const GridPainter::Style style = presetStyle(preset, divisions, principal);
        const QTransform transform = viewTransform(scale, offset);
        GridPainter tiled;
        const QImage fromTile = drawn(QSize(701, 503), dpr, transform, style, &tiled);
        QCOMPARE(tiled.tileRenderCount(), 1);
        QCOMPARE(fromTile, drawn(QSize(701, 503), dpr, transform, style, nullptr));
    }

    // A view inside a window paints into the window's picture, away from
    // its corner: the tile still serves, and the grid is the same.
    void viewInsideAWindow()
    {
        GridScene scene;
        scene.style = presetStyle(QStringLiteral("Light"), 3, 160);
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(31, 17, 0, 0);
        auto *view = new QGraphicsView(&scene);
        view->setFrameShape(QFrame::NoFrame);
        view->setCacheMode(QGraphicsView::CacheNone);
        view->setSceneRect(-3000, -2000, 6000, 4000);
        view->scale(1.5, 1.5);
        layout->addWidget(view);
        window.resize(500, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        view->centerOn(1234, -567);
        const QImage fromTile = window.grab().toImage();
        QVERIFY(scene.painter.tileRenderCount() > 0);
        scene.tiled = false;
        QCOMPARE(fromTile, window.grab().toImage());
    }

    // Where each line and point lands, worked out in whole numbers: a line
    // covers the pixel at or after its position, a point the pixel nearest
    // to it (a point half way goes right and down). Principal lines cover
    // division lines, points cover lines.
    void linesAndPointsFallOnTheirPixels_data()
    {
        QTest::addColumn<bool>("tiled");
        QTest::addColumn<int>("divisions");
        QTest::addColumn<int>("twicePeriod"); // device pixels per principal, doubled
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPoint>("offset");
        for (bool tiled : {false, true}) {
            const auto row = [&](const char *name, int divisions, int twicePeriod, double scale, QPoint offset) {
                QTest::addRow("%s %s", tiled ? "tiled" : "line by line", name)
                    << tiled << divisions << twicePeriod << scale << offset;
            };
            // A third of a principal is 80 pixels here, but 160 / 3 scene
            // units are not: computed in scene units some lines fell a pixel short.
            row("thirds at 150 %", 3, 480, 1.5, QPoint(0, 0));
            row("thirds at 150 % far out", 3, 480, 1.5, QPoint(-96000, -2400));
            row("thirds far out", 3, 320, 1, QPoint(-1600, -3200));
            row("half pixels", 16, 240, 1, QPoint(-30, 0));
        }
    }

    void linesAndPointsFallOnTheirPixels()
    {
        QFETCH(bool, tiled);
        QFETCH(int, divisions);
        QFETCH(int, twicePeriod);
        QFETCH(double, scale);
        QFETCH(QPoint, offset);
        const double principal = twicePeriod / 2.0 / scale;
        const GridPainter::Style style = layerStyle(divisions, principal);
        GridPainter painter;
        const QSize size(600, 400);
        const QImage image = drawn(size, 1, viewTransform(scale, offset), style, tiled ? &painter : nullptr);
        QCOMPARE(painter.tileRenderCount(), tiled ? 1 : 0);

        // Position i doubled and times `divisions`: whole numbers throughout.
        const qint64 d = divisions;
        const auto line = [&](qint64 i, int at) { return floorDiv(twicePeriod * i + 2 * d * at, 2 * d); };
        const auto point = [&](qint64 i, int at) { return floorDiv(twicePeriod * i + 2 * d * at + d, 2 * d); };
        const auto firstIndex = [&](int at) { return floorDiv(-2 * d * at, twicePeriod) - 1; };

        // A row between two horizontal lines and clear of the points shows
        // the vertical lines alone.
        const qint64 j0 = firstIndex(offset.y()) + 1;
        const int clearRow = int(line(j0, offset.y())) + 2;
        QVERIFY(clearRow < int(point(j0 + 1, offset.y())) && clearRow < int(line(j0 + 1, offset.y())));
        QVector<QColor> expected(size.width(), style.background);
        for (qint64 i = firstIndex(offset.x()); line(i, offset.x()) < size.width(); ++i) {
            const qint64 x = line(i, offset.x());
            if (x >= 0 && expected[int(x)] != style.principalLines)
                expected[int(x)] = i % d == 0 ? style.principalLines : style.divisionLines;
        }
        for (int x = 0; x < size.width(); ++x)
            QVERIFY2(image.pixelColor(x, clearRow) == expected[x], qPrintable(QStringLiteral("column %1").arg(x)));

        // Every point, and where lines cross off the points, the lines.
        for (qint64 j = firstIndex(offset.y()); point(j, offset.y()) < size.height(); ++j) {
            for (qint64 i = firstIndex(offset.x()); point(i, offset.x()) < size.width(); ++i) {
                const QPoint at(int(point(i, offset.x())), int(point(j, offset.y())));
                const QPoint crossing(int(line(i, offset.x())), int(line(j, offset.y())));
                const bool principal = i % d == 0 && j % d == 0;
                if (QRect(QPoint(0, 0), size).contains(at))
                    QCOMPARE(image.pixelColor(at), principal ? style.principalPoints : style.divisionPoints);
                if (crossing != at && QRect(QPoint(0, 0), size).contains(crossing)) {
                    const QColor color = image.pixelColor(crossing);
                    QVERIFY(color == style.principalLines || color == style.divisionLines);
                }
            }
        }
    }

    // One picture serves every scroll offset; another scale or style makes
    // a new one.
    void tileIsDrawnOncePerScaleAndStyle()
    {
        GridPainter painter;
        GridPainter::Style style = presetStyle(QStringLiteral("Light"), 4, 160);
        const QSize size(300, 200);
        for (const QPointF &offset : {QPointF(0, 0), QPointF(-37, -11), QPointF(-1000, 480), QPointF(99, 3)})
            drawn(size, 1, viewTransform(1, offset), style, &painter);
        QCOMPARE(painter.tileRenderCount(), 1);
        // Whole principals of 160 pixels.
        QCOMPARE(painter.tileSize().width() % 160, 0);
        QCOMPARE(painter.tileSize().height() % 160, 0);

        drawn(size, 1, viewTransform(2, QPointF(0, 0)), style, &painter);
        QCOMPARE(painter.tileRenderCount(), 2);
        style.principalLines = QColor(1, 2, 3);
        drawn(size, 1, viewTransform(2, QPointF(-5, 0)), style, &painter);
        QCOMPARE(painter.tileRenderCount(), 3);
    }

    // Where a picture cannot stand in for the lines, they are drawn one by
    // one, with the same result.
    void linesWhereNoTileFits_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("rotated") << 0;
        QTest::newRow("faded") << 1;
        QTest::newRow("translucent background") << 2;
        QTest::newRow("16-bit image") << 3;
        QTest::newRow("no whole number of pixels") << 4;
        QTest::newRow("grid hidden") << 5;
    }

    void linesWhereNoTileFits()
    {
        QFETCH(int, kind);
        GridPainter::Style style = presetStyle(QStringLiteral("Dark"), 4, 160);
        QTransform transform = viewTransform(1, QPointF(-20, -30));
        QImage::Format format = QImage::Format_ARGB32_Premultiplied;
        double opacity = 1;
        switch (kind) {
        case 0:
            transform.rotate(30);
            break;
        case 1:
            opacity = 0.5;
            break;
        case 2:
            style.background.setAlpha(128);
            break;
        case 3:
            format = QImage::Format_RGB16;
            break;
        case 4:
            transform = viewTransform(100 * M_PI / 160, QPointF(0, 0));
            break;
        case 5:
            style.showGrid = false;
            break;
        }
        const auto draw = [&](GridPainter *painter) {
            QImage image(300, 200, format);
            image.fill(Qt::black);
            QPainter p(&image);
            p.setOpacity(opacity);
            p.setWorldTransform(transform);
            const QRectF exposed = transform.inverted().mapRect(QRectF(image.rect()));
            if (painter)
                painter->paint(&p, exposed, style);
            else
                GridPainter::paintDirect(&p, exposed, style);
            return image;
        };
        GridPainter painter;
        QCOMPARE(draw(&painter), draw(nullptr));
        QCOMPARE(painter.tileRenderCount(), 0);
    }

    // A printer is no raster image: it gets the lines themselves, at its own
    // resolution.
    void printedLineByLine()
    {
        const GridPainter::Style style = presetStyle(QStringLiteral("Light"), 4, 160);
        const auto record = [&](GridPainter *painter) {
            QPicture picture;
            QPainter p(&picture);
            p.setWorldTransform(viewTransform(6.25, QPointF(30, 40)));
            const QRectF exposed(0, 0, 400, 300);
            if (painter)
                painter->paint(&p, exposed, style);
            else
                GridPainter::paintDirect(&p, exposed, style);
            p.end();
            return QByteArray(picture.data(), int(picture.size()));
        };
        GridPainter painter;
        QCOMPARE(record(&painter), record(nullptr));
        QCOMPARE(painter.tileRenderCount(), 0);
    }
};

VORMA_GUI_TEST_MAIN(TestGridPainter)
#include "tst_gridpainter.moc"
