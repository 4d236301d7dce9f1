#ifndef RESOURCES_GENERATOR_INSPECTORPAGEIMAGES_H
#define RESOURCES_GENERATOR_INSPECTORPAGEIMAGES_H

#include "InspectorImages.h"

// Draws the images of the inspector's frame and page forms into dir through
// save; false when one was not written.
bool saveInspectorPageImages(const QDir &dir, const ImageSaver &save);

#endif
