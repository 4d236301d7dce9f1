// The images of the inspector's controller and edge-usage editors, drawn by
// the image generator.

#include "InspectorImages.h"

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace {

// The row's labels are rgb(99, 99, 99); the pictures' numbers match them.
const QColor LabelInk(82, 82, 82);
const QColor PlotFace(146, 153, 162);
const QColor PlotGrid(170, 176, 184);
const QColor PlotRim(96, 102, 110);
// Where the curve editor keeps its points inside the 265 x 80 frame.
const QRectF Plot(34, 5, 197, 61);

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont labelFont(int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

// A scale mark of the single-value slider: the number alone, tight.
QImage numberPicture(const QString &text)
{
    const QFont font = labelFont(9);
    const QFontMetrics metrics(font);
    QImage image = blank(metrics.horizontalAdvance(text) + 2, 11);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(LabelInk);
    p.drawText(image.rect(), Qt::AlignCenter, text);
    return image;
}

// The plot area of the curve editor with its grid and its labels: the left
// labels for the values at the bottom, middle and top, the right ones the
// same (empty: none), and 0, 0.5, 1 along the bottom.
QImage curveBackground(const QStringList &left, const QStringList &right)
{
    QImage image = blank(265, 80);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(PlotFace);
    p.drawRect(Plot);
    p.setPen(QPen(PlotGrid, 1));
    for (int i = 1; i < 8; ++i) {
        const qreal x = Plot.left() + Plot.width() * i / 8;
        p.drawLine(QPointF(x, Plot.top()), QPointF(x, Plot.bottom()));
    }
    for (int i = 1; i < 4; ++i) {
        const qreal y = Plot.top() + Plot.height() * i / 4;
        p.drawLine(QPointF(Plot.left(), y), QPointF(Plot.right(), y));
    }
    p.setPen(QPen(PlotRim, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(Plot);

    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(labelFont(8));
    p.setPen(LabelInk);
    const qreal ys[3] = {Plot.bottom(), Plot.center().y(), Plot.top()};
    for (int i = 0; i < 3; ++i) {
        const QRectF row(0, ys[i] - 6, 31, 12);
        p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, left.at(i));
        if (!right.isEmpty())
            p.drawText(row.translated(Plot.right() + 3, 0), Qt::AlignLeft | Qt::AlignVCenter, right.at(i));
    }
    const QString xs[3] = {QStringLiteral("0"), QStringLiteral("0.5"), QStringLiteral("1")};
    for (int i = 0; i < 3; ++i) {
        const qreal x = Plot.left() + Plot.width() * i / 2;
        p.drawText(QRectF(x - 15, Plot.bottom() + 1, 30, 12), Qt::AlignCenter, xs[i]);
    }
    return image;
}

// Laid over an edge tile filled with its palette colour: a dark rim and a
// soft light on the upper half.
QImage edgeTileOverlay()
{
    QImage image = blank(30, 20);
    QPainter p(&image);
    QLinearGradient gloss(0, 0, 0, 20);
    gloss.setColorAt(0, QColor(255, 255, 255, 90));
    gloss.setColorAt(0.5, QColor(255, 255, 255, 20));
    gloss.setColorAt(0.51, QColor(0, 0, 0, 0));
    gloss.setColorAt(1, QColor(0, 0, 0, 40));
    p.fillRect(image.rect(), gloss);
    p.setPen(QPen(QColor(0, 0, 0, 150), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 29, 19));
    return image;
}

} // namespace

bool saveInspectorImages(const QDir &dir, const ImageSaver &save)
{
    const QString minus = QString(QChar(0x2212));
    bool ok = true;
    const QStringList msb{QStringLiteral("0"), QStringLiteral("64"), QStringLiteral("127")};
    ok &= save(curveBackground(msb, {}), dir, QStringLiteral("CurveEditBackgroundMsbOnly.png"));
    ok &= save(curveBackground(msb, {QStringLiteral("0"), QStringLiteral("8,192"), QStringLiteral("16,383")}), dir,
               QStringLiteral("CurveEditBackgroundMsbCombined.png"));
    ok &= save(curveBackground({minus + QStringLiteral("8,192"), QStringLiteral("0"), QStringLiteral("+8,191")}, {}),
               dir, QStringLiteral("CurveEditBackgroundPitchBend.png"));
    const struct {
        const char *name;
        QString text;
    } marks[] = {{"SingleValue0", QStringLiteral("0")},          {"SingleValue64", QStringLiteral("64")},
                 {"SingleValue127", QStringLiteral("127")},      {"SingleValue8192", QStringLiteral("8192")},
                 {"SingleValue16383", QStringLiteral("16383")},  {"SingleValueNeg8192", minus + QStringLiteral("8192")},
                 {"SingleValuePos8191", QStringLiteral("+8191")}};
    for (const auto &mark : marks)
        ok &= save(numberPicture(mark.text), dir, QLatin1String(mark.name) + QStringLiteral(".png"));
    ok &= save(edgeTileOverlay(), dir, QStringLiteral("EdgeTileAlpha.png"));
    return ok;
}
