#ifndef CANVAS_NETWORKSCENE_H
#define CANVAS_NETWORKSCENE_H

#include "QmdVorma/QmdVormaObserver.h"
#include "canvas/GridPainter.h"
#include "canvas/NotifyingValue.h"

#include <QColor>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QHash>
#include <QRectF>
#include <QSet>
#include <QTimer>

class GraphicsVoiceGroupItem;
class QPropertyAnimation;

class ElementItem;
class GraphicsNodeItem;

// The graphics scene of one network document: one item per element, kept
// in step with the controller's signals and rebuilt on every model reset,
// the document's style colours and display switches, the ids of the
// selected elements, the snap step, the rectangle the network occupies and
// the tick grid behind the items.
//
// The window makes one scene with itself as parent, shows it in its view,
// connects selectionChanged() and then attaches the controller. GUI thread
// only.
class NetworkScene : public QGraphicsScene, public QmdVormaObserver
{
    Q_OBJECT
    Q_INTERFACES(QmdVormaObserver)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QColor principalLinesColor READ principalLinesColor WRITE setPrincipalLinesColor)
    Q_PROPERTY(QColor principalPointsColor READ principalPointsColor WRITE setPrincipalPointsColor)
    Q_PROPERTY(QColor divisionLinesColor READ divisionLinesColor WRITE setDivisionLinesColor)
    Q_PROPERTY(QColor divisionPointsColor READ divisionPointsColor WRITE setDivisionPointsColor)
    Q_PROPERTY(QColor annotationColor READ annotationColor WRITE setAnnotationColor)
    Q_PROPERTY(QColor nodesColor READ nodesColor WRITE setNodesColor)
    Q_PROPERTY(QColor edgesColor READ edgesColor WRITE setEdgesColor)
    Q_PROPERTY(double currentVoiceGroupPulseValue READ currentVoiceGroupPulseValue WRITE
                   setCurrentVoiceGroupPulseValue)

public:
    explicit NetworkScene(QObject *parent = nullptr);
    ~NetworkScene() override;

    // Detaches from the old controller (connections and bindings), attaches
    // to the new one (null detaches) and rebuilds.
    void setController(QmdVormaController *controller) override;

    // The style colours. Until a controller is attached they are invalid; a
    // document value that is no colour shows as the default style's colour.
    QColor backgroundColor() const { return m_backgroundColor.value(); }
    QColor principalLinesColor() const { return m_principalLinesColor.value(); }
    QColor principalPointsColor() const { return m_principalPointsColor.value(); }
    QColor divisionLinesColor() const { return m_divisionLinesColor.value(); }
    QColor divisionPointsColor() const { return m_divisionPointsColor.value(); }
    QColor annotationColor() const { return m_annotationColor.value(); }
    QColor nodesColor() const { return m_nodesColor.value(); }
    QColor edgesColor() const { return m_edgesColor.value(); }
    double currentVoiceGroupPulseValue() const { return m_currentVoiceGroupPulseValue.value(); }
    void setBackgroundColor(const QColor &color);
    void setPrincipalLinesColor(const QColor &color);
    void setPrincipalPointsColor(const QColor &color);
    void setDivisionLinesColor(const QColor &color);
    void setDivisionPointsColor(const QColor &color);
    void setAnnotationColor(const QColor &color);
    void setNodesColor(const QColor &color);
    void setEdgesColor(const QColor &color);
    void setCurrentVoiceGroupPulseValue(double value) { m_currentVoiceGroupPulseValue.setValue(value); }

    // The element ids of the selected items, computed once per selection
    // change. Items without an element (the view's ghosts) are not in it.
    const QmdItemIdSet &selectedElementIds() const;

    // While snapToGrid() holds, positions chosen on the canvas go to the
    // nearest multiple of snapStep() ticks (one grid division, at least 1).
    bool snapToGrid() const { return m_snapToGrid; }
    QmdVorma::Ticks snapStep() const { return m_snapStepTicks; }

    bool showNodeCounters() const { return m_showNodeCounters; }
    bool showNodeLastNotesSent() const { return m_showNodeLastNotesSent; }
    bool showEdgeSignalling() const { return m_showEdgeSignalling; }

    // The smallest rectangle holding every node and text box (scene
    // coordinates); it grows at once and shrinks when an extreme item moves
    // inward or goes.
    QRectF sceneContentsRect() const { return m_contentsRect; }

    // The item of an element, null when the element has none.
    ElementItem *elementItem(QmdItemId id) const { return m_itemsById.value(id); }
    int elementItemCount() const { return m_itemsById.size(); }

    // One pass of the playback display with the clock's state given: while
    // playing, takes at most FeedbackBatch due events of the controller's
    // feedback queue and shows them. checkFeedbackPipe() runs it with the
    // clock's own state every FeedbackIntervalMs.
    static constexpr int FeedbackBatch = 32;
    static constexpr int FeedbackIntervalMs = 16;
    static constexpr qint64 NoFreeVoiceWarningMs = 2000;
    void checkFeedback(bool playing, QmdVorma::Ticks now);
    bool isFeedbackTimerActive() const { return m_feedbackTimer.isActive(); }
    int soundingNodeCount() const { return m_soundingNodeItems.size(); }

    // True stops the voice groups' pulse and draws them at full strength.
    void setVoiceGroupPulseStopped(bool stopped);

    // Measures the item (nodes and text boxes only) against the contents
    // rectangle and announces a changed rectangle.
    void updateContentsRect(ElementItem *item);
    // ElementItem::fitCacheToViews for every element item; the views call it
    // when their zoom changes.
    void fitItemCachesToViews();
    // Whether drawBackground covers all it is given with an opaque colour.
    bool paintsOpaqueBackground() const;

