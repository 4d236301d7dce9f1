#include "canvas/NetworkView.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ScaleFactors.h"
#include "canvas/GraphicsEdgeItem.h"
#include "canvas/GraphicsNodeItem.h"
#include "canvas/GraphicsTextBoxItem.h"
#include "canvas/GraphicsVoiceGroupItem.h"
#include "canvas/NetworkScene.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPen>
#include <QPixmap>

#include <cmath>

using namespace QmdVorma;

namespace {

constexpr double GhostOpacity = 0.6;
const QColor GhostFreeColor(155, 158, 255);
const QColor GhostOnNodeColor(0, 255, 0);
const QColor GhostBlockedColor(255, 0, 0);

enum ElementType { NodeElement = 2, TextBoxElement = 3, VoiceGroupElement = 4 };

TickPoint plus(const TickPoint &a, const TickPoint &b)
{
    return TickPoint(a.x + b.x, a.y + b.y);
}

TickPoint minus(const TickPoint &a, const TickPoint &b)
{
    return TickPoint(a.x - b.x, a.y - b.y);
}

ElementItem *elementItemOf(QGraphicsItem *item)
{
    if (!item || item->type() < ElementItem::EdgeItemType || item->type() > ElementItem::TextBoxItemType)
        return nullptr;
    return dynamic_cast<ElementItem *>(item);
}

QCursor imageCursor(const QString &path, Qt::CursorShape fallback)
{
    const QPixmap pixmap(path);
    return pixmap.isNull() ? QCursor(fallback) : QCursor(pixmap, 7, 7);
}

} // namespace

NetworkView::NetworkView(QWidget *parent) : QGraphicsView(parent)
{
    setCacheMode(QGraphicsView::CacheBackground);
    setFocusPolicy(Qt::WheelFocus);
    setDragMode(QGraphicsView::RubberBandDrag);
    reset();
}

NetworkView::~NetworkView()
{
    cancelGhostItems();
}

void NetworkView::setNetworkScene(NetworkScene *scene)
{
    cancelGhostItems();
    endDrag();
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
        connect(c, &QmdVormaController::elementsAdded, this, &NetworkView::onElementsAdded);
        connect(c, &QmdVormaController::elementsRemoved, this, &NetworkView::onElementsRemoved);
        connect(c, &QmdController::modelReset, this, &NetworkView::reset);
    }
    reset();
}

void NetworkView::setZoomDirection(int direction)
{
    if (direction < 0 || direction > 2)
        return;
    m_zoomDirection = direction;
    updateToolCursor();
}

void NetworkView::reset()
{
    // A reset can delete the items a drag holds and the elements it moves.
    cancelGhostItems();
    endDrag();
    resetCachedContent();
    if (controller())
        onItemsChanged(QmdIndex(), {Keys::Tool});
    updateToolCursor();
}

void NetworkView::onItemsChanged(const QmdIndex &index, const QStringList &keys)
{
    QmdVormaController *c = controller();
    if (!c || index != QmdIndex())
        return;
    if (keys.contains(Keys::Tool)) {
        bool ok = false;
        const int value = c->data(Keys::Tool).toInt(&ok);
        if (ok && value >= SelectionTool && value <= TextBoxTool)
            m_tool = value;
        updateToolCursor();
    }
}

void NetworkView::onElementsAdded(const QmdItemIdList &ids, QmdRequestId rid)
{
    QmdVormaController *c = controller();
    if (!c || !m_ghostEdge || rid == 0 || rid != m_pendingNodeRequestId || ids.isEmpty())
        return;
    const QmdIndex newNode = c->elementIndex(ids.first());
    if (m_fromNodeIndex.isValid() && newNode.isValid())
        c->requestAddEdge(m_fromNodeIndex, newNode, ghostEdgePath(), {}, QmdRequestOptions{0, QString(), rid});
    deleteGhostNodeAndEdge();
    m_targetNodeIndex = QmdIndex();
    m_pendingNodeRequestId = 0;
}

