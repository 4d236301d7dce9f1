#ifndef RESOURCES_GENERATOR_INSPECTORIMAGES_H
#define RESOURCES_GENERATOR_INSPECTORIMAGES_H

#include <QDir>
#include <QImage>
#include <QString>

#include <functional>

using ImageSaver = std::function<bool(const QImage &, const QDir &, const QString &)>;

// Draws the curve-editor backgrounds, the single-value scale marks and the
// edge-tile overlay into dir through save; false when one was not written.
bool saveInspectorImages(const QDir &dir, const ImageSaver &save);

#endif
