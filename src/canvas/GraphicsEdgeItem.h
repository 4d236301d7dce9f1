#ifndef CANVAS_GRAPHICSEDGEITEM_H
#define CANVAS_GRAPHICSEDGEITEM_H

#include "canvas/GraphicsElementItem.h"

#include <QColor>
#include <QGraphicsPathItem>

class QGraphicsPolygonItem;
class QGraphicsSimpleTextItem;

// One edge: a city-block or direct path from beside the source node to
// before the target node, an arrow head, and a usage label saying how the
// source node's signalling uses the edge. The item's origin is the source
// node's centre. While its source node alone is selected, the edge shows
// in its arc's palette colour.
class GraphicsEdgeItem : public GraphicsElementItem<QGraphicsPathItem>
{
public:
    GraphicsEdgeItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene);
    // The view's preview edge: no element, no controller.
    explicit GraphicsEdgeItem(NetworkScene *scene);

    enum { Type = EdgeItemType };
    int type() const override { return Type; }
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;
    void onSceneSelectionChanged() override;

    void setEdgesColor(const QColor &color);
    void setAnnotationColor(const QColor &color);
    void setUsageLabelVisible(bool visible);

    // For the preview edge.
    void setFromPoint(const QPointF &point);
    void setToPoint(const QPointF &point);
    void setPathType(int pathType);
    void updatePath();

    QPointF fromPoint() const { return m_fromPoint; }
    QPointF toPoint() const { return m_toPoint; }
    int pathType() const { return m_pathType; }
    bool isWormhole() const { return m_wormhole; }
    int arcNumber() const { return m_arcNumber; }
    double arrowAngle() const { return m_arrowAngle; }
    QColor currentColor() const { return m_currentColor; }
    QColor currentLabelColor() const { return m_currentLabelColor; }
    QGraphicsPolygonItem *arrowHead() const { return m_arrowHead; }
    QGraphicsSimpleTextItem *usageLabel() const { return m_usageLabel; }

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    void init();
    void updatePen(bool selected);
    void applyColor(const QColor &color);
    void updateUsageLabel(int signallingMethod, const QString &arcUsageList);
    void updateToolTip();
    int sourceArcNumber() const;

    QPointF m_fromPoint;
    QPointF m_toPoint;
    int m_pathType = 0;
    QColor m_defaultColor;
    QColor m_currentColor;
    bool m_wormhole = false;
    QGraphicsPolygonItem *m_arrowHead = nullptr;
    double m_arrowAngle = 0;
    QGraphicsSimpleTextItem *m_usageLabel = nullptr;
    QColor m_defaultLabelColor;
    QColor m_currentLabelColor;
    QmdItemId m_fromNodeId = 0;
    QmdItemId m_toNodeId = 0;
    int m_arcNumber = -1;
};

#endif
