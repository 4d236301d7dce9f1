#include "inspector/HoverPoints.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

QPen plainPen(const QColor &color, qreal width)
{
    return QPen(QBrush(color), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

HoverPoints::HoverPoints(QWidget *widget, int shape)
    : QObject(widget),
      m_widget(widget),
      m_shape(shape),
      m_linePen(plainPen(QColor(255, 255, 255, 127), 2)),
      m_markerPen(plainPen(QColor(200, 200, 200, 191), 1)),
      m_markerBrush(QColor(150, 150, 150, 127)),
      m_currentMarkerPen(plainPen(QColor(255, 255, 255, 191), 1)),
      m_currentMarkerBrush(QColor(191, 191, 191, 127))
{
    widget->installEventFilter(this);
    connect(this, &HoverPoints::pointsChanged, widget, QOverload<>::of(&QWidget::update));
    connect(this, &HoverPoints::currentIndexChanged, widget, QOverload<>::of(&QWidget::update));
}

void HoverPoints::setLockFlags(int position, uint flags)
{
    if (position >= 0 && position < m_locks.size())
        m_locks[position] = flags;
}

QRectF HoverPoints::limits() const
{
    if (m_bounds.width() > 0 && m_bounds.height() > 0)
        return m_bounds;
    return m_widget ? QRectF(m_widget->rect()) : QRectF(static_cast<QWidget *>(parent())->rect());
}

QRectF HoverPoints::markerRect(int index) const
{
    const QPointF p = m_points.at(index);
    return QRectF(p.x() - m_markerSize.width() / 2, p.y() - m_markerSize.height() / 2, m_markerSize.width(),
                  m_markerSize.height());
}

int HoverPoints::pointAt(const QPointF &position) const
{
    for (int i = 0; i < m_points.size(); ++i) {
        const QRectF marker = markerRect(i);
        if (m_shape == CircleShape) {
            QPainterPath circle;
            circle.addEllipse(marker);
            if (circle.contains(position))
                return i;
        } else if (marker.contains(position)) {
            return i;
        }
    }
    return -1;
}

bool HoverPoints::eventFilter(QObject *object, QEvent *event)
{
    if (object != m_widget || !m_enabled)
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        emit mouseButtonPressed();
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const QPointF click(mouse->pos());
        const int hit = pointAt(click);
        if (mouse->button() == Qt::LeftButton) {
            if (hit < 0) {
                if (!m_editable || !m_bounds.contains(click))
                    return false;
                int position = 0;
                if (m_sortMode == XSort || m_sortMode == YSort) {
                    const bool byX = m_sortMode == XSort;
                    const auto after = std::find_if(m_points.cbegin(), m_points.cend(), [&](const QPointF &p) {
                        return byX ? p.x() > click.x() : p.y() > click.y();
                    });
                    position = after == m_points.cend() ? 0 : int(after - m_points.cbegin());
                }
                m_points.insert(position, click);
                m_locks.insert(position, 0);
                m_currentIndex = position;
                sortAndNotify();
            } else {
                m_currentIndex = hit;
            }
            emit currentIndexChanged(m_currentIndex);
            m_dragging = true;
            return true;
        }
        if (mouse->button() == Qt::RightButton && hit >= 0 && m_editable) {
            removeAt(hit);
            return true;
        }
        return false;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        emit mouseButtonReleased();
        return false;
    case QEvent::MouseMove:
        if (m_dragging && m_currentIndex >= 0 && m_currentIndex < m_points.size())
            dragPointTo(m_currentIndex, QPointF(static_cast<QMouseEvent *>(event)->pos()), true, true);
        return false;
    case QEvent::Paint: {
        // The widget paints itself first; the nested delivery passes this
        // filter untouched because the widget pointer is cleared meanwhile.
        QWidget *widget = m_widget;
        m_widget = nullptr;
        QApplication::sendEvent(widget, event);
        m_widget = widget;
        drawPointsAndCurve();
        return true;
    }
    default:
        return false;
    }
}

void HoverPoints::dragPointTo(int index, const QPointF &position, bool snapToMiddle, bool notify)
{
    const QRectF b = limits();
    const uint flags = m_locks.value(index);
    qreal x = position.x();
    qreal y = position.y();
    if (x < b.left() || (flags & LockToLeft))
        x = b.left();
    else if (x > b.left() + b.width() || (flags & LockToRight))
        x = b.left() + b.width();
    if (y < b.top() || (flags & LockToTop))
        y = b.top();
    else if (y > b.top() + b.height() || (flags & LockToBottom))
        y = b.top() + b.height();
    if (snapToMiddle) {
        const qreal middle = b.top() + b.height() / 2;
        if (std::abs(y - middle) < 4)
            y = middle;
    }
    m_points[index] = QPointF(x, y);
    if (notify)
        sortAndNotify();
}

void HoverPoints::moveCurrentPoint(const QPointF &point)
{
    if (m_currentIndex >= 0 && m_currentIndex < m_points.size())
        dragPointTo(m_currentIndex, point, false, true);
}

void HoverPoints::sortAndNotify()
{
    const int old = m_currentIndex;
    if (m_sortMode == XSort || m_sortMode == YSort) {
        const bool hadCurrent = old >= 0 && old < m_points.size();
        const QPointF current = hadCurrent ? m_points.at(old) : QPointF();
        if (m_sortMode == XSort)
            std::sort(m_points.begin(), m_points.end(), [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
        else
            std::sort(m_points.begin(), m_points.end(), [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); });
        if (hadCurrent) {
            m_currentIndex = -1;
            for (int i = 0; i < m_points.size(); ++i) {
                if (std::abs(m_points.at(i).x() - current.x()) < 1e-12
                    && std::abs(m_points.at(i).y() - current.y()) < 1e-12) {
                    m_currentIndex = i;
                    break;
                }
            }
        }
    }
    emit pointsChanged(m_points);
    if (m_currentIndex != old)
        emit currentIndexChanged(m_currentIndex);
}

void HoverPoints::removeAt(int index)
{
    if (index < 0 || index >= m_points.size())
        return;
    if (m_locks.value(index) == 0) {
        m_locks.remove(index);
        m_points.remove(index);
    }
    if (index == m_currentIndex)
        m_currentIndex = -1;
    sortAndNotify();
    emit currentIndexChanged(m_currentIndex);
}

void HoverPoints::setCurrentIndex(int index)
{
    m_currentIndex = qBound(0, index, m_points.size());
    if (m_widget)
        m_widget->update();
    emit currentIndexChanged(m_currentIndex);
}

void HoverPoints::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_widget)
        m_widget->update();
}

