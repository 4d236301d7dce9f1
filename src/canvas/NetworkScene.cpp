#include "canvas/NetworkScene.h"

#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/ScaleFactors.h"
#include "QmdVorma/StylePresets.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "canvas/ElementItem.h"
#include "canvas/GraphicsEdgeItem.h"
#include "canvas/GraphicsNodeItem.h"
#include "canvas/GraphicsTextBoxItem.h"
#include "canvas/GraphicsVoiceGroupItem.h"
#include "canvas/GridGeometry.h"

#include <QPropertyAnimation>

#include <mutex>

using namespace QmdVorma;

namespace {

constexpr QmdRequestId RebuildRequestId = 0xFFFFFFFF;

// The colour of the default style for a style key, for documents whose
// value is no colour.
QColor defaultStyleColor(const QString &key)
{
    StylePreset preset;
    if (!stylePreset(defaultStylePresetName(), &preset))
        return QColor(Qt::black);
    const QVariant value = preset.value(key);
    return value.userType() == QMetaType::QColor ? value.value<QColor>() : QColor(value.toString());
}

bool countsForContents(const ElementItem *item)
{
    const int type = const_cast<ElementItem *>(item)->graphicsItem()->type();
    return type == ElementItem::NodeItemType || type == ElementItem::TextBoxItemType;
}

// The item's bounds with its children's (a node's label), in the scene.
QRectF sceneRectOf(ElementItem *item)
{
    QGraphicsItem *g = item->graphicsItem();
    return g->mapRectToScene(g->boundingRect() | g->childrenBoundingRect());
}

} // namespace

NetworkScene::NetworkScene(QObject *parent)
    : QGraphicsScene(parent),
      m_backgroundColor(QColor(), [this] { invalidateViewBackgrounds(); }),
      m_principalLinesColor(QColor(), [this] { invalidateViewBackgrounds(); }),
      m_principalPointsColor(QColor(), [this] { invalidateViewBackgrounds(); }),
      m_divisionLinesColor(QColor(), [this] { invalidateViewBackgrounds(); }),
      m_divisionPointsColor(QColor(), [this] { invalidateViewBackgrounds(); }),
      m_annotationColor(QColor(), [this] { applyAnnotationColor(); }),
      m_nodesColor(QColor(), [this] { applyNodesColor(); }),
      m_edgesColor(QColor(), [this] { applyEdgesColor(); }),
      m_currentVoiceGroupPulseValue(0, {})
{
    setItemIndexMethod(QGraphicsScene::BspTreeIndex);
    connect(this, &QGraphicsScene::selectionChanged, this, &NetworkScene::onSelectionChanged);
    m_monotonic.start();
    m_feedbackTimer.setInterval(FeedbackIntervalMs);
    connect(&m_feedbackTimer, &QTimer::timeout, this, &NetworkScene::checkFeedbackPipe);
    m_pulseAnimation = new QPropertyAnimation(this, "currentVoiceGroupPulseValue", this);
    m_pulseAnimation->setDuration(500);
    m_pulseAnimation->setLoopCount(-1);
    m_pulseAnimation->setStartValue(1.0);
    m_pulseAnimation->setKeyValueAt(0.5, 0.2);
    m_pulseAnimation->setEndValue(1.0);
    connect(m_pulseAnimation, &QPropertyAnimation::valueChanged, this,
            &NetworkScene::onVoiceGroupPulseValueChanged);
    reset();
}

NetworkScene::~NetworkScene()
{
    // Items go before the scene's own members, while the item table can
    // still be emptied first: nothing then reaches a deleted item.
    clearItems();
    // The base class removes the items of others (the view's ghosts) and
    // signals about it when this part of the object is already gone.
    disconnect(this, nullptr, this, nullptr);
}

