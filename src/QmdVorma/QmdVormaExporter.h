#ifndef QMDVORMA_QMDVORMAEXPORTER_H
#define QMDVORMA_QMDVORMAEXPORTER_H

#include "Qmd/QmdPropertyListExporter.h"

// Writes network documents and copied elements: the property-list form,
// with the values that need a text of their own written as `string`
// elements that QmdVormaImporter recognises from key and position:
// - a root entry "Style...Color": "#rrggbbaa";
// - `Type`, `Path` and `SignallingMethod` inside one element's dictionary
//   under "Elements": their names ("Edge", "Direct", "Parallel", ...);
// - any QmdVorma::TickPoint: "{x, y}";
// - any QPolygonF: "x,y;x,y" (6 significant digits);
// - any QBitArray: one "0" or "1" per bit;
// - any `ChromaticScaleDegreeSet`: the degree-set text, e.g. "{0,4,7}".
// Any other colour is written as "#rrggbb", without its alpha; everything
// else as the base writes it.
class QmdVormaExporter : public QmdPropertyListExporter
{
    Q_OBJECT

public:
    QmdVormaExporter(QmdModel *model, QIODevice *device, QObject *parent = nullptr);

    void writePlainValue(const QmdIndex &index) override;
};

#endif
