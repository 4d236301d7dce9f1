#include "canvas/GraphicsEdgeItem.h"

#include "QmdVorma/InstrumentPalette.h"
#include "QmdVorma/ScaleFactors.h"
#include "canvas/CanvasTexts.h"
#include "canvas/EdgeArrowHead.h"
#include "canvas/EdgeGeometry.h"

#include <QApplication>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPen>
#include <QStyleOptionGraphicsItem>

using namespace QmdVorma;

namespace {

// Shared by every edge, made from the point scale of the first one.
struct EdgeShapes
{
    QPolygonF arrow;
    QVector<qreal> dashes;
    QVector<qreal> selectedDashes;
};

const EdgeShapes &edgeShapes()
{
    static const EdgeShapes shapes = [] {
        const double s = pointScaleX;
        EdgeShapes e;
        e.arrow << QPointF(0, -4.5 * s) << QPointF(9 * s, 0) << QPointF(0, 4.5 * s);
        // In pen widths, so both give the same dash length at widths s and 3 s.
        e.dashes = {8 * s, 8 * s};
        e.selectedDashes = {2.6666666666666665 * s, 2.6666666666666665 * s};
        return e;
    }();
    return shapes;
}

} // namespace

GraphicsEdgeItem::GraphicsEdgeItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene)
    : GraphicsElementItem(elementId, controller, scene)
{
    init();
}

GraphicsEdgeItem::GraphicsEdgeItem(NetworkScene *scene) : GraphicsElementItem(0, nullptr, scene)
{
    init();
}

void GraphicsEdgeItem::init()
{
    if (NetworkScene *scene = networkScene()) {
        m_defaultColor = m_currentColor = scene->edgesColor();
        m_defaultLabelColor = scene->annotationColor();
    }
    const EdgeShapes &shapes = edgeShapes();
    m_arrowHead = new EdgeArrowHead(shapes.arrow, this);
    m_arrowHead->setAcceptHoverEvents(true);
    m_arrowHead->setCacheMode(QGraphicsItem::DeviceCoordinateCache);

    m_usageLabel = new QGraphicsSimpleTextItem(this);
    QFont font = QApplication::font();
    font.setPointSize(10);
    m_usageLabel->setFont(font);
    m_usageLabel->setCacheMode(QGraphicsItem::DeviceCoordinateCache);

    setAcceptHoverEvents(true);
    setHandlesChildEvents(true);
    onSceneSelectionChanged();
    updatePath();
}

QPainterPath GraphicsEdgeItem::shape() const
{
    QPainterPathStroker stroker;
    stroker.setWidth(3.5);
    return stroker.createStroke(path());
}

void GraphicsEdgeItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    QStyleOptionGraphicsItem plain(*option);
    plain.state &= ~QStyle::State_Selected;
    QGraphicsPathItem::paint(painter, &plain, widget);
}

void GraphicsEdgeItem::onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    GraphicsElementItem::onElementDataChanged(id, keys, rid);
    QmdVormaController *c = controller();
    if (!c)
        return;
    m_ready = false;
    bool endChanged = false;
    bool pathChanged = false;
    if (id == m_elementId) {
        if (keys.contains(Keys::Path)) {
            m_pathType = c->elementData(id, Keys::Path).toInt();
            pathChanged = true;
        }
        if (keys.contains(Keys::FromNode)) {
            m_fromNodeId = c->elementData(id, Keys::FromNode).toUInt();
            if (m_fromNodeId == 0)
                setFromPoint(QPointF());
            endChanged = true;
        }
        if (keys.contains(Keys::ToNode)) {
            m_toNodeId = c->elementData(id, Keys::ToNode).toUInt();
            if (m_toNodeId == 0)
                m_toPoint = QPointF();
            endChanged = true;
        }
        if (keys.contains(Keys::IsWormhole)) {
            m_wormhole = c->elementData(id, Keys::IsWormhole).toBool();
            updatePen(isSelected());
        }
    }
    if (m_fromNodeId != 0 && (id == m_fromNodeId || endChanged)) {
        if (endChanged || keys.contains(Keys::TickPos)) {
            setFromPoint(tickPosOf(m_fromNodeId));
            pathChanged = true;
        }
        if (endChanged || keys.contains(Keys::SignallingMethod) || keys.contains(Keys::ArcUsageList)) {
            const QString before = m_usageLabel->text();
            updateUsageLabel(c->elementData(m_fromNodeId, Keys::SignallingMethod).toInt(),
                             c->elementData(m_fromNodeId, Keys::ArcUsageList).toString());
            // A label of another size is placed again, off the nodes.
            pathChanged = pathChanged || m_usageLabel->text() != before;
        }
    }
    if (m_toNodeId != 0 && (id == m_toNodeId || endChanged) && (endChanged || keys.contains(Keys::TickPos))) {
        m_toPoint = tickPosOf(m_toNodeId);
        pathChanged = true;
    }
    if (pathChanged || endChanged)
        updatePath();
    m_ready = true;
}

