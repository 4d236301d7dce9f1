#include "canvas/NetworkView.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ScaleFactors.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "canvas/ChoiceActionGroup.h"
#include "canvas/GraphicsEdgeItem.h"
#include "canvas/GraphicsNodeItem.h"
#include "canvas/GraphicsTextBoxItem.h"
#include "canvas/GraphicsVoiceGroupItem.h"
#include "canvas/NetworkScene.h"
#include "canvas/ZoomGeometry.h"
#include "widgets/QwpComboBox.h"
#include "widgets/MidiEvent.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QScrollBar>

#include <cmath>

using namespace QmdVorma;

namespace {

constexpr double GhostOpacity = 0.6;
const QColor GhostFreeColor(155, 158, 255);
const QColor GhostOnNodeColor(0, 255, 0);
const QColor GhostBlockedColor(255, 0, 0);

enum ElementType { EdgeElement = 1, NodeElement = 2, TextBoxElement = 3, VoiceGroupElement = 4 };

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

NetworkView::NetworkView(QWidget *parent)
    : QGraphicsView(parent), m_togglePlayStopText(tr("&Toggle Play / Stop")), m_playText(tr("&Play")),
      m_stopText(tr("&Stop"))
{
    // The scene fills its background from a tiled picture of the grid, as
    // quickly as a cached copy would be copied; a cache would only add a
    // viewport-sized pixmap, made again on every zoom and scene-rectangle change.
    setCacheMode(QGraphicsView::CacheNone);
    setFocusPolicy(Qt::WheelFocus);
    setDragMode(QGraphicsView::RubberBandDrag);
    m_zoomComboBox = new QwpComboBox(this);
    m_zoomComboBox->setFixedWidth(60);
    for (const auto &scale : ZoomGeometry::boxScales())
        m_zoomComboBox->addItem(scale.first, scale.second);
    addScrollBarWidget(m_zoomComboBox, Qt::AlignLeft);
    reset();
}

NetworkView::~NetworkView()
{
    cancelGhostItems();
    delete m_contextMenu;
}

void NetworkView::setNetworkScene(NetworkScene *scene)
{
    cancelGhostItems();
    endDrag();
    if (m_attachedScene)
        disconnect(m_attachedScene, nullptr, this, nullptr);
    m_attachedScene = scene;
    if (scene)
        connect(scene, &NetworkScene::sceneContentsRectChanged, this, &NetworkView::smartUpdateSceneRect);
    setScene(scene);
    // The scene's background usually covers the viewport with an opaque
    // colour; filling it with the palette first as well would cost as much
    // as the grid on a large view. drawBackground fills it where needed.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, scene != nullptr);
    if (scene)
        scene->fitItemCachesToViews();
}

void NetworkView::drawBackground(QPainter *painter, const QRectF &rect)
{
    if (!m_attachedScene || !m_attachedScene->paintsOpaqueBackground()) {
        // What the viewport would have filled itself.
        painter->save();
        painter->resetTransform();
        painter->fillRect(viewport()->rect(), viewport()->palette().brush(viewport()->backgroundRole()));
        painter->restore();
    }
    QGraphicsView::drawBackground(painter, rect);
}

void NetworkView::setEditTarget(QObject *target)
{
    delete m_contextMenu;
    m_editTarget = target;
    buildContextMenu();
}

void NetworkView::invokeEditTarget(const char *slot)
{
    if (m_editTarget)
        QMetaObject::invokeMethod(m_editTarget, slot);
}

void NetworkView::buildContextMenu()
{
    m_contextMenu = new QMenu(this);
    const auto editEntry = [this](const QString &text, const char *slot) {
        QAction *action = m_contextMenu->addAction(text);
        connect(action, &QAction::triggered, this, [this, slot] { invokeEditTarget(slot); });
        return action;
    };
    m_cutAction = editEntry(tr("Cu&t"), "cut");
    m_copyAction = editEntry(tr("&Copy"), "copy");
    m_pasteAction = editEntry(tr("&Paste"), "paste");
    m_deleteAction = editEntry(tr("&Delete"), "del");
    m_selectAllAction = editEntry(tr("Select A&ll"), "selectAll");
    m_contextMenu->addSeparator();

    m_sigMethodGroup = new ChoiceActionGroup(m_contextMenu);
    m_contextMenu->addAction(m_sigMethodGroup->addChoice(tr("&Sequential"), 0));
    m_contextMenu->addAction(m_sigMethodGroup->addChoice(tr("Para&llel"), 1));
    m_contextMenu->addAction(m_sigMethodGroup->addChoice(tr("&Random"), 2));
    connect(m_sigMethodGroup, &ChoiceActionGroup::checkedDataChanged, this,
            &NetworkView::contextMenuNodeSigMethodChanged);
    m_contextMenu->addSeparator();

    m_shuffleAction = m_contextMenu->addAction(tr("S&huffle Notes"), this, &NetworkView::shuffleNodeNotesInSelection);
    m_shuffleAction->setVisible(false);
    m_contextMenu->addSeparator();

    m_playStopAction = m_contextMenu->addAction(m_togglePlayStopText);
    connect(m_playStopAction, &QAction::triggered, this, &NetworkView::toggleSelectedVoiceGroupsPlayStop);
    m_contextMenu->addSeparator();

    m_muteAction = m_contextMenu->addAction(tr("&Mute"));
    m_muteAction->setCheckable(true);
    m_contextMenu->addSeparator();

    m_pathGroup = new ChoiceActionGroup(m_contextMenu);
    m_contextMenu->addAction(m_pathGroup->addChoice(tr("City &Block"), CityBlock));
    m_contextMenu->addAction(m_pathGroup->addChoice(tr("City Block &Flipped"), CityBlockFlipped));
    m_contextMenu->addAction(m_pathGroup->addChoice(tr("Direc&t"), Direct));
    connect(m_pathGroup, &ChoiceActionGroup::checkedDataChanged, this, &NetworkView::contextMenuEdgePathChanged);
    m_contextMenu->addSeparator();

    m_wormholeAction = m_contextMenu->addAction(tr("&Wormhole"));
    m_wormholeAction->setCheckable(true);
}

int NetworkView::contextMenuNodeSigMethod() const
{
    return m_sigMethodGroup ? m_sigMethodGroup->checkedData() : -1;
}

int NetworkView::contextMenuEdgePath() const
{
    return m_pathGroup ? m_pathGroup->checkedData() : -1;
}

void NetworkView::setContextMenuNodeSigMethod(int method)
{
    if (m_sigMethodGroup)
        m_sigMethodGroup->setCheckedData(method);
}

void NetworkView::setContextMenuEdgePath(int path)
{
    if (m_pathGroup)
        m_pathGroup->setCheckedData(path);
}

void NetworkView::unbindContextMenu(QmdVormaController *c)
{
    if (!m_contextMenu)
        return;
    c->unbind(m_pathGroup, "checkedData");
    c->unbind(m_wormholeAction, "checked");
    c->unbind(m_sigMethodGroup, "checkedData");
    c->unbind(m_muteAction, "checked");
}

QHash<QmdIndex, QSet<QString>> NetworkView::selectedIdsWithKey(int type, const QString &key) const
{
    QHash<QmdIndex, QSet<QString>> table;
    QmdVormaController *c = controller();
    if (!c || !m_attachedScene)
        return table;
    for (QmdItemId id : m_attachedScene->selectedElementIds()) {
        if (c->elementData(id, Keys::Type).toInt() != type)
            continue;
        const QmdIndex element = c->elementIndex(id);
        if (element.isValid())
            table.insert(element, QSet<QString>{key});
    }
    return table;
}

bool NetworkView::isPlaying() const
{
    const AbstractSync *sync = controller() ? controller()->sync() : nullptr;
    return sync && sync->isPlaying();
}

void NetworkView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_contextMenu || (scene() && scene()->focusItem())) {
        QGraphicsView::contextMenuEvent(event);
        return;
    }
    QmdVormaController *c = controller();
    const QmdItemIdSet ids = m_attachedScene ? m_attachedScene->selectedElementIds() : QmdItemIdSet();
    const bool selection = !ids.isEmpty();
    m_cutAction->setEnabled(selection);
    m_copyAction->setEnabled(selection);
    m_deleteAction->setEnabled(selection);
    m_pasteAction->setEnabled(QmdVormaController::canPaste());
    m_selectAllAction->setEnabled(true);

    m_sigMethodGroup->setVisible(false);
    m_shuffleAction->setVisible(false);
    m_playStopAction->setVisible(false);
    m_muteAction->setVisible(false);
    m_pathGroup->setVisible(false);
    m_wormholeAction->setVisible(false);
    if (c) {
        unbindContextMenu(c);
        // A right-click on an element outside the selection is not about the
        // selection; the right button never changes it.
        QGraphicsItem *h = itemAt(event->pos());
        if (selection && (!h || h->topLevelItem()->isSelected()))
            bindElementEntries(c, ids);
    }
    m_contextMenu->popup(event->globalPos());
    QGraphicsView::contextMenuEvent(event);
    event->accept();
}

