#include "inspector/CCListEditScrollArea.h"

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
    // The viewport's room already leaves out the frame and the scroll bar
    // that is always on.
    const int width = maximumViewportSize().width();
    if (list->width() != width)
        list->setFixedWidth(width);
}
