#ifndef CANVAS_NETWORKVIEW_H
#define CANVAS_NETWORKVIEW_H

#include "QmdVorma/QmdVormaObserver.h"
#include "canvas/MidiNoteEntry.h"

#include <QGraphicsView>
#include <QHash>
#include <QPointer>

class ChoiceActionGroup;
class NetworkScene;
class QAction;
class QMenu;
class QwpComboBox;
class GraphicsEdgeItem;
class GraphicsNodeItem;
class GraphicsTextBoxItem;
class GraphicsVoiceGroupItem;
class MidiEvent;

// The canvas widget of a document window: shows the window's NetworkScene,
// follows the document's view settings and turns mouse gestures of the
// current tool into controller requests. It reaches its window only
// through the edit target, a QObject with the slots cut(), copy(), paste(),
// del(), selectAll() and setPastePos(...), called through its meta-object.
//
// The window's form makes the view, then calls setEditTarget,
// setNetworkScene and attaches the controller, in this order.
class NetworkView : public QGraphicsView, public QmdVormaObserver
{
    Q_OBJECT
    Q_INTERFACES(QmdVormaObserver)
    // The choices of the context menu, as the menu's bindings show them:
    // the data of the checked entry, -1 while none is checked.
    Q_PROPERTY(int contextMenuNodeSigMethod READ contextMenuNodeSigMethod WRITE setContextMenuNodeSigMethod NOTIFY
                   contextMenuNodeSigMethodChanged)
    Q_PROPERTY(int contextMenuEdgePath READ contextMenuEdgePath WRITE setContextMenuEdgePath NOTIFY
                   contextMenuEdgePathChanged)

public:
    enum Tool { SelectionTool = 0, ZoomTool, NodeAndEdgeTool, VoiceGroupTool, TextBoxTool };

    explicit NetworkView(QWidget *parent = nullptr);
    ~NetworkView() override;

    void setNetworkScene(NetworkScene *scene);
    NetworkScene *networkScene() const { return m_attachedScene.data(); }

    // Also builds a new context menu, whose edit entries call the target.
    void setEditTarget(QObject *target);
    QObject *editTarget() const { return m_editTarget.data(); }
    QMenu *contextMenu() const { return m_contextMenu; }
    int contextMenuNodeSigMethod() const;
    int contextMenuEdgePath() const;

    void setController(QmdVormaController *controller) override;

    // The document's `Tool`, 0 to 4; other values leave it as it was.
    int tool() const { return m_tool; }

    // 0: a zoom click zooms in, 1: out, 2: does nothing.
    int zoomDirection() const { return m_zoomDirection; }
    void setZoomDirection(int direction);
    // Turns the zoom tool in or out, or to nothing where that would leave
    // the zoom limits at the current scale.
    void setZoomOut(bool out);

    // The scales of the document's `ZoomScale`, beside the horizontal scroll bar.
    QwpComboBox *zoomComboBox() const { return m_zoomComboBox; }

    // The centre of the viewport in ticks: where the window pastes.
    QmdVorma::TickPoint viewCenterTickPoint() const;

    // While the scene snaps, positions go to the nearest grid point.
    QmdVorma::TickPoint snapTickPoint(const QmdVorma::TickPoint &point) const;
    QPointF snapScenePoint(const QPointF &point) const;

    // Removes the ghosts of a gesture under way and ends a drag on one.
    void cancelGhostItems();