void NetworkScene::setController(QmdVormaController *c)
{
    if (QmdVormaController *old = controller()) {
        disconnect(old, nullptr, this, nullptr);
        old->unbind(this, nullptr, QmdController::UnbindActions(7));
    }
    QmdVormaObserver::setController(c);
    if (c) {
        connect(c, &QmdVormaController::elementsAdded, this, &NetworkScene::onElementsAdded);
        connect(c, &QmdVormaController::elementsRemoved, this, &NetworkScene::onElementsRemoved);
        connect(c, &QmdVormaController::elementDataChanged, this, &NetworkScene::onElementDataEffected);
        connect(c, &QmdVormaController::elementDataRemoved, this, &NetworkScene::onElementDataEffected);
        connect(c, &QmdVormaController::instrumentDataEffected, this, &NetworkScene::onInstrumentDataEffected);
        connect(c, qOverload<const QmdIndex &, const QStringList &, QmdRequestId>(&QmdController::itemsChanged),
                this, [this](const QmdIndex &index, const QStringList &keys, QmdRequestId) {
                    onItemsChanged(index, keys);
                });
        connect(c, &QmdController::modelReset, this, &NetworkScene::reset);
        // Emitted on a MIDI thread too (the clock follower): queued then.
        connect(c, &QmdVormaController::playbackJogged, this, &NetworkScene::onPlaybackJogged);
        static const char *const properties[] = {"backgroundColor",      "principalLinesColor",
                                                 "principalPointsColor", "divisionLinesColor",
                                                 "divisionPointsColor",  "annotationColor",
                                                 "nodesColor",           "edgesColor"};
        const QString keys[] = {Keys::StyleBackgroundColor,    Keys::StylePrincipalLinesColor,
                                Keys::StylePrincipalPointsColor, Keys::StyleDivisionLinesColor,
                                Keys::StyleDivisionPointsColor,  Keys::StyleAnnotationColor,
                                Keys::StyleNodesColor,           Keys::StyleEdgesColor};
        for (int i = 0; i < 8; ++i)
            c->bind(this, properties[i], nullptr, keys[i], QmdIndex());
    }
    reset();
}

void NetworkScene::setColor(NotifyingValue<QColor> &value, const QColor &color, const QString &key)
{
    value.setValue(color.isValid() ? color : defaultStyleColor(key));
}

void NetworkScene::setBackgroundColor(const QColor &color)
{
    setColor(m_backgroundColor, color, Keys::StyleBackgroundColor);
}

void NetworkScene::setPrincipalLinesColor(const QColor &color)
{
    setColor(m_principalLinesColor, color, Keys::StylePrincipalLinesColor);
}

void NetworkScene::setPrincipalPointsColor(const QColor &color)
{
    setColor(m_principalPointsColor, color, Keys::StylePrincipalPointsColor);
}

void NetworkScene::setDivisionLinesColor(const QColor &color)
{
    setColor(m_divisionLinesColor, color, Keys::StyleDivisionLinesColor);
}

void NetworkScene::setDivisionPointsColor(const QColor &color)
{
    setColor(m_divisionPointsColor, color, Keys::StyleDivisionPointsColor);
}

void NetworkScene::setAnnotationColor(const QColor &color)
{
    setColor(m_annotationColor, color, Keys::StyleAnnotationColor);
}

void NetworkScene::setNodesColor(const QColor &color)
{
    setColor(m_nodesColor, color, Keys::StyleNodesColor);
}

void NetworkScene::setEdgesColor(const QColor &color)
{
    setColor(m_edgesColor, color, Keys::StyleEdgesColor);
}

void NetworkScene::clearItems()
{
    // Out of the table first, so that selection changes caused by the
    // deletions reach no deleted item.
    const QList<ElementItem *> own = m_itemsById.values();
    m_itemsById.clear();
    m_soundingNodeItems.clear();
    m_voiceGroupVoices.clear();
    m_noFreeVoiceWarnings.clear();
    m_leftmostItem = m_rightmostItem = m_topmostItem = m_bottommostItem = nullptr;
    if (own.size() < 64) {
        for (ElementItem *item : own)
            delete item->graphicsItem();
        return;
    }
    // Deleting items one by one costs the scene time quadratic in their
    // number (each leaves a hole in its list of top-level items), so the
    // scene deletes them all at once while the items of others (the view's
    // ghosts) step aside.
    QSet<QGraphicsItem *> ownItems;
    for (ElementItem *item : own)
        ownItems.insert(item->graphicsItem());
    QList<QGraphicsItem *> others;
    const QList<QGraphicsItem *> all = items();
    for (QGraphicsItem *item : all) {
        if (!item->parentItem() && !ownItems.contains(item))
            others.append(item);
    }
    for (QGraphicsItem *item : qAsConst(others))
        removeItem(item);
    clear();
    for (QGraphicsItem *item : qAsConst(others))
        addItem(item);
}

