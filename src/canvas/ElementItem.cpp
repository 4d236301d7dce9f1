#include "canvas/ElementItem.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ScaleFactors.h"
#include "canvas/NetworkScene.h"

ElementItem::ElementItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene)
    : m_elementId(elementId), m_networkScene(scene)
{
    setController(controller);
}

ElementItem::~ElementItem() = default;

NetworkScene *ElementItem::networkScene() const
{
    return static_cast<NetworkScene *>(m_networkScene.data());
}

int ElementItem::elementType() const
{
    QmdVormaController *c = controller();
    return c ? c->elementData(m_elementId, QmdVorma::Keys::Type).toInt() : 0;
}

void ElementItem::onElementDataChanged(QmdItemId, const QStringList &, QmdRequestId) {}

void ElementItem::onInstrumentDataChanged(QmdItemId, const QStringList &, QmdRequestId) {}

void ElementItem::onSceneSelectionChanged() {}

QPointF ElementItem::tickPosOf(QmdItemId id) const
{
    QmdVormaController *c = controller();
    if (!c)
        return QPointF();
    const QVariant value = c->elementData(id, QmdVorma::Keys::TickPos);
    if (value.userType() != qMetaTypeId<QmdVorma::TickPoint>())
        return QPointF();
    const QmdVorma::TickPoint p = value.value<QmdVorma::TickPoint>();
    return QPointF(p.x * QmdVorma::pixelsPerTickX, p.y * QmdVorma::pixelsPerTickY);
}
