// The manual's pictures: the window, the tool bar, a small network, the three
// signalling methods, the controller curves and the MIDI connections. Each is
// drawn at three times its printed size and stores that resolution, so the
// manual prints it sharp at its intended size.

#include "ManualImages.h"
#include "Symbols.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <functional>

namespace {

using Symbols::Accent;
using Symbols::Ink;

// Drawn in pixels of 96 per inch, stored at three times that.
constexpr int Scale = 3;

// The canvas in the "Dark" colour style, as a new document shows it.
const QColor CanvasGround(39, 39, 47);
const QColor PrincipalLines(46, 46, 54);
const QColor PrincipalPoints(200, 200, 200);
const QColor DivisionPoints(128, 128, 128);
const QColor Annotation(255, 255, 255, 128);
const QColor Nodes(155, 158, 255);
const QColor Edges(113, 117, 137);
// The first colours of the instrument palette.
const QColor Tangerine(255, 128, 0);
const QColor Pistachio(131, 204, 7);
const QColor Aqua(0, 128, 255);

const QColor Paper(255, 255, 255);
const QColor Faint(150, 156, 166);
const QColor CalloutGround(206, 60, 40);

QImage picture(int width, int height, const std::function<void(QPainter &)> &draw)
{
    QImage image(width * Scale, height * Scale, QImage::Format_RGB32);
    image.fill(Paper);
    {
        // Drawn at 96 per inch, so text sizes are the pixels given.
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        p.scale(Scale, Scale);
        draw(p);
    }
    const int dotsPerMetre = qRound(96 * Scale / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    return image;
}

QFont font(qreal pixels, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(pixels * 0.75);
    f.setBold(bold);
    return f;
}

void text(QPainter &p, const QRectF &box, const QString &words, qreal size, const QColor &ink = Ink,
          int align = Qt::AlignCenter, bool bold = false)
{
    p.save();
    p.setFont(font(size, bold));
    p.setPen(ink);
    p.drawText(box, align | Qt::TextWordWrap, words);
    p.restore();
}

// A numbered marker that the text beside the picture refers to.
void callout(QPainter &p, QPointF centre, int number)
{
    p.save();
    p.setPen(QPen(Paper, 1.2));
    p.setBrush(CalloutGround);
    p.drawEllipse(centre, 8, 8);
    text(p, QRectF(centre.x() - 8, centre.y() - 8, 16, 16), QString::number(number), 10, Paper, Qt::AlignCenter, true);
    p.restore();
}

void arrowHead(QPainter &p, QPointF tip, QPointF direction, qreal size)
{
    const qreal length = std::hypot(direction.x(), direction.y());
    const QPointF unit = direction / length;
    const QPointF normal(-unit.y(), unit.x());
    p.drawPolygon(QPolygonF(
        QVector<QPointF>{tip, tip - unit * size + normal * size * 0.45, tip - unit * size - normal * size * 0.45}));
}

// A line with an arrow head at its end.
void arrow(QPainter &p, QPointF from, QPointF to, const QColor &ink, qreal width = 1.2)
{
    p.save();
    p.setPen(QPen(ink, width));
    const QPointF direction = to - from;
    const qreal length = std::hypot(direction.x(), direction.y());
    p.drawLine(from, to - direction / length * 5);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    arrowHead(p, to, direction, 7);
    p.restore();
}

// ---------------------------------------------------------------- canvas

void grid(QPainter &p, const QRectF &area, qreal principal)
{
    p.save();
    p.setClipRect(area);
    p.fillRect(area, CanvasGround);
    p.setPen(QPen(PrincipalLines, 1));
    for (qreal x = area.left(); x <= area.right(); x += principal)
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    for (qreal y = area.top(); y <= area.bottom(); y += principal)
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    p.setPen(Qt::NoPen);
    const qreal division = principal / 4;
    for (qreal x = area.left(); x <= area.right(); x += division) {
        for (qreal y = area.top(); y <= area.bottom(); y += division) {
            const bool onPrincipal = std::fmod(x - area.left(), principal) < 0.5 && std::fmod(y - area.top(), principal) < 0.5;
            p.setBrush(onPrincipal ? PrincipalPoints : DivisionPoints);
            p.drawEllipse(QPointF(x, y), onPrincipal ? 0.9 : 0.6, onPrincipal ? 0.9 : 0.6);
        }
    }
    p.restore();
}

constexpr qreal NodeRadius = 10;

// A node as the canvas draws it: a circle with a glyph for its signalling
// (none for sequential, two strokes for parallel, a cross for random), dashed
// when muted, filled with an instrument's colour while it sounds.
void node(QPainter &p, QPointF centre, int signalling = 0, const QColor &sounding = QColor(), bool muted = false)
{
    p.save();
    QPen pen(Nodes, 1.2);
    if (muted)
        pen.setDashPattern({3, 2.5});
    p.setPen(pen);
    QColor fill = Nodes;
    fill.setAlpha(40);
    p.setBrush(sounding.isValid() ? sounding : fill);
    p.drawEllipse(centre, NodeRadius, NodeRadius);
    p.translate(centre);
    p.rotate(45);
    const qreal d = NodeRadius / 2;
    pen.setStyle(Qt::SolidLine);
    p.setPen(pen);
    if (signalling == 1) {
        for (qreal shift : {-d / 3, d / 3})
            p.drawLine(QPointF(d, shift), QPointF(3 * d, shift));
    } else if (signalling == 2) {
        p.translate(2 * d, 0);
        p.rotate(30);
        p.drawLine(QPointF(-d, 0), QPointF(d, 0));
        p.rotate(115);
        p.drawLine(QPointF(-d, 0), QPointF(d, 0));
    }
    p.restore();
}

// An edge from one node to another: across, then up or down (city block), or
// the other way round (flipped), or straight (direct).
void edge(QPainter &p, QPointF from, QPointF to, int path = 0, bool wormhole = false)
{
    p.save();
    QPolygonF line;
    line << from;
    if (path == 0 && from.x() != to.x() && from.y() != to.y())
        line << QPointF(to.x(), from.y());
    else if (path == 1 && from.x() != to.x() && from.y() != to.y())
        line << QPointF(from.x(), to.y());
    line << to;
    // From the rim of the first node to just before the second.
    const QPointF first = line.at(1) - line.at(0);
    line[0] += first / std::hypot(first.x(), first.y()) * NodeRadius;
    const QPointF last = line.at(line.size() - 1) - line.at(line.size() - 2);
    const QPointF unit = last / std::hypot(last.x(), last.y());
    const QPointF tip = to - unit * (NodeRadius + 1);
    line[line.size() - 1] = tip - unit * 6;
    QPen pen(Edges, 1.2);
    if (wormhole)
        pen.setDashPattern({4, 3});
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(line);
    p.setPen(Qt::NoPen);
    p.setBrush(Edges);
    arrowHead(p, tip, unit, 8);
    p.restore();
}

// A voice group: a triangle pointing at its start node from the left, in its
// instrument's colour.
void voiceGroup(QPainter &p, QPointF start, const QColor &colour)
{
    p.save();
    QColor fill = colour;
    fill.setAlpha(90);
    p.setPen(QPen(colour, 1.2));
    p.setBrush(fill);
    const qreal tip = start.x() - NodeRadius;
    p.drawPolygon(QPolygonF(QVector<QPointF>{{tip - 13, start.y() - 9}, {tip, start.y()}, {tip - 13, start.y() + 9}}));
    p.restore();
}

void canvasText(QPainter &p, const QRectF &box, const QString &words, qreal size = 9, int align = Qt::AlignCenter)
{
    text(p, box, words, size, Annotation, align);
}

// ---------------------------------------------------------------- tool bar

QLinearGradient vertical(qreal top, qreal bottom, const QColor &upper, const QColor &lower)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, upper);
    gradient.setColorAt(1, lower);
    return gradient;
}

