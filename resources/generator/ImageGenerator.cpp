// Draws the program's images into the folder given as the first argument and
// the manual's pictures into the second.
// Run offscreen: QT_QPA_PLATFORM=offscreen vorma_image_generator resources/images resources/manual/images

#include "InspectorImages.h"
#include "InspectorPageImages.h"
#include "ManualImages.h"
#include "Symbols.h"

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

using Symbols::Accent;
using Symbols::Ink;
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

// The position display: seven-segment glyphs of 10 x 18 in one strip, in the
// order "0123456789,.:", dark ink on the LCD's pale face.
const QColor LcdFace(196, 210, 190);
const QColor LcdInk(28, 36, 30);

QImage glyphStrip(const QColor &ink)
{
    // Segments a..g of each digit, as bits 0..6.
    static const int segments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};
    QImage image = blank(10, 13 * 18);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const qreal l = 2, r = 8, t = 2, m = 9, b = 16, w = 1.6;
    const QLineF lines[7] = {{l, t, r, t}, {r, t, r, m}, {r, m, r, b}, {l, b, r, b},
                             {l, m, l, b}, {l, t, l, m}, {l, m, r, m}};
    for (int digit = 0; digit < 10; ++digit) {
        const qreal y = digit * 18;
        for (int s = 0; s < 7; ++s) {
            if (!(segments[digit] & (1 << s)))
                continue;
            const QLineF line = lines[s].translated(0, y);
            const bool across = line.dy() == 0;
            const QRectF bar = across ? QRectF(line.x1() + w * 0.6, line.y1() - w / 2, line.dx() - w * 1.2, w)
                                      : QRectF(line.x1() - w / 2, line.y1() + w * 0.6, w, line.dy() - w * 1.2);
            p.drawRoundedRect(bar, w / 2, w / 2);
        }
    }
    p.drawEllipse(QPointF(5, 10 * 18 + 15.5), 1.1, 1.1); // ","
    p.drawRect(QRectF(4.2, 10 * 18 + 15.5, 1, 2.3));
    p.drawEllipse(QPointF(5, 11 * 18 + 15.5), 1.1, 1.1); // "."
    p.drawEllipse(QPointF(5, 12 * 18 + 6), 1.1, 1.1);    // ":"
    p.drawEllipse(QPointF(5, 12 * 18 + 12), 1.1, 1.1);
    return image;
}

// The display's frame, sliced 6 9 6 9 as a border image.
QImage lcdFrame()
{
    QImage image = blank(40, 30);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 94, 90), 1));
    QLinearGradient face(0, 0, 0, 30);
    face.setColorAt(0, LcdFace.lighter(108));
    face.setColorAt(1, LcdFace.darker(104));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 0.5, 39, 29), 5, 5);
    p.setPen(QPen(QColor(0, 0, 0, 40), 1));
    p.drawLine(QPointF(5, 2.5), QPointF(35, 2.5));
    return image;
}