void HoverPoints::setDisabled(bool disabled)
{
    setEnabled(!disabled);
}

void HoverPoints::assignPoints(const QPolygonF &points)
{
    const QRectF b = limits();
    m_points.clear();
    m_points.reserve(points.size());
    for (const QPointF &p : points)
        m_points.append(QPointF(qBound(b.left(), p.x(), b.left() + b.width()),
                                qBound(b.top(), p.y(), b.top() + b.height())));
    m_locks = QVector<uint>(m_points.size(), 0);
    if (m_widget)
        m_widget->update();
}

void HoverPoints::drawPointsAndCurve()
{
    if (m_points.isEmpty())
        return;
    QPainter p(m_widget);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_linePen.style() != Qt::NoPen && m_linkStyle != NoLink) {
        p.setPen(m_linePen);
        p.setBrush(Qt::NoBrush);
        if (m_linkStyle == LineLink) {
            p.drawPolyline(m_points);
        } else {
            // Every segment leaves and enters its points horizontally.
            QPainterPath path(m_points.first());
            for (int i = 1; i < m_points.size(); ++i) {
                const QPointF p1 = m_points.at(i - 1);
                const QPointF p2 = m_points.at(i);
                const qreal midX = p1.x() + (p2.x() - p1.x()) / 2;
                path.cubicTo(QPointF(midX, p1.y()), QPointF(midX, p2.y()), p2);
            }
            p.drawPath(path);
        }
    }
    for (int i = 0; i < m_points.size(); ++i) {
        const bool current = i == m_currentIndex;
        p.setPen(current ? m_currentMarkerPen : m_markerPen);
        p.setBrush(current ? m_currentMarkerBrush : m_markerBrush);
        if (m_shape == CircleShape)
            p.drawEllipse(markerRect(i));
        else
            p.drawRect(markerRect(i));
    }
}
