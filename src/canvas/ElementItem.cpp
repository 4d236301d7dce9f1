#include "canvas/ElementItem.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ScaleFactors.h"
#include "canvas/NetworkScene.h"

#include <QGraphicsItem>
#include <QGraphicsView>
#include <QPixmapCache>

namespace {

// No item's cached picture may take more than this share of the pixmap
// cache. A long edge across a zoomed-in 4K view would otherwise take a
// viewport-sized picture; a few of those overflow the cache, and then every
// repaint renders every item's picture again. Painting such an item directly
// also costs less than blending its mostly transparent picture.
constexpr qint64 CacheShare = 64;

} // namespace

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

void ElementItem::fitCacheToViews()
{
    QGraphicsItem *item = graphicsItem();
    if (!m_cacheWithheld && item->cacheMode() != QGraphicsItem::DeviceCoordinateCache)
        return;
    QGraphicsScene *scene = item->scene();
    if (!scene)
        return;
    const QRectF bounds = item->boundingRect();
    const qint64 limitBytes = qint64(QPixmapCache::cacheLimit()) * 1024 / CacheShare;
    bool fits = true;
    for (QGraphicsView *view : scene->views()) {
        // The picture's size as the scene's cache makes it: the device
        // rectangle with a pixel of margin on each side.
        const QRectF device = item->deviceTransform(view->viewportTransform()).mapRect(bounds);
        const QRect r = device.toRect().adjusted(-1, -1, 1, 1);
        if (qint64(r.width()) * r.height() * 4 > limitBytes)
            fits = false;
    }
    // Setting the mode again would throw the cached picture away.
    if (fits == m_cacheWithheld) {
        item->setCacheMode(fits ? QGraphicsItem::DeviceCoordinateCache : QGraphicsItem::NoCache);
        m_cacheWithheld = !fits;
    }
}

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
