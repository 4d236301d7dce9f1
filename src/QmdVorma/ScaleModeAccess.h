#ifndef QMDVORMA_SCALEMODEACCESS_H
#define QMDVORMA_SCALEMODEACCESS_H

#include "Qmd/QmdIndex.h"

#include <QVariant>

class QmdVormaController;

// The document's scale modes, read through the controller's locked queries:
// the item models and the voice-group threads use them alike.
namespace QmdVorma {

// The mode's entry under `ScaleModes`; invalid when there is none.
QmdIndex scaleModeIndex(const QmdVormaController *controller, QmdItemId id);
// One key of the mode; invalid when the mode or the key is missing.
QVariant scaleModeValue(const QmdVormaController *controller, QmdItemId id, const QString &key);
// The ids of all modes, in the model's order.
QmdItemIdList scaleModeIdList(const QmdVormaController *controller);

} // namespace QmdVorma

#endif