// The tool bar as a new window shows it, width w, top-left at origin; the
// centres of its parts are returned for callouts.
struct ToolBarParts
{
    QPointF tools[5];
    QPointF gotoStart, play, triggering, display, tempo;
};

ToolBarParts toolBar(QPainter &p, QPointF origin, qreal width)
{
    ToolBarParts parts;
    const qreal height = 56;
    p.save();
    p.translate(origin);
    p.fillRect(QRectF(0, 0, width, height), vertical(0, height, QColor(180, 180, 180), QColor(140, 140, 140)));
    p.setPen(QPen(QColor(100, 100, 100), 1));
    p.drawLine(QPointF(0, 0.5), QPointF(width, 0.5));
    p.drawLine(QPointF(0, height - 0.5), QPointF(width, height - 0.5));

    // The tool chooser, the node-and-edge tool chosen.
    void (*tools[])(QPainter &, bool) = {Symbols::selectionTool, Symbols::zoomTool, Symbols::nodeAndEdgeTool,
                                         Symbols::voiceGroupTool, Symbols::textBoxTool};
    const QRectF chooser(10, 16, 200, 24);
    QPainterPath outline;
    outline.addRoundedRect(chooser, 6, 6);
    p.setPen(QPen(QColor(60, 62, 66), 1));
    p.setBrush(vertical(chooser.top(), chooser.bottom(), QColor(108, 112, 118), QColor(84, 88, 94)));
    p.drawPath(outline);
    p.save();
    p.setClipPath(outline);
    p.fillRect(QRectF(chooser.left() + 80, chooser.top(), 40, 24),
               vertical(chooser.top(), chooser.bottom(), QColor(70, 74, 80), QColor(52, 56, 62)));
    p.restore();
    for (int i = 0; i < 5; ++i) {
        const QRectF button(chooser.left() + 40 * i, chooser.top(), 40, 24);
        if (i > 0) {
            p.setPen(QPen(QColor(60, 62, 66), 1));
            p.drawLine(button.topLeft(), button.bottomLeft());
        }
        p.save();
        p.translate(button.center() - QPointF(7, 8));
        p.setPen(QPen(QColor(20, 22, 26, 200), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        tools[i](p, true);
        p.setPen(QPen(QColor(232, 236, 241), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        tools[i](p, false);
        p.restore();
        parts.tools[i] = origin + button.center();
    }

    // The transport: go to start, play and MIDI triggering in their well, the
    // position display and the tempo.
    const qreal displayWidth = 190;
    const qreal right = width - 10;
    const QRectF display(right - displayWidth, 6, displayWidth, 44);
    const QRectF well(display.left() - 8 - 80, 4, 80, 48);
    const QPointF gotoStart(well.left() - 4 - 17.5, 28);
    const auto button = [&p](QPointF centre, qreal side, const std::function<void(QPainter &)> &symbol) {
        p.save();
        p.setPen(QPen(QColor(80, 82, 86), 1));
        p.setBrush(vertical(centre.y() - side / 2, centre.y() + side / 2, QColor(236, 238, 241), QColor(176, 179, 184)));
        p.drawEllipse(centre, side / 2 - 1, side / 2 - 1);
        p.translate(centre);
        p.scale(side / 35.0, side / 35.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 54, 60));
        symbol(p);
        p.restore();
    };
    button(gotoStart, 35, Symbols::gotoStart);
    p.setPen(QPen(QColor(96, 98, 102), 1));
    p.setBrush(vertical(well.top(), well.bottom(), QColor(120, 122, 126), QColor(160, 162, 166)));
    p.drawRoundedRect(well, 24, 24);
    const QPointF play(well.left() + 1 + 22.5, well.center().y());
    const QPointF triggering(play.x() + 22.5 + 15.5, well.center().y());
    button(play, 45, Symbols::play);
    button(triggering, 31, [](QPainter &painter) { Symbols::midiSocket(painter, false); });

    p.setPen(QPen(QColor(90, 94, 90), 1));
    p.setBrush(vertical(display.top(), display.bottom(), QColor(208, 222, 201), QColor(188, 202, 182)));
    p.drawRoundedRect(display, 5, 5);
    // The display mode (principals) and its menu arrow.
    const QColor lcdInk(28, 36, 30);
    p.setPen(QPen(lcdInk, 1.4, Qt::SolidLine, Qt::RoundCap));
    const QPointF mode(display.left() + 16, display.center().y());
    p.drawLine(mode + QPointF(-6, -5), mode + QPointF(-6, 5));
    p.drawLine(mode + QPointF(6, -5), mode + QPointF(6, 5));
    for (qreal x : {-3.0, 0.0, 3.0})
        p.drawLine(mode + QPointF(x, -1), mode + QPointF(x, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(lcdInk);
    p.drawPolygon(QPolygonF(QVector<QPointF>{mode + QPointF(-3, 9), mode + QPointF(4, 9), mode + QPointF(0.5, 12)}));
    QFont digits(QStringLiteral("DejaVu Sans Mono"));
    digits.setPointSizeF(15 * 0.75);
    p.setFont(digits);
    const QRectF digitBox(display.left() + 30, display.top(), 110, display.height());
    QColor dim = lcdInk;
    dim.setAlpha(50);
    p.setPen(dim);
    p.drawText(digitBox, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("000,"));
    p.setPen(lcdInk);
    p.drawText(digitBox, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("    001.01"));
    text(p, QRectF(display.right() - 46, display.top() + 6, 40, 18), QStringLiteral("120"), 11, lcdInk);
    text(p, QRectF(display.right() - 46, display.top() + 22, 40, 14), QStringLiteral("BPM"), 8, lcdInk);
    p.restore();

    parts.gotoStart = origin + gotoStart;
    parts.play = origin + play;
    parts.triggering = origin + triggering;
    parts.display = origin + QPointF(digitBox.center().x(), display.center().y());
    parts.tempo = origin + QPointF(display.right() - 26, display.center().y());
    return parts;
}

// ---------------------------------------------------------------- pictures

// The cover: a network at play, two voice groups sounding in their
// instruments' colours.
QImage coverPicture()
{
    return picture(640, 300, [](QPainter &p) {
        const QRectF canvas(0, 0, 640, 300);
        grid(p, canvas, 60);
        const QPointF a(90, 90), b(210, 90), c(330, 90), d(450, 90), e(570, 150), f(450, 210), g(330, 210),
            h(210, 210), k(90, 210), m(330, 150);
        edge(p, a, b);
        edge(p, b, c);
        edge(p, c, d);
        edge(p, d, e, 0);
        edge(p, e, f, 1);
        edge(p, f, g);
        edge(p, g, h);
        edge(p, h, k);
        edge(p, k, a, 0, true);
        edge(p, c, m);
        edge(p, m, g);
        edge(p, b, m, 2);
        node(p, a);
        node(p, b, 1, Tangerine);
        node(p, c, 2);
        node(p, d, 0, Aqua);
        node(p, e);
        node(p, f, 0, Tangerine);
        node(p, g);
        node(p, h, 2, Pistachio);
        node(p, k);
        node(p, m, 0, QColor(), true);
        voiceGroup(p, a, Tangerine);
        voiceGroup(p, k, Aqua);
        text(p, QRectF(380, 240, 240, 40), QStringLiteral("generative music on a network"), 13,
             QColor(255, 255, 255), Qt::AlignRight | Qt::AlignVCenter);
    });
}

// The window: menu bar, tool bar, canvas and inspector.
QImage windowPicture()
{
    return picture(640, 400, [](QPainter &p) {
        const QRectF frame(0.5, 0.5, 639, 399);
        // Menu bar.
        p.fillRect(QRectF(0, 0, 640, 22), QColor(246, 246, 246));
        const QStringList menus{QStringLiteral("File"), QStringLiteral("Edit"), QStringLiteral("View"),
                                QStringLiteral("Control"), QStringLiteral("Tool"), QStringLiteral("Help")};
        qreal x = 8;
        QFontMetricsF metrics(font(10));
        for (const QString &menu : menus) {
            text(p, QRectF(x, 0, 80, 22), menu, 10, Ink, Qt::AlignLeft | Qt::AlignVCenter);
            x += metrics.horizontalAdvance(menu) + 14;
        }
        const ToolBarParts parts = toolBar(p, QPointF(0, 22), 640);

        // Canvas with the new document's loop, and the zoom box below it.
        const QRectF canvas(0, 78, 430, 300);
        grid(p, canvas, 60);
        const QPointF a(120, 168), b(240, 228);
        edge(p, a, b);
        edge(p, b, a);
        node(p, a);
        node(p, b);
        voiceGroup(p, a, Tangerine);
        p.fillRect(QRectF(0, 378, 430, 22), QColor(236, 236, 236));
        p.fillRect(QRectF(0, 379, 52, 20), Paper);
        text(p, QRectF(4, 378, 44, 22), QStringLiteral("75%  \u25be"), 9, Ink, Qt::AlignLeft | Qt::AlignVCenter);

        // Inspector: title, page buttons, the Document page's tabs and fields.
        const QRectF inspector(430, 78, 210, 322);
        p.fillRect(inspector, QColor(246, 246, 246));
        p.setPen(QPen(QColor(190, 190, 190), 1));
        p.drawLine(inspector.topLeft(), inspector.bottomLeft());
        text(p, QRectF(inspector.left() + 6, inspector.top(), 200, 18), QStringLiteral("Document"), 10, Ink,
             Qt::AlignLeft | Qt::AlignVCenter);
        void (*pages[])(QPainter &) = {Symbols::documentPage, Symbols::instrumentPage, Symbols::edgePage,
                                       Symbols::nodePage, Symbols::voiceGroupPage};
        const QRectF buttons(inspector.left(), inspector.top() + 18, inspector.width(), 24);
        p.fillRect(buttons, vertical(buttons.top(), buttons.bottom(), QColor(240, 242, 245), QColor(222, 226, 232)));
        p.fillRect(QRectF(buttons.left(), buttons.top(), 42, 24),
                   vertical(buttons.top(), buttons.bottom(), QColor(206, 222, 240), QColor(182, 204, 230)));
        for (int i = 0; i < 5; ++i) {
            p.save();
            p.translate(buttons.left() + 42 * i + 11, buttons.top() + 2);
            pages[i](p);
            p.restore();
        }
        const QStringList tabs{QStringLiteral("Network"), QStringLiteral("Style"), QStringLiteral("Info")};
        qreal tabX = inspector.left() + 8;
        for (int i = 0; i < tabs.size(); ++i) {
            const qreal w = QFontMetricsF(font(9)).horizontalAdvance(tabs.at(i)) + 16;
            p.setPen(QPen(QColor(180, 180, 180), 1));
            p.setBrush(i == 0 ? Paper : QColor(232, 232, 232));
            p.drawRect(QRectF(tabX, inspector.top() + 50, w, 18));
            text(p, QRectF(tabX, inspector.top() + 50, w, 18), tabs.at(i), 9);
            tabX += w;
        }
        const QStringList rows{QStringLiteral("Grid"), QStringLiteral("Divisions per principal:  4"),
                               QStringLiteral("Timing"), QStringLiteral("Tempo:  120 bpm"),
                               QStringLiteral("MIDI Sync Inputs:"), QString(), QStringLiteral("MIDI Sync Outputs:"),
                               QString(), QStringLiteral("Global Scale"), QStringLiteral("Key:  C"),
                               QStringLiteral("Mode:  Chromatic")};
        qreal y = inspector.top() + 76;
        for (const QString &row : rows) {
            const bool heading = row == QStringLiteral("Grid") || row == QStringLiteral("Timing")
                                 || row == QStringLiteral("Global Scale");
            if (row.isEmpty()) {
                p.setPen(QPen(QColor(190, 190, 190), 1));
                p.setBrush(QColor(223, 228, 234));
                p.drawRect(QRectF(inspector.left() + 10, y, 190, 26));
                y += 30;
                continue;
            }
            text(p, QRectF(inspector.left() + 10, y, 190, 16), row, 9, Ink, Qt::AlignLeft | Qt::AlignVCenter, heading);
            y += 19;
        }
        p.setPen(QPen(QColor(150, 150, 150), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(frame);

        callout(p, parts.tools[0] + QPointF(-10, -20), 1);
        callout(p, parts.gotoStart + QPointF(-24, -12), 2);
        callout(p, parts.display + QPointF(0, -22), 3);
        callout(p, parts.tempo + QPointF(0, -22), 4);
        callout(p, QPointF(30, 110), 5);
        callout(p, QPointF(66, 389), 6);
        callout(p, QPointF(inspector.left() + 120, inspector.top() + 9), 7);
        callout(p, QPointF(inspector.left() + 196, inspector.top() + 128), 8);
    });
}

// The tool bar, with what each of its parts is.
QImage toolBarPicture()
{
    return picture(640, 166, [](QPainter &p) {
        const ToolBarParts parts = toolBar(p, QPointF(0, 10), 640);
        const QStringList tools{QStringLiteral("Selection\nCtrl+1"), QStringLiteral("Zoom\nCtrl+2"),
                                QStringLiteral("Node &\nEdge\nCtrl+3"), QStringLiteral("Voice\nGroup\nCtrl+4"),
                                QStringLiteral("Text Box\nCtrl+5")};
        for (int i = 0; i < 5; ++i) {
            const QPointF below = parts.tools[i] + QPointF(0, i % 2 ? 80 : 34);
            p.setPen(QPen(Faint, 0.8));
            p.drawLine(parts.tools[i] + QPointF(0, 13), below);
            text(p, QRectF(below.x() - 24, below.y() + 2, 48, 52), tools.at(i), 9.5, Ink, Qt::AlignHCenter | Qt::AlignTop);
        }
        // Two rows, so the labels of the close buttons do not run together.
        const struct
        {
            QPointF at;
            qreal row;
            QString words;
        } transport[] = {{parts.gotoStart, 82, QStringLiteral("Go to\nStart\nCtrl+R")},
                         {parts.play, 126, QStringLiteral("Play / Pause\nSpace")},
                         {parts.triggering, 82, QStringLiteral("MIDI\nTriggering\nCtrl+T")},
                         {parts.display - QPointF(48, 0), 82, QStringLiteral("Display\nmode")},
                         {parts.display + QPointF(6, 0), 82, QStringLiteral("Playback\nposition")},
                         {parts.tempo, 82, QStringLiteral("Tempo")}};
        for (const auto &part : transport) {
            const QPointF below(part.at.x(), part.row);
            p.setPen(QPen(Faint, 0.8));
            p.drawLine(QPointF(part.at.x(), part.at.y() + 15), below - QPointF(0, 2));
            text(p, QRectF(below.x() - 36, below.y(), 72, 52), part.words, 9.5, Ink, Qt::AlignHCenter | Qt::AlignTop);
        }
    });
}

// A network with the parts the manual names, numbered, with their names
// beside it.
QImage networkPicture()
{
    return picture(620, 330, [](QPainter &p) {
        const QRectF canvas(0, 0, 420, 330);
        grid(p, canvas, 60);
        const QPointF start(90, 90), up(210, 90), right(330, 90), down(210, 210), far(330, 270), back(90, 210);
        voiceGroup(p, start, Tangerine);
        edge(p, start, up);
        edge(p, up, right);
        edge(p, up, down);
        edge(p, down, far, 1);
        edge(p, right, far);
        edge(p, far, back, 2);
        edge(p, back, start, 0, true);
        node(p, start);
        node(p, up, 0, Tangerine);
        node(p, right);
        node(p, down, 2);
        node(p, far, 0, QColor(), true);
        node(p, back);
        // The usage labels of the sequential node: its first edge takes two
        // voices in a row, its second one.
        canvasText(p, QRectF(250, 72, 40, 14), QStringLiteral("1(2)"), 8.5);
        canvasText(p, QRectF(214, 140, 40, 14), QStringLiteral("2(1)"), 8.5, Qt::AlignLeft | Qt::AlignVCenter);
        text(p, QRectF(156, 16, 250, 30), QStringLiteral("A loop with a branch"), 11, QColor(255, 255, 255),
             Qt::AlignLeft | Qt::AlignVCenter);

        const struct
        {
            QPointF at;
            QString words;
        } parts[] = {{QPointF(58, 70), QStringLiteral("voice group on its start node")},
                     {QPointF(210, 62), QStringLiteral("node while it sounds")},
                     {QPointF(270, 62), QStringLiteral("usage label of a sequential node")},
                     {QPointF(290, 106), QStringLiteral("edge, city block")},
                     {QPointF(238, 198), QStringLiteral("random node")},
                     {QPointF(196, 258), QStringLiteral("edge, city block flipped")},
                     {QPointF(358, 270), QStringLiteral("muted node")},
                     {QPointF(272, 236), QStringLiteral("edge, direct")},
                     {QPointF(68, 150), QStringLiteral("wormhole edge")},
                     {QPointF(140, 31), QStringLiteral("text box")}};
        qreal y = 22;
        int number = 1;
        for (const auto &part : parts) {
            callout(p, part.at, number);
            callout(p, QPointF(440, y), number);
            text(p, QRectF(452, y - 10, 168, 20), part.words, 10, Ink, Qt::AlignLeft | Qt::AlignVCenter);
            y += 29;
            ++number;
        }
    });
}

// What a node does with an arriving voice, by its signalling method.
QImage signallingPicture()
{
    return picture(630, 190, [](QPainter &p) {
        const QStringList titles{QStringLiteral("Sequential"), QStringLiteral("Parallel"), QStringLiteral("Random")};
        const QStringList notes{QStringLiteral("one edge per arrival,\nin the order of the tiles"),
                                QStringLiteral("every edge at once,\none voice each"),
                                QStringLiteral("one edge per arrival,\nchosen by its uses")};
        for (int method = 0; method < 3; ++method) {
            const qreal left = method * 210;
            const QRectF panel(left + 8, 0, 194, 130);
            grid(p, panel, 40);
            const QPointF from(left + 60, 65);
            const QPointF targets[] = {{left + 160, 25}, {left + 160, 65}, {left + 160, 105}};
            for (const QPointF &target : targets)
                edge(p, from, target, 2);
            for (int i = 0; i < 3; ++i) {
                const bool chosen = method == 1 || (method == 0 && i == 0) || (method == 2 && i == 2);
                node(p, targets[i], 0, chosen ? QColor(Tangerine) : QColor());
            }
            node(p, from, method, Tangerine);
            voiceGroup(p, from, Tangerine);
            // The usage labels, above the middle of each edge.
            const QStringList uses = method == 0 ? QStringList{QStringLiteral("1(2)"), QStringLiteral("2(1)"),
                                                               QStringLiteral("3(1)")}
                                     : method == 2 ? QStringList{QStringLiteral("1/4"), QStringLiteral("1/4"),
                                                                 QStringLiteral("2/4")}
                                                   : QStringList();
            for (int i = 0; i < uses.size(); ++i) {
                const QPointF middle = (from + targets[i]) / 2 + QPointF(4, i == 2 ? 2 : -11);
                canvasText(p, QRectF(middle.x() - 20, middle.y() - 6, 40, 12), uses.at(i), 7.5);
            }
            text(p, QRectF(left, 134, 210, 18), titles.at(method), 10, Ink, Qt::AlignCenter, true);
            text(p, QRectF(left, 152, 210, 36), notes.at(method), 10, Ink, Qt::AlignHCenter | Qt::AlignTop);
        }
    });
}

// The three curve types of an edge's controller, as their editor plots them.
QImage curvesPicture()
{
    return picture(630, 150, [](QPainter &p) {
        const QStringList titles{QStringLiteral("Single"), QStringLiteral("Linear"), QStringLiteral("Cubic")};
        const QVector<QPointF> points{{0, 0.2}, {0.35, 0.85}, {0.7, 0.45}, {1, 0.7}};
        for (int type = 0; type < 3; ++type) {
            const qreal left = type * 210;
            const QRectF plot(left + 34, 8, 162, 96);
            p.fillRect(plot, QColor(146, 153, 162));
            p.setPen(QPen(QColor(170, 176, 184), 1));
            for (int i = 1; i < 4; ++i) {
                p.drawLine(QPointF(plot.left() + plot.width() * i / 4, plot.top()),
                           QPointF(plot.left() + plot.width() * i / 4, plot.bottom()));
                p.drawLine(QPointF(plot.left(), plot.top() + plot.height() * i / 4),
                           QPointF(plot.right(), plot.top() + plot.height() * i / 4));
            }
            p.setPen(QPen(QColor(96, 102, 110), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(plot);
            const auto at = [&plot](QPointF point) {
                return QPointF(plot.left() + point.x() * plot.width(), plot.bottom() - point.y() * plot.height());
            };
            QPainterPath curve;
            QVector<QPointF> shown;
            if (type == 0) {
                shown << QPointF(0, 0.6);
                curve.moveTo(at(QPointF(0, 0.6)));
                curve.lineTo(at(QPointF(1, 0.6)));
            } else {
                shown = points;
                curve.moveTo(at(points.first()));
                for (int i = 1; i < points.size(); ++i) {
                    const QPointF a = at(points.at(i - 1));
                    const QPointF b = at(points.at(i));
                    if (type == 1) {
                        curve.lineTo(b);
                    } else {
                        const qreal middle = a.x() + (b.x() - a.x()) / 2;
                        curve.cubicTo(QPointF(middle, a.y()), QPointF(middle, b.y()), b);
                    }
                }
            }
            // A single value is sent once, as the voice leaves; the
            // controller then keeps it.
            QPen line(QColor(255, 255, 255, 200), 2);
            if (type == 0)
                line.setDashPattern({3, 2});
            p.setPen(line);
            p.drawPath(curve);
            p.setPen(QPen(QColor(200, 200, 200), 1));
            p.setBrush(QColor(120, 120, 120, 160));
            for (const QPointF &point : shown)
                p.drawEllipse(at(point), 5, 5);
            for (int i = 0; i < 3; ++i) {
                text(p, QRectF(plot.left() - 32, plot.bottom() - plot.height() * i / 2 - 7, 28, 14),
                     QStringList{QStringLiteral("0"), QStringLiteral("64"), QStringLiteral("127")}.at(i), 9.5, Ink,
                     Qt::AlignRight | Qt::AlignVCenter);
                text(p, QRectF(plot.left() + plot.width() * i / 2 - 14, plot.bottom() + 1, 28, 15),
                     QStringList{QStringLiteral("0"), QStringLiteral("0.5"), QStringLiteral("1")}.at(i), 9.5);
            }
            text(p, QRectF(left, 124, 210, 20), titles.at(type), 11, Ink, Qt::AlignCenter, true);
        }
    });
}

// The MIDI connections: what goes into the program and what comes out.
QImage midiPicture()
{
    return picture(630, 240, [](QPainter &p) {
        const auto box = [&p](const QRectF &rect, const QString &words, const QColor &ground) {
            p.setPen(QPen(Ink, 1));
            p.setBrush(ground);
            p.drawRoundedRect(rect, 6, 6);
            text(p, rect.adjusted(3, 2, -3, -2), words, 9.5);
        };
        const QColor device(236, 240, 245);
        const QRectF vorma(225, 8, 180, 224);
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(214, 229, 246));
        p.drawRoundedRect(vorma, 8, 8);
        text(p, QRectF(vorma.left(), vorma.top() + 4, vorma.width(), 20), QStringLiteral("Vorma"), 11, Ink,
             Qt::AlignCenter, true);
        const QRectF entry(233, 70, 76, 34), syncIn(233, 150, 76, 34);
        const QRectF instruments(321, 50, 76, 34), thru(321, 110, 76, 34), syncOut(321, 170, 76, 34);
        box(entry, QStringLiteral("entry port"), Paper);
        box(syncIn, QStringLiteral("sync inputs"), Paper);
        box(instruments, QStringLiteral("instrument\nports"), Paper);
        box(thru, QStringLiteral("thru port"), Paper);
        box(syncOut, QStringLiteral("sync outputs"), Paper);

        const QRectF keyboard(8, 64, 160, 46), clockSource(8, 144, 160, 46);
        box(keyboard, QStringLiteral("MIDI keyboard"), device);
        box(clockSource, QStringLiteral("sequencer or drum\nmachine (MIDI clock)"), device);
        const QRectF synth(462, 44, 160, 46), other(462, 104, 160, 46), follower(462, 164, 160, 46);
        box(synth, QStringLiteral("software synthesizer\n\u2192 speakers"), device);
        box(other, QStringLiteral("another instrument"), device);
        box(follower, QStringLiteral("device that follows\nMIDI clock"), device);

        const auto link = [&p](const QRectF &from, const QRectF &to, const QColor &ink, qreal width) {
            arrow(p, QPointF(from.right(), from.center().y()), QPointF(to.left(), to.center().y()), ink, width);
        };
        link(keyboard, entry, Ink, 1.2);
        link(clockSource, syncIn, Ink, 1.2);
        link(instruments, synth, Accent, 1.8);
        link(thru, other, Ink, 1.2);
        link(syncOut, follower, Ink, 1.2);
        text(p, QRectF(168, 68, 60, 14), QStringLiteral("notes"), 8.5, Faint);
        text(p, QRectF(168, 148, 60, 14), QStringLiteral("clock"), 8.5, Faint);
        text(p, QRectF(404, 44, 60, 14), QStringLiteral("the music"), 8.5, Faint);
        text(p, QRectF(404, 108, 60, 14), QStringLiteral("a copy"), 8.5, Faint);
        text(p, QRectF(404, 168, 60, 14), QStringLiteral("clock"), 8.5, Faint);
    });
}

// The inspector's page buttons and what each page edits.
QImage inspectorPicture()
{
    return picture(500, 74, [](QPainter &p) {
        void (*pages[])(QPainter &) = {Symbols::documentPage, Symbols::instrumentPage, Symbols::edgePage,
                                       Symbols::nodePage, Symbols::voiceGroupPage};
        const QStringList names{QStringLiteral("Document"), QStringLiteral("Instrument"), QStringLiteral("Edge"),
                                QStringLiteral("Node"), QStringLiteral("Voice Group")};
        for (int i = 0; i < 5; ++i) {
            const QRectF button(10 + 96 * i, 6, 88, 34);
            p.setPen(QPen(QColor(150, 156, 166), 1));
            p.setBrush(vertical(button.top(), button.bottom(), QColor(240, 242, 245), QColor(222, 226, 232)));
            p.drawRoundedRect(button, 4, 4);
            p.save();
            p.translate(button.center() - QPointF(15, 15));
            p.scale(1.5, 1.5);
            pages[i](p);
            p.restore();
            text(p, QRectF(button.left() - 4, 44, button.width() + 8, 20), names.at(i), 9.5);
        }
    });
}

} // namespace

bool saveManualImages(const QDir &dir, const ImageSaver &save)
{
    if (!dir.mkpath(QStringLiteral(".")))
        return false;
    const struct
    {
        const char *name;
        QImage (*draw)();
    } pictures[] = {{"cover.png", coverPicture},       {"window.png", windowPicture},
                    {"toolbar.png", toolBarPicture},
                    {"network.png", networkPicture},   {"signalling.png", signallingPicture},
                    {"curves.png", curvesPicture},     {"midi.png", midiPicture},
                    {"inspector.png", inspectorPicture}};
    bool ok = true;
    for (const auto &entry : pictures)
        ok &= save(entry.draw(), dir, QLatin1String(entry.name));
    return ok;
}
