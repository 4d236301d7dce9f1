#ifndef CANVAS_GRAPHICSNODEITEM_H
#define CANVAS_GRAPHICSNODEITEM_H

#include "canvas/GraphicsElementItem.h"

#include <QColor>
#include <QGraphicsEllipseItem>
#include <QHash>

class QGraphicsSimpleTextItem;

// One node: a circle of radius 10 points at the node's position, a glyph
// for its signalling method, a dashed outline while silenced, a label for
// the hit counter and the last notes sent, its notes as tool tip, and one
// slice per voice sounding at it.
class GraphicsNodeItem : public GraphicsElementItem<QGraphicsEllipseItem>
{
public:
    GraphicsNodeItem(QmdItemId elementId, QmdVormaController *controller, NetworkScene *scene,
                     QGraphicsItem *parent = nullptr);
    // A ghost node of the view: no element, no controller.
    GraphicsNodeItem(NetworkScene *scene, QGraphicsItem *parent = nullptr);

    enum { Type = NodeItemType };
    int type() const override { return Type; }
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    void onElementDataChanged(QmdItemId id, const QStringList &keys, QmdRequestId rid) override;

    void setColor(const QColor &color);
    void setLabelColor(const QColor &color);

    void setCounter(unsigned counter);
    void setCounterVisible(bool visible);
    void setLastNotesSentText(const QString &text);
    void setLastNotesSentVisible(bool visible);

    void addActiveVoice(int voiceGroupId, int voiceId, const QColor &color, bool deferRepaint = false);
    void removeActiveVoice(int voiceGroupId, int voiceId, bool deferRepaint = false);
    void clearActiveVoices(bool deferRepaint = false);

    int signallingMethod() const { return m_signallingMethod; }
    bool isMuted() const { return m_muted; }
    int activeVoiceCount() const { return m_activeVoiceCount; }
    QColor activeVoiceColor(int voiceGroupId, int voiceId) const
    {
        return m_activeVoices.value(voiceGroupId).value(voiceId);
    }
    QGraphicsSimpleTextItem *label() const { return m_label; }

private:
    void init();
    void updateLabelText();
    void updateLabelPos();
    void countActiveVoices();

    QGraphicsSimpleTextItem *m_label = nullptr;
    int m_signallingMethod = 0;
    bool m_muted = false;
    bool m_counterVisible = false;
    bool m_lastNotesSentVisible = false;
    unsigned m_counter = 0;
    QString m_lastNotesSentText;
    QHash<int, QHash<int, QColor>> m_activeVoices;
    int m_activeVoiceCount = 0;
};

#endif
