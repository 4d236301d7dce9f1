// The inspector's page icons and page buttons, the instruments list's
// buttons, the edge path icons and the small chooser's segments.

#include "InspectorPageImages.h"
#include "Symbols.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>

namespace {

using Symbols::Accent;
using Symbols::Ink;
const QColor Rule(150, 156, 166);

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage drawn(int width, int height, const std::function<void(QPainter &)> &draw)
{
    QImage image = blank(width, height);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return image;
}

// Page button backgrounds: a vertical gradient tile, 8 x 24.
QImage buttonBackground(const QColor &top, const QColor &bottom)
{
    return drawn(8, 24, [&](QPainter &p) {
        QLinearGradient fill(0, 0, 0, 24);
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        p.fillRect(QRect(0, 0, 8, 24), fill);
        p.fillRect(QRect(0, 23, 8, 1), Rule);
    });
}

QImage separator()
{
    return drawn(1, 24, [](QPainter &p) { p.fillRect(QRect(0, 3, 1, 18), Rule); });
}

// The instruments list's button row.
QImage listButtonsSpacer()
{
    return drawn(8, 24, [](QPainter &p) {
        p.fillRect(QRect(0, 0, 8, 24), QColor(236, 239, 243));
        p.fillRect(QRect(0, 0, 8, 1), Rule);
    });
}

QImage listAdd(bool pressed)
{
    return drawn(32, 24, [pressed](QPainter &p) {
        p.fillRect(QRect(0, 0, 32, 24), pressed ? QColor(200, 206, 214) : QColor(236, 239, 243));
        p.fillRect(QRect(0, 0, 32, 1), Rule);
        p.fillRect(QRect(0, 1, 1, 23), Rule);
        p.setPen(QPen(Ink, 2));
        p.drawLine(QPointF(16, 7), QPointF(16, 17));
        p.drawLine(QPointF(11, 12), QPointF(21, 12));
    });
}

// The three edge paths, 24 x 16: from the lower left to the upper right.
QImage edgePath(int path)
{
    return drawn(24, 16, [path](QPainter &p) {
        p.setPen(QPen(Ink, 1.5));
        const QPointF from(4, 12), to(20, 4);
        if (path == 0)
            p.drawPolyline(QPolygonF(QVector<QPointF>{from, {20, 12}, to}));
        else if (path == 1)
            p.drawPolyline(QPolygonF(QVector<QPointF>{from, {4, 4}, to}));
        else
            p.drawLine(from, to);
        p.setBrush(Accent);
        p.setPen(Qt::NoPen);
        p.drawEllipse(from, 2.5, 2.5);
        p.drawEllipse(to, 2.5, 2.5);
    });
}

// The small chooser's segments, 12 x 20, in three states; the borders
// the style sheet slices off are the outline.
QImage chooserSmall(int part, int state)
{
    return drawn(12, 20, [part, state](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const QColor fill = state == 2 ? QColor(96, 132, 176) : state == 1 ? QColor(246, 248, 250)
                                                                             : QColor(232, 236, 241);
        p.fillRect(QRect(0, 0, 12, 20), fill);
        p.fillRect(QRect(0, 0, 12, 1), Rule);
        p.fillRect(QRect(0, 19, 12, 1), Rule);
        if (part == 0)
            p.fillRect(QRect(0, 0, 2, 20), Rule);
        else
            p.fillRect(QRect(0, 0, 1, 20), Rule);
        if (part == 2)
            p.fillRect(QRect(10, 0, 2, 20), Rule);
    });
}

QImage addDropDownSymbol()
{
    return drawn(17, 9, [](QPainter &p) {
        p.setPen(QPen(Ink, 1.5));
        p.drawLine(QPointF(4.5, 1), QPointF(4.5, 8));
        p.drawLine(QPointF(1, 4.5), QPointF(8, 4.5));
        p.setBrush(Ink);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF(QVector<QPointF>{{11, 3}, {17, 3}, {14, 7}}));
    });
}

QImage shuffleSymbol()
{
    return drawn(16, 16, [](QPainter &p) {
        p.setPen(QPen(Ink, 1.5));
        p.drawLine(QPointF(2, 4), QPointF(12, 12));
        p.drawLine(QPointF(2, 12), QPointF(12, 4));
        p.setBrush(Ink);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF(QVector<QPointF>{{15, 4}, {11, 1}, {11, 7}}));
        p.drawPolygon(QPolygonF(QVector<QPointF>{{15, 12}, {11, 9}, {11, 15}}));
    });
}

} // namespace

bool saveInspectorPageImages(const QDir &dir, const ImageSaver &save)
{
    if (!dir.mkpath(QStringLiteral("Inspector")))
        return false;
    bool ok = true;
    const struct {
        const char *name;
        void (*draw)(QPainter &);
    } icons[] = {{"InspectDocument", Symbols::documentPage}, {"InspectInstrument", Symbols::instrumentPage},
                 {"InspectEdge", Symbols::edgePage}, {"InspectNode", Symbols::nodePage},
                 {"InspectVoiceGroup", Symbols::voiceGroupPage}};
    for (const auto &icon : icons)
        ok &= save(drawn(20, 20, icon.draw), dir, QStringLiteral("Inspector/%1.png").arg(QLatin1String(icon.name)));
    ok &= save(buttonBackground(QColor(240, 242, 245), QColor(222, 226, 232)), dir,
               QStringLiteral("Inspector/InspectPageButtonNormal.png"));
    ok &= save(buttonBackground(QColor(196, 202, 210), QColor(214, 219, 226)), dir,
               QStringLiteral("Inspector/InspectPageButtonPressed.png"));
    ok &= save(buttonBackground(QColor(206, 222, 240), QColor(182, 204, 230)), dir,
               QStringLiteral("Inspector/InspectPageButtonSelected.png"));
    ok &= save(separator(), dir, QStringLiteral("Inspector/InspectPageButtonSeparator.png"));
    ok &= save(listButtonsSpacer(), dir, QStringLiteral("Inspector/ListButtonsSpacer.png"));
    ok &= save(listAdd(false), dir, QStringLiteral("Inspector/ListAddNormal.png"));
    ok &= save(listAdd(true), dir, QStringLiteral("Inspector/ListAddPressed.png"));
    ok &= save(edgePath(0), dir, QStringLiteral("Inspector/EdgePathCityBlock.png"));
    ok &= save(edgePath(1), dir, QStringLiteral("Inspector/EdgePathCityBlockFlipped.png"));
    ok &= save(edgePath(2), dir, QStringLiteral("Inspector/EdgePathDirect.png"));
    const char *parts[] = {"First", "Mid", "Last"};
    const char *states[] = {"Normal", "Hover", "Selected"};
    for (int part = 0; part < 3; ++part)
        for (int state = 0; state < 3; ++state)
            ok &= save(chooserSmall(part, state), dir,
                       QStringLiteral("ChooserSmall%1%2.png").arg(QLatin1String(states[state]), QLatin1String(parts[part])));
    ok &= save(addDropDownSymbol(), dir, QStringLiteral("AddDropDownSymbol.png"));
    ok &= save(shuffleSymbol(), dir, QStringLiteral("ShuffleSymbol.png"));
    ok &= save(blank(1, 1), dir, QStringLiteral("AlphaPixel.png"));
    return ok;
}
