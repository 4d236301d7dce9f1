#ifndef CANVAS_NETWORKVIEW_H
#define CANVAS_NETWORKVIEW_H

#include "QmdVorma/QmdVormaObserver.h"

#include <QGraphicsView>
#include <QPointer>

class NetworkScene;

// The canvas widget of a document window: shows the window's NetworkScene
// and follows the document's view settings. It reaches its window only
// through the edit target, a QObject with the slots cut(), copy(), paste(),
// del(), selectAll() and setPastePos(...), called through its meta-object.
//
// The window's form makes the view, then calls setEditTarget,
// setNetworkScene and attaches the controller, in this order.
class NetworkView : public QGraphicsView, public QmdVormaObserver
{
    Q_OBJECT
    Q_INTERFACES(QmdVormaObserver)

public:
    explicit NetworkView(QWidget *parent = nullptr);
    ~NetworkView() override;

    void setNetworkScene(NetworkScene *scene);
    NetworkScene *networkScene() const { return m_attachedScene.data(); }

    void setEditTarget(QObject *target);
    QObject *editTarget() const { return m_editTarget.data(); }

    void setController(QmdVormaController *controller) override;

    // The document's `Tool`, 0 to 4; other values leave it as it was.
    int tool() const { return m_tool; }

    // The centre of the viewport in ticks: where the window pastes.
    QmdVorma::TickPoint viewCenterTickPoint() const;

public slots:
    void reset();
    void onItemsChanged(const QmdIndex &index, const QStringList &keys);

private:
    QPointer<QObject> m_editTarget;
    QPointer<NetworkScene> m_attachedScene;
    int m_tool = 0;
};

#endif
