#ifndef CANVAS_GRAPHICSVOICEGROUPITEM_H
#define CANVAS_GRAPHICSVOICEGROUPITEM_H

#include "canvas/GraphicsElementItem.h"

#include <QColor>
#include <QGraphicsPathItem>

class QGraphicsSimpleTextItem;

// A voice group: a triangle pointing from the left at its start node, which
// it follows, in its first instrument's colour, with the MIDI pitches that
// trigger it above and a "!" while it found no free voice. Its fill is
// stronger while voices are under way, hatched while silenced and throbs
// with the scene's pulse.
class GraphicsVoiceGroupItem : public GraphicsElementItem<QGraphicsPathItem>
{
public:
    GraphicsVoiceGroupItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene,
                           QGraphicsItem *parent = nullptr);
    // A ghost of the view: no element, no controller.
    explicit GraphicsVoiceGroupItem(NetworkScene *scene, QGraphicsItem *parent = nullptr);

    enum { Type = VoiceGroupItemType };
    int type() const override { return Type; }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;
    void onInstrumentDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;
    void setAnnotationColor(const QColor &color);

    void setActiveVoiceCount(int count);
    void setNoFreeVoiceWarningVisible(bool visible);
    void setPulseValue(double value);

    QmdItemId startNodeId() const { return m_startNodeId; }
    int activeVoiceCount() const { return m_activeVoiceCount; }
    double pulseValue() const { return m_pulseValue; }
    bool isMuted() const { return m_muted; }
    QColor instrumentColor() const { return m_instrumentColor; }
    QGraphicsSimpleTextItem *warningLabel() const { return m_warningLabel; }
    QGraphicsSimpleTextItem *pitchLabel() const { return m_pitchLabel; }

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    void init();
    void applyInstrument(QmdItemId instrumentId);
    void updateBrush();
    void updatePen();

    QGraphicsSimpleTextItem *m_warningLabel = nullptr;
    QGraphicsSimpleTextItem *m_pitchLabel = nullptr;
    QmdItemId m_startNodeId = 0;
    double m_pulseValue = 1.0;
    int m_activeVoiceCount = 0;
    QColor m_instrumentColor;
    bool m_muted = false;
};

#endif
