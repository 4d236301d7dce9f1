#include "canvas/EdgeGeometry.h"

#include <QRectF>
#include <QtMath>

#include <cmath>

namespace {

constexpr double StartGapPoints = 10;
constexpr double EndGapPoints = 19;
constexpr double NodeRadiusPoints = 10;

} // namespace

EdgeGeometry EdgeGeometry::compute(const QPointF &d, int pathType, double scaleX, double scaleY,
                                   const QSizeF &labelSize)
{
    EdgeGeometry g;
    const double s = scaleX;
    const double c = EndGapPoints * s;
    double a1 = 0;
    double a2 = 0;
    const bool cityBlock = pathType == 0 || pathType == 1;
    if (std::fabs(d.x()) > 1e-6 && std::fabs(d.y()) > 1e-6 && cityBlock) {
        g.hasElbow = true;
        g.elbow = pathType == 0 ? QPointF(d.x(), 0) : QPointF(0, d.y());
        a1 = std::atan2(g.elbow.y(), g.elbow.x());
        if (pathType == 0 && std::fabs(d.y()) > 1e-7 && std::fabs(d.y()) < c) {
            // A vertical leg too short for the arrow: bend before the target's
            // column and come in horizontally.
            g.elbow = QPointF(d.x() > 0 ? d.x() - c : d.x() + c, 0);
            a2 = d.x() > 0 ? 0 : M_PI;
        } else if (pathType == 1 && std::fabs(d.x()) > 1e-7 && std::fabs(d.x()) < c) {
            g.elbow = QPointF(0, d.y() > 0 ? d.y() - c : d.y() + c);
            a2 = d.y() > 0 ? M_PI / 2 : -M_PI / 2;
        } else {
            a2 = std::atan2(d.y() - g.elbow.y(), d.x() - g.elbow.x());
        }
    } else {
        a1 = a2 = std::atan2(d.y(), d.x());
    }
    g.start = QPointF(std::cos(a1) * StartGapPoints * scaleX, std::sin(a1) * StartGapPoints * scaleY);
    g.end = d - c * QPointF(std::cos(a2), std::sin(a2));
    g.arrowAngle = qRadiansToDegrees(a2);

    const double w = qMax(labelSize.width(), 10 * s);
    const double h = qMax(labelSize.height(), 10 * s);
    const double gap = float(4.5 * s);
    const QPointF &S = g.start;
    const QPointF &T = g.end;
    const QPointF &E = g.elbow;
    QPointF L;
    if (g.hasElbow) {
        const bool right = T.x() > S.x();
        const bool down = T.y() > S.y();
        // The free quadrant on the right of the bend.
        if (pathType == 0) {
            if (right)
                L = down ? QPointF(E.x() + gap, E.y() + gap) : QPointF(E.x() + gap, E.y() - gap - h);
            else
                L = down ? QPointF(E.x(), E.y() - gap - h) : QPointF(E.x(), E.y() + gap);
        } else {
            if (right)
                L = down ? QPointF(E.x(), E.y() + gap) : QPointF(E.x(), E.y() - gap - h);
            else
                L = down ? QPointF(E.x() + gap, E.y() - gap - h) : QPointF(E.x() + gap, E.y() + gap);
        }
    } else {
        const QPointF M = (S + T) / 2;
        const double len = std::hypot(T.x() - S.x(), T.y() - S.y());
        // Ends 29 points apart on one axis meet in one point: lay the label
        // out as for a horizontal edge instead of dividing by zero.
        const float ux = len > 0 ? float(std::fabs(T.x() - S.x()) / len) : 1.0f;
        const float uy = len > 0 ? float(std::fabs(T.y() - S.y()) / len) : 0.0f;
        L.setX(M.x() - (w / 2) * ux + (h / 2) * ux * uy + gap * uy);
        const bool rising = (T.x() > S.x() && T.y() <= S.y()) || (T.x() <= S.x() && T.y() > S.y());
        if (rising)
            L.setY(M.y() - (h / 2) * uy + gap * ux + (h / 2) * (1 - uy * uy) * uy);
        else
            L.setY(M.y() - (h / 2) * uy - (gap + h) * ux);
    }
    const double r = NodeRadiusPoints * s;
    const QRectF source(-r, -r, 2 * r, 2 * r);
    const QRectF target(d.x() - r, d.y() - r, 2 * r, 2 * r);
    for (int pass = 0; pass < 2; ++pass) {
        if (QRectF(L, QSizeF(w, h)).intersects(source))
            L.setX(source.left() - w - gap);
        if (QRectF(L, QSizeF(w, h)).intersects(target))
            L.setX(target.left() - w - gap);
    }
    g.labelPos = L;
    return g;
}
