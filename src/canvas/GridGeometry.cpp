#include "canvas/GridGeometry.h"

#include <QtGlobal>

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

} // namespace GridGeometry