void NetworkScene::reset()
{
    m_feedbackTimer.stop();
    m_lastRequestId = 0;
    m_selectedIdsCache.clear();
    m_selectedIdsStale = true;
    m_snapToGrid = true;
    m_snapStepTicks = TicksPerPrincipal;
    m_showNodeCounters = false;
    m_showNodeLastNotesSent = false;
    m_showEdgeSignalling = false;
    m_contentsRect = QRectF(0, 0, 0, 0);
    clearItems();
    if (controller()) {
        onItemsChanged(QmdIndex(),
                       {Keys::DivsPerPrincipal, Keys::ShowGrid, Keys::SnapToGrid, Keys::ShowNodeCounters,
                        Keys::ShowNodeLastNotesSent, Keys::ShowEdgeSignalling});
        onElementsAdded(controller()->elementIds(), RebuildRequestId);
        m_feedbackTimer.start();
    }
    update();
}

void NetworkScene::setSceneContentsRect(const QRectF &rect)
{
    m_contentsRect = rect;
    emit sceneContentsRectChanged(rect);
}

void NetworkScene::onSelectionChanged()
{
    m_selectedIdsCache.clear();
    m_selectedIdsStale = true;
    if (m_selectionBatch > 0) {
        m_selectionPending = true;
        return;
    }
    for (ElementItem *item : qAsConst(m_itemsById))
        item->onSceneSelectionChanged();
}

void NetworkScene::endSelectionBatch()
{
    if (--m_selectionBatch == 0 && m_selectionPending) {
        m_selectionPending = false;
        onSelectionChanged();
    }
}

const QmdItemIdSet &NetworkScene::selectedElementIds() const
{
    if (m_selectedIdsStale) {
        m_selectedIdsCache.clear();
        const QList<QGraphicsItem *> items = selectedItems();
        for (QGraphicsItem *item : items) {
            // Ghosts are selectable items too, but no element of the document.
            const ElementItem *element = dynamic_cast<ElementItem *>(item);
            if (element && element->elementId() != 0)
                m_selectedIdsCache.insert(element->elementId());
        }
        m_selectedIdsStale = false;
    }
    return m_selectedIdsCache;
}

void NetworkScene::onElementsAdded(const QmdItemIdList &ids, QmdRequestId rid)
{
    if (rid != m_lastRequestId)
        clearSelection();
    ++m_selectionBatch;
    for (QmdItemId id : ids)
        createElementItem(id, rid);
    endSelectionBatch();
    // A text box just drawn is edited at once; one brought back by undo or
    // redo, or by loading a document, is not.
    if (ids.size() == 1 && rid != RebuildRequestId && controller()
        && !controller()->undoRedoRequestIds().contains(rid)) {
        auto *textBox = dynamic_cast<GraphicsTextBoxItem *>(m_itemsById.value(ids.first()));
        if (textBox) {
            textBox->openEditor(textBox->boundingRect().center());
            textBox->selectAll();
        }
    }
    m_lastRequestId = rid;
}

ElementItem *NetworkScene::createElementItem(QmdItemId id, QmdRequestId rid)
{
    QmdVormaController *c = controller();
    if (!c)
        return nullptr;
    // An element reported twice keeps one item.
    if (m_itemsById.contains(id))
        onElementsRemoved({id}, rid);
    ElementItem *item = nullptr;
    switch (c->elementData(id, Keys::Type).toUInt()) {
    case 1: {
        auto *edge = new GraphicsEdgeItem(id, c, this);
        edge->setZValue(1);
        edge->setUsageLabelVisible(m_showEdgeSignalling);
        item = edge;
        break;
    }
    case 2: {
        auto *node = new GraphicsNodeItem(id, c, this);
        node->setZValue(0);
        node->setCounterVisible(m_showNodeCounters);
        node->setLastNotesSentVisible(m_showNodeLastNotesSent);
        item = node;
        break;
    }
    case 3:
        item = new GraphicsTextBoxItem(id, c, this);
        break;
    case 4:
        item = new GraphicsVoiceGroupItem(id, c, this);
        break;
    default:
        return nullptr;
    }
    m_itemsById.insert(id, item);
    item->onElementDataChanged(id, c->keys(c->elementIndex(id)), rid);
    if (rid != RebuildRequestId)
        item->graphicsItem()->setSelected(true);
    item->fitCacheToViews();
    updateContentsRect(item);
    return item;
}

