#include "inspector/EdgeUsageListEditor.h"

#include "QmdVorma/ArcUsage.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/InstrumentPalette.h"
#include "inspector/EdgeUsageTile.h"
#include "inspector/ItemSignals.h"

#include <QAction>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

namespace Keys = QmdVorma::Keys;

EdgeUsageListEditor::EdgeUsageListEditor(QWidget *parent)
    : QGraphicsView(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setViewportMargins(1, 1, 1, 1);
    setScene(new QGraphicsScene(this));

    m_addMenu = new QMenu(this);
    connect(m_addMenu, &QMenu::triggered, this, &EdgeUsageListEditor::onAddActionTriggered);

    m_usesSpinBox = new QSpinBox(viewport());
    m_usesSpinBox->setRange(0, 99);
    m_usesSpinBox->setSpecialValueText(QString(QChar(0x221E)));
    m_usesSpinBox->setFrame(false);
    m_usesSpinBox->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_usesSpinBox->hide();
    connect(m_usesSpinBox, &QSpinBox::editingFinished, this, &EdgeUsageListEditor::onEditingFinished);
}

void EdgeUsageListEditor::setController(QmdVormaController *controller)
{
    if (QmdVormaController *old = this->controller())
        disconnect(old, nullptr, this, nullptr);
    QmdObserver<QmdVormaController>::setController(controller);
    if (controller)
        connectItemSignals(controller, this, &EdgeUsageListEditor::onItemsChangedOrRemoved,
                           &EdgeUsageListEditor::onKeysChanged);
    m_nodeIndex = QmdIndex();
    rebuildTiles();
    rebuildAddMenu();
}

void EdgeUsageListEditor::setNode(QmdItemId nodeId)
{
    QmdVormaController *c = controller();
    m_nodeIndex = c && nodeId ? c->elementIndex(nodeId) : QmdIndex();
    rebuildTiles();
    rebuildAddMenu();
}

void EdgeUsageListEditor::sync()
{
    rebuildTiles();
    rebuildAddMenu();
}

int EdgeUsageListEditor::tileHeight() const
{
    return maximumViewportSize().height() - 1;
}

void EdgeUsageListEditor::rebuildTiles()
{
    qDeleteAll(m_tiles);
    m_tiles.clear();
    m_editingTile = nullptr;
    m_usesSpinBox->hide();
    QmdVormaController *c = controller();
    if (c && m_nodeIndex.isValid()) {
        const int height = tileHeight();
        const QmdItemId nodeId = m_nodeIndex.itemId();
        const QString list = c->data(Keys::ArcUsageList, m_nodeIndex).toString();
        for (const QString &entry : list.split(QLatin1Char(','))) {
            if (entry.isEmpty())
                continue;
            const QmdItemId edgeId = QmdVorma::arcUsageEdgeId(entry);
            auto *tile = new EdgeUsageTile(this, edgeId, c->arcIdentifierOfEdge(nodeId, edgeId), 30, height);
            m_tiles.append(tile);
            connect(tile, &EdgeUsageTile::editTriggered, this, &EdgeUsageListEditor::onEditTriggered);
            connect(tile, &EdgeUsageTile::visualizeMove, this, &EdgeUsageListEditor::onVisualizeTileMove);
            connect(tile, &EdgeUsageTile::moveFinished, this, &EdgeUsageListEditor::onTileMoveFinished);
            connect(tile, &EdgeUsageTile::removeTriggered, this, &EdgeUsageListEditor::onRemoveTriggered);
            tile->moveToSlot(false);
            tile->setUses(QmdVorma::arcUsageCount(entry));
        }
    }
    viewport()->update();
    updateSceneWidth();
}

void EdgeUsageListEditor::updateSceneWidth()
{
    QRectF rect = sceneRect();
    rect.setWidth(m_tiles.isEmpty() ? 0 : m_tiles.size() * EdgeUsageTile::SlotPitch - 1);
    setSceneRect(rect);
}

