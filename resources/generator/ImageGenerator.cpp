// Draws the program's images into the folder given as the only argument.
// Run offscreen: QT_QPA_PLATFORM=offscreen vorma_image_generator resources/images

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <cstdio>

namespace {

const QColor Ink(72, 78, 88);
const QColor Accent(64, 140, 214);
const QColor AccentWarm(232, 140, 60);
const QColor ToolInk(232, 236, 241);
const QColor ToolShadow(20, 22, 26, 200);

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void arrowHead(QPainter &p, QPointF tip, QPointF direction, qreal size)
{
    const qreal length = std::hypot(direction.x(), direction.y());
    const QPointF unit = direction / length;
    const QPointF normal(-unit.y(), unit.x());
    const QPolygonF head(QVector<QPointF>{tip, tip - unit * size + normal * size * 0.5, tip - unit * size - normal * size * 0.5});
    p.drawPolygon(head);
}

// A small network on a grid: the picture of what the program draws.
void drawNetwork(QPainter &p, const QRectF &area)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal step = 30;
    p.setPen(QPen(QColor(220, 226, 234), 1));
    for (qreal x = area.left(); x <= area.right(); x += step)
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    for (qreal y = area.top(); y <= area.bottom(); y += step)
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));

    const QVector<QPointF> nodes{{60, 90}, {180, 90}, {180, 210}, {60, 270}, {240, 300}, {120, 180}};
    const QVector<QPair<int, int>> edges{{0, 1}, {1, 2}, {2, 3}, {3, 0}, {2, 4}, {5, 2}, {0, 5}};
    const qreal radius = 13;
    p.setPen(QPen(Ink, 2));
    p.setBrush(Ink);
    for (const auto &edge : edges) {
        const QPointF from = area.topLeft() + nodes[edge.first];
        const QPointF to = area.topLeft() + nodes[edge.second];
        // City block: across, then up or down.
        const QPointF corner(to.x(), from.y());
        QPainterPath path(from);
        if (corner != to && corner != from)
            path.lineTo(corner);
        path.lineTo(to);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        const QPointF last = corner != to ? corner : from;
        const QPointF direction = to - last;
        const qreal length = std::hypot(direction.x(), direction.y());
        p.setBrush(Ink);
        arrowHead(p, to - direction / length * radius, direction, 9);
    }
    for (int i = 0; i < nodes.size(); ++i) {
        const QPointF centre = area.topLeft() + nodes[i];
        p.setPen(QPen(Ink, 2));
        p.setBrush(i == 2 ? AccentWarm : (i % 2 ? QColor(250, 251, 253) : Accent));
        p.drawEllipse(centre, radius, radius);
    }
    p.restore();
}

QImage aboutImage()
{
    QImage image(600, 360, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    QLinearGradient background(0, 0, 0, 360);
    background.setColorAt(0, QColor(255, 255, 255));
    background.setColorAt(1, QColor(236, 240, 245));
    p.fillRect(image.rect(), background);
    drawNetwork(p, QRectF(10, 10, 290, 320));

    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::Antialiasing);
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setStyleHint(QFont::SansSerif);
    title.setPixelSize(54);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Ink);
    p.drawText(QRectF(310, 30, 280, 64), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Vorma"));
    QFont subtitle = title;
    subtitle.setPixelSize(13);
    subtitle.setBold(false);
    p.setFont(subtitle);
    p.setPen(QColor(120, 126, 136));
    p.drawText(QRectF(314, 92, 280, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Generative music on a network"));
    p.setPen(QPen(Accent, 3));
    p.drawLine(QPointF(314, 118), QPointF(420, 118));
    return image;
}

// Tool icons: 14 x 16, light strokes with a soft dark edge, for the dark
// tool bar.
template <class Draw>
QImage toolIcon(Draw draw)
{
    QImage image = blank(14, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0.5, 1.5);
    p.setPen(QPen(ToolShadow, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    draw(p, true);
    p.setPen(QPen(ToolInk, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw(p, false);
    return image;
}

void selectionTool(QPainter &p, bool)
{
    const QPolygonF arrow(QVector<QPointF>{{2, 0}, {2, 11}, {5, 8.5}, {7.5, 13}, {9, 12.2}, {6.8, 7.8}, {10.5, 7.5}});
    p.setBrush(p.pen().color());
    p.drawPolygon(arrow);
}

void zoomTool(QPainter &p, bool)
{
    p.drawEllipse(QPointF(5.5, 5), 4, 4);
    p.drawLine(QPointF(8.5, 8), QPointF(12, 12));
    p.drawLine(QPointF(3.5, 5), QPointF(7.5, 5));
    p.drawLine(QPointF(5.5, 3), QPointF(5.5, 7));
}

void nodeAndEdgeTool(QPainter &p, bool)
{
    p.drawEllipse(QPointF(3.5, 3.5), 2.6, 2.6);
    p.drawLine(QPointF(6, 3.5), QPointF(10, 3.5));
    p.drawLine(QPointF(10, 3.5), QPointF(10, 9));
    p.drawLine(QPointF(8, 7), QPointF(10, 9.5));
    p.drawLine(QPointF(12, 7), QPointF(10, 9.5));
    p.drawEllipse(QPointF(10, 11.5), 1.2, 1.2);
}

void voiceGroupTool(QPainter &p, bool)
{
    p.drawEllipse(QPointF(6.5, 7), 5.2, 5.2);
    p.setBrush(p.pen().color());
    p.drawEllipse(QPointF(6.5, 7), 1.8, 1.8);
}

void textBoxTool(QPainter &p, bool)
{
    p.drawRect(QRectF(0.8, 0.8, 11.4, 11.4));
    p.drawLine(QPointF(3.8, 3.8), QPointF(9.2, 3.8));
    p.drawLine(QPointF(6.5, 3.8), QPointF(6.5, 9.6));
}

bool save(const QImage &image, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <images folder>\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("Tools")))
        return 1;
    bool ok = save(aboutImage(), dir, QStringLiteral("AboutVorma.png"));
    ok &= save(toolIcon(selectionTool), dir, QStringLiteral("Tools/SelectionTool.png"));
    ok &= save(toolIcon(zoomTool), dir, QStringLiteral("Tools/ZoomTool.png"));
    ok &= save(toolIcon(nodeAndEdgeTool), dir, QStringLiteral("Tools/NodeAndEdgeTool.png"));
    ok &= save(toolIcon(voiceGroupTool), dir, QStringLiteral("Tools/VoiceGroupTool.png"));
    ok &= save(toolIcon(textBoxTool), dir, QStringLiteral("Tools/TextBoxTool.png"));
    return ok ? 0 : 1;
}
