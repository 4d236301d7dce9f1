#include "inspector/VerticalGraphicsListView.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QScrollBar>

VerticalGraphicsListView::VerticalGraphicsListView(QWidget *parent)
    : QGraphicsView(parent)
    , m_container(new QGraphicsWidget)
    , m_layout(new QGraphicsLinearLayout(Qt::Vertical))
{
    auto *scene = new QGraphicsScene(this);
    m_layout->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_container->setContentsMargins(2, 2, 0, 2);
    m_container->setLayout(m_layout);
    scene->addItem(m_container);
    setScene(scene);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

// The scene deletes the container, and the container its layout.
VerticalGraphicsListView::~VerticalGraphicsListView() = default;

void VerticalGraphicsListView::updateSceneRect()
{
    m_container->adjustSize();
    int width = maximumViewportSize().width();
    if (verticalScrollBar()->isVisible())
        width -= verticalScrollBar()->width();
    width -= 4;
    m_container->setMinimumWidth(width);
    m_container->setMaximumWidth(width);
    scene()->setSceneRect(m_container->geometry());
}

void VerticalGraphicsListView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    updateSceneRect();
}
