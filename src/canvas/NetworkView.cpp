#include "canvas/NetworkView.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ScaleFactors.h"
#include "canvas/NetworkScene.h"

#include <cmath>

using namespace QmdVorma;

NetworkView::NetworkView(QWidget *parent) : QGraphicsView(parent)
{
    setCacheMode(QGraphicsView::CacheBackground);
    setFocusPolicy(Qt::WheelFocus);
    reset();
}

NetworkView::~NetworkView() = default;

void NetworkView::setNetworkScene(NetworkScene *scene)
{
    if (m_attachedScene)
        disconnect(m_attachedScene, nullptr, this, nullptr);
    m_attachedScene = scene;
    setScene(scene);
}

void NetworkView::setEditTarget(QObject *target)
{
    m_editTarget = target;
}

void NetworkView::setController(QmdVormaController *c)
{
    if (QmdVormaController *old = controller())
        disconnect(old, nullptr, this, nullptr);
    QmdVormaObserver::setController(c);
    if (c) {
        connect(c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged),
                this, [this](const QmdIndex &index, const QStringList &keys, QmdRequestId) {
                    onItemsChanged(index, keys);
                });
        connect(c, &QmdController::modelReset, this, &NetworkView::reset);
    }
    reset();
}

void NetworkView::reset()
{
    resetCachedContent();
    if (controller())
        onItemsChanged(QmdIndex(), {Keys::Tool});
}

void NetworkView::onItemsChanged(const QmdIndex &index, const QStringList &keys)
{
    QmdVormaController *c = controller();
    if (!c || index != QmdIndex())
        return;
    if (keys.contains(Keys::Tool)) {
        bool ok = false;
        const int value = c->data(Keys::Tool).toInt(&ok);
        if (ok && value >= 0 && value <= 4)
            m_tool = value;
    }
}

TickPoint NetworkView::viewCenterTickPoint() const
{
    const QRect r = viewport()->rect();
    const QPointF center = mapToScene(QPoint((r.left() + r.right()) / 2, (r.top() + r.bottom()) / 2));
    return TickPoint(std::llround(center.x() * ticksPerPixelX), std::llround(center.y() * ticksPerPixelY));
}
