#ifndef RESOURCES_GENERATOR_MANUALIMAGES_H
#define RESOURCES_GENERATOR_MANUALIMAGES_H

#include "InspectorImages.h"

// Draws the manual's pictures into dir through save; false when one was not
// written.
bool saveManualImages(const QDir &dir, const ImageSaver &save);

#endif