// The mode icons of the display: a clock, a bar of divisions, a beat.
QImage modeIcon(int mode)
{
    QImage image = blank(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(LcdInk, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    if (mode == 1) {
        p.drawEllipse(QPointF(8, 8), 6, 6);
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
    } else if (mode == 2) {
        p.drawLine(QPointF(2, 3), QPointF(2, 13));
        p.drawLine(QPointF(14, 3), QPointF(14, 13));
        for (qreal x : {5.0, 8.0, 11.0})
            p.drawLine(QPointF(x, 7), QPointF(x, 13));
    } else {
        p.setBrush(LcdInk);
        p.drawEllipse(QPointF(6, 12), 2.6, 2);
        p.drawLine(QPointF(8.5, 12), QPointF(8.5, 3));
        p.drawLine(QPointF(8.5, 3), QPointF(12, 5));
    }
    return image;
}

QImage dropDownSymbol()
{
    QImage image = blank(7, 4);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(LcdInk);
    p.drawPolygon(QPolygonF(QVector<QPointF>{{0, 0}, {7, 0}, {3.5, 4}}));
    return image;
}

// Transport buttons: round, grey, lit from above; pressed ones darker.
template <class Draw>
QImage transportButton(int side, bool pressed, Draw draw)
{
    QImage image = blank(side, side);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(0, 0, 0, side);
    body.setColorAt(0, pressed ? QColor(150, 152, 156) : QColor(236, 238, 241));
    body.setColorAt(1, pressed ? QColor(110, 112, 116) : QColor(176, 179, 184));
    p.setPen(QPen(QColor(80, 82, 86), 1));
    p.setBrush(body);
    p.drawEllipse(QRectF(1, 1, side - 2, side - 2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 54, 60));
    p.translate(side / 2.0, side / 2.0);
    p.scale(side / 35.0, side / 35.0);
    draw(p);
    return image;
}

// A MIDI socket: five pins in a ring; lit when triggering is on.
QImage triggeringButton(bool on, bool pressed)
{
    return transportButton(31, pressed, [on](QPainter &p) { Symbols::midiSocket(p, on); });
}

QImage playAndTriggeringBackground()
{
    QImage image = blank(80, 49);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient well(0, 0, 0, 49);
    well.setColorAt(0, QColor(120, 122, 126));
    well.setColorAt(1, QColor(160, 162, 166));
    p.setPen(QPen(QColor(96, 98, 102), 1));
    p.setBrush(well);
    p.drawRoundedRect(QRectF(0.5, 0.5, 79, 48), 24, 24);
    return image;
}

// The tool chooser's segments: a rounded left end, plain middles and a
// rounded right end, 40 x 24.
QImage chooserSegment(int part, int state)
{
    QImage image = blank(40, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor top = state == 2 ? QColor(70, 74, 80) : state == 1 ? QColor(126, 130, 136) : QColor(108, 112, 118);
    const QColor bottom = state == 2 ? QColor(52, 56, 62) : state == 1 ? QColor(100, 104, 110) : QColor(84, 88, 94);
    QLinearGradient fill(0, 0, 0, 24);
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    QPainterPath shape;
    const QRectF box(0.5, 0.5, 39, 23);
    if (part == 1) {
        shape.addRect(box);
    } else {
        QPainterPath rounded;
        rounded.addRoundedRect(box, 6, 6);
        QPainterPath square;
        square.addRect(part == 0 ? QRectF(20, 0.5, 19.5, 23) : QRectF(0.5, 0.5, 19.5, 23));
        shape = rounded.united(square);
    }
    p.setPen(QPen(QColor(60, 62, 66), 1));
    p.setBrush(fill);
    p.drawPath(shape);
    return image;
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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <images folder> <manual pictures folder>\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("Tools")) || !dir.mkpath(QStringLiteral("MasterControls"))
        || !dir.mkpath(QStringLiteral("Chooser")))
        return 1;
    bool ok = save(aboutImage(), dir, QStringLiteral("AboutVorma.png"));
    ok &= save(toolIcon(Symbols::selectionTool), dir, QStringLiteral("Tools/SelectionTool.png"));
    ok &= save(toolIcon(Symbols::zoomTool), dir, QStringLiteral("Tools/ZoomTool.png"));
    ok &= save(toolIcon(Symbols::nodeAndEdgeTool), dir, QStringLiteral("Tools/NodeAndEdgeTool.png"));
    ok &= save(toolIcon(Symbols::voiceGroupTool), dir, QStringLiteral("Tools/VoiceGroupTool.png"));
    ok &= save(toolIcon(Symbols::textBoxTool), dir, QStringLiteral("Tools/TextBoxTool.png"));
    ok &= save(glyphStrip(LcdInk), dir, QStringLiteral("LCDSolidChars.png"));
    QColor unlit = LcdInk;
    unlit.setAlpha(34);
    ok &= save(glyphStrip(unlit), dir, QStringLiteral("LCDDimChars.png"));
    ok &= save(lcdFrame(), dir, QStringLiteral("LCDNormal.png"));
    ok &= save(modeIcon(1), dir, QStringLiteral("LCDTimeIcon.png"));
    ok &= save(modeIcon(2), dir, QStringLiteral("LCDPrincipalsIcon.png"));
    ok &= save(modeIcon(3), dir, QStringLiteral("LCDBeatsIcon.png"));
    ok &= save(dropDownSymbol(), dir, QStringLiteral("DropDownSymbol.png"));
    for (bool pressed : {false, true}) {
        const QString state = pressed ? QStringLiteral("Pressed") : QStringLiteral("Normal");
        ok &= save(transportButton(35, pressed, Symbols::gotoStart), dir, QStringLiteral("MasterControls/GotoStart") + state + ".png");
        ok &= save(transportButton(45, pressed, Symbols::play), dir, QStringLiteral("MasterControls/Play") + state + ".png");
        ok &= save(transportButton(45, pressed, Symbols::pause), dir, QStringLiteral("MasterControls/Pause") + state + ".png");
        ok &= save(triggeringButton(false, pressed), dir, QStringLiteral("MasterControls/TriggeringOff") + state + ".png");
        ok &= save(triggeringButton(true, pressed), dir, QStringLiteral("MasterControls/TriggeringOn") + state + ".png");
    }
    ok &= save(playAndTriggeringBackground(), dir, QStringLiteral("MasterControls/PlayAndTriggeringBackground.png"));
    const char *parts[] = {"Left", "Middle", "Right"};
    const char *states[] = {"Normal", "Hover", "Pressed"};
    for (int part = 0; part < 3; ++part)
        for (int state = 0; state < 3; ++state)
            ok &= save(chooserSegment(part, state), dir,
                       QStringLiteral("Chooser/%1%2.png").arg(QLatin1String(parts[part]), QLatin1String(states[state])));
    ok &= saveInspectorImages(dir, save);
    ok &= saveInspectorPageImages(dir, save);
    ok &= saveManualImages(QDir(QString::fromLocal8Bit(argv[2])), save);
    return ok ? 0 : 1;
}
