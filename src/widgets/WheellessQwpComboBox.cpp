#include "widgets/WheellessQwpComboBox.h"

#include <QWheelEvent>

void WheellessQwpComboBox::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
