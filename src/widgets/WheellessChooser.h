#ifndef WIDGETS_WHEELLESSCHOOSER_H
#define WIDGETS_WHEELLESSCHOOSER_H

#include "widgets/Chooser.h"

// A chooser for rows of a scrolling list: the wheel goes on to the list,
// which scrolls, and never changes the chosen tab.
class WheellessChooser : public Chooser
{
public:
    using Chooser::Chooser;

protected:
    void wheelEvent(QWheelEvent *event) override;
};

#endif
