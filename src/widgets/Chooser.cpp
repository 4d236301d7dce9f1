#include "widgets/Chooser.h"

#include <QEvent>

namespace {
const int NarrowTabSaving = 14;
}

Chooser::Chooser(QWidget *parent) : QTabBar(parent)
{
    setDrawBase(false);
    // A segmented control shows every choice whole: its minimum width is the
    // whole row of tabs, which layouts then keep, rather than scroll arrows
    // or elided texts.
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

void Chooser::setNarrowTabs(bool narrowTabs)
{
    if (narrow == narrowTabs)
        return;
    narrow = narrowTabs;
    // The tab bar caches its tab sizes; a font change is the event on which
    // it measures them again.
    QEvent relayout(QEvent::FontChange);
    changeEvent(&relayout);
}

int Chooser::addIconTab(const QIcon &icon)
{
    return addTab(icon, QString());
}

QSize Chooser::tabSizeHint(int index) const
{
    QSize size = QTabBar::tabSizeHint(index);
    if (narrow)
        size.rwidth() -= NarrowTabSaving;
    return size;
}