int GraphicsEdgeItem::sourceArcNumber() const
{
    // A source node without an entry for this edge has no arc to show; the
    // controller's lookup would answer arc 0 for it.
    QmdVormaController *c = controller();
    const QmdIndex arcs = c->index(Keys::ArcIdentifiers, c->elementIndex(m_fromNodeId));
    const QVariant arc = c->data(m_elementId, arcs);
    return arc.isValid() ? arc.toInt() : -1;
}

void GraphicsEdgeItem::onSceneSelectionChanged()
{
    NetworkScene *scene = networkScene();
    int arc = -1;
    if (controller() && scene && m_fromNodeId != 0) {
        const QmdItemIdSet &selected = scene->selectedElementIds();
        if (selected.size() == 1 && *selected.cbegin() == m_fromNodeId)
            arc = sourceArcNumber();
    }
    const bool highlighted = arc >= 0;
    const QColor color = highlighted ? paletteColor(arc) : m_defaultColor;
    const QColor labelColor = highlighted ? paletteColor(arc) : m_defaultLabelColor;
    if (color != m_currentColor)
        applyColor(color);
    if (labelColor != m_currentLabelColor) {
        m_currentLabelColor = labelColor;
        m_usageLabel->setBrush(labelColor);
    }
    setZValue(highlighted ? 1 : 0);
    m_usageLabel->setZValue(highlighted ? 1.1 : 0);
    const bool arcChanged = arc != m_arcNumber;
    m_arcNumber = arc;
    if (arcChanged)
        updateToolTip();
}

void GraphicsEdgeItem::setEdgesColor(const QColor &color)
{
    m_defaultColor = color;
    m_currentColor = QColor(); // applied again below, even when unchanged
    onSceneSelectionChanged();
}

void GraphicsEdgeItem::setAnnotationColor(const QColor &color)
{
    m_defaultLabelColor = color;
    m_currentLabelColor = QColor();
    onSceneSelectionChanged();
}

void GraphicsEdgeItem::setUsageLabelVisible(bool visible)
{
    m_usageLabel->setVisible(visible);
}

void GraphicsEdgeItem::setFromPoint(const QPointF &point)
{
    m_fromPoint = point;
    setPos(point);
}

void GraphicsEdgeItem::setToPoint(const QPointF &point)
{
    m_toPoint = point;
}

void GraphicsEdgeItem::setPathType(int pathType)
{
    m_pathType = pathType;
}

void GraphicsEdgeItem::updatePath()
{
    const EdgeGeometry g = EdgeGeometry::compute(m_toPoint - m_fromPoint, m_pathType, pointScaleX, pointScaleY,
                                                 m_usageLabel->boundingRect().size());
    QPainterPath p(g.start);
    if (g.hasElbow)
        p.lineTo(g.elbow);
    p.lineTo(g.end);
    setPath(p);
    m_arrowAngle = g.arrowAngle;
    m_arrowHead->setPos(g.end);
    updatePen(isSelected());
    m_usageLabel->setPos(g.labelPos);
    fitCacheToViews();
}

void GraphicsEdgeItem::updatePen(bool selected)
{
    const EdgeShapes &shapes = edgeShapes();
    QPen p(m_currentColor);
    p.setJoinStyle(Qt::MiterJoin);
    p.setWidthF((selected ? 3 : 1) * pointScaleX);
    if (m_wormhole)
        p.setDashPattern(selected ? shapes.selectedDashes : shapes.dashes);
    else
        p.setStyle(Qt::SolidLine);
    setPen(p);
    m_arrowHead->setBrush(m_currentColor);
    QTransform t;
    t.rotate(m_arrowAngle);
    if (selected)
        t.scale(1.3, 1.3);
    m_arrowHead->setTransform(t);
    update();
    m_arrowHead->update();
}

void GraphicsEdgeItem::applyColor(const QColor &color)
{
    m_currentColor = color;
    QPen p = pen();
    p.setColor(color);
    setPen(p);
    m_arrowHead->setBrush(color);
}

void GraphicsEdgeItem::updateUsageLabel(int signallingMethod, const QString &arcUsageList)
{
    m_usageLabel->setText(CanvasTexts::edgeUsageLabel(m_elementId, signallingMethod, arcUsageList));
}

void GraphicsEdgeItem::updateToolTip()
{
    QmdVormaController *c = controller();
    if (!c)
        return;
    QString text;
    if (m_arcNumber != -1)
        text = paletteColorName(m_arcNumber);
    bool ok = false;
    const qint64 length = c->edgeLength(m_elementId, &ok);
    if (ok) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += CanvasTexts::edgeLengthText(length, c->data(Keys::DivsPerPrincipal).toInt());
    }
    setToolTip(text);
    m_arrowHead->setToolTip(text);
}

void GraphicsEdgeItem::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    updateToolTip();
    GraphicsElementItem::hoverEnterEvent(event);
}

QVariant GraphicsEdgeItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    const QVariant result = GraphicsElementItem::itemChange(change, value);
    if (change == ItemSelectedChange)
        updatePen(value.toBool());
    return result;
}
