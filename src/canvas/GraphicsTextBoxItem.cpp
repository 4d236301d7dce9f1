#include "canvas/GraphicsTextBoxItem.h"

GraphicsTextBoxItem::GraphicsTextBoxItem(QmdItemId elementId, QmdVormaController *controller,
                                         NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(elementId, controller, scene, parent)
{
}

GraphicsTextBoxItem::GraphicsTextBoxItem(NetworkScene *scene, QGraphicsItem *parent)
    : GraphicsElementItem(0, nullptr, scene, parent)
{
}

void GraphicsTextBoxItem::onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    GraphicsElementItem::onElementDataChanged(id, keys, rid);
    QmdVormaController *c = controller();
    if (!c || id != m_elementId || !keys.contains(QmdVorma::Keys::Text))
        return;
    m_ready = false;
    setHtml(c->elementData(id, QmdVorma::Keys::Text).toString());
    m_ready = true;
}
