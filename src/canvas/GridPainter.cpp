#include "canvas/GridPainter.h"

#include "canvas/GridGeometry.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QTransform>
#include <QVector>

#include <cmath>

namespace {

// Smaller pictures make the fill loop over them too often per row; larger
// ones cost more to draw than the lines they stand for.
constexpr int MinTilePixels = 256;
constexpr int MaxTilePixels = 2048;

struct Layers
{
    bool divisions = false;
    bool principals = false;
};

// A layer finer than half a pixel would only grey the canvas (and at a
// damaged division count take forever): it is left out.
Layers shownLayers(const QTransform &world, const GridPainter::Style &style)
{
    const auto visible = [&world](double sx, double sy) {
        return std::hypot(sx * world.m11(), sx * world.m12()) >= 0.5
               && std::hypot(sy * world.m21(), sy * world.m22()) >= 0.5;
    };
    const double px = style.principal.width();
    const double py = style.principal.height();
    Layers layers;
    layers.divisions = visible(px / style.divisions, py / style.divisions);
    layers.principals = visible(px, py);
    return layers;
}

bool scalesAndTranslatesOnly(const QTransform &t)
{
    return t.m12() == 0 && t.m21() == 0 && t.m13() == 0 && t.m23() == 0 && t.m33() == 1 && t.m11() > 0
           && t.m22() > 0;
}

bool isIdentity(const QTransform &t)
{
    return t.m11() == 1 && t.m22() == 1 && t.m12() == 0 && t.m21() == 0 && t.dx() == 0 && t.dy() == 0
           && t.m13() == 0 && t.m23() == 0 && t.m33() == 1;
}

// Lets the painter take device pixels as they are. What remains without a
// world transform (the device's pixel ratio, a widget's place in its
// window) is undone. Only an exact identity will do: a scale a rounding away
// from 1 would move every line that falls on a pixel boundary to the pixel
// before it.
bool paintInDevicePixels(QPainter *painter)
{
    painter->resetTransform();
    const QTransform left = painter->deviceTransform();
    if (isIdentity(left))
        return true;
    if (!scalesAndTranslatesOnly(left))
        return false;
    painter->setWorldTransform(QTransform(1 / left.m11(), 0, 0, 1 / left.m22(), -left.dx() / left.m11(),
                                          -left.dy() / left.m22()));
    return isIdentity(painter->deviceTransform());
}

// The grid layers over `area`, in the painter's coordinates, with the
// principals `span` apart from `origin` and `repeats` principals to a span.
void drawLayers(QPainter *painter, const QRectF &area, const QPointF &origin, const QSizeF &span, int repeatsX,
                int repeatsY, const GridPainter::Style &style, Layers layers)
{
    const auto drawLines = [&](const QColor &color, double countX, double countY) {
        if (color.alpha() == 0)
            return;
        painter->setPen(QPen(color, 0));
        QVector<QLineF> lines;
        const auto rows = GridGeometry::gridIndexRange(area.top(), area.bottom(), origin.y(), span.height(), countY);
        for (double i = rows.first; i <= rows.last; ++i) {
            const double y = GridGeometry::gridPosition(origin.y(), span.height(), i, countY);
            lines.append(QLineF(area.left(), y, area.right(), y));
        }
        const auto columns = GridGeometry::gridIndexRange(area.left(), area.right(), origin.x(), span.width(), countX);
        for (double i = columns.first; i <= columns.last; ++i) {
            const double x = GridGeometry::gridPosition(origin.x(), span.width(), i, countX);
            lines.append(QLineF(x, area.top(), x, area.bottom()));
        }
        painter->drawLines(lines);
    };
    const auto drawPoints = [&](const QColor &color, double countX, double countY) {
        if (color.alpha() == 0)
            return;
        painter->setPen(QPen(color, 0));
        const auto rows = GridGeometry::gridIndexRange(area.top(), area.bottom(), origin.y(), span.height(), countY);
        const auto columns = GridGeometry::gridIndexRange(area.left(), area.right(), origin.x(), span.width(), countX);
        QVector<double> xs;
        for (double i = columns.first; i <= columns.last; ++i)
            xs.append(GridGeometry::gridPosition(origin.x(), span.width(), i, countX));
        QVector<QPointF> points;
        for (double j = rows.first; j <= rows.last; ++j) {
            const double y = GridGeometry::gridPosition(origin.y(), span.height(), j, countY);
            for (double x : qAsConst(xs))
                points.append(QPointF(x, y));
        }
        painter->drawPoints(points);
    };
    const double d = style.divisions;
    if (layers.divisions)
        drawLines(style.divisionLines, repeatsX * d, repeatsY * d);
    if (layers.principals)
        drawLines(style.principalLines, repeatsX, repeatsY);
    if (layers.divisions)
        drawPoints(style.divisionPoints, repeatsX * d, repeatsY * d);
    if (layers.principals)
        drawPoints(style.principalPoints, repeatsX, repeatsY);
}

// Raster images of eight bits a channel, where a picture of opaque pixels
// puts down exactly what drawing there would.
bool takesTiles(QPainter *painter)
{
    if (!painter->paintEngine() || painter->paintEngine()->type() != QPaintEngine::Raster)
        return false;
    const QPaintDevice *device = painter->device();
    switch (device->devType()) {
    case QInternal::Image: {
        const QImage::Format format = static_cast<const QImage *>(device)->format();
        return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
               || format == QImage::Format_ARGB32_Premultiplied;
    }
    case QInternal::Pixmap:
        return static_cast<const QPixmap *>(device)->depth() == 32;
    case QInternal::Widget:
        return true;
    default:
        return false;
    }
}

} // namespace

