#ifndef QMDVORMA_INSTRUMENTPALETTE_H
#define QMDVORMA_INSTRUMENTPALETTE_H

#include <QColor>
#include <QString>
#include <QVector>

// One named colour of the palette that new instruments take their colours
// from and that tells the arcs leaving a node apart.
struct PaletteEntry
{
    QString name; // translated
    QColor color;
};

namespace QmdVorma {

// The palette: the base colours, then eight numbered passes over them ("%1 %2"
// with the base name and 2 to 9). The base colours are the standard eight, or
// the alternate seven when the application setting "AlternateColorPalette" is
// true. The setting is read at the first call only; the list never changes
// afterwards. For the thread of the user interface.
const QVector<PaletteEntry> &instrumentColorPalette();

// The colour of palette entry index; black outside the palette.
QColor paletteColor(int index);

// The name of palette entry index; empty outside the palette.
QString paletteColorName(int index);

} // namespace QmdVorma

#endif