void NetworkView::onElementsRemoved(const QmdItemIdList &ids, QmdRequestId)
{
    // An undo during a drag takes elements away under it.
    for (QmdItemId id : ids) {
        m_moveOffsets.remove(id);
        if (id == m_dragElementId && m_dragging && !m_dragGhost)
            endDrag();
    }
}

TickPoint NetworkView::viewCenterTickPoint() const
{
    const QRect r = viewport()->rect();
    return toTicks(mapToScene(QPoint((r.left() + r.right()) / 2, (r.top() + r.bottom()) / 2)));
}

TickPoint NetworkView::toTicks(const QPointF &p) const
{
    return TickPoint(std::llround(p.x() * ticksPerPixelX), std::llround(p.y() * ticksPerPixelY));
}

QPointF NetworkView::toScene(const TickPoint &t) const
{
    return QPointF(t.x * pixelsPerTickX, t.y * pixelsPerTickY);
}

TickPoint NetworkView::snapTickPoint(const TickPoint &point) const
{
    NetworkScene *s = m_attachedScene.data();
    if (!s || !s->snapToGrid())
        return point;
    const double step = double(std::max<Ticks>(1, s->snapStep()));
    return TickPoint(qint64(step * std::llround(point.x / step)), qint64(step * std::llround(point.y / step)));
}

QPointF NetworkView::snapScenePoint(const QPointF &point) const
{
    NetworkScene *s = m_attachedScene.data();
    if (!s || !s->snapToGrid())
        return point;
    return toScene(snapTickPoint(toTicks(point)));
}

QmdIndex NetworkView::nodeIndexOf(QGraphicsItem *item) const
{
    ElementItem *e = elementItemOf(item);
    if (!e || !controller() || e->elementId() == 0 || item->type() != ElementItem::NodeItemType)
        return QmdIndex();
    return controller()->elementIndex(e->elementId());
}

EdgePath NetworkView::ghostEdgePath() const
{
    const int type = m_ghostEdge ? m_ghostEdge->pathType() : 0;
    return type >= CityBlock && type <= Direct ? EdgePath(type) : CityBlock;
}

void NetworkView::mousePressEvent(QMouseEvent *event)
{
    m_buttonDown = true;
    m_pressRepaintRect = QRect(event->pos(), event->pos());
    if (scene() && scene()->focusItem()) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    if (m_attachedScene && controller() && event->button() == Qt::LeftButton)
        pressWithTool(event);
    if (m_dragging) {
        m_moveRequestId = 0;
        m_moveOffsets.clear();
        m_moveOffsetsPending = true;
        setDragMode(QGraphicsView::NoDrag);
        event->accept();
    }
    const bool zoomClick = event->button() == Qt::LeftButton && m_tool == ZoomTool;
    if (!zoomClick && event->button() != Qt::RightButton && event->modifiers() == Qt::NoModifier)
        QGraphicsView::mousePressEvent(event);
}

