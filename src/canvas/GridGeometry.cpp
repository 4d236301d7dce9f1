#include "canvas/GridGeometry.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace GridGeometry {

int canvasDivsPerPrincipal(int stored)
{
    return qBound(1, stored, int(QmdVorma::TicksPerPrincipal));
}

QmdVorma::Ticks snapStep(int storedDivsPerPrincipal)
{
    return QmdVorma::TicksPerPrincipal / QmdVorma::Ticks(canvasDivsPerPrincipal(storedDivsPerPrincipal));
}

QRectF widenToPrincipals(const QRectF &exposed, double px, double py)
{
    const double x = exposed.x();
    const double y = exposed.y();
    const double r = x + exposed.width();
    const double b = y + exposed.height();
    const double left = x - std::fmod(x, px) - px;
    const double top = y - std::fmod(y, py) - py;
    const double right = r - std::fmod(r, px) + px;
    const double bottom = b - std::fmod(b, py) + py;
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

int tilePrincipals(double period, int minPixels, int maxPixels)
{
    // A period that needs more principals than this to come out whole is no
    // scale anyone zooms to; those grids are drawn line by line.
    constexpr int MaxPrincipals = 64;
    if (!(period > 0) || period > maxPixels)
        return 0;
    for (int n = 1; n <= MaxPrincipals && n * period <= maxPixels; ++n) {
        const double width = std::round(n * period);
        if (std::abs(n * period - width) > 1e-6)
            continue;
        const int times = std::max(1, int(std::ceil(minPixels / width)));
        return width * times <= maxPixels ? n * times : n;
    }
    return 0;
}

IndexRange gridIndexRange(double from, double to, double origin, double span, double count)
{
    // Beyond this an index no longer counts whole positions, and no device
    // shows this many lines.
    constexpr double MaxIndex = 9007199254740992.0; // 2^53
    constexpr double MaxPositions = 1 << 22;
    IndexRange range;
    if (!(span > 0) || !(count > 0))
        return range;
    const double first = std::ceil((from - origin) / span * count);
    const double last = std::floor((to - origin) / span * count);
    if (!(first <= last) || std::abs(first) > MaxIndex || std::abs(last) > MaxIndex || last - first > MaxPositions)
        return range;
    range.first = first;
    range.last = last;
    return range;
}

} // namespace GridGeometry
