#ifndef INSPECTOR_VERTICALGRAPHICSLISTVIEW_H
#define INSPECTOR_VERTICALGRAPHICSLISTVIEW_H

#include <QGraphicsView>

class QGraphicsLinearLayout;
class QGraphicsWidget;

// A scrolling column of proxied widgets: a list whose rows are real widgets
// (the Document page's sync-port check boxes) that stays as wide as the view.
class VerticalGraphicsListView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit VerticalGraphicsListView(QWidget *parent = nullptr);
    ~VerticalGraphicsListView() override;

    QGraphicsWidget *container() const { return m_container; }
    QGraphicsLinearLayout *layout() const { return m_layout; }

    // Fits the column to the viewport's width and the scene to the column.
    void updateSceneRect();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QGraphicsWidget *m_container;
    QGraphicsLinearLayout *m_layout;
};

#endif
