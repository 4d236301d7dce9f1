// Draws the canvas cursors: 16 x 16 pictures whose hot spot is (7, 7),
// light strokes with a dark edge so they read on any canvas colour.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

const QColor Ink(245, 247, 250);
const QColor Edge(16, 18, 22, 230);

template <class Draw>
QImage cursor(Draw draw)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(0.5, 0.5); // pixel centres: the hot spot pixel (7, 7) is the middle of every figure
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Edge, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw(p);
    p.setPen(QPen(Ink, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    draw(p);
    return image;
}

void crosshair(QPainter &p)
{
    p.drawLine(QPointF(7, 1), QPointF(7, 5));
    p.drawLine(QPointF(7, 9), QPointF(7, 13));
    p.drawLine(QPointF(1, 7), QPointF(5, 7));
    p.drawLine(QPointF(9, 7), QPointF(13, 7));
}

void lens(QPainter &p)
{
    p.drawEllipse(QPointF(7, 7), 4.5, 4.5);
    p.drawLine(QPointF(10.4, 10.4), QPointF(14, 14));
}

void zoomIn(QPainter &p)
{
    lens(p);
    p.drawLine(QPointF(5, 7), QPointF(9, 7));
    p.drawLine(QPointF(7, 5), QPointF(7, 9));
}

void zoomOut(QPainter &p)
{
    lens(p);
    p.drawLine(QPointF(5, 7), QPointF(9, 7));
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
    if (!dir.mkpath(QStringLiteral("Cursors")))
        return 1;
    const struct {
        QImage image;
        const char *name;
    } cursors[] = {{cursor(crosshair), "Cursors/Crosshair.png"},
                   {cursor(zoomIn), "Cursors/ZoomIn.png"},
                   {cursor(zoomOut), "Cursors/ZoomOut.png"},
                   {cursor(lens), "Cursors/ZoomNone.png"}};
    bool ok = true;
    for (const auto &c : cursors) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        if (!c.image.save(path, "PNG")) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
