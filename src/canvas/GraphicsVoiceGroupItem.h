#ifndef CANVAS_GRAPHICSVOICEGROUPITEM_H
#define CANVAS_GRAPHICSVOICEGROUPITEM_H

#include "canvas/GraphicsElementItem.h"

#include <QGraphicsPathItem>

// A voice group, drawn as a plain square above and to the left of its start
// node, which it follows.
class GraphicsVoiceGroupItem : public GraphicsElementItem<QGraphicsPathItem>
{
public:
    GraphicsVoiceGroupItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene,
                           QGraphicsItem *parent = nullptr);
    // A ghost of the view: no element, no controller.
    explicit GraphicsVoiceGroupItem(NetworkScene *scene, QGraphicsItem *parent = nullptr);

    enum { Type = VoiceGroupItemType };
    int type() const override { return Type; }

    void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;
    void setAnnotationColor(const QColor &color);

    QmdItemId startNodeId() const { return m_startNodeId; }

private:
    void init();

    QmdItemId m_startNodeId = 0;
};

#endif
