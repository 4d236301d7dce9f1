#ifndef CANVAS_GRAPHICSELEMENTITEM_H
#define CANVAS_GRAPHICSELEMENTITEM_H

#include "QmdVorma/DocumentKeys.h"
#include "canvas/ElementItem.h"
#include "canvas/NetworkScene.h"

#include <QGraphicsItem>

// Joins an ElementItem to a Qt item class: adds itself to the scene, is
// selectable, caches its painting in device coordinates, and follows its
// element's `IsHidden` and `TickPos`. Items are moved by requests, never by
// Qt's own item dragging.
template <typename T>
class GraphicsElementItem : public T, public ElementItem
{
public:
    GraphicsElementItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene,
                        QGraphicsItem *parent = nullptr)
        : T(parent), ElementItem(elementId, controller, scene)
    {
        if (scene)
            scene->addItem(this);
        this->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
        this->setFlag(QGraphicsItem::ItemIsSelectable);
    }

    QGraphicsItem *graphicsItem() override { return this; }

    void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override
    {
        Q_UNUSED(rid)
        QmdVormaController *c = controller();
        if (!c || id != m_elementId)
            return;
        m_ready = false;
        for (const QString &key : keys) {
            if (key == QmdVorma::Keys::IsHidden)
                this->setVisible(!c->elementData(id, key).toBool());
            else if (key == QmdVorma::Keys::TickPos)
                this->setPos(tickPosOf(id));
        }
        m_ready = true;
    }

protected:
    QVariant itemChange(QGraphicsItem::GraphicsItemChange change, const QVariant &value) override
    {
        if (m_ready && change == QGraphicsItem::ItemSelectedChange)
            this->update();
        return T::itemChange(change, value);
    }
};

#endif
