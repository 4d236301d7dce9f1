#include "widgets/WheellessChooser.h"

#include <QWheelEvent>

void WheellessChooser::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
