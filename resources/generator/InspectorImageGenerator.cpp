// Draws the inspector's images into the folder given as the only argument.
// Run offscreen: QT_QPA_PLATFORM=offscreen vorma_inspector_image_generator resources/images

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstdio>
#include <functional>

namespace {

const QColor Ink(72, 78, 88);
const QColor Accent(64, 140, 214);
const QColor Panel(223, 228, 234);
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

// The page buttons' icons, 20 x 20.
void documentIcon(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF(QVector<QPointF>{{4.5, 2.5}, {12.5, 2.5}, {16.5, 6.5}, {16.5, 17.5}, {4.5, 17.5}}));
    for (qreal y : {8.5, 11.5, 14.5})
        p.drawLine(QPointF(7, y), QPointF(14, y));
}

void instrumentIcon(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 5.5, 15, 10), 1.5, 1.5);
    p.setBrush(Ink);
    for (qreal x : {6.0, 9.5, 13.0})
        p.drawRect(QRectF(x, 5.5, 1.5, 5));
}

void edgeIcon(QPainter &p)
{
    p.setPen(QPen(Accent, 2));
    p.drawLine(QPointF(4, 15), QPointF(4, 5));
    p.drawLine(QPointF(4, 5), QPointF(13, 5));
    p.setBrush(Accent);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF(QVector<QPointF>{{17, 5}, {12, 2}, {12, 8}}));
}

void nodeIcon(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Accent);
    p.drawEllipse(QRectF(4, 4, 12, 12));
}

void voiceGroupIcon(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(QColor(232, 140, 60));
    p.drawPolygon(QPolygonF(QVector<QPointF>{{3, 16}, {10, 3}, {17, 16}}));
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
    if (!dir.mkpath(QStringLiteral("Inspector")))
        return 1;
    bool ok = true;
    const struct {
        const char *name;
        void (*draw)(QPainter &);
    } icons[] = {{"InspectDocument", documentIcon}, {"InspectInstrument", instrumentIcon}, {"InspectEdge", edgeIcon},
                 {"InspectNode", nodeIcon}, {"InspectVoiceGroup", voiceGroupIcon}};
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
    return ok ? 0 : 1;
}
