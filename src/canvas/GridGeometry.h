#ifndef CANVAS_GRIDGEOMETRY_H
#define CANVAS_GRIDGEOMETRY_H

#include "QmdVorma/QmdVorma.h"

#include <QRectF>

// The tick grid: divisions per principal as the canvas uses them, the snap
// step, and the stretch of the grid an exposed rectangle needs.
namespace GridGeometry {

// The document's `DivsPerPrincipal` kept between 1 and one division per
// tick: a damaged file gives the nearest bound, so the snap step is never
// below a tick and never a division by zero.
int canvasDivsPerPrincipal(int stored);

// One grid division in ticks.
QmdVorma::Ticks snapStep(int storedDivsPerPrincipal);

// The exposed rectangle widened to whole principals plus one principal on
// each side (principal px by py scene units).
QRectF widenToPrincipals(const QRectF &exposed, double px, double py);

// The fewest whole principals of `period` device pixels that together span a
// whole number of pixels (within a millionth of one), repeated up to at least
// minPixels, so that a picture of them repeats without drifting from the
// grid; 0 when no more than maxPixels do.
int tilePrincipals(double period, int minPixels, int maxPixels);

// The grid positions origin + span * i / count (i whole) from `from` to `to`,
// both included, as the first and last i; first > last when there are none
// or too many to draw. The product comes before the quotient, so that a
// position that falls on a whole pixel is computed exactly wherever it lies.
struct IndexRange
{
    double first = 1;
    double last = 0;
};
IndexRange gridIndexRange(double from, double to, double origin, double span, double count);

inline double gridPosition(double origin, double span, double index, double count)
{
    return origin + (span * index) / count;
}

} // namespace GridGeometry

#endif