void NetworkView::bindElementEntries(QmdVormaController *c, const QmdItemIdSet &ids)
{
    bool edges = false, nodes = false, groups = false;
    for (QmdItemId id : ids) {
        const int type = c->elementData(id, Keys::Type).toInt();
        edges = edges || type == EdgeElement;
        nodes = nodes || type == NodeElement;
        groups = groups || type == VoiceGroupElement;
    }
    // Each entry is bound to the keys of every selected element it concerns,
    // so that one choice writes them all as one undo step.
    if (edges) {
        m_pathGroup->setVisible(true);
        m_wormholeAction->setVisible(true);
        c->bind(m_pathGroup, "checkedData", SIGNAL(checkedDataChanged()), selectedIdsWithKey(EdgeElement, Keys::Path),
                0, 0, tr("Path"));
        c->bind(m_wormholeAction, "checked", SIGNAL(toggled(bool)), selectedIdsWithKey(EdgeElement, Keys::IsWormhole),
                false, false, tr("Wormhole"));
    }
    QHash<QmdIndex, QSet<QString>> mute;
    if (nodes) {
        m_sigMethodGroup->setVisible(true);
        c->bind(m_sigMethodGroup, "checkedData", SIGNAL(checkedDataChanged()),
                selectedIdsWithKey(NodeElement, Keys::SignallingMethod), -1, -1, tr("Signalling"));
        mute.insert(selectedIdsWithKey(NodeElement, Keys::DontPlayNote));
    }
    if (groups) {
        mute.insert(selectedIdsWithKey(VoiceGroupElement, Keys::DontPlayNote));
        updatePlayStopActionText();
    }
    if (!mute.isEmpty()) {
        m_muteAction->setVisible(true);
        c->bind(m_muteAction, "checked", SIGNAL(toggled(bool)), mute, false, false, tr("Mute"));
    }
}

