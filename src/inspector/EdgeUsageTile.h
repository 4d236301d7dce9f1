#ifndef INSPECTOR_EDGEUSAGETILE_H
#define INSPECTOR_EDGEUSAGETILE_H

#include "Qmd/Qmd.h"

#include <QGraphicsPixmapItem>
#include <QObject>
#include <QPointer>

class EdgeUsageListEditor;
class QTimeLine;

// A tile of the palette colour (with the translucent overlay) of the given
// size; the arc form takes the colour of the node's arc number.
QPixmap edgeTilePixmap(const QColor &color, int width, int height);
QPixmap edgeTilePixmap(int arcIndex, int width, int height);

// One entry of a node's edge-usage list: a tile in the edge's colour showing
// its use count (the infinity sign for 0), dragged sideways to reorder,
// double-clicked to edit the count, removed with Delete or Backspace.
class EdgeUsageTile : public QObject, public QGraphicsPixmapItem
{
    Q_OBJECT

public:
    // Slots are 30 pixels of tile and one of gap wide.
    static constexpr int SlotPitch = 31;

    EdgeUsageTile(EdgeUsageListEditor *editor, QmdItemId edgeId, int arcIndex, int width, int height);
    ~EdgeUsageTile() override;

    QmdItemId edgeId() const { return m_edgeId; }
    int arcIndex() const { return m_arcIndex; }
    int uses() const { return m_uses; }
    void setUses(int uses);
    // The tile's position in its editor's list; -1 when it is not there.
    int listIndex() const;
    void moveToSlot(bool animated);
    bool isAtRest() const { return m_atRest; }

    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

signals:
    void editTriggered(EdgeUsageTile *tile);
    void visualizeMove(EdgeUsageTile *tile, int position);
    void moveFinished(EdgeUsageTile *tile);
    void removeTriggered(EdgeUsageTile *tile);

private slots:
    void onTimeLineFrameChanged(int frame);
    void onTimeLineFinished();

protected:
    bool sceneEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    QPointer<EdgeUsageListEditor> m_editor;
    QmdItemId m_edgeId;
    int m_arcIndex;
    int m_uses = 0;
    int m_tileWidth;
    int m_tileHeight;
    QTimeLine *m_timeLine;
    bool m_atRest = true;
};

#endif
