#include "inspector/CCListEditScrollArea.h"

#include <QScrollBar>

CCListEditScrollArea::CCListEditScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void CCListEditScrollArea::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    QWidget *list = widget();
    if (!list)
        return;
    const int width = maximumViewportSize().width() + 2 * frameWidth()
        - (verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0);
    if (list->width() != width)
        list->setFixedWidth(width);
}