void NetworkView::updatePlayStopActionText()
{
    QmdVormaController *c = controller();
    int running = 0, stopped = 0;
    if (c && m_attachedScene) {
        for (QmdItemId id : m_attachedScene->selectedElementIds()) {
            if (c->elementData(id, Keys::Type).toInt() == VoiceGroupElement)
                ++(c->isVoiceGroupRunning(id) ? running : stopped);
        }
    }
    m_playStopAction->setVisible(running + stopped > 0);
    m_playStopAction->setText(running && stopped ? m_togglePlayStopText : running ? m_stopText : m_playText);
    // The controller starts and stops groups only while the clock plays.
    m_playStopAction->setEnabled(isPlaying());
}

void NetworkView::toggleSelectedVoiceGroupsPlayStop()
{
    QmdVormaController *c = controller();
    if (!c || !m_attachedScene)
        return;
    QmdItemIdList toStop, toStart;
    for (QmdItemId id : m_attachedScene->selectedElementIds()) {
        if (c->elementData(id, Keys::Type).toInt() == VoiceGroupElement)
            (c->isVoiceGroupRunning(id) ? toStop : toStart).append(id);
    }
    std::sort(toStop.begin(), toStop.end());
    std::sort(toStart.begin(), toStart.end());
    if (!toStop.isEmpty())
        c->requestStopVoiceGroups(toStop);
    if (!toStart.isEmpty())
        c->requestStartVoiceGroups(toStart, 1.0);
}

