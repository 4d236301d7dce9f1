#ifndef WIDGETS_WHEELLESSQWPCOMBOBOX_H
#define WIDGETS_WHEELLESSQWPCOMBOBOX_H

#include "widgets/QwpComboBox.h"

// A keyed combo box for rows of a scrolling list: the wheel goes on to the
// list, which scrolls, and never changes the value under the pointer.
class WheellessQwpComboBox : public QwpComboBox
{
public:
    using QwpComboBox::QwpComboBox;

protected:
    void wheelEvent(QWheelEvent *event) override;
};

#endif
