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

} // namespace GridGeometry

#endif