void NetworkView::shuffleNodeNotesInSelection()
{
    if (controller() && m_attachedScene)
        controller()->requestShuffleNodeNotes(m_attachedScene->selectedElementIds());
}

void NetworkView::setController(QmdVormaController *c)
{
    if (QmdVormaController *old = controller()) {
        old->unbind(m_zoomComboBox);
        unbindContextMenu(old);
        disconnect(old, nullptr, this, nullptr);
    }
    QmdVormaObserver::setController(c);
    if (c) {
        connect(c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged),
                this, [this](const QmdIndex &index, const QStringList &keys, QmdRequestId) {
                    onItemsChanged(index, keys);
                });
        connect(c, &QmdVormaController::elementsAdded, this, &NetworkView::onElementsAdded);
        connect(c, &QmdVormaController::elementsRemoved, this, &NetworkView::onElementsRemoved);
        connect(c, &QmdController::modelReset, this, &NetworkView::reset);
        // Zooming is a way of looking, never an undo step.
        c->bind(m_zoomComboBox, "currentKey", SIGNAL(activated(int)), Keys::ZoomScale, QmdIndex(), QVariant(),
                QVariant(), QString(), Qmd::NoUndo);
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

void NetworkView::setZoomOut(bool out)
{
    setZoomDirection(ZoomGeometry::clickDirection(appliedZoomScale(), out));
}

double NetworkView::appliedZoomScale() const
{
    return ZoomGeometry::usableScale(controller() ? controller()->data(Keys::ZoomScale) : QVariant(1.0));
}

void NetworkView::applyZoom()
{
    const double z = appliedZoomScale();
    // The box has no entry for scales such as 37.5 %, reached by zoom
    // steps; it shows them as its placeholder rather than nothing.
    m_zoomComboBox->setPlaceholderText(ZoomGeometry::scaleText(z));
    // A zoom-tool click keeps the point under the pointer in place; the box
    // and the window's commands zoom about the centre.
    if (m_pendingZoomRequestId != 0)
        setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setTransform(QTransform::fromScale(z, z));
    setTransformationAnchor(QGraphicsView::AnchorViewCenter);
    if (m_attachedScene)
        m_attachedScene->fitItemCachesToViews();
    m_pendingZoomRequestId = 0;
    setZoomOut(m_zoomDirection == ZoomGeometry::ZoomOut);
    shrinkOrGrowSceneRect();
}

QRectF NetworkView::wantedSceneRect() const
{
    const QTransform &t = transform();
    return ZoomGeometry::sceneRect(m_attachedScene->sceneContentsRect(), viewport()->size(), t.m11(), t.m22());
}

void NetworkView::shrinkOrGrowSceneRect()
{
    if (!m_attachedScene)
        return;
    const QRectF wanted = wantedSceneRect();
    if (wanted != sceneRect())
        m_attachedScene->setSceneRect(wanted);
}

void NetworkView::smartUpdateSceneRect()
{
    if (!m_attachedScene)
        return;
    const QRectF wanted = wantedSceneRect();
    const QRectF current = sceneRect();
    if (current.width() <= 0 || current.height() <= 0 || wanted.contains(current))
        m_attachedScene->setSceneRect(wanted);
}

void NetworkView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    shrinkOrGrowSceneRect();
}

void NetworkView::reset()
{
    // A reset can delete the items a drag holds and the elements it moves.
    cancelGhostItems();
    endDrag();
    resetCachedContent();
    if (controller())
        onItemsChanged(QmdIndex(), {Keys::ZoomScale, Keys::Tool});
    updateToolCursor();
}

