#include "app/CanvasPrint.h"

#include "canvas/ElementItem.h"

#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QList>
#include <QPainter>

void printCanvas(QGraphicsScene *scene, QPainter *painter)
{
    if (!scene || !painter || !painter->isActive())
        return;
    // Without extent the ratio of page to scene would be infinite.
    if (scene->sceneRect().isEmpty())
        return;

    // Deselecting goes through the scene's own signal, since items show more
    // than their own selection (a lone selected node colours its edges).
    const QList<QGraphicsItem *> selected = scene->selectedItems();
    scene->clearSelection();

    QList<QGraphicsItem *> hiddenGhosts;
    const QList<QGraphicsItem *> items = scene->items();
    for (QGraphicsItem *item : items) {
        const auto *element = dynamic_cast<ElementItem *>(item);
        if (element && element->elementId() == 0 && item->isVisible()) {
            hiddenGhosts << item;
            item->hide();
        }
    }
    scene->render(painter, QRectF(), QRectF(), Qt::KeepAspectRatio);

    for (QGraphicsItem *item : qAsConst(hiddenGhosts))
        item->show();
    // Back as it was, announced once rather than once per item.
    const bool blocked = scene->blockSignals(true);
    for (QGraphicsItem *item : selected)
        item->setSelected(true);
    scene->blockSignals(blocked);
    if (!selected.isEmpty())
        emit scene->selectionChanged();
}
