#include "GuiTestMain.h"
#include "canvas/CanvasTestSupport.h"

#include "QmdVorma/InstrumentPalette.h"
#include "canvas/GraphicsEdgeItem.h"
#include "canvas/GraphicsNodeItem.h"

#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QtMath>

using namespace QmdVorma;

namespace {

constexpr double Zoom = 4; // image pixels per scene unit
constexpr int Centre = 80;

// The node painted alone, black on white, centred in the image.
QImage paintNode(GraphicsNodeItem *node, bool selected)
{
    QImage image(2 * Centre, 2 * Centre, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(Centre, Centre);
    p.scale(Zoom, Zoom);
    QStyleOptionGraphicsItem option;
    if (selected)
        option.state |= QStyle::State_Selected;
    node->paint(&p, &option, nullptr);
    return image;
}

// Image pixel at a distance (scene units) and a mathematical angle
// (degrees, counter-clockwise from three o'clock) from the centre.
QColor pixelAt(const QImage &image, double radius, double degrees)
{
    const double a = qDegreesToRadians(degrees);
    return image.pixelColor(qRound(Centre + Zoom * radius * std::cos(a)),
                            qRound(Centre - Zoom * radius * std::sin(a)));
}

bool dark(const QColor &c)
{
    return qGray(c.rgb()) < 128;
}

// The share of dark pixels on a circle of the given radius.
double darkShare(const QImage &image, double radius)
{
    int n = 0;
    for (int a = 0; a < 360; ++a)
        n += dark(pixelAt(image, radius, a)) ? 1 : 0;
    return n / 360.0;
}

// Dark pixels beyond the outline towards the lower right.
int glyphPixels(const QImage &image)
{
    int n = 0;
    for (double r = 12.5; r <= 14.5; r += 0.25) {
        for (double a = -75; a <= -15; a += 1)
            n += dark(pixelAt(image, r, a)) ? 1 : 0;
    }
    return n;
}

} // namespace

class TestCanvasItems : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { initTestScaleFactors(); }

    void nodeLook_data()
    {
        QTest::addColumn<int>("method");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("glyph");
        QTest::newRow("sequential") << 0 << false << false << false;
        QTest::newRow("parallel") << 1 << false << false << true;
        QTest::newRow("random") << 2 << false << false << true;
        QTest::newRow("unknown method") << 7 << false << false << false;
        QTest::newRow("selected") << 0 << false << true << false;
        QTest::newRow("muted") << 0 << true << false << false;
        QTest::newRow("muted selected") << 1 << true << true << true;
    }

    void nodeLook()
    {
        QFETCH(int, method);
        QFETCH(bool, muted);
        QFETCH(bool, selected);
        QFETCH(bool, glyph);
        CanvasDocument c;
        c.attach();
        c.setRoot(Keys::StyleNodesColor, QColor(Qt::black));
        const QmdItemId n = addNode(c.doc);
        c.setElement(n, Keys::SignallingMethod, method);
        c.setElement(n, Keys::DontPlayNote, muted);
        GraphicsNodeItem *node = c.item<GraphicsNodeItem>(n);
        QCOMPARE(node->signallingMethod(), method);
        QCOMPARE(node->isMuted(), muted);

        const QImage image = paintNode(node, selected);
        QCOMPARE(glyphPixels(image) > 0, glyph);
        // The outline: dashes of 4 units leave gaps while muted (the round
        // caps of the wide pen fill most of them).
        const double outline = darkShare(image, 10);
        if (muted)
            QVERIFY2(outline > 0.3 && outline < (selected ? 0.95 : 0.75), qPrintable(QString::number(outline)));
        else
            QVERIFY2(outline > 0.97, qPrintable(QString::number(outline)));
        // 3 points wide when selected, 1 otherwise.
        const double outer = darkShare(image, 11.1);
        QVERIFY2(selected ? outer > (muted ? 0.3 : 0.9) : outer < 0.05, qPrintable(QString::number(outer)));
    }

    void nodeToolTipFollowsNotes()
    {
        CanvasDocument c;
        c.attach();
        const QmdItemId n = addNode(c.doc);
        const QString notes = QStringLiteral("[C3:96:100%,E3:96:100%,G3:96:100%,C4:96:100%]");
        c.setElement(n, Keys::Notes, notes);
        QCOMPARE(c.item<GraphicsNodeItem>(n)->toolTip(),
                 QStringLiteral("[C3:96:100%,E3:96:100%,G3:96:100%,\nC4:96:100%]"));
    }

    void voiceSlices_data()
    {
        QTest::addColumn<int>("voices");
        QTest::addColumn<QList<double>>("angles"); // one sample inside each slice
        QTest::newRow("one") << 1 << QList<double>{0, 180};
        QTest::newRow("two from 45 degrees") << 2 << QList<double>{135, 315};
        QTest::newRow("three from 0 degrees") << 3 << QList<double>{60, 180, 300};
        QTest::newRow("four from 45 degrees") << 4 << QList<double>{90, 180, 270, 0};
    }