void NetworkView::pressWithTool(QMouseEvent *event)
{
    QmdVormaController *c = controller();
    const QPointF p = mapToScene(event->pos());
    // A click on a node's label or an edge's arrow head means the element.
    QGraphicsItem *h = itemAt(event->pos());
    if (h)
        h = h->topLevelItem();
    ElementItem *element = elementItemOf(h);
    const QmdIndex pressNode = nodeIndexOf(h);
    const QPointF s = snapScenePoint(p);

    switch (m_tool) {
    case SelectionTool:
        if (element && element->elementId() != 0
            && (h->type() == ElementItem::NodeItemType || h->type() == ElementItem::TextBoxItemType)) {
            m_dragging = true;
            m_dragElementId = element->elementId();
            m_dragTickPos = toTicks(h->pos());
            m_dragOffset = minus(m_dragTickPos, toTicks(p));
        }
        if (h && event->modifiers() == Qt::ShiftModifier)
            h->setSelected(!h->isSelected());
        if (event->modifiers() == Qt::AltModifier && element && element->elementId() != 0
            && h->type() == ElementItem::VoiceGroupItemType)
            toggleVoiceGroups(element->elementId());
        if (!h && m_editTarget) {
            const TickPoint at = toTicks(p);
            QMetaObject::invokeMethod(m_editTarget, "setPastePos", Q_ARG(QmdVorma::TickPoint, at));
        }
        break;
    case ZoomTool:
        if (m_zoomDirection == 0 || m_zoomDirection == 1) {
            const double scale = c->data(Keys::ZoomScale).toDouble() * (m_zoomDirection == 0 ? 2.0 : 0.5);
            // The view keeps the scale within 0.25..8; a click beyond does nothing.
            if (scale >= 0.25 && scale <= 8.0)
                m_pendingZoomRequestId = c->requestSetData(Keys::ZoomScale, scale, QmdIndex(),
                                                           QmdRequestOptions{Qmd::NoUndo, tr("Zoom"), 0});
        }
        break;
    case NodeAndEdgeTool:
        cancelGhostItems();
        m_ghostNode = new GraphicsNodeItem(m_attachedScene);
        m_ghostNode->setOpacity(GhostOpacity);
        m_ghostNode->setZValue(10);
        m_ghostNode->setPos(s);
        m_ghostNode->setPen(QPen(GhostFreeColor, pointScaleX));
        if (pressNode.isValid()) {
            m_attachedScene->clearSelection();
            m_fromNodeIndex = pressNode;
            m_pendingNodeRequestId = 0;
            m_ghostEdge = new GraphicsEdgeItem(m_attachedScene);
            m_ghostEdge->setOpacity(GhostOpacity);
            m_ghostEdge->setFromPoint(h->pos());
            m_ghostEdge->setToPoint(s);
            m_ghostEdge->updatePath();
        }
        m_dragging = true;
        m_dragGhost = m_ghostNode;
        m_dragTickPos = toTicks(s);
        break;
    case VoiceGroupTool:
        if (pressNode.isValid()) {
            cancelGhostItems();
            m_targetNodeIndex = pressNode;
            m_ghostVoiceGroup = new GraphicsVoiceGroupItem(m_attachedScene);
            m_ghostVoiceGroup->setPos(h->pos());
        }
        break;
    case TextBoxTool:
        if (h && h->type() == ElementItem::TextBoxItemType) {
            auto *textBox = static_cast<GraphicsTextBoxItem *>(h);
            textBox->openEditor(textBox->boundingRect().center());
            break;
        }
        cancelGhostItems();
        m_ghostTextBox = new GraphicsTextBoxItem(m_attachedScene);
        m_ghostTextBox->setHtml(QStringLiteral("<html><body>Text</body></html>"));
        m_ghostTextBox->setOpacity(GhostOpacity);
        m_ghostTextBox->setPos(snapScenePoint(p - m_ghostTextBox->boundingRect().center()));
        m_dragging = true;
        m_dragGhost = m_ghostTextBox;
        m_dragTickPos = toTicks(m_ghostTextBox->pos());
        break;
    default:
        break;
    }
}

void NetworkView::toggleVoiceGroups(QmdItemId pressed)
{
    QmdVormaController *c = controller();
    QmdItemIdList ids{pressed};
    for (QmdItemId id : m_attachedScene->selectedElementIds())
        if (id != pressed && c->elementData(id, Keys::Type).toInt() == VoiceGroupElement)
            ids.append(id);
    if (c->isVoiceGroupRunning(pressed))
        c->requestStopVoiceGroups(ids);
    else
        c->requestStartVoiceGroups(ids, 1.0);
}

