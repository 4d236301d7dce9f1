#ifndef WIDGETS_CHOOSER_H
#define WIDGETS_CHOOSER_H

#include <QIcon>
#include <QTabBar>

// A tab bar used as a segmented control: a row of adjoining buttons of which
// one is current. The value is the tab bar's currentIndex, its notify signal
// currentChanged(int); an index outside the tabs (a binding's -1 for mixed
// values) leaves the current tab as it is.
class Chooser : public QTabBar
{
    Q_OBJECT

public:
    explicit Chooser(QWidget *parent = nullptr);

    // Narrow tabs fit icon-only choices into the inspector's width.
    void setNarrowTabs(bool narrow);
    bool narrowTabs() const { return narrow; }

    int addIconTab(const QIcon &icon);

protected:
    QSize tabSizeHint(int index) const override;

private:
    bool narrow = false;
};

#endif
