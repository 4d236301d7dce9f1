#ifndef CANVAS_EDGEGEOMETRY_H
#define CANVAS_EDGEGEOMETRY_H

#include <QPointF>
#include <QSizeF>

// The layout of an edge in its item's coordinates, whose origin is the
// source node's centre: the path from 10 points outside the source to 19
// points before the target, city-block (horizontal or vertical leg first)
// or direct, the arrow's direction and where the usage label goes.
struct EdgeGeometry
{
    QPointF start;
    bool hasElbow = false;
    QPointF elbow;
    QPointF end;
    double arrowAngle = 0; // degrees, the direction of the last leg
    QPointF labelPos;      // top-left corner of the usage label

    // d: target centre minus source centre; pathType: the edge's `Path`;
    // scaleX, scaleY: scene units per point; labelSize: the label's bounds.
    static EdgeGeometry compute(const QPointF &d, int pathType, double scaleX, double scaleY,
                                const QSizeF &labelSize);
};

#endif
