#ifndef QMDVORMA_QMDVORMAIMPORTER_H
#define QMDVORMA_QMDVORMAIMPORTER_H

#include "Qmd/QmdPropertyListImporter.h"

// Reads network documents and copied elements: the property-list form, with
// the `string` texts that QmdVormaExporter writes for some keys and
// positions read back as their values (a QColor, an element kind or edge
// path or signalling method as int, a QmdVorma::TickPoint, a QPolygonF, a
// QBitArray, a degree set as int). Names are read in any letter case.
//
// These forms never fail: an unknown name reads as 0, a malformed position
// as (0, 0), a malformed curve coordinate as 0; a channel text holding
// anything but "0" and "1" stays text.
class QmdVormaImporter : public QmdPropertyListImporter
{
    Q_OBJECT

public:
    QmdVormaImporter(QmdModel *model, QIODevice *device, QObject *parent = nullptr);

    QVariant readPlainValue(const Element &element, const QmdIndex &target) override;
};

#endif