void NetworkScene::fitItemCachesToViews()
{
    for (ElementItem *item : qAsConst(m_itemsById))
        item->fitCacheToViews();
}

void NetworkScene::onElementsRemoved(const QmdItemIdList &ids, QmdRequestId)
{
    // Each selected item that goes changes the selection.
    ++m_selectionBatch;
    for (QmdItemId id : ids) {
        ElementItem *item = m_itemsById.take(id);
        if (!item)
            continue;
        for (ElementItem **extreme : {&m_leftmostItem, &m_rightmostItem, &m_topmostItem, &m_bottommostItem}) {
            if (*extreme == item)
                *extreme = nullptr;
        }
        QGraphicsItem *graphics = item->graphicsItem();
        if (graphics->type() == ElementItem::NodeItemType) {
            m_soundingNodeItems.remove(static_cast<GraphicsNodeItem *>(graphics));
        } else if (graphics->type() == ElementItem::VoiceGroupItemType) {
            m_voiceGroupVoices.remove(static_cast<GraphicsVoiceGroupItem *>(graphics));
            m_noFreeVoiceWarnings.remove(static_cast<GraphicsVoiceGroupItem *>(graphics));
        }
        delete graphics;
    }
    endSelectionBatch();
    if (!m_leftmostItem || !m_rightmostItem || !m_topmostItem || !m_bottommostItem) {
        for (ElementItem *item : qAsConst(m_itemsById))
            updateContentsRect(item);
        // With the last node and text box gone the network has no extent,
        // and the view's scene rectangle shrinks back to one viewport.
        if (!m_leftmostItem && m_contentsRect != QRectF(0, 0, 0, 0))
            setSceneContentsRect(QRectF(0, 0, 0, 0));
    }
    update();
}

void NetworkScene::onElementDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    // Only a node's data shows on other items (the edges at its ends, the
    // voice groups that start there); any other element's data is its own
    // item's business, and a paste changes thousands of them.
    ElementItem *own = m_itemsById.value(id);
    if (own && own->graphicsItem()->type() != ElementItem::NodeItemType) {
        own->onElementDataChanged(id, keys, rid);
        updateContentsRect(own);
        return;
    }
    for (ElementItem *item : qAsConst(m_itemsById))
        item->onElementDataChanged(id, keys, rid);
    // Only nodes and text boxes count, and they move by their own data alone:
    // measuring every item on each change made a drag step cost the whole document.
    if (own)
        updateContentsRect(own);
}

void NetworkScene::onInstrumentDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid)
{
    for (ElementItem *item : qAsConst(m_itemsById))
        item->onInstrumentDataChanged(id, keys, rid);
}

int NetworkScene::divsPerPrincipal() const
{
    QmdVormaController *c = controller();
    return GridGeometry::canvasDivsPerPrincipal(c ? c->data(Keys::DivsPerPrincipal).toInt() : 1);
}

void NetworkScene::readNodeStates(bool counters, bool lastNotes)
{
    QmdVormaController *c = controller();
    for (ElementItem *item : qAsConst(m_itemsById)) {
        if (item->graphicsItem()->type() != ElementItem::NodeItemType)
            continue;
        auto *node = static_cast<GraphicsNodeItem *>(item);
        const QmdIndex state = c->lookupElementStateIndex(item->elementId());
        if (counters) {
            node->setCounter(c->data(Keys::HitCount, state).toUInt());
            node->setCounterVisible(m_showNodeCounters);
        }
        if (lastNotes) {
            node->setLastNotesSentText(c->data(Keys::LastNotesSent, state).toString());
            node->setLastNotesSentVisible(m_showNodeLastNotesSent);
        }
    }
}

