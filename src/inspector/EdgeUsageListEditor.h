#ifndef INSPECTOR_EDGEUSAGELISTEDITOR_H
#define INSPECTOR_EDGEUSAGELISTEDITOR_H

#include "Qmd/QmdIndex.h"
#include "Qmd/QmdObserver.h"
#include "QmdVorma/QmdVormaController.h"

#include <QGraphicsView>
#include <QPointer>
#include <QVector>

class EdgeUsageTile;
class QAction;
class QMenu;
class QSpinBox;

// A node's `ArcUsageList` as a row of tiles in the colours of its edges:
// drag a tile to reorder, double-click it to edit its count, Delete to
// remove it, and the add menu (shown by the node page's add button) to
// append an outgoing edge. Every edit writes the whole list as one step.
class EdgeUsageListEditor : public QGraphicsView, public QmdObserver<QmdVormaController>
{
    Q_OBJECT

public:
    explicit EdgeUsageListEditor(QWidget *parent = nullptr);

    void setController(QmdVormaController *controller) override;

    QMenu *addMenu() const { return m_addMenu; }
    QVector<EdgeUsageTile *> tiles() const { return m_tiles; }
    QSpinBox *usesSpinBox() const { return m_usesSpinBox; }
    QmdIndex nodeIndex() const { return m_nodeIndex; }
    // The list as the tiles show it, in the document's form.
    QString usageListString() const;

public slots:
    void setNode(QmdItemId nodeId);
    void sync();
    void onEditTriggered(EdgeUsageTile *tile);
    void onEditingFinished();
    void onVisualizeTileMove(EdgeUsageTile *tile, int position);
    void onTileMoveFinished(EdgeUsageTile *tile);
    void onRemoveTriggered(EdgeUsageTile *tile);
    void onItemsChangedOrRemoved(const QmdIndex &parent);
    void onAddActionTriggered(QAction *action);

private slots:
    void onKeysChanged(const QmdIndex &parent, const QStringList &keys, QmdRequestId rid);

private:
    void rebuildTiles();
    void rebuildAddMenu();
    void updateSceneWidth();
    void writeList(const QString &list);
    int tileHeight() const;

    QmdIndex m_nodeIndex;
    QVector<EdgeUsageTile *> m_tiles;
    QPointer<EdgeUsageTile> m_editingTile;
    QSpinBox *m_usesSpinBox;
    QMenu *m_addMenu;
};

#endif
