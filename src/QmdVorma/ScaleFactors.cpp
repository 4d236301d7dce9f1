#include "QmdVorma/ScaleFactors.h"

#include "QmdVorma/QmdVorma.h"

#include <QPaintDevice>

namespace QmdVorma {

double pointScaleX = 0;
double pointScaleY = 0;
double pixelsPerTickX = 0;
double pixelsPerTickY = 0;
double ticksPerPixelX = 0;
double ticksPerPixelY = 0;

void initScaleFactors(const QPaintDevice *device)
{
    if (!device)
        return;
    constexpr double pointsPerInch = 72;
    constexpr double ticks = double(TicksPerPrincipal);
    constexpr double points = double(PointsPerPrincipal);
    pointScaleX = device->logicalDpiX() / pointsPerInch;
    pointScaleY = device->logicalDpiY() / pointsPerInch;
    pixelsPerTickX = pointScaleX * points / ticks;
    pixelsPerTickY = pointScaleY * points / ticks;
    ticksPerPixelX = ticks / (pointScaleX * points);
    ticksPerPixelY = ticks / (pointScaleY * points);
}

} // namespace QmdVorma
