#ifndef QMDVORMA_SCALEFACTORS_H
#define QMDVORMA_SCALEFACTORS_H

class QPaintDevice;

// The factors between ticks, typographic points and pixels of the screen the
// canvas draws on. They are 0 until initScaleFactors has run; the application
// shell runs it once, before the first window, and nothing changes them
// afterwards, so any thread may read them from then on.
namespace QmdVorma {

extern double pointScaleX; // pixels per point, horizontally
extern double pointScaleY;
extern double pixelsPerTickX;
extern double pixelsPerTickY;
extern double ticksPerPixelX;
extern double ticksPerPixelY;

// Sets all six factors from the device's logical resolution. A null device
// leaves them as they are.
void initScaleFactors(const QPaintDevice *device);

} // namespace QmdVorma

#endif
