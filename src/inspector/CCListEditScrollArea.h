#ifndef INSPECTOR_CCLISTEDITSCROLLAREA_H
#define INSPECTOR_CCLISTEDITSCROLLAREA_H

#include <QScrollArea>

// Holds the controller list exactly as wide as what is visible, so the list
// never scrolls sideways and its rows use the whole width.
class CCListEditScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit CCListEditScrollArea(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

#endif
