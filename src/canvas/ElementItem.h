#ifndef CANVAS_ELEMENTITEM_H
#define CANVAS_ELEMENTITEM_H

#include "QmdVorma/QmdVormaObserver.h"

#include <QPointer>
#include <QStringList>

class NetworkScene;
class QGraphicsItem;

// The side of a canvas item that knows its element and the controller and
// receives the scene's notifications. The scene hands every element change
// to every item; each item decides whether it concerns it. Ghost items of
// the view have element id 0 and no controller.
class ElementItem : public QmdVormaObserver
{
public:
    // Item type numbers of the element item classes.
    enum ItemType { EdgeItemType = 65537, NodeItemType, VoiceGroupItemType, TextBoxItemType };

    ElementItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene);
    ~ElementItem() override;

    QmdItemId elementId() const { return m_elementId; }
    NetworkScene *networkScene() const;
    // The element's `Type`; 0 without a controller.
    int elementType() const;

    virtual QGraphicsItem *graphicsItem() = 0;
    virtual void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid);
    virtual void onInstrumentDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid);
    virtual void onSceneSelectionChanged();

    // Caches the item's painting in device coordinates only while that
    // picture, in the most zoomed-in view of the scene, is small; run when
    // the item's size or a view's zoom changes. Items that never cache are
    // left as they are.
    void fitCacheToViews();

protected:
    // The element's `TickPos` in scene coordinates; the origin for a value
    // that is no tick point.
    QPointF tickPosOf(QmdItemId id) const;

    QmdItemId m_elementId = 0;
    QPointer<QObject> m_networkScene;
    // False while data is being applied: selection changes meanwhile repaint
    // nothing of their own.
    bool m_ready = true;
    // The device cache was left off by fitCacheToViews, not by the item.
    bool m_cacheWithheld = false;
};

#endif