signals:
    void sceneContentsRectChanged(const QRectF &rect);

public slots:
    void reset();
    void setSceneContentsRect(const QRectF &rect);
    void onSelectionChanged();
    void onElementsAdded(const QmdItemIdList &ids, QmdRequestId rid);
    void onElementsRemoved(const QmdItemIdList &ids, QmdRequestId rid);
    void onElementDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid);
    void onInstrumentDataEffected(QmdItemId id, const QStringList &keys, QmdRequestId rid);
    void onItemsChanged(const QmdIndex &index, const QStringList &keys);
    void checkFeedbackPipe();
    void onPlaybackJogged();
    void onVoiceGroupPulseValueChanged();

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    // Lets the items follow a selection that changed during the batch.
    void endSelectionBatch();
    QColor sliceColor(const PlaybackEvent &event) const;
    ElementItem *createElementItem(QmdItemId id, QmdRequestId rid);
    void setColor(NotifyingValue<QColor> &value, const QColor &color, const QString &key);
    void invalidateViewBackgrounds();
    void applyAnnotationColor();
    void applyNodesColor();
    void applyEdgesColor();
    bool updateContentsEdge(ElementItem *item, const QRectF &itemRect, QRectF &rect, ElementItem *&extreme,
                            qreal (QRectF::*edge)() const, void (QRectF::*setEdge)(qreal), bool lowSide);
    void readNodeStates(bool counters, bool lastNotes);
    void rescanEdges();
    void clearItems();
    int divsPerPrincipal() const;

    NotifyingValue<QColor> m_backgroundColor;
    NotifyingValue<QColor> m_principalLinesColor;
    NotifyingValue<QColor> m_principalPointsColor;
    NotifyingValue<QColor> m_divisionLinesColor;
    NotifyingValue<QColor> m_divisionPointsColor;
    NotifyingValue<QColor> m_annotationColor;
    NotifyingValue<QColor> m_nodesColor;
    NotifyingValue<QColor> m_edgesColor;
    NotifyingValue<double> m_currentVoiceGroupPulseValue;
    QHash<QmdItemId, ElementItem *> m_itemsById;
    QRectF m_contentsRect;
    QmdRequestId m_lastRequestId = 0;
    mutable bool m_selectedIdsStale = true;
    // While items for new elements are made, each one selected would make
    // every item follow the selection; they follow it once at the end.
    int m_selectionBatch = 0;
    bool m_selectionPending = false;
    mutable QmdItemIdSet m_selectedIdsCache;
    bool m_snapToGrid = true;
    QmdVorma::Ticks m_snapStepTicks = QmdVorma::TicksPerPrincipal;
    bool m_showNodeCounters = false;
    bool m_showNodeLastNotesSent = false;
    bool m_showEdgeSignalling = false;
    ElementItem *m_leftmostItem = nullptr;
    ElementItem *m_rightmostItem = nullptr;
    ElementItem *m_topmostItem = nullptr;
    ElementItem *m_bottommostItem = nullptr;

    QTimer m_feedbackTimer;
    QSet<GraphicsNodeItem *> m_soundingNodeItems;
    QHash<GraphicsVoiceGroupItem *, QSet<quint32>> m_voiceGroupVoices;
    // Expiry of each group's "!" on a monotonic clock, so that a change of
    // the wall clock neither keeps nor drops a warning.
    QHash<GraphicsVoiceGroupItem *, qint64> m_noFreeVoiceWarnings;
    QElapsedTimer m_monotonic;
    QPropertyAnimation *m_pulseAnimation = nullptr;
    GridPainter m_gridPainter;
};

#endif