    void voiceSlices()
    {
        QFETCH(int, voices);
        QFETCH(QList<double>, angles);
        CanvasDocument c;
        c.attach();
        const QmdItemId n = addNode(c.doc);
        GraphicsNodeItem *node = c.item<GraphicsNodeItem>(n);
        const QList<QColor> colors{Qt::red, Qt::green, Qt::blue, Qt::yellow};
        // Voice ids in one group; the table keeps them in its own order, so
        // each slice must hold one of the colours, each colour once.
        for (int v = 0; v < voices; ++v)
            node->addActiveVoice(1, v, colors.at(v));
        QCOMPARE(node->activeVoiceCount(), voices);
        const QImage image = paintNode(node, false);
        QSet<QRgb> seen;
        for (double a : angles) {
            const QColor color = pixelAt(image, 6, a);
            if (voices == 1)
                QCOMPARE(color, colors.first());
            else
                QVERIFY2(colors.mid(0, voices).contains(color), qPrintable(color.name()));
            seen.insert(color.rgb());
        }
        QCOMPARE(seen.size(), voices == 1 ? 1 : voices);

        node->removeActiveVoice(1, 0);
        QCOMPARE(node->activeVoiceCount(), voices - 1);
        node->clearActiveVoices();
        QCOMPARE(node->activeVoiceCount(), 0);
    }

    void silencedVoiceGroupHatchesItsSlice()
    {
        CanvasDocument c;
        c.attach();
        const QmdItemId n = addNode(c.doc);
        const QmdItemId group = addVoiceGroup(c.doc, n);
        c.setElement(group, Keys::DontPlayNote, true);
        GraphicsNodeItem *node = c.item<GraphicsNodeItem>(n);
        node->addActiveVoice(int(group), 1, Qt::red);
        const QImage image = paintNode(node, false);
        int red = 0;
        int other = 0;
        for (int y = Centre - 20; y < Centre + 20; ++y) {
            for (int x = Centre - 20; x < Centre + 20; ++x)
                (image.pixelColor(x, y) == QColor(Qt::red) ? red : other)++;
        }
        QVERIFY(red > 50);
        QVERIFY(other > 50);
    }

    void edgeHighlightFollowsSourceSelection()
    {
        CanvasDocument c;
        c.attach();
        const QmdItemId a = addNode(c.doc, 0, 0);
        const QmdItemId b = addNode(c.doc, 665280, 0);
        const QmdItemId e1 = addEdge(c.doc, a, b);
        const QmdItemId e2 = addEdge(c.doc, a, b, Direct);
        GraphicsEdgeItem *first = c.item<GraphicsEdgeItem>(e1);
        GraphicsEdgeItem *second = c.item<GraphicsEdgeItem>(e2);
        QmdVormaController &ctl = c.doc.controller;

        c.scene.clearSelection();
        c.scene.elementItem(a)->graphicsItem()->setSelected(true);
        QCOMPARE(first->arcNumber(), ctl.arcIdentifierOfEdge(a, e1));
        QCOMPARE(second->arcNumber(), ctl.arcIdentifierOfEdge(a, e2));
        QCOMPARE(second->currentColor(), paletteColor(second->arcNumber()));
        QCOMPARE(first->zValue(), 1.0);
        QVERIFY(first->toolTip().startsWith(paletteColorName(first->arcNumber()) + QLatin1Char('\n')));

        // Two selected elements, one of them the source: no highlight.
        c.scene.elementItem(b)->graphicsItem()->setSelected(true);
        QCOMPARE(first->arcNumber(), -1);
        QCOMPARE(first->currentColor(), c.scene.edgesColor());
        QCOMPARE(first->zValue(), 0.0);

        // A source node that lost the edge's arc number shows it plain.
        const QmdIndex arcs = ctl.index(Keys::ArcIdentifiers, ctl.elementIndex(a));
        ctl.requestRemove(ctl.index(e2, arcs), QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
        c.scene.clearSelection();
        c.scene.elementItem(a)->graphicsItem()->setSelected(true);
        QCOMPARE(second->arcNumber(), -1);
        QCOMPARE(second->currentColor(), c.scene.edgesColor());
        QVERIFY(first->arcNumber() >= 0);
    }

    void edgeFollowsItsNodesAndKeys()
    {
        CanvasDocument c;
        c.attach();
        const QmdItemId a = addNode(c.doc, 0, 0);
        const QmdItemId b = addNode(c.doc, 665280, 665280);
        const QmdItemId e = addEdge(c.doc, a, b);
        GraphicsEdgeItem *edge = c.item<GraphicsEdgeItem>(e);
        QCOMPARE(edge->pos(), QPointF(0, 0));
        QCOMPARE(edge->toPoint(), QPointF(120, 120));
        QCOMPARE(edge->path().elementCount(), 3); // start, bend, end

        c.setElement(a, Keys::TickPos, QVariant::fromValue(TickPoint(0, 665280)));
        QCOMPARE(edge->pos(), QPointF(0, 120));
        QCOMPARE(edge->path().elementCount(), 2); // level now: straight

        c.setElement(e, Keys::IsWormhole, true);
        QCOMPARE(edge->pen().style(), Qt::CustomDashLine);
        edge->setSelected(true);
        QCOMPARE(edge->pen().widthF(), 3.0);
        QCOMPARE(edge->arrowHead()->transform().m11(), 1.3);

        // The usage label tells the source's use of this edge.
        const QmdItemId b2 = addNode(c.doc, 2 * 665280, 665280);
        const QmdItemId e2 = addEdge(c.doc, a, b2);
        c.setElement(a, Keys::ArcUsageList, QStringLiteral("%1=1,%2=2,%1=0").arg(e).arg(e2));
        QCOMPARE(edge->usageLabel()->text(), QStringLiteral("1(1),3(\u221E)"));
        QVERIFY(!edge->usageLabel()->isVisible());
        c.doc.controller.requestToggleShowEdgeSignalling();
        settle();
        QVERIFY(edge->usageLabel()->isVisible());
    }
};

VORMA_GUI_TEST_MAIN(TestCanvasItems)
#include "tst_canvasitems.moc"