void NetworkView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tool == SelectionTool && m_buttonDown) {
        m_pressRepaintRect = m_pressRepaintRect.united(QRect(event->pos(), event->pos()));
        viewport()->update(m_pressRepaintRect.adjusted(-2, -2, 2, 2));
    }
    if (scene() && scene()->focusItem()) {
        QGraphicsView::mouseMoveEvent(event);
        return;
    }
    QmdVormaController *c = controller();
    if (m_dragging && m_moveOffsetsPending && !m_dragGhost && c && m_attachedScene) {
        for (QmdItemId id : m_attachedScene->selectedElementIds()) {
            const int type = c->elementData(id, Keys::Type).toInt();
            if (type != NodeElement && type != TextBoxElement)
                continue;
            const QVariant pos = c->elementData(id, Keys::TickPos);
            if (pos.canConvert<TickPoint>())
                m_moveOffsets.insert(id, minus(pos.value<TickPoint>(), m_dragTickPos));
        }
        m_moveOffsetsPending = false;
    }
    QGraphicsView::mouseMoveEvent(event);
    if (event->buttons() != Qt::LeftButton || !m_attachedScene || !c || m_tool == ZoomTool)
        return;
    if (m_dragging)
        moveDrag(event->pos());
    if (m_ghostNode)
        followGhostNode(event->pos());
}

void NetworkView::moveDrag(const QPoint &viewPos)
{
    const TickPoint target = snapTickPoint(plus(toTicks(mapToScene(viewPos)), m_dragOffset));
    if (target == m_dragTickPos)
        return;
    if (m_dragGhost) {
        m_dragGhost->setPos(toScene(target));
    } else if (!m_moveOffsets.isEmpty()) {
        QmdVormaController *c = controller();
        QHash<QmdIndex, QVariant> pairs;
        for (auto it = m_moveOffsets.cbegin(); it != m_moveOffsets.cend(); ++it) {
            const QmdIndex pos = c->index(Keys::TickPos, c->elementIndex(it.key()));
            if (pos.isValid())
                pairs.insert(pos, QVariant::fromValue(plus(target, it.value())));
        }
        if (!pairs.isEmpty())
            m_moveRequestId = c->requestSetData(pairs, QmdRequestOptions{0, tr("Move"), m_moveRequestId});
    }
    m_dragTickPos = target;
}

void NetworkView::followGhostNode(const QPoint &viewPos)
{
    const QPointF q = snapScenePoint(mapToScene(viewPos));
    QGraphicsItem *node = nullptr;
    for (QGraphicsItem *item : m_attachedScene->items(q)) {
        QGraphicsItem *top = item->topLevelItem();
        if (nodeIndexOf(top).isValid()) {
            node = top;
            break;
        }
    }
    if (node) {
        m_targetNodeIndex = nodeIndexOf(node);
        m_ghostNode->setPos(node->pos());
        m_ghostNode->setPen(QPen(m_ghostEdge ? GhostOnNodeColor : GhostBlockedColor, pointScaleX));
    } else {
        m_targetNodeIndex = QmdIndex();
        m_ghostNode->setPen(QPen(GhostFreeColor, pointScaleX));
    }
    if (m_ghostEdge) {
        m_ghostEdge->setToPoint(m_ghostNode->pos());
        m_ghostEdge->updatePath();
    }
    viewport()->update();
}

void NetworkView::mouseReleaseEvent(QMouseEvent *event)
{
    m_buttonDown = false;
    if (scene() && scene()->focusItem()) {
        QGraphicsView::mouseReleaseEvent(event);
        return;
    }
    if (event->modifiers() == Qt::NoModifier)
        QGraphicsView::mouseReleaseEvent(event);
    else
        QGraphicsView::mouseMoveEvent(event);
    if (m_attachedScene && controller())
        finishGesture();
    if (m_attachedScene)
        m_attachedScene->update();
    endDrag();
    updateToolCursor();
}

