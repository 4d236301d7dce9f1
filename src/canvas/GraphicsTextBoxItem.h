#ifndef CANVAS_GRAPHICSTEXTBOXITEM_H
#define CANVAS_GRAPHICSTEXTBOXITEM_H

#include "canvas/GraphicsElementItem.h"

#include <QGraphicsTextItem>

// A text box: the element's `Text` (HTML) at its position.
class GraphicsTextBoxItem : public GraphicsElementItem<QGraphicsTextItem>
{
public:
    GraphicsTextBoxItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene,
                        QGraphicsItem *parent = nullptr);
    // A ghost of the view: no element, no controller.
    explicit GraphicsTextBoxItem(NetworkScene *scene, QGraphicsItem *parent = nullptr);

    enum { Type = TextBoxItemType };
    int type() const override { return Type; }

    void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;
};

#endif