void NetworkScene::onItemsChanged(const QmdIndex &index, const QStringList &keys)
{
    QmdVormaController *c = controller();
    if (!c)
        return;
    if (index == QmdIndex()) {
        if (keys.contains(Keys::DivsPerPrincipal))
            m_snapStepTicks = GridGeometry::snapStep(c->data(Keys::DivsPerPrincipal).toInt());
        if (keys.contains(Keys::SnapToGrid))
            m_snapToGrid = c->data(Keys::SnapToGrid).toBool();
        if (keys.contains(Keys::ShowGrid) || keys.contains(Keys::DivsPerPrincipal))
            invalidateViewBackgrounds();
        const bool counters = keys.contains(Keys::ShowNodeCounters);
        const bool lastNotes = keys.contains(Keys::ShowNodeLastNotesSent);
        if (counters || lastNotes) {
            std::lock_guard<PriorityInheritanceMutex> lock(c->elementStateMutex());
            if (counters)
                m_showNodeCounters = c->data(Keys::ShowNodeCounters).toBool();
            if (lastNotes)
                m_showNodeLastNotesSent = c->data(Keys::ShowNodeLastNotesSent).toBool();
            readNodeStates(counters, lastNotes);
        }
        if (keys.contains(Keys::ShowEdgeSignalling)) {
            {
                std::lock_guard<PriorityInheritanceMutex> lock(c->elementStateMutex());
                m_showEdgeSignalling = c->data(Keys::ShowEdgeSignalling).toBool();
            }
            for (ElementItem *item : qAsConst(m_itemsById)) {
                if (item->graphicsItem()->type() == ElementItem::EdgeItemType)
                    static_cast<GraphicsEdgeItem *>(item)->setUsageLabelVisible(m_showEdgeSignalling);
            }
        }
        return;
    }
    if (!c->isElementStateIndex(index))
        return;
    const bool counter = m_showNodeCounters && keys.contains(Keys::HitCount);
    const bool lastNotes = m_showNodeLastNotesSent && keys.contains(Keys::LastNotesSent);
    if (!counter && !lastNotes)
        return;
    ElementItem *item = m_itemsById.value(index.itemId());
    if (!item || item->graphicsItem()->type() != ElementItem::NodeItemType)
        return;
    auto *node = static_cast<GraphicsNodeItem *>(item);
    std::lock_guard<PriorityInheritanceMutex> lock(c->elementStateMutex());
    if (counter)
        node->setCounter(c->data(Keys::HitCount, index).toUInt());
    if (lastNotes)
        node->setLastNotesSentText(c->data(Keys::LastNotesSent, index).toString());
}

// The views keep no background cache; the grid painter keys its tile on the
// colours, so repainting is all a new colour needs.
void NetworkScene::invalidateViewBackgrounds()
{
    update();
}

void NetworkScene::applyAnnotationColor()
{
    const QColor color = annotationColor();
    const QList<QGraphicsItem *> all = items();
    for (QGraphicsItem *item : all) {
        switch (item->type()) {
        case ElementItem::NodeItemType:
            static_cast<GraphicsNodeItem *>(item)->setLabelColor(color);
            break;
        case ElementItem::VoiceGroupItemType:
            static_cast<GraphicsVoiceGroupItem *>(item)->setAnnotationColor(color);
            break;
        case ElementItem::EdgeItemType:
            static_cast<GraphicsEdgeItem *>(item)->setAnnotationColor(color);
            break;
        case ElementItem::TextBoxItemType:
            static_cast<GraphicsTextBoxItem *>(item)->setAnnotationColor(color);
            break;
        default:
            break;
        }
    }
}

void NetworkScene::applyNodesColor()
{
    const QList<QGraphicsItem *> all = items();
    for (QGraphicsItem *item : all) {
        if (item->type() == ElementItem::NodeItemType)
            static_cast<GraphicsNodeItem *>(item)->setColor(nodesColor());
    }
}

void NetworkScene::applyEdgesColor()
{
    const QList<QGraphicsItem *> all = items();
    for (QGraphicsItem *item : all) {
        if (item->type() == ElementItem::EdgeItemType)
            static_cast<GraphicsEdgeItem *>(item)->setEdgesColor(edgesColor());
    }
}

