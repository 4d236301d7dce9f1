#include "canvas/GraphicsVoiceGroupItem.h"

#include "QmdVorma/ScaleFactors.h"

#include <QPen>

using namespace QmdVorma;

GraphicsVoiceGroupItem::GraphicsVoiceGroupItem(QmdItemId elementId, QmdVormaController *controller,
                                               NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(elementId, controller, scene, parent)
{
    init();
}

GraphicsVoiceGroupItem::GraphicsVoiceGroupItem(NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(0, nullptr, scene, parent)
{
    init();
}

void GraphicsVoiceGroupItem::init()
{
    QPainterPath square;
    square.addRect(-22 * pointScaleX, -22 * pointScaleY, 10 * pointScaleX, 10 * pointScaleY);
    setPath(square);
    if (NetworkScene *scene = networkScene())
        setAnnotationColor(scene->annotationColor());
}

void GraphicsVoiceGroupItem::onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    GraphicsElementItem::onElementDataChanged(id, keys, rid);
    QmdVormaController *c = controller();
    if (!c)
        return;
    m_ready = false;
    const bool startChanged = id == m_elementId && keys.contains(Keys::ToNode);
    if (startChanged)
        m_startNodeId = c->elementData(id, Keys::ToNode).toUInt();
    if (startChanged || (m_startNodeId != 0 && id == m_startNodeId && keys.contains(Keys::TickPos)))
        setPos(m_startNodeId != 0 ? tickPosOf(m_startNodeId) : QPointF());
    m_ready = true;
}

void GraphicsVoiceGroupItem::setAnnotationColor(const QColor &color)
{
    setPen(QPen(color, pointScaleX));
    QColor fill = color;
    fill.setAlpha(80);
    setBrush(fill);
}
