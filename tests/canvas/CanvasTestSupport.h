#ifndef TESTS_CANVAS_CANVASTESTSUPPORT_H
#define TESTS_CANVAS_CANVASTESTSUPPORT_H

#include "QmdVorma/EditingTestSupport.h"

#include "QmdVorma/ScaleFactors.h"
#include "canvas/ElementItem.h"
#include "canvas/NetworkScene.h"
#include "canvas/NetworkView.h"

#include <QImage>
#include <QtTest>

// Scale factors of a 72 dots-per-inch screen: a point is one scene unit and
// a principal 120.
inline void initTestScaleFactors()
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);
    QmdVorma::initScaleFactors(&image);
}

inline QmdVorma::TickPoint ticksAt(double x, double y)
{
    return QmdVorma::TickPoint(qint64(x * QmdVorma::ticksPerPixelX), qint64(y * QmdVorma::ticksPerPixelY));
}

inline QVariant tickPos(double x, double y)
{
    return QVariant::fromValue(ticksAt(x, y));
}

// Shows the view 600 by 400 on the scene's origin, one scene unit a pixel,
// for mouse gestures in scene coordinates.
inline void showViewOnOrigin(NetworkView &view, NetworkScene &scene, QmdVormaController &controller)
{
    view.setNetworkScene(&scene);
    view.setController(&controller);
    view.resize(600, 400);
    view.setSceneRect(-300, -200, 600, 400);
    view.show();
    const bool exposed = QTest::qWaitForWindowExposed(&view);
    Q_ASSERT(exposed);
    Q_UNUSED(exposed)
    view.centerOn(0, 0);
}

// A document shown on a scene, as a window wires them.
struct CanvasDocument
{
    VormaDocument doc;
    NetworkScene scene;

    void attach()
    {
        doc.attach();
        scene.setController(&doc.controller);
        settle();
    }

    template <typename Item>
    Item *item(QmdItemId id) const
    {
        ElementItem *e = scene.elementItem(id);
        return e ? dynamic_cast<Item *>(e) : nullptr;
    }

    void setRoot(const QString &key, const QVariant &value)
    {
        doc.controller.requestSetData(key, value, QmdIndex(), QmdRequestOptions{Qmd::NoUndo, QString(), 0});
        settle();
    }

    void setElement(QmdItemId id, const QString &key, const QVariant &value)
    {
        doc.controller.requestSetData(key, value, doc.controller.elementIndex(id),
                                      QmdRequestOptions{0, QStringLiteral("Change"), 0});
        settle();
    }
};

// A document on a view shown on the origin, its window stood in for by
// an edit target of the test's own.
template <typename EditTarget>
struct ShownCanvasDocument : CanvasDocument
{
    NetworkView view;
    EditTarget target;

    ShownCanvasDocument()
    {
        attach();
        view.setEditTarget(&target);
        showViewOnOrigin(view, scene, doc.controller);
    }
};

#endif