void NetworkView::finishGesture()
{
    QmdVormaController *c = controller();
    if (m_ghostEdge && m_targetNodeIndex.isValid()) {
        c->requestAddEdge(m_fromNodeIndex, m_targetNodeIndex, ghostEdgePath(), {},
                          QmdRequestOptions{0, tr("Edge"), 0});
        deleteGhostNodeAndEdge();
        m_targetNodeIndex = QmdIndex();
        m_pendingNodeRequestId = 0;
    }
    if (m_ghostNode) {
        if (m_targetNodeIndex.isValid() && !m_ghostEdge) {
            m_targetNodeIndex = QmdIndex();
        } else {
            const QString text = m_ghostEdge ? tr("Node && Edge") : tr("Node");
            m_pendingNodeRequestId =
                c->requestAddNode(toTicks(m_ghostNode->pos()), {}, QmdRequestOptions{0, text, 0});
        }
        if (!m_ghostEdge)
            deleteGhostNodeAndEdge();
        else
            m_dragGhost = nullptr; // the ghosts wait for the new node, no longer dragged
    }
    if (m_ghostVoiceGroup) {
        if (m_targetNodeIndex.isValid())
            c->requestAddVoiceGroup(m_targetNodeIndex, {}, QmdRequestOptions{0, tr("Voice Group"), 0});
        discardGhost(m_ghostVoiceGroup);
        m_targetNodeIndex = QmdIndex();
    }
    if (m_ghostTextBox) {
        c->requestAddTextBox(toTicks(m_ghostTextBox->pos()), m_ghostTextBox->toHtml(), {},
                             QmdRequestOptions{0, tr("Text Box"), 0});
        discardGhost(m_ghostTextBox);
        m_dragGhost = nullptr;
    }
}

void NetworkView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (scene() && controller() && event->button() == Qt::LeftButton && m_tool == SelectionTool)
        QGraphicsView::mouseDoubleClickEvent(event);
}

void NetworkView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && !(scene() && scene()->focusItem())) {
        cancelGhostItems();
        endDrag();
        event->accept();
        return;
    }
    QGraphicsView::keyPressEvent(event);
}

void NetworkView::endDrag()
{
    m_dragging = false;
    m_dragElementId = 0;
    m_dragGhost = nullptr;
    m_moveRequestId = 0;
    m_dragTickPos = TickPoint();
    m_dragOffset = TickPoint();
    m_moveOffsets.clear();
    m_moveOffsetsPending = false;
    setDragMode(QGraphicsView::RubberBandDrag);
}

template <typename Item>
void NetworkView::discardGhost(Item *&ghost)
{
    // A scene that went first took its items, the ghosts among them, along.
    if (m_attachedScene)
        delete ghost;
    ghost = nullptr;
}

void NetworkView::deleteGhostNodeAndEdge()
{
    if (m_dragGhost == m_ghostNode)
        m_dragGhost = nullptr;
    discardGhost(m_ghostNode);
    discardGhost(m_ghostEdge);
}

void NetworkView::cancelGhostItems()
{
    // A drag on a ghost ends with it; otherwise a later move would reach a deleted item.
    const bool draggingGhost = m_dragGhost != nullptr;
    deleteGhostNodeAndEdge();
    discardGhost(m_ghostVoiceGroup);
    discardGhost(m_ghostTextBox);
    m_dragGhost = nullptr;
    if (draggingGhost)
        m_dragging = false;
    m_fromNodeIndex = QmdIndex();
    m_targetNodeIndex = QmdIndex();
    m_pendingNodeRequestId = 0;
    if (m_attachedScene)
        m_attachedScene->update();
}

void NetworkView::updateToolCursor()
{
    QCursor cursor;
    switch (m_tool) {
    case ZoomTool: {
        static const char *const zoomCursors[] = {":/images/Cursors/ZoomIn.png", ":/images/Cursors/ZoomOut.png",
                                                  ":/images/Cursors/ZoomNone.png"};
        cursor = imageCursor(QString::fromLatin1(zoomCursors[m_zoomDirection]), Qt::ArrowCursor);
        break;
    }
    case NodeAndEdgeTool:
    case VoiceGroupTool:
        cursor = imageCursor(QStringLiteral(":/images/Cursors/Crosshair.png"), Qt::CrossCursor);
        break;
    case TextBoxTool:
        cursor = QCursor(Qt::IBeamCursor);
        break;
    default:
        cursor = QCursor(Qt::ArrowCursor);
        break;
    }
    setCursor(cursor);
    viewport()->setCursor(cursor);
}