void NetworkScene::updateContentsRect(ElementItem *item)
{
    if (!countsForContents(item))
        return;
    const QRectF I = sceneRectOf(item);
    QRectF R = m_contentsRect;
    // Each edge in turn; the later ones keep what the earlier ones found.
    bool changed = updateContentsEdge(item, I, R, m_leftmostItem, &QRectF::left, &QRectF::setLeft, true);
    changed = updateContentsEdge(item, I, R, m_rightmostItem, &QRectF::right, &QRectF::setRight, false) || changed;
    changed = updateContentsEdge(item, I, R, m_topmostItem, &QRectF::top, &QRectF::setTop, true) || changed;
    changed = updateContentsEdge(item, I, R, m_bottommostItem, &QRectF::bottom, &QRectF::setBottom, false) || changed;
    if (changed) {
        m_contentsRect = R;
        emit sceneContentsRectChanged(R);
    }
}

bool NetworkScene::updateContentsEdge(ElementItem *item, const QRectF &itemRect, QRectF &rect, ElementItem *&extreme,
                                      qreal (QRectF::*edge)() const, void (QRectF::*setEdge)(qreal), bool lowSide)
{
    // a lies outside b on this side.
    const auto beyond = [lowSide](qreal a, qreal b) { return lowSide ? a < b : a > b; };
    if (!extreme || beyond((itemRect.*edge)(), (rect.*edge)())) {
        extreme = item;
        (rect.*setEdge)((itemRect.*edge)());
        return true;
    }
    if (item != extreme || !beyond((rect.*edge)(), (itemRect.*edge)()))
        return false;
    // The extreme item moved inward: find the item now furthest out.
    (rect.*setEdge)((itemRect.*edge)());
    for (ElementItem *other : qAsConst(m_itemsById)) {
        if (!countsForContents(other))
            continue;
        const QRectF otherRect = sceneRectOf(other);
        if (beyond((otherRect.*edge)(), (rect.*edge)())) {
            extreme = other;
            (rect.*setEdge)((otherRect.*edge)());
        }
    }
    return true;
}

void NetworkScene::drawBackground(QPainter *painter, const QRectF &rect)
{
    QmdVormaController *c = controller();
    if (!c)
        return;
    GridPainter::Style style;
    style.background = backgroundColor();
    style.divisionLines = divisionLinesColor();
    style.principalLines = principalLinesColor();
    style.divisionPoints = divisionPointsColor();
    style.principalPoints = principalPointsColor();
    style.divisions = divsPerPrincipal();
    style.principal = QSizeF(double(TicksPerPrincipal) * pixelsPerTickX, double(TicksPerPrincipal) * pixelsPerTickY);
    style.showGrid = c->data(Keys::ShowGrid).toBool();
    m_gridPainter.paint(painter, rect, style);
}

bool NetworkScene::paintsOpaqueBackground() const
{
    const QColor background = backgroundColor();
    return controller() && background.isValid() && background.alpha() == 255;
}

void NetworkScene::checkFeedbackPipe()
{
    QmdVormaController *c = controller();
    AbstractSync *clock = c ? c->sync() : nullptr;
    if (clock)
        checkFeedback(clock->isPlaying(), clock->currentTicks());
}

