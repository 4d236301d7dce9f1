#ifndef QMDVORMA_QMDVORMAOBSERVER_H
#define QMDVORMA_QMDVORMAOBSERVER_H

#include "Qmd/QmdObserver.h"
#include "QmdVorma/QmdVormaController.h"

#include <QObject>

// The observer of a network document's controller. Widgets that follow a
// controller list it with Q_INTERFACES, so that whoever attaches them finds
// their observer through the meta-object (qobject_cast) without knowing
// their class.
using QmdVormaObserver = QmdObserver<QmdVormaController>;

Q_DECLARE_INTERFACE(QmdVormaObserver, "QmdObserver<QmdVormaController>")

#endif