void EdgeUsageListEditor::rebuildAddMenu()
{
    const QList<QAction *> old = m_addMenu->actions();
    m_addMenu->clear();
    qDeleteAll(old);
    QmdVormaController *c = controller();
    if (c && m_nodeIndex.isValid()) {
        const QmdIndex arcs = c->index(Keys::ArcIdentifiers, m_nodeIndex);
        QmdItemIdList edges = arcs.isValid() ? c->itemIds(arcs) : QmdItemIdList();
        std::sort(edges.begin(), edges.end());
        for (QmdItemId edge : qAsConst(edges)) {
            const int arc = c->data(edge, arcs).toInt();
            auto *action = new QAction(QIcon(edgeTilePixmap(arc, 30, 20)), QmdVorma::paletteColorName(arc), this);
            action->setData(uint(edge));
            m_addMenu->addAction(action);
        }
    }
    if (m_addMenu->isEmpty()) {
        auto *none = new QAction(tr("(no edges)"), this);
        none->setEnabled(false);
        m_addMenu->addAction(none);
    }
}

void EdgeUsageListEditor::writeList(const QString &list)
{
    if (QmdVormaController *c = controller())
        c->requestSetData(Keys::ArcUsageList, list, m_nodeIndex, QmdRequestOptions{0, tr("Edge Usage"), 0});
}

QString EdgeUsageListEditor::usageListString() const
{
    QString list;
    list.reserve(m_tiles.size() * 6);
    for (const EdgeUsageTile *tile : m_tiles)
        list += QStringLiteral("%1=%2,").arg(tile->edgeId()).arg(tile->uses());
    list.chop(1);
    list.squeeze();
    return list;
}

void EdgeUsageListEditor::onAddActionTriggered(QAction *action)
{
    QmdVormaController *c = controller();
    if (!action || !c || !m_nodeIndex.isValid())
        return;
    const QString list = c->data(Keys::ArcUsageList, m_nodeIndex).toString();
    writeList(QStringLiteral("%1%2%3=1")
                  .arg(list, list.isEmpty() ? QString() : QStringLiteral(","))
                  .arg(action->data().toUInt()));
    rebuildTiles();
}

void EdgeUsageListEditor::onEditTriggered(EdgeUsageTile *tile)
{
    m_editingTile = tile;
    if (!tile) {
        m_usesSpinBox->hide();
        return;
    }
    m_usesSpinBox->setValue(tile->uses());
    m_usesSpinBox->resize(40, maximumViewportSize().height() - 2);
    m_usesSpinBox->move(mapFromScene(tile->pos()) + QPoint(1, 1));
    m_usesSpinBox->show();
    m_usesSpinBox->setFocus();
}

void EdgeUsageListEditor::onEditingFinished()
{
    if (m_usesSpinBox->isVisible()) {
        // Hiding takes the focus away, which would report a second end.
        const QSignalBlocker blocker(m_usesSpinBox);
        m_usesSpinBox->hide();
    }
    if (!m_editingTile)
        return;
    m_editingTile->setUses(m_usesSpinBox->value());
    writeList(usageListString());
    m_editingTile = nullptr;
}

void EdgeUsageListEditor::onVisualizeTileMove(EdgeUsageTile *tile, int position)
{
    m_tiles.removeOne(tile);
    m_tiles.insert(qBound(0, position, m_tiles.size()), tile);
    for (EdgeUsageTile *other : qAsConst(m_tiles))
        if (other != tile)
            other->moveToSlot(true);
}

void EdgeUsageListEditor::onTileMoveFinished(EdgeUsageTile *tile)
{
    if (!m_nodeIndex.isValid())
        return;
    tile->moveToSlot(false);
    tile->ensureVisible(QRectF(), 50, 50);
    updateSceneWidth();
    writeList(usageListString());
}

void EdgeUsageListEditor::onRemoveTriggered(EdgeUsageTile *tile)
{
    if (!controller() || !m_nodeIndex.isValid())
        return;
    m_tiles.removeOne(tile);
    tile->hide();
    tile->deleteLater();
    for (EdgeUsageTile *other : qAsConst(m_tiles))
        other->moveToSlot(true);
    updateSceneWidth();
    writeList(usageListString());
    viewport()->update();
}

void EdgeUsageListEditor::onItemsChangedOrRemoved(const QmdIndex &parent)
{
    if (parent.key() == Keys::ArcIdentifiers)
        rebuildAddMenu();
}

void EdgeUsageListEditor::onKeysChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId)
{
    // Undo, redo or another editor changed the list: show it, so an edit
    // here never writes a stale list back. Our own writes show already.
    QmdVormaController *c = controller();
    if (!c || !m_nodeIndex.isValid() || parent != m_nodeIndex || !keys.contains(Keys::ArcUsageList))
        return;
    if (c->data(Keys::ArcUsageList, m_nodeIndex).toString() != usageListString())
        rebuildTiles();
}
