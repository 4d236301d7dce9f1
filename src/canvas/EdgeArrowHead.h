#ifndef CANVAS_EDGEARROWHEAD_H
#define CANVAS_EDGEARROWHEAD_H

#include <QGraphicsPolygonItem>

// The arrow head of an edge with a small drop shadow one unit below it. The
// shadow is painted with the head, so it is cached with it: a graphics
// effect per arrow would be rendered again on every repaint and take a
// third of the time of a full repaint of a large network.
class EdgeArrowHead : public QGraphicsPolygonItem
{
public:
    EdgeArrowHead(const QPolygonF &polygon, QGraphicsItem *parent);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
};

#endif
