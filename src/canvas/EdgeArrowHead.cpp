#include "canvas/EdgeArrowHead.h"

#include <QPainter>

#include <cmath>

namespace {

const QPointF ShadowOffset(0, 1);
const QColor ShadowColor(0, 0, 0, 180);

} // namespace

EdgeArrowHead::EdgeArrowHead(const QPolygonF &polygon, QGraphicsItem *parent) : QGraphicsPolygonItem(polygon, parent)
{
    setPen(Qt::NoPen);
}

QRectF EdgeArrowHead::boundingRect() const
{
    // Room for the shadow whichever way the head points.
    const double r = std::hypot(ShadowOffset.x(), ShadowOffset.y());
    return QGraphicsPolygonItem::boundingRect().adjusted(-r, -r, r, r);
}

QPainterPath EdgeArrowHead::shape() const
{
    return QGraphicsPolygonItem::shape();
}

void EdgeArrowHead::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    // The shadow falls down the scene, whichever way the head points.
    const QTransform toScene = sceneTransform();
    const QPointF offset = toScene.inverted().map(toScene.map(QPointF()) + ShadowOffset);
    painter->setPen(Qt::NoPen);
    painter->setBrush(ShadowColor);
    painter->drawPolygon(polygon().translated(offset));
    painter->setBrush(brush());
    painter->drawPolygon(polygon());
}
