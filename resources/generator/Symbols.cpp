#include "Symbols.h"

#include <QPainter>
#include <QPolygonF>

#include <cmath>

namespace Symbols {

const QColor Ink(72, 78, 88);
const QColor Accent(64, 140, 214);

void selectionTool(QPainter &p, bool)
{
    const QPolygonF arrow(QVector<QPointF>{{2, 0}, {2, 11}, {5, 8.5}, {7.5, 13}, {9, 12.2}, {6.8, 7.8}, {10.5, 7.5}});
    p.setBrush(p.pen().color());
    p.drawPolygon(arrow);
}

void zoomTool(QPainter &p, bool)
{
    p.drawEllipse(QPointF(5.5, 5), 4, 4);
    p.drawLine(QPointF(8.5, 8), QPointF(12, 12));
    p.drawLine(QPointF(3.5, 5), QPointF(7.5, 5));
    p.drawLine(QPointF(5.5, 3), QPointF(5.5, 7));
}

void nodeAndEdgeTool(QPainter &p, bool)
{
    p.drawEllipse(QPointF(3.5, 3.5), 2.6, 2.6);
    p.drawLine(QPointF(6, 3.5), QPointF(10, 3.5));
    p.drawLine(QPointF(10, 3.5), QPointF(10, 9));
    p.drawLine(QPointF(8, 7), QPointF(10, 9.5));
    p.drawLine(QPointF(12, 7), QPointF(10, 9.5));
    p.drawEllipse(QPointF(10, 11.5), 1.2, 1.2);
}

void voiceGroupTool(QPainter &p, bool)
{
    p.drawEllipse(QPointF(6.5, 7), 5.2, 5.2);
    p.setBrush(p.pen().color());
    p.drawEllipse(QPointF(6.5, 7), 1.8, 1.8);
}

void textBoxTool(QPainter &p, bool)
{
    p.drawRect(QRectF(0.8, 0.8, 11.4, 11.4));
    p.drawLine(QPointF(3.8, 3.8), QPointF(9.2, 3.8));
    p.drawLine(QPointF(6.5, 3.8), QPointF(6.5, 9.6));
}

void gotoStart(QPainter &p)
{
    p.drawRect(QRectF(-7, -6, 2.5, 12));
    p.drawPolygon(QPolygonF(QVector<QPointF>{{6, -6}, {6, 6}, {-4, 0}}));
}

void play(QPainter &p)
{
    p.drawPolygon(QPolygonF(QVector<QPointF>{{-4, -7}, {-4, 7}, {7, 0}}));
}

void pause(QPainter &p)
{
    p.drawRect(QRectF(-5.5, -6.5, 4, 13));
    p.drawRect(QRectF(1.5, -6.5, 4, 13));
}

void midiSocket(QPainter &p, bool on)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(on ? Accent : QColor(50, 54, 60), 2));
    p.drawEllipse(QPointF(0, 0), 9, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(on ? Accent : QColor(50, 54, 60));
    for (int i = 0; i < 5; ++i) {
        const qreal angle = M_PI * (1.0 + i / 4.0);
        p.drawEllipse(QPointF(5 * std::cos(angle), -5 * std::sin(angle) * -1), 1.3, 1.3);
    }
}

void documentPage(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF(QVector<QPointF>{{4.5, 2.5}, {12.5, 2.5}, {16.5, 6.5}, {16.5, 17.5}, {4.5, 17.5}}));
    for (qreal y : {8.5, 11.5, 14.5})
        p.drawLine(QPointF(7, y), QPointF(14, y));
}

void instrumentPage(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 5.5, 15, 10), 1.5, 1.5);
    p.setBrush(Ink);
    for (qreal x : {6.0, 9.5, 13.0})
        p.drawRect(QRectF(x, 5.5, 1.5, 5));
}

void edgePage(QPainter &p)
{
    p.setPen(QPen(Accent, 2));
    p.drawLine(QPointF(4, 15), QPointF(4, 5));
    p.drawLine(QPointF(4, 5), QPointF(13, 5));
    p.setBrush(Accent);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF(QVector<QPointF>{{17, 5}, {12, 2}, {12, 8}}));
}

void nodePage(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Accent);
    p.drawEllipse(QRectF(4, 4, 12, 12));
}

void voiceGroupPage(QPainter &p)
{
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(QColor(232, 140, 60));
    p.drawPolygon(QPolygonF(QVector<QPointF>{{3, 16}, {10, 3}, {17, 16}}));
}

} // namespace Symbols