void NetworkScene::checkFeedback(bool playing, Ticks now)
{
    QmdVormaController *c = controller();
    if (!c)
        return;
    const qint64 passTime = m_monotonic.elapsed();
    QSet<QGraphicsItem *> repaint;
    QSet<GraphicsVoiceGroupItem *> counted;
    QSet<GraphicsVoiceGroupItem *> warned;
    if (playing) {
        for (auto it = m_noFreeVoiceWarnings.begin(); it != m_noFreeVoiceWarnings.end();) {
            if (it.value() <= passTime) {
                warned.insert(it.key());
                it = m_noFreeVoiceWarnings.erase(it);
            } else {
                ++it;
            }
        }
        std::vector<PlaybackEvent> batch;
        batch.reserve(FeedbackBatch);
        c->feedbackPipe().takeDue(batch, FeedbackBatch, now);
        for (const PlaybackEvent &e : batch) {
            switch (e.kind) {
            case PlaybackEvent::VoiceReachedNode:
            case PlaybackEvent::NoteEnded: {
                ElementItem *item = e.nodeId != 0 ? m_itemsById.value(e.nodeId) : nullptr;
                if (!item || !item->controller() || item->graphicsItem()->type() != ElementItem::NodeItemType)
                    break;
                auto *node = static_cast<GraphicsNodeItem *>(item->graphicsItem());
                if (e.kind == PlaybackEvent::VoiceReachedNode) {
                    node->addActiveVoice(e.voiceGroupId, e.voiceId, sliceColor(e), true);
                    m_soundingNodeItems.insert(node);
                } else {
                    node->removeActiveVoice(e.voiceGroupId, e.voiceId, true);
                    if (node->activeVoiceCount() == 0)
                        m_soundingNodeItems.remove(node);
                }
                repaint.insert(node);
                break;
            }
            case PlaybackEvent::VoiceStarted:
            case PlaybackEvent::VoiceReturned:
            case PlaybackEvent::NoFreeVoice: {
                ElementItem *item = m_itemsById.value(QmdItemId(e.voiceGroupId));
                if (!item || !item->controller()
                    || item->graphicsItem()->type() != ElementItem::VoiceGroupItemType)
                    break;
                auto *group = static_cast<GraphicsVoiceGroupItem *>(item->graphicsItem());
                if (e.kind == PlaybackEvent::VoiceStarted) {
                    m_voiceGroupVoices[group].insert(quint32(e.voiceId));
                    counted.insert(group);
                } else if (e.kind == PlaybackEvent::VoiceReturned) {
                    m_voiceGroupVoices[group].remove(quint32(e.voiceId));
                    counted.insert(group);
                } else {
                    m_noFreeVoiceWarnings.insert(group, passTime + NoFreeVoiceWarningMs);
                    warned.insert(group);
                }
                break;
            }
            default:
                break;
            }
        }
    }
    for (QGraphicsItem *item : qAsConst(repaint))
        item->update();
    for (GraphicsVoiceGroupItem *group : qAsConst(counted)) {
        const int count = m_voiceGroupVoices.value(group).size();
        group->setActiveVoiceCount(count);
        if (count <= 0)
            m_voiceGroupVoices.remove(group);
    }
    for (GraphicsVoiceGroupItem *group : qAsConst(warned))
        group->setNoFreeVoiceWarningVisible(m_noFreeVoiceWarnings.contains(group));
}

QColor NetworkScene::sliceColor(const PlaybackEvent &e) const
{
    const QColor instrument =
        controller()->instrumentData(QmdItemId(e.instrumentId), Keys::Color).value<QColor>().toHsv();
    QColor color;
    color.setHsvF(std::max(0.0, instrument.hueF()), std::min(1.0, e.velocity / 127.0 * 0.7 + 0.3),
                  instrument.valueF(), instrument.alphaF() * 0.6);
    return color;
}

void NetworkScene::onPlaybackJogged()
{
    for (GraphicsNodeItem *node : qAsConst(m_soundingNodeItems))
        node->clearActiveVoices();
    m_soundingNodeItems.clear();
    for (auto it = m_voiceGroupVoices.cbegin(); it != m_voiceGroupVoices.cend(); ++it)
        it.key()->setActiveVoiceCount(0);
    m_voiceGroupVoices.clear();
    for (auto it = m_noFreeVoiceWarnings.cbegin(); it != m_noFreeVoiceWarnings.cend(); ++it)
        it.key()->setNoFreeVoiceWarningVisible(false);
    m_noFreeVoiceWarnings.clear();
}

void NetworkScene::onVoiceGroupPulseValueChanged()
{
    const double value = currentVoiceGroupPulseValue();
    for (ElementItem *item : qAsConst(m_itemsById)) {
        if (item->controller() && item->graphicsItem()->type() == ElementItem::VoiceGroupItemType)
            static_cast<GraphicsVoiceGroupItem *>(item->graphicsItem())->setPulseValue(value);
    }
}

void NetworkScene::setVoiceGroupPulseStopped(bool stopped)
{
    if (stopped) {
        m_pulseAnimation->stop();
        setCurrentVoiceGroupPulseValue(1.0);
        onVoiceGroupPulseValueChanged();
    } else {
        m_pulseAnimation->start(QAbstractAnimation::KeepWhenStopped);
    }
}
