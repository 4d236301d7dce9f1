#ifndef CANVAS_ZOOMGEOMETRY_H
#define CANVAS_ZOOMGEOMETRY_H

#include <QList>
#include <QPair>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>

// The canvas scale and the scene rectangle that goes with it: the view's
// zoom limits and choices, and the rectangle that keeps the scroll bars
// useful whatever the network's extent.
namespace ZoomGeometry {

constexpr double MinScale = 0.25;
constexpr double MaxScale = 8.0;

enum Direction { ZoomIn = 0, ZoomOut = 1, NoZoom = 2 };

// The scales the view's zoom box offers, text and scale, smallest first.
QList<QPair<QString, double>> boxScales();

// A scale as the zoom box writes it, in whole percents (the box is too
// narrow for more): 0.5 "50%", 0.375 "38%".
QString scaleText(double scale);

// The scale the view applies for a stored `ZoomScale`: a value that is no
// number, not finite or not positive shows at actual size, one outside the
// limits at the nearer limit, so that the view transform is never singular
// and never divided by zero. The stored value itself is left alone.
double usableScale(const QVariant &stored);

// What a zoom-tool click does at `scale` in the wanted direction: the
// direction itself while the doubled or halved scale stays within the
// limits, NoZoom otherwise.
Direction clickDirection(double scale, bool out);

// The scene rectangle for the network's contents: the contents grown by a
// margin, united with one viewport (viewportSize in pixels, shown at the
// scales m11 and m22) centred on the origin.
QRectF sceneRect(const QRectF &contents, const QSizeF &viewportSize, double m11, double m22);

} // namespace ZoomGeometry

#endif
