#ifndef INSPECTOR_HOVERPOINTS_H
#define INSPECTOR_HOVERPOINTS_H

#include <QBrush>
#include <QObject>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QVector>

class QWidget;

// Makes any widget a small point editor without subclassing it: an event
// filter on the widget keeps control points in the widget's coordinates,
// paints them over the widget's own painting and lets the mouse pick, drag,
// add (left click on empty space) and remove (right click) them.
class HoverPoints : public QObject
{
    Q_OBJECT

public:
    enum MarkerShape { CircleShape = 0, RectangleShape = 1 };
    enum SortMode { NoSort = 0, XSort = 1, YSort = 2 };
    enum LinkStyle { NoLink = 0, LineLink = 1, CurveLink = 2 };
    enum LockFlag { LockToLeft = 1, LockToRight = 2, LockToTop = 4, LockToBottom = 8 };

    HoverPoints(QWidget *widget, int shape);

    bool eventFilter(QObject *object, QEvent *event) override;

    // Replaces every point silently: each is clamped into the bounds, every
    // lock flag is cleared, no signal is emitted and the current index stays.
    void assignPoints(const QPolygonF &points);
    QPolygonF points() const { return m_points; }
    int currentIndex() const { return m_currentIndex; }

    // A rectangle without width or height makes the widget's rectangle the
    // limit for dragging and loading; clicks then add no points.
    void setBoundingRect(const QRectF &rect) { m_bounds = rect; }
    QRectF boundingRect() const { return m_bounds; }
    void setMarkerSize(const QSizeF &size) { m_markerSize = size; }
    void setSortMode(int mode) { m_sortMode = mode; }
    void setLinkStyle(int style) { m_linkStyle = style; }
    int linkStyle() const { return m_linkStyle; }
    void setLinePen(const QPen &pen) { m_linePen = pen; }
    void setMarkerPen(const QPen &pen) { m_markerPen = pen; }
    void setMarkerBrush(const QBrush &brush) { m_markerBrush = brush; }
    // Flags belong to list positions, not to points: sorting leaves them.
    void setLockFlags(int position, uint flags);
    uint lockFlags(int position) const { return m_locks.value(position); }
    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }
    bool isEnabled() const { return m_enabled; }

signals:
    void mouseButtonPressed();
    void mouseButtonReleased();
    void pointsChanged(const QPolygonF &points);
    void currentIndexChanged(int index);

public slots:
    void setEnabled(bool enabled);
    void setDisabled(bool disabled);
    // Keeps a point that carries a lock flag; indexes outside the list
    // change nothing.
    void removeAt(int index);
    // Limited to 0 .. the point count; the count itself means no point.
    void setCurrentIndex(int index);
    void moveCurrentPoint(const QPointF &point);

private:
    QRectF limits() const;
    QRectF markerRect(int index) const;
    int pointAt(const QPointF &position) const;
    void dragPointTo(int index, const QPointF &position, bool snapToMiddle, bool notify);
    void sortAndNotify();
    void drawPointsAndCurve();

    QWidget *m_widget;
    QPolygonF m_points;
    QRectF m_bounds;
    int m_shape;
    int m_sortMode = NoSort;
    int m_linkStyle = CurveLink;
    QVector<uint> m_locks;
    QSizeF m_markerSize{11, 11};
    int m_currentIndex = -1;
    bool m_dragging = false;
    bool m_editable = true;
    bool m_enabled = true;
    QPen m_linePen;
    QPen m_markerPen;
    QBrush m_markerBrush;
    QPen m_currentMarkerPen;
    QBrush m_currentMarkerBrush;
};

#endif