    bool isDragging() const { return m_dragging; }
    GraphicsNodeItem *ghostNode() const { return m_ghostNode; }
    GraphicsEdgeItem *ghostEdge() const { return m_ghostEdge; }
    GraphicsVoiceGroupItem *ghostVoiceGroup() const { return m_ghostVoiceGroup; }
    GraphicsTextBoxItem *ghostTextBox() const { return m_ghostTextBox; }

signals:
    // The user chose a signalling method or a path in the context menu.
    void contextMenuNodeSigMethodChanged();
    void contextMenuEdgePathChanged();

public slots:
    void reset();
    // A value no entry has (the mixed -1) leaves the check marks alone.
    void setContextMenuNodeSigMethod(int method);
    void setContextMenuEdgePath(int path);
    void shuffleNodeNotesInSelection();
    // Stops the running selected voice groups and starts the others.
    void toggleSelectedVoiceGroupsPlayStop();
    void onItemsChanged(const QmdIndex &index, const QStringList &keys);
    void onElementsAdded(const QmdItemIdList &ids, QmdRequestId rid);
    void onElementsRemoved(const QmdItemIdList &ids, QmdRequestId rid);
    // The scene rectangle: the network's extent plus a margin, at least one
    // viewport. The smart update only grows it (while items move); the
    // other also shrinks it.
    void shrinkOrGrowSceneRect();
    void smartUpdateSceneRect();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    // Takes the MidiEvents the application hands the focus widget.
    void customEvent(QEvent *event) override;

private:
    void enterMidiNote(const MidiEvent &event);
    void pressWithTool(QMouseEvent *event);
    void completeNodeAndEdge(const QmdItemIdList &ids, QmdRequestId rid);
    void moveDrag(const QPoint &viewPos);
    void followGhostNode(const QPoint &viewPos);
    void finishGesture();
    // Whether the node a node-and-edge gesture started from has left the
    // document (undone or deleted while the button was held).
    bool sourceNodeRemoved() const;
    void endDrag();
    void deleteGhostNodeAndEdge();
    template <typename Item>
    void discardGhost(Item *&ghost);
    void toggleVoiceGroups(QmdItemId pressed);
    void updateToolCursor();
    void applyZoom();
    double appliedZoomScale() const;
    QRectF wantedSceneRect() const;
    QmdVorma::TickPoint toTicks(const QPointF &scenePoint) const;
    QPointF toScene(const QmdVorma::TickPoint &ticks) const;
    QmdIndex nodeIndexOf(QGraphicsItem *item) const;
    QmdVorma::EdgePath ghostEdgePath() const;
    void setGhostEdgePath(QmdVorma::EdgePath path);
    bool isPlaying() const;
    void invokeEditTarget(const char *slot);
    void buildContextMenu();
    void unbindContextMenu(QmdVormaController *c);
    void bindElementEntries(QmdVormaController *c, const QmdItemIdSet &ids);
    void updatePlayStopActionText();
    QHash<QmdIndex, QSet<QString>> selectedIdsWithKey(int type, const QString &key) const;

    QPointer<QObject> m_editTarget;
    QPointer<NetworkScene> m_attachedScene;
    int m_tool = 0;
    int m_zoomDirection = 0;
    QmdRequestId m_pendingZoomRequestId = 0;
    QwpComboBox *m_zoomComboBox = nullptr;

    QMenu *m_contextMenu = nullptr;
    QAction *m_cutAction = nullptr;
    QAction *m_copyAction = nullptr;
    QAction *m_pasteAction = nullptr;
    QAction *m_deleteAction = nullptr;
    QAction *m_selectAllAction = nullptr;
    ChoiceActionGroup *m_sigMethodGroup = nullptr;
    QAction *m_shuffleAction = nullptr;
    QAction *m_playStopAction = nullptr;
    QAction *m_muteAction = nullptr;
    ChoiceActionGroup *m_pathGroup = nullptr;
    QAction *m_wormholeAction = nullptr;
    const QString m_togglePlayStopText;
    const QString m_playText;
    const QString m_stopText;

    // The drag under way: an element item (by id, since a reset may delete
    // its item) or one of the ghosts.
    bool m_dragging = false;
    QmdItemId m_dragElementId = 0;
    QGraphicsItem *m_dragGhost = nullptr;
    QmdRequestId m_moveRequestId = 0;
    QmdVorma::TickPoint m_dragTickPos;
    QmdVorma::TickPoint m_dragOffset;
    QHash<QmdItemId, QmdVorma::TickPoint> m_moveOffsets;
    bool m_moveOffsetsPending = false;

    GraphicsEdgeItem *m_ghostEdge = nullptr;
    GraphicsNodeItem *m_ghostNode = nullptr;
    GraphicsVoiceGroupItem *m_ghostVoiceGroup = nullptr;
    GraphicsTextBoxItem *m_ghostTextBox = nullptr;
    QmdIndex m_fromNodeIndex;
    QmdIndex m_targetNodeIndex;
    QmdRequestId m_pendingNodeRequestId = 0;
    bool m_buttonDown = false;
    QRect m_pressRepaintRect;
    MidiNoteEntry m_midiNoteEntry;
};

#endif