bool GridPainter::Style::operator==(const Style &other) const
{
    return background == other.background && divisionLines == other.divisionLines
           && principalLines == other.principalLines && divisionPoints == other.divisionPoints
           && principalPoints == other.principalPoints && divisions == other.divisions
           && principal == other.principal && showGrid == other.showGrid;
}

bool GridPainter::TileKey::operator==(const TileKey &other) const
{
    return style == other.style && size == other.size && principalsX == other.principalsX
           && principalsY == other.principalsY && phase == other.phase && divisionsShown == other.divisionsShown
           && principalsShown == other.principalsShown;
}

void GridPainter::paint(QPainter *painter, const QRectF &exposed, const Style &style)
{
    if (!paintTiled(painter, exposed, style))
        paintDirect(painter, exposed, style);
}

void GridPainter::paintDirect(QPainter *painter, const QRectF &exposed, const Style &style)
{
    const double px = style.principal.width();
    const double py = style.principal.height();
    const QRectF area = GridGeometry::widenToPrincipals(exposed, px, py);
    painter->setBackground(QBrush(style.background));
    painter->eraseRect(area);
    if (!style.showGrid)
        return;
    const Layers layers = shownLayers(painter->worldTransform(), style);
    if (!layers.divisions && !layers.principals)
        return;

    painter->save();
    // One-pixel lines and points are crisper, and much cheaper, aliased.
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QTransform device = painter->deviceTransform();
    bool inPixels = false;
    if (scalesAndTranslatesOnly(device)) {
        painter->save();
        inPixels = paintInDevicePixels(painter);
        if (!inPixels)
            painter->restore();
    }
    if (inPixels) {
        // Positions counted in device pixels from the origin: through the
        // scene's units a line that falls on a pixel boundary (a third of a
        // principal at 150 %) would come out a rounding before or after it.
        drawLayers(painter, device.mapRect(area), QPointF(device.dx(), device.dy()),
                   QSizeF(device.m11() * px, device.m22() * py), 1, 1, style, layers);
        painter->restore();
    } else {
        drawLayers(painter, area, QPointF(0, 0), style.principal, 1, 1, style, layers);
    }
    painter->restore();
}

bool GridPainter::paintTiled(QPainter *painter, const QRectF &exposed, const Style &style)
{
    if (!style.showGrid || style.background.alpha() != 255 || painter->opacity() != 1
        || painter->compositionMode() != QPainter::CompositionMode_SourceOver || !takesTiles(painter))
        return false;
    const QTransform device = painter->deviceTransform();
    if (!scalesAndTranslatesOnly(device))
        return false;
    const Layers layers = shownLayers(painter->worldTransform(), style);
    if (!layers.divisions && !layers.principals)
        return false; // the background alone is a plain fill
    const double periodX = device.m11() * style.principal.width();
    const double periodY = device.m22() * style.principal.height();
    const int principalsX = GridGeometry::tilePrincipals(periodX, MinTilePixels, MaxTilePixels);
    const int principalsY = GridGeometry::tilePrincipals(periodY, MinTilePixels, MaxTilePixels);
    if (principalsX == 0 || principalsY == 0)
        return false;

    // The picture's first pixel sits on the whole pixel at or before the
    // scene origin; what is left of the origin's position is drawn into it.
    const QPointF origin(device.dx(), device.dy());
    const QPointF base(std::floor(origin.x()), std::floor(origin.y()));
    TileKey key;
    key.style = style;
    key.size = QSize(int(std::round(principalsX * periodX)), int(std::round(principalsY * periodY)));
    key.principalsX = principalsX;
    key.principalsY = principalsY;
    key.phase = origin - base;
    key.divisionsShown = layers.divisions;
    key.principalsShown = layers.principals;

    const QRectF area = GridGeometry::widenToPrincipals(exposed, style.principal.width(), style.principal.height());
    // Far beyond any device, so that the rectangle stays within whole numbers.
    constexpr double Far = 1 << 24;
    const QRect target = (device.mapRect(area) & QRectF(-Far, -Far, 2 * Far, 2 * Far)).toAlignedRect();

    painter->save();
    if (!paintInDevicePixels(painter)) {
        painter->restore();
        return false;
    }
    if (!(key == m_tileKey) || m_tileBrush.style() != Qt::TexturePattern) {
        QImage tile(key.size, QImage::Format_ARGB32_Premultiplied);
        tile.fill(style.background);
        QPainter tilePainter(&tile);
        tilePainter.setRenderHint(QPainter::Antialiasing, false);
        // The lines and points of the neighbouring pictures that reach into
        // this one are drawn too, so that every seam is covered.
        const QSizeF span(key.size);
        drawLayers(&tilePainter, QRectF(QPointF(-span.width(), -span.height()), span * 3), key.phase, span,
                   principalsX, principalsY, style, layers);
        tilePainter.end();
        m_tileBrush = QBrush(tile);
        m_tileKey = key;
        m_tileSize = key.size;
        ++m_tileRenderCount;
    }
    // Every pixel of the picture is opaque, so copying it is what blending it
    // would give, without reading what lies under it.
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->setBrushOrigin(QPointF(std::fmod(base.x(), key.size.width()), std::fmod(base.y(), key.size.height())));
    painter->fillRect(target, m_tileBrush);
    painter->restore();
    return true;
}
