#include "canvas/ZoomGeometry.h"

#include <cmath>

namespace ZoomGeometry {

namespace {
const double ContentsMargin = 20.0;
}

QList<QPair<QString, double>> boxScales()
{
    QList<QPair<QString, double>> scales;
    for (double scale : {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0})
        scales.append({scaleText(scale), scale});
    return scales;
}

QString scaleText(double scale)
{
    return QStringLiteral("%1%").arg(std::lround(scale * 100));
}

double usableScale(const QVariant &stored)
{
    bool ok = false;
    const double scale = stored.toDouble(&ok);
    if (!ok || !std::isfinite(scale) || scale <= 0)
        return 1.0;
    return std::min(MaxScale, std::max(MinScale, scale));
}

Direction clickDirection(double scale, bool out)
{
    const double next = scale * (out ? 0.5 : 2.0);
    if (next >= MinScale && next <= MaxScale)
        return out ? ZoomOut : ZoomIn;
    return NoZoom;
}

QRectF sceneRect(const QRectF &contents, const QSizeF &viewportSize, double m11, double m22)
{
    const double w = viewportSize.width() / m11;
    const double h = viewportSize.height() / m22;
    const QRectF viewport(-w * 0.5, -h * 0.5, w, h);
    const QRectF grown = contents.adjusted(-ContentsMargin, -ContentsMargin, ContentsMargin, ContentsMargin);
    return grown.united(viewport);
}

} // namespace ZoomGeometry