void NetworkView::onItemsChanged(const QmdIndex &index, const QStringList &keys)
{
    QmdVormaController *c = controller();
    if (!c || index != QmdIndex())
        return;
    if (keys.contains(Keys::ZoomScale))
        applyZoom();
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
    completeNodeAndEdge(ids, rid);
    shrinkOrGrowSceneRect();
}

void NetworkView::completeNodeAndEdge(const QmdItemIdList &ids, QmdRequestId rid)
{
    QmdVormaController *c = controller();
    if (!c || !m_ghostEdge || rid == 0 || rid != m_pendingNodeRequestId || ids.isEmpty())
        return;
    const QmdIndex newNode = c->elementIndex(ids.first());
    if (m_fromNodeIndex.isValid() && newNode.isValid() && !sourceNodeRemoved())
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
    // An edge needs the node it starts from: without it the gesture ends.
    if (m_ghostEdge && ids.contains(m_fromNodeIndex.itemId()))
        cancelGhostItems();
    shrinkOrGrowSceneRect();
}

bool NetworkView::sourceNodeRemoved() const
{
    const QmdVormaController *c = controller();
    return c && c->elementData(m_fromNodeIndex.itemId(), Keys::Type).toInt() != NodeElement;
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
            // From the scale shown, which a damaged stored value is not.
            const double scale = appliedZoomScale() * (m_zoomDirection == 0 ? 2.0 : 0.5);
            // The view keeps the scale within its limits; a click beyond does nothing.
            if (scale >= ZoomGeometry::MinScale && scale <= ZoomGeometry::MaxScale)
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
    if (m_attachedScene) {
        shrinkOrGrowSceneRect();
        m_attachedScene->update();
    }
    endDrag();
    updateToolCursor();
}

void NetworkView::finishGesture()
{
    QmdVormaController *c = controller();
    // Removed by a request whose signals have not arrived yet.
    if (m_ghostEdge && sourceNodeRemoved()) {
        cancelGhostItems();
        return;
    }
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
    QGraphicsView::keyPressEvent(event);
    if ((scene() && scene()->focusItem()) || !m_attachedScene || !controller())
        return;
    switch (event->key()) {
    case Qt::Key_Escape:
        cancelGhostItems();
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        invokeEditTarget("del");
        break;
    case Qt::Key_Shift:
        setGhostEdgePath(CityBlockFlipped);
        break;
    case Qt::Key_Alt:
        if (m_tool == SelectionTool && isPlaying())
            m_attachedScene->setVoiceGroupPulseStopped(false);
        else if (m_tool == ZoomTool)
            setZoomOut(true);
        break;
    default:
        return;
    }
    event->accept();
}

void NetworkView::keyReleaseEvent(QKeyEvent *event)
{
    QGraphicsView::keyReleaseEvent(event);
    if (!m_attachedScene || !controller())
        return;
    if (event->key() == Qt::Key_Shift) {
        setGhostEdgePath(CityBlock);
    } else if (event->key() == Qt::Key_Alt) {
        m_attachedScene->setVoiceGroupPulseStopped(true);
        setZoomOut(false);
    }
}

void NetworkView::focusOutEvent(QFocusEvent *event)
{
    QGraphicsView::focusOutEvent(event);
    // Alt may be let go while another widget has the focus; the view would
    // never see that release.
    if (m_attachedScene)
        m_attachedScene->setVoiceGroupPulseStopped(true);
    if (controller())
        setZoomOut(false);
}

void NetworkView::setGhostEdgePath(EdgePath path)
{
    if (!m_ghostEdge)
        return;
    m_ghostEdge->setPathType(path);
    m_ghostEdge->updatePath();
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

void NetworkView::customEvent(QEvent *event)
{
    if (const MidiEvent *midi = MidiEvent::from(event))
        enterMidiNote(*midi);
    else
        QGraphicsView::customEvent(event);
}

void NetworkView::enterMidiNote(const MidiEvent &event)
{
    static const QmdItemIdSet none;
    m_midiNoteEntry.enter(event, controller(), m_attachedScene ? m_attachedScene->selectedElementIds() : none);
}
